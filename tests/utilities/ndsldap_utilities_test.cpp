// The console utilities on an NDS tree read through its LDAP interface (the
// ndsldap profile), through both backends: NLIST's default servers from
// defaultServer, DSRIGHTS's trustees and filters from the ACL attribute's NDS
// form (an assignment of the scope "entry" is not inherited), security
// equivalences from securityEquals and groups from member; RIGHTS says the
// directory holds no file system trustees.
#include "netware/directory_entries.h"
#include "netware/directory_profile.h"
#include "support/ndsldap_directory.h"
#include "support/slapd_fixture.h"
#include "utilities/dsrights_report.h"
#include "utilities/effective_rights.h"
#include "utilities/nds_rights.h"
#include "utilities/nlist_report.h"
#include "utilities/rights_standin.h"

#include <gtest/gtest.h>

#include <memory>

namespace qv::utilities {
namespace {

test::SlapdServer& NdsServer() {
    static std::unique_ptr<test::SlapdServer> server;
    if (!server) {
        server = std::make_unique<test::SlapdServer>();
        std::string error, schemas;
        for (const char* s : {"cosine", "inetorgperson"})
            schemas += std::string("include /etc/ldap/schema/") + s + ".schema\n";
        schemas += "include " + test::NdsLdapSchemaPath() + "\n";
        if (!server->Start({{test::kNdsAcmeBase, test::NdsAcmeLdifPath(), ""}}, error, false,
                           schemas))
            ADD_FAILURE() << error;
        std::atexit([] { server.reset(); });
    }
    return *server;
}

class NdsLdapUtilities : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        nds::TreeConnection c;
        c.name = test::kNdsAcmeTree;
        c.address =
            GetParam() ? NdsServer().Url(test::kNdsAcmeBase) : "ldif:" + test::NdsAcmeLdifPath();
        ASSERT_EQ(dir.Load(c), nds::kOk);
        ASSERT_EQ(dir.Profile().name, "ndsldap");
    }
    std::int32_t Find(const char* name) {
        std::int32_t e = dir.FindByFullName(name);
        EXPECT_GE(e, 0) << name;
        return e;
    }
    nds::DirectoryEntries dir;
};

TEST_P(NdsLdapUtilities, NlistShowsTheDefaultServers) {
    Result<NlistRequest> request =
        ParseNlistArguments({"User", "SHOW", "Default Server,", "Last Name", "/s"});
    ASSERT_TRUE(request) << request.error();
    Result<std::string> out = BuildNlistReport(dir, *request, "");
    ASSERT_TRUE(out) << out.error();
    EXPECT_EQ(*out, "Object Class: User\n"
                    "Current context: [Root]\n"
                    "User: admin\n"
                    "        Last Name: Admin\n"
                    "        Default Server: FS1\n"
                    "A total of 1 User object was found in this context.\n\n"
                    "Object Class: User\n"
                    "Current context: SALES\n"
                    "User: jsmith\n"
                    "        Last Name: Smith\n"
                    "        Default Server: FS2.SALES\n"
                    "A total of 1 User object was found in this context.\n\n"
                    "A total of 2 User objects were found.\n");
}

TEST_P(NdsLdapUtilities, RightsComeFromTheAclAttribute) {
    // o=ACME, the base of the connection, is the tree root.
    const std::int32_t jsmith = Find("JSMITH.SALES");
    const std::int32_t sales = Find("SALES");
    const std::int32_t admin = Find("ADMIN");
    ASSERT_GE(jsmith, 0);
    ASSERT_GE(sales, 0);
    ASSERT_GE(admin, 0);
    // jsmith is security equal to admin, a member of Staff, and in SALES.
    EffectiveRights r = ComputeEffectiveRights(dir, jsmith, jsmith);
    std::vector<std::string> names;
    for (const RightsIdentity& i : r.identities)
        names.push_back(i.name);
    EXPECT_EQ(names, (std::vector<std::string>{"jsmith.SALES", "admin", "Staff", "SALES", "[Root]",
                                               "[Public]"}));
    ASSERT_EQ(r.levels.size(), 3u);
    // At the top admin's Supervisor (16) gives everything.
    EXPECT_EQ(r.levels[0].effective.object, kAllObjectRights);
    EXPECT_EQ(r.levels[0].effective.property, kAllPropertyRights);
    // SALES's [Inheritance Mask] lets only Browse (1) in; [Public] has Read (2) on
    // SALES's attributes with the scope entry.
    EXPECT_EQ(r.levels[1].filter.object, kRightB);
    EXPECT_EQ(r.levels[1].effective.object, kRightB);
    EXPECT_EQ(r.levels[1].effective.property, kRightR);
    // Below SALES the entry-scope Read is not inherited.
    EXPECT_EQ(r.levels[2].effective.object, kRightB);
    EXPECT_EQ(r.levels[2].effective.property, 0);

    std::string output;
    EXPECT_EQ(RunDsRights({"admin", ".SALES"}, dir, "", output), 0) << output;
    EXPECT_NE(output.find("How admin got rights to"), std::string::npos) << output;
}

TEST_P(NdsLdapUtilities, TheFileSystemTrusteesAreNotInTheDirectory) {
    EXPECT_TRUE(dir.Profile().rightsInformation);
    EXPECT_FALSE(dir.Profile().fileRightsInformation);
    RightsArguments args;
    RightsWorkstation station;
    Result<std::string> report = RightsReport(args, station, dir);
    EXPECT_FALSE(report);
    const std::string text = report.error();
    EXPECT_EQ(text, "This directory holds no rights information (profile ndsldap).\n");
}

INSTANTIATE_TEST_SUITE_P(Directory, NdsLdapUtilities, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Ldap" : "Ldif"; });

// The NDS string form of an ACL value, field by field.
TEST(NdsAclValues, PrivilegesScopeTrusteeAndProtectedName) {
    struct Case {
        const char* value;
        bool ok;
        const char* protectedName;
        const char* trustee;
        std::uint8_t rights;
        bool inherited;
    };
    const Case cases[] = {
        {"16#subtree#cn=admin,o=ACME#[Entry Rights]", true, "[Entry Rights]", "cn=admin,o=ACME",
         kRightS, true},
        {"31#entry#[Public]#[Entry Rights]", true, "[Entry Rights]", "[Public]",
         kRightB | kRightC | kRightD | kRightR | kRightS, false},
        {"47#subtree#[Root]#[All Attributes Rights]", true, "[All Attributes Rights]", "[Root]",
         kRightC | kRightR | kRightW | kRightA | kRightS, true},
        {"16#subtree#[Root]#[All Attributes Rights]", true, "[All Attributes Rights]", "[Root]", 0,
         true},
        {"2#SUBTREE#cn=a\\#b,o=ACME#telephoneNumber", true, "telephoneNumber", "cn=a\\#b,o=ACME",
         kRightR, true},
        {"1#entry#[Public]#", true, "[Entry Rights]", "[Public]", kRightB, false},
        {"4294967295#entry#[Public]#[Entry Rights]", true, "[Entry Rights]", "[Public]",
         kAllObjectRights, false},
        {"4294967296#entry#[Public]#[Entry Rights]", false, "", "", 0, true},
        {"-1#entry#[Public]#[Entry Rights]", false, "", "", 0, true},
        {"#entry#[Public]#[Entry Rights]", false, "", "", 0, true},
        {"1#everywhere#[Public]#[Entry Rights]", false, "", "", 0, true},
        {"1#entry#[Public]", false, "", "", 0, true},
        {"[Entry Rights]#[Public]#SB", false, "", "", 0, true},
    };
    for (const Case& c : cases) {
        AclValue acl;
        ASSERT_EQ(ParseNdsAclValue(c.value, acl), c.ok) << c.value;
        if (!c.ok)
            continue;
        EXPECT_EQ(acl.protectedName, c.protectedName) << c.value;
        EXPECT_EQ(acl.trustee, c.trustee) << c.value;
        EXPECT_EQ(acl.rights, c.rights) << c.value;
        EXPECT_EQ(acl.inherited, c.inherited) << c.value;
    }
}

} // namespace
} // namespace qv::utilities
