// The LDIF reader of the ldif: backend and the schema's value records.
#include "netware/directory_backend.h"
#include "netware/ldif_backend.h"

#include <gtest/gtest.h>

namespace qv::nds {
namespace {

Status Load(LdifDirectory& dir, const std::string& text) {
    return dir.Load(text.data(), text.size(), "T");
}

TEST(LdifReader, RefusesWhatIsNotADirectory) {
    LdifDirectory dir;
    EXPECT_EQ(Load(dir, ""), kErrBadDirectoryData);
    EXPECT_EQ(Load(dir, "# only a comment\n"), kErrBadDirectoryData);
    EXPECT_EQ(Load(dir, "not ldif at all\n"), kErrBadDirectoryData);
    EXPECT_EQ(Load(dir, "249RlVainer\xad"
                        "C\xc4lrge: ete\n"),
              kErrBadDirectoryData);
    // A line with an empty attribute type.
    EXPECT_EQ(Load(dir, "dn: cn=T\n:0A0B0C0D\n"), kErrBadDirectoryData);
    EXPECT_EQ(Load(dir, "dn: cn=T\nobjectClass: qvContainer\n\ndn: cn=A,cn=T\n: x\n"),
              kErrBadDirectoryData);
    // A "-" line outside a change record (OpenLDAP's parser crashed on the
    // first); in a change record it is that record's business.
    EXPECT_EQ(Load(dir, "dn: cn=T\n-\n"), kErrBadDirectoryData);
    EXPECT_EQ(Load(dir, "dn:\n\r:i"), kErrBadDirectoryData);
    EXPECT_EQ(Load(dir, "dn: cn=T\n\t:x\n"), kErrBadDirectoryData);
    EXPECT_EQ(Load(dir, "dn: cn=T\n\f \v:x\n"), kErrBadDirectoryData);
    EXPECT_EQ(Load(dir, "dn: cn=T\n\v\n :x\n"), kErrBadDirectoryData);
    EXPECT_EQ(Load(dir, "dn: cn=T\ncn: T\n-\r\ncn: U\n"), kErrBadDirectoryData);
    EXPECT_EQ(Load(dir, "dn: cn=T\nobjectClass: qvContainer\n\n"
                        "dn: cn=A,cn=T\nchangetype: modify\nadd: cn\ncn: x\n-\n"),
              kOk);
    EXPECT_EQ(dir.Errors().size(), 1u);
}

TEST(LdifReader, KeepsTheTreeBelowTheFirstEntryInFileOrder) {
    LdifDirectory dir;
    ASSERT_EQ(Load(dir, "dn:: Y249VA==\n"
                        "objectClass: qvContainer\n"
                        "\n"
                        "dn: cn=Orphan,ou=Missing,cn=T\n"
                        "objectClass: qvObject\n"
                        "\n"
                        "dn: cn=Outside,cn=OTHER\n"
                        "objectClass: qvObject\n"
                        "\n"
                        "dn: ou=Z\\2C Comma,cn=t\n"
                        "objectClass: qvContainer\n"
                        "qvBaseClass: Organizational Unit\n"
                        "qvPartitionRoot: true\n"
                        "\n"
                        "dn: cn=T\n"
                        "changetype: delete\n"
                        "\n"
                        "dn: cn=Jos\xC3\xA9,cn=T\n"
                        "objectClass: qvObject\n"
                        "qvBaseClass: " +
                            std::string(40, 'X') +
                            "\n"
                            "\n"
                            "dn: CN=jos\xC3\xA9,cn=T\n"
                            "objectClass: qvObject\n"),
              kOk);
    EXPECT_EQ(dir.EntryCount(), 3u);
    EXPECT_EQ(dir.SkippedCount(), 4u); // orphan, outside, the delete, the repeated DN
    LdifBackend backend(std::make_shared<LdifDirectory>(dir));
    std::vector<ListedObject> list;
    ASSERT_EQ(backend.List("\\T=T", list), kOk);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "OU=Z, Comma");
    EXPECT_EQ(list[0].flags, kFlagContainer | kFlagPartitionRoot);
    EXPECT_EQ(list[0].baseClass, "Organizational Unit");
    EXPECT_EQ(list[1].name, "CN=Jos\xC3\xA9"); // kept in UTF-8
    EXPECT_EQ(list[1].flags, 0u);
    EXPECT_EQ(list[1].baseClass, std::string(32, 'X'));
    EXPECT_EQ(backend.List("\\T=t\\OU=z, comma", list), kOk);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(backend.List("\\T=T\\OU=Nothing", list), kErrNoSuchEntry);
    EXPECT_EQ(backend.List("\\T=OTHER", list), kErrNoSuchEntry);
}

TEST(SchemaValues, RecordsOfEachSyntax) {
    TreeNaming naming;
    ASSERT_TRUE(ParseDn("cn=T", naming.base));
    naming.tree = "T";
    const AttributeMapping& replica = *FindMappingByNds("replica");
    const AttributeMapping& address = *FindMappingByNds("Network Address");
    const AttributeMapping& revision = *FindMappingByNds("DS Revision");
    std::string rec;
    ASSERT_TRUE(ValueRecord(replica, "2#7#cn=FS1,o=Acme,cn=T", naming, rec));
    EXPECT_EQ(ReadU32(rec.data(), 0), kReplicaFixed);
    EXPECT_EQ(ReadU32(rec.data(), 4), 2u);
    EXPECT_EQ(ReadU32(rec.data(), 8), 7u);
    EXPECT_EQ(std::string(rec.data() + kReplicaFixed), "\\T=T\\O=Acme\\CN=FS1");
    for (const char* bad : {"2#7", "x#1#cn=A,cn=T", "1#1#cn=A,cn=OTHER", "1#1#cn=T", "1#1#=,"})
        EXPECT_FALSE(ValueRecord(replica, bad, naming, rec)) << bad;

    ASSERT_TRUE(ValueRecord(address, "IPX:0A0B0C0D", naming, rec));
    EXPECT_EQ(rec.size(), kNetAddressFixed + 12);
    EXPECT_EQ(ReadU32(rec.data(), 0), kAddressIpx);
    EXPECT_EQ(static_cast<unsigned char>(rec[kNetAddressFixed + 3]), 0x0Du);
    ASSERT_TRUE(ValueRecord(address, "IP:10.1.255.4", naming, rec));
    EXPECT_EQ(ReadU32(rec.data(), 0), kAddressIp);
    EXPECT_EQ(static_cast<unsigned char>(rec[kNetAddressFixed + 4]), 255u);
    for (const char* bad : {"IPX:0A0B0C", "IPX:0A0B0C0G", "IP:10.1.1", "IP:10.1.1.256",
                            "IP:1.2.3.4.5", "IP:.1.2.3", "TCP:1.2.3.4", "IPX:0A0B0C0D:1:2"})
        EXPECT_FALSE(ValueRecord(address, bad, naming, rec)) << bad;

    ASSERT_TRUE(ValueRecord(revision, "-12", naming, rec));
    EXPECT_EQ(static_cast<std::int32_t>(ReadU32(rec.data(), 0)), -12);
    EXPECT_FALSE(ValueRecord(revision, "5.1", naming, rec));
    EXPECT_FALSE(ValueRecord(revision, "99999999999", naming, rec));
}

TEST(SchemaValues, NamesAndPaths) {
    std::vector<Rdn> rdns;
    ASSERT_TRUE(ParseDn("cn=a\\,b+uid=x,OU=Sales,cn=T", rdns));
    ASSERT_EQ(rdns.size(), 3u);
    EXPECT_EQ(rdns[0].value, "a,b");
    ASSERT_EQ(rdns[0].more.size(), 1u); // a multi-valued RDN keeps all its values
    EXPECT_EQ(rdns[0].more[0].type, "uid");
    EXPECT_EQ(FormatDn(rdns), "cn=a\\,b+uid=x,OU=Sales,cn=T");
    EXPECT_FALSE(ParseDn("no equals sign", rdns));
    EXPECT_TRUE(PathToRdns("\\T=t\\OU=Sales\\CN=a=b", "T", rdns));
    ASSERT_EQ(rdns.size(), 2u);
    EXPECT_EQ(rdns[1].value, "a=b");
    EXPECT_FALSE(PathToRdns("\\T=OTHER", "T", rdns));
    EXPECT_FALSE(PathToRdns("\\T=T\\Sales", "T", rdns));
    EXPECT_EQ(Utf8ToLatin1("Jos\xC3\xA9 \xE2\x82\xAC"), "Jos\xE9 ?");
    EXPECT_EQ(Latin1ToUtf8("Jos\xE9"), "Jos\xC3\xA9");
}

} // namespace
} // namespace qv::nds
