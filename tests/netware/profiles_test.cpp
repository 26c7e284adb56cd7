// Directory profiles: directories nobody here wrote for Quorvane (the standard
// schemas, OpenLDAP's own test data, an annotated directory, a directory of
// awkward names) read through both backends. Every entry must appear exactly
// once, in its container, with its mapped class, and the log names the profile.
#include "discovery_support.h"

#include "core/ascii_text.h"
#include "core/class_table.h"
#include "netware/directory_profile.h"
#include "netware/ldif_backend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace qv::test {
namespace {

std::string DataPath(const std::string& name) {
    return std::string(QV_SOURCE_DIR) + "/tests/data/" + name;
}

// A server with the standard schemas Debian's slapd ships and our own.
SlapdServer& StandardDirectory() {
    static std::unique_ptr<SlapdServer> server;
    if (!server) {
        server = std::make_unique<SlapdServer>();
        std::string error;
        std::string schemas;
        for (const char* s : {"cosine", "inetorgperson", "nis", "openldap", "misc"})
            schemas += std::string("include /etc/ldap/schema/") + s + ".schema\n";
        if (!server->Start({{"dc=corp,dc=example", DataPath("directories/standard_corp.ldif"), ""},
                            {"dc=example,dc=com", DataPath("openldap/test-ordered.ldif"), ""},
                            {"o=Annotated", DataPath("directories/annotated.ldif"), ""},
                            {"o=Names", DataPath("directories/names.ldif"), ""}},
                           error, false, schemas))
            ADD_FAILURE() << error;
        std::atexit([] { server.reset(); });
    }
    return *server;
}

struct Directory {
    const char* tree;
    const char* ldif; // below tests/data
    const char* base;
};

const Directory kCorp{"STD_CORP", "directories/standard_corp.ldif", "dc=corp,dc=example"};
const Directory kOpenLdap{"OPENLDAP", "openldap/test-ordered.ldif", "dc=example,dc=com"};
const Directory kAnnotated{"ANNOTATED", "directories/annotated.ldif", "o=Annotated"};
const Directory kNames{"NAMES", "directories/names.ldif", "o=Names"};

nds::TreeConnection ConnectionTo(Backend b, const Directory& d, const std::string& profile) {
    nds::TreeConnection c;
    c.name = d.tree;
    c.address = b == Backend::Ldif ? "ldif:" + DataPath(d.ldif) : StandardDirectory().Url(d.base);
    c.profile = profile;
    return c;
}

// Every leaf entry of the design as "CONTEXT | NAME | CLASS", sorted.
std::vector<std::string> Leaves(TreeDesign& d) {
    std::vector<std::string> out;
    d.Walk(d.Root(), [&](ObjectNode* n) {
        if (n->Leaves())
            for (const std::string& l : *n->Leaves())
                out.push_back(d.FullContext(n) + " | " + std::string(LeafName(l)) + " | " +
                              ClassName(static_cast<int>(LeafClassIndex(l))));
        return true;
    });
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// The server that answers: the host of the ldap:// address, or this computer.
std::string AnsweringHost(Backend b) {
    if (b == Backend::Ldap)
        return "127.0.0.1";
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return UpperAscii(name);
}

class Profiles : public ::testing::TestWithParam<Backend> {
protected:
    void Use(const Directory& d, const std::string& profile = "auto") {
        nds::ClearFaults();
        nds::SetTreeConnections({ConnectionTo(GetParam(), d, profile)}, d.tree);
    }
    void TearDown() override { EXPECT_EQ(nds::OpenResourceCount(), 0u); }
    // The discovery ran whole, without errors, and logged the profile.
    void ExpectClean(Discovery& run, const std::string& profileLine) {
        EXPECT_EQ(run.search.result, 0);
        EXPECT_EQ(run.search.errorCount, 0) << ::testing::PrintToString(run.search.log);
        EXPECT_TRUE(run.Logged(profileLine)) << ::testing::PrintToString(run.search.log);
        EXPECT_TRUE(run.Logged("NDS SEARCH COMPLETE."));
    }
    // The single [ROOT] partition a standard directory gives, held as master
    // by the server that answered.
    void ExpectRootOnAnsweringServer(Discovery& run) {
        const std::string host = AnsweringHost(GetParam());
        TreeDesign& d = run.design;
        ASSERT_EQ(d.partitions.Size(), 1u);
        EXPECT_EQ(d.partitions.Name(0), "[ROOT]");
        EXPECT_EQ(d.partitions.Entries(0), (ReplicaList{host + "*MASTER*"}));
        ASSERT_EQ(d.servers.Size(), 1u);
        EXPECT_EQ(d.servers.Name(0), host);
        EXPECT_EQ(d.servers.Entries(0), (ReplicaList{"[ROOT]*MASTER*"}));
        const ReplicaList& addresses = d.attributes.Entries(0);
        EXPECT_NE(std::find(addresses.begin(), addresses.end(), "TCPIP:127.0.0.1"),
                  addresses.end());
        bool said = false;
        for (const std::string& line : run.search.log)
            said = said || line.rfind("This directory holds no partition information (profile "
                                      "standard): one partition, [ROOT], held as master by the "
                                      "server that answered, ",
                                      0) == 0;
        EXPECT_TRUE(said) << ::testing::PrintToString(run.search.log);
    }
};

const char* const kAutoStandard = "Directory profile: standard (chosen by auto: no entry of "
                                  "Quorvane's classes and no NDS server class)";

TEST_P(Profiles, StandardCorporateTree) {
    Use(kCorp);
    Discovery run(kCorp.tree);
    ASSERT_TRUE(run.Run());
    ExpectClean(run, kAutoStandard);
    const std::string server = "[ROOT] | " + AnsweringHost(GetParam()) + " | NETWARE SERVER";
    EXPECT_EQ(Leaves(run.design), Sorted({"[ROOT] | SALES | ORGANIZATIONAL UNIT",
                                          "[ROOT] | ENGINEERING | ORGANIZATIONAL UNIT",
                                          "[ROOT] | GROUPS | ORGANIZATIONAL UNIT",
                                          "[ROOT] | DEVICES | ORGANIZATIONAL UNIT",
                                          "[ROOT] | DE | COUNTRY",
                                          "DE | BERLIN | LOCALITY",
                                          "BERLIN.DE | ANNA BERG | USER",
                                          "SALES | JSMITH | USER",
                                          "SALES | MARY JONES | USER",
                                          "SALES | SALES MANAGER | ORGANIZATIONAL ROLE",
                                          "ENGINEERING | PAT LEE | USER",
                                          "ENGINEERING | BUILD | USER",
                                          "GROUPS | EVERYONE | GROUP",
                                          "GROUPS | ENGINEERS | GROUP",
                                          "GROUPS | STAFF | GROUP",
                                          "GROUPS | SELLERS | ALIAS",
                                          "DEVICES | PRINTER1 | DEVICE",
                                          "DEVICES | HOST1 | DEVICE",
                                          "DEVICES | LAB | NO_DEF",
                                          server}));
    EXPECT_EQ(run.search.objectCount, 20); // 19 entries below the top and the server
    ExpectRootOnAnsweringServer(run);
}

TEST_P(Profiles, OpenLdapTestData) {
    Use(kOpenLdap);
    Discovery run(kOpenLdap.tree);
    ASSERT_TRUE(run.Run());
    ExpectClean(run, kAutoStandard);
    const std::string alumni = "ALUMNI ASSOCIATION.PEOPLE | ";
    const std::string itd = "INFORMATION TECHNOLOGY DIVISION.PEOPLE | ";
    EXPECT_EQ(Leaves(run.design),
              Sorted({"[ROOT] | PEOPLE | ORGANIZATIONAL UNIT",
                      "[ROOT] | GROUPS | ORGANIZATIONAL UNIT", "[ROOT] | MANAGER | USER",
                      "[ROOT] | " + AnsweringHost(GetParam()) + " | NETWARE SERVER",
                      "PEOPLE | ALUMNI ASSOCIATION | ORGANIZATIONAL UNIT",
                      "PEOPLE | INFORMATION TECHNOLOGY DIVISION | ORGANIZATIONAL UNIT",
                      "GROUPS | ALL STAFF | GROUP", "GROUPS | ALUMNI ASSOC STAFF | GROUP",
                      "GROUPS | ITD STAFF | GROUP", itd + "BARBARA JENSEN | USER",
                      itd + "BJORN JENSEN | USER", itd + "JAMES A JONES 2 | USER",
                      itd + "JOHN DOE | USER", alumni + "DOROTHY STEVENS | USER",
                      alumni + "JAMES A JONES 1 | USER", alumni + "JANE DOE | USER",
                      alumni + "JENNIFER SMITH | USER", alumni + "MARK ELLIOT | USER",
                      alumni + "URSULA HAMPSTER | USER"}));
    ExpectRootOnAnsweringServer(run);
}

TEST_P(Profiles, AnnotatedDirectoryUsesTheAuxiliaryClass) {
    Use(kAnnotated);
    Discovery run(kAnnotated.tree);
    ASSERT_TRUE(run.Run());
    ExpectClean(run, "Directory profile: quorvane (chosen by auto: the directory holds entries "
                     "of class qvContainer, qvObject or qvAnnotated)");
    TreeDesign& d = run.design;
    EXPECT_EQ(Leaves(d), Sorted({"[ROOT] | SERVERS | ORGANIZATIONAL UNIT",
                                 "[ROOT] | BRANCH | ORGANIZATIONAL UNIT",
                                 "SERVERS | FS1 | NETWARE SERVER", "BRANCH | KIM PARK | USER"}));
    ASSERT_EQ(d.partitions.Size(), 2u);
    EXPECT_EQ(Sorted({d.partitions.Name(0), d.partitions.Name(1)}), Sorted({"[ROOT]", "BRANCH"}));
    EXPECT_EQ(d.partitions.Entries(0), (ReplicaList{"FS1*MASTER*"}));
    EXPECT_EQ(d.partitions.Entries(1), (ReplicaList{"FS1*MASTER*"}));
    ASSERT_EQ(d.servers.Size(), 1u);
    EXPECT_EQ(d.servers.Name(0), "FS1");
    EXPECT_EQ(d.attributes.Name(0), "DS VERSION:10551");
}

TEST_P(Profiles, EveryNameComesThroughWhole) {
    Use(kNames);
    Discovery run(kNames.tree);
    ASSERT_TRUE(run.Run());
    ExpectClean(run, kAutoStandard);
    const std::string ou = " | ORGANIZATIONAL UNIT";
    const std::string special = "SPECIAL | ";
    EXPECT_EQ(Leaves(run.design),
              Sorted({"[ROOT] | \xE5\x8C\x97\xE4\xBA\xAC" + ou,                         // 北京
                      "[ROOT] | \xE4\xB8\x8A\xE6\xB5\xB7" + ou,                         // 上海
                      "[ROOT] | \xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0" + ou, // Москва
                      "[ROOT] | \xC3\x86R\xC3\xB8SK\xC3\xB8"
                      "BING" +
                          ou, // Ærøskøbing
                      "[ROOT] | MULTI" + ou,
                      "[ROOT] | B+OU=A" + ou,
                      "[ROOT] | SPECIAL" + ou,
                      "[ROOT] | X\\Y" + ou,
                      "[ROOT] | A+B" + ou,
                      "[ROOT] | " + AnsweringHost(GetParam()) + " | NETWARE SERVER",
                      "\xE5\x8C\x97\xE4\xBA\xAC | \xE7\x8E\x8B\xE4\xBC\x9F | USER",
                      "\xE4\xB8\x8A\xE6\xB5\xB7 | \xE6\x9D\x8E\xE5\xA8\x9C | USER",
                      "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 | "
                      "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD \xD0\x9F\xD0\xB5\xD1\x82\xD1\x80\xD0\xBE"
                      "\xD0\xB2 | USER",
                      "\xC3\x86R\xC3\xB8SK\xC3\xB8"
                      "BING | J\xC3\xBCRGEN GRO\xC3\x9F | USER",
                      "MULTI | PAT+SN=TWO | USER",
                      "MULTI | PAT+SN=THREE | USER",
                      "B+OU=A | INSIDE | USER",
                      special + "BACK\\SLASH | USER",
                      special + "PLUS+SIGN | USER",
                      special + "COMMA,HERE | USER",
                      special + "EQUALS=SIGN | USER",
                      special + "QUOTE\"MARK | USER",
                      special + "SEMI;COLON | USER",
                      special + "ANGLE<BRACKETS> | USER",
                      special + "#HASH | USER",
                      special + " SPACES  | USER",
                      special + "DOT.TED | USER",
                      "X\\Y | BELOW\\SLASH | USER",
                      "A+B | C | USER"}));
}

TEST_P(Profiles, AProfileNamedByTheConnectionIsUsed) {
    // The corporate tree read as Quorvane's schema: no container class of
    // ours, but the entries with entries below them are containers still, and
    // the classes come from the standard table behind ours.
    Use(kCorp, "quorvane");
    Discovery run(kCorp.tree);
    ASSERT_TRUE(run.Run());
    ExpectClean(run, "Directory profile: quorvane (as the tree connection asks)");
    std::vector<std::string> leaves = Leaves(run.design);
    EXPECT_EQ(leaves.size(), 19u); // no server is derived: the profile has partition data
    EXPECT_NE(std::find(leaves.begin(), leaves.end(), "BERLIN.DE | ANNA BERG | USER"),
              leaves.end());
    EXPECT_EQ(run.design.servers.Size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Directory, Profiles, ::testing::Values(Backend::Ldif, Backend::Ldap),
                         [](const auto& info) { return BackendName(info.param); });

// ---- LDIF files as directories are written ----

std::string Temp(const std::string& name, const std::string& text) {
    std::string path =
        ::testing::TempDir() + "/qv_profiles_" + std::to_string(::getpid()) + "_" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(LdifFiles, AnyOrderTheTopAnywhereAndAByteOrderMark) {
    // OpenLDAP's test.ldif: the same 19 entries as test-ordered.ldif, children
    // before their parents and the top entry in the middle.
    std::ifstream in(DataPath("openldap/test.ldif"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string path = Temp("unordered.ldif", "\xEF\xBB\xBF" + text);
    nds::SetTreeConnections(
        {{"OPENLDAP", "ldif:" + path, "", "", false, "", "auto"},
         {"ORDERED", "ldif:" + DataPath("openldap/test-ordered.ldif"), "", "", false, "", "auto"}},
        "OPENLDAP");
    Discovery unordered("OPENLDAP");
    ASSERT_TRUE(unordered.Run());
    EXPECT_EQ(unordered.search.errorCount, 0) << ::testing::PrintToString(unordered.search.log);
    Discovery ordered("ORDERED");
    ASSERT_TRUE(ordered.Run());
    EXPECT_EQ(Leaves(unordered.design), Leaves(ordered.design));
    EXPECT_EQ(Leaves(unordered.design).size(), 19u); // 18 entries and the server
    std::remove(path.c_str());
}

TEST(LdifFiles, SeveralTopsUnderABaseGivenInTheAddress) {
    const std::string path = Temp("tops.ldif", "dn: ou=B,dc=corp,dc=example\n"
                                               "objectClass: organizationalUnit\n\n"
                                               "dn: cn=x,ou=A,dc=corp,dc=example\n"
                                               "objectClass: device\n\n"
                                               "dn: ou=A,dc=corp,dc=example\n"
                                               "objectClass: organizationalUnit\n");
    nds::SetTreeConnections(
        {{"TOPS", "ldif:" + path + "?dc=corp,dc=example", "", "", false, "", "auto"}}, "TOPS");
    Discovery run("TOPS");
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.search.errorCount, 0);
    std::vector<std::string> leaves = Leaves(run.design);
    leaves.erase(std::remove_if(leaves.begin(), leaves.end(),
                                [](const std::string& l) {
                                    return l.find("NETWARE SERVER") != std::string::npos;
                                }),
                 leaves.end());
    EXPECT_EQ(leaves, Sorted({"[ROOT] | B | ORGANIZATIONAL UNIT",
                              "[ROOT] | A | ORGANIZATIONAL UNIT", "A | X | DEVICE"}));
    std::remove(path.c_str());
}

TEST(LdifFiles, WhatIsLeftOutIsACountedErrorNamingTheLine) {
    const std::string text = "dn: o=Top\n"                 // 1
                             "objectClass: organization\n" // 2
                             "\n"                          // 3
                             "dn: ou=A,o=Top\n"            // 4
                             "objectClass: organizationalUnit\n"
                             "\n"
                             "# a comment\n"    // 7
                             "dn: ou=a,o=top\n" // 8
                             "objectClass: organizationalUnit\n"
                             "\n"
                             "dn: ou=B,o=Top\n" // 11
                             "changetype: add\n"
                             "objectClass: organizationalUnit\n"
                             "\n"
                             "dn: cn=Far,o=Elsewhere\n" // 15
                             "objectClass: device\n"
                             "\n"
                             "dn: cn=Lost,ou=Gone,o=Top\n" // 18
                             "objectClass: device\n";
    nds::LdifDirectory dir;
    ASSERT_EQ(dir.Load(text.data(), text.size(), "T"), nds::kOk);
    EXPECT_EQ(dir.EntryCount(), 2u); // the root and ou=A
    EXPECT_EQ(dir.Errors(),
              (std::vector<std::string>{
                  "Line 11: a change record (dn: ou=B,o=Top), left out",
                  "Line 8: the DN ou=a,o=top repeats the entry of line 4, left out",
                  "Line 15: the entry cn=Far,o=Elsewhere is outside the base o=Top, left out",
                  "Line 18: the parent of cn=Lost,ou=Gone,o=Top is not in the file, entry left "
                  "out"}));
    // The discovery log carries them as counted errors.
    const std::string path = Temp("errors.ldif", text);
    nds::SetTreeConnections({{"T", "ldif:" + path, "", "", false, "", "auto"}}, "T");
    Discovery run("T");
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.search.errorCount, 4);
    EXPECT_TRUE(run.Logged("Line 18: the parent of cn=Lost,ou=Gone,o=Top is not in the file, "
                           "entry left out"));
    std::remove(path.c_str());
}

TEST(ProfileFiles, TheBuiltInProfilesParse) {
    for (const char* name : {"quorvane", "standard"}) {
        const nds::DirectoryProfile* p = nds::FindProfile(name);
        ASSERT_NE(p, nullptr) << name;
        // Every class name of a table is one of the class table's names.
        for (const auto& [oc, cls] : p->classes)
            EXPECT_GE(ClassIndexOf(UpperAscii(cls)), 0) << name << ": " << oc << " " << cls;
    }
    Result<nds::DirectoryProfile> p = nds::ParseProfile("profile x\nbogus key\n");
    EXPECT_FALSE(p);
    EXPECT_EQ(p.error(), "line 2: unknown key bogus");
    EXPECT_FALSE(nds::ParseProfile("attribute a nosyntax - A\n"));
    EXPECT_TRUE(nds::IsProfileChoice("AUTO"));
    EXPECT_FALSE(nds::IsProfileChoice("novell"));
}

} // namespace
} // namespace qv::test
