#include "support/ndsldap_directory.h"

#include <lber.h>
#include <ldif.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace qv::test {

namespace {

// "name:: BASE64" lines of the value, written by OpenLDAP's LDIF writer.
std::string BinaryLine(const char* name, const std::string& value) {
    char* line = ldif_put(LDIF_PUT_BINARY, name, value.data(), value.size());
    if (!line)
        throw std::runtime_error("ldif_put failed");
    std::string out(line);
    ber_memfree(line);
    return out;
}

std::string Tagged(std::uint32_t type, const std::string& bytes) {
    return std::to_string(type) + "#" + bytes;
}

std::string Bytes(std::initializer_list<int> b) {
    std::string s;
    for (int v : b)
        s += static_cast<char>(v);
    return s;
}

std::string WriteLdif() {
    const std::string fs1 = "cn=FS1,o=ACME";
    const std::string fs2 = "cn=FS2,ou=SALES,o=ACME";
    const std::string tcp1 = Bytes({0x02, 0x0C, 10, 0, 0, 1}); // port 524, 10.0.0.1
    const std::string ipx2 =
        Bytes({0x00, 0x00, 0xBE, 0xEF, 0x00, 0x00, 0x1B, 0x1E, 0x00, 0x01, 0x04, 0x51});
    std::string l;
    l += "dn: o=ACME\nobjectClass: organization\nobjectClass: partition\n"
         "objectClass: extensibleObject\no: ACME\n";
    l += BinaryLine("replica", BerReplicaPointer(fs1, 0, 1, {{9, tcp1}}));
    l += BinaryLine("replica", BerReplicaPointer(fs2, 1, 2, {{0, ipx2}}));
    l += "ACL: 16#subtree#cn=admin,o=ACME#[Entry Rights]\n"
         "ACL: 1#subtree#[Public]#[Entry Rights]\n\n";
    l += "dn: " + fs1 +
         "\nobjectClass: ncpServer\ncn: FS1\nDSRevision: 1066\n"
         "version: Novell NetWare 5.00\n";
    l += BinaryLine("networkAddress", Tagged(9, tcp1)) + "\n";
    l += "dn: cn=admin,o=ACME\nobjectClass: inetOrgPerson\nobjectClass: extensibleObject\n"
         "cn: admin\nsn: Admin\ndefaultServer: " +
         fs1 + "\n\n";
    l += "dn: cn=Staff,o=ACME\nobjectClass: groupOfNames\ncn: Staff\n"
         "member: cn=jsmith,ou=SALES,o=ACME\n\n";
    l += "dn: ou=SALES,o=ACME\nobjectClass: organizationalUnit\nobjectClass: partition\n"
         "objectClass: extensibleObject\nou: SALES\n";
    l += BinaryLine("replica", BerReplicaPointer(fs2, 0, 1, {}));
    l += BinaryLine("replica", BerReplicaPointer(fs1, 2, 2, {{9, tcp1}}));
    l += "ACL: 1#subtree#[Inheritance Mask]#[Entry Rights]\n"
         "ACL: 2#entry#[Public]#[All Attributes Rights]\n\n";
    l += "dn: " + fs2 + "\nobjectClass: ncpServer\ncn: FS2\nDSRevision: 1066\n";
    l += BinaryLine("networkAddress", Tagged(0, ipx2)) + "\n";
    l += "dn: cn=jsmith,ou=SALES,o=ACME\nobjectClass: inetOrgPerson\n"
         "objectClass: extensibleObject\ncn: jsmith\nsn: Smith\ndefaultServer: " +
         fs2 + "\nsecurityEquals: cn=admin,o=ACME\n\n";
    l += "dn: cn=Old Printer,ou=SALES,o=ACME\nobjectClass: applicationProcess\n"
         "cn: Old Printer\n";

    char folder[] = "/tmp/qv-ndsldap-XXXXXX";
    if (!::mkdtemp(folder))
        throw std::runtime_error("mkdtemp failed");
    std::string path = std::string(folder) + "/ndsldap.ldif";
    std::ofstream(path, std::ios::binary) << l;
    static const std::string removeAtExit = folder;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(removeAtExit, ec);
    });
    return path;
}

} // namespace

std::string BerReplicaPointer(const std::string& serverDn, std::uint32_t type, std::uint32_t number,
                              const std::vector<std::pair<std::uint32_t, std::string>>& hints) {
    BerElement* ber = ber_alloc_t(LBER_USE_DER);
    if (!ber)
        throw std::runtime_error("ber_alloc_t failed");
    int rc = ber_printf(ber, "{siiii{", serverDn.c_str(), static_cast<ber_int_t>(type),
                        ber_int_t{0}, ber_int_t{0}, static_cast<ber_int_t>(number));
    for (const auto& [transport, address] : hints)
        if (rc != -1)
            rc = ber_printf(ber, "{io}", static_cast<ber_int_t>(transport), address.data(),
                            static_cast<ber_len_t>(address.size()));
    if (rc != -1)
        rc = ber_printf(ber, "}}");
    berval* bv = nullptr;
    if (rc == -1 || ber_flatten(ber, &bv) == -1) {
        ber_free(ber, 1);
        throw std::runtime_error("ber_printf failed");
    }
    std::string out(bv->bv_val, bv->bv_len);
    ber_bvfree(bv);
    ber_free(ber, 1);
    return out;
}

const std::string& NdsAcmeLdifPath() {
    static const std::string path = WriteLdif();
    return path;
}

std::string NdsLdapSchemaPath() {
    return std::string(QV_SOURCE_DIR) + "/tests/data/directories/ndsldap.schema";
}

} // namespace qv::test
