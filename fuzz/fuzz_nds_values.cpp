// The values of an NDS tree read through its LDAP interface: replica
// pointers in their binary (BER) form, network addresses as taggedData and
// ACL values in their string form come from the directory (or an LDIF file)
// as any bytes; each must decode or be refused without a fault.
#include "netware/directory_backend.h"
#include "netware/directory_profile.h"
#include "utilities/effective_rights.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const qv::nds::DirectoryProfile* profile = qv::nds::FindProfile("ndsldap");
    static qv::nds::TreeNaming naming = [] {
        qv::nds::TreeNaming n;
        qv::nds::ParseDn("o=ACME", n.base);
        n.tree = "NDS_ACME";
        return n;
    }();
    if (!profile)
        __builtin_trap();
    std::string_view value(reinterpret_cast<const char*>(data), size);
    std::string record;
    for (const qv::nds::AttributeMapping& m : profile->attributes)
        if (qv::nds::ValueRecord(m, value, naming, record) && record.empty())
            __builtin_trap();
    qv::utilities::AclValue acl;
    if (qv::utilities::ParseNdsAclValue(value, acl) && acl.protectedName.empty())
        __builtin_trap();
    return 0;
}
