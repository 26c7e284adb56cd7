// An NDS tree read through the LDAP interface its servers publish (the
// ndsldap profile): through both backends, partitions and their replica
// rings come from the partition roots' replica values (binary), servers and
// their addresses from the NCP Server entries (taggedData), and auto names
// the profile.
#include "discovery_support.h"

#include "core/class_table.h"
#include "netware/directory_profile.h"
#include "support/ndsldap_directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace qv::test {
namespace {

SlapdServer& NdsServer() {
    static std::unique_ptr<SlapdServer> server;
    if (!server) {
        server = std::make_unique<SlapdServer>();
        std::string error;
        std::string schemas;
        for (const char* s : {"cosine", "inetorgperson"})
            schemas += std::string("include /etc/ldap/schema/") + s + ".schema\n";
        schemas += "include " + NdsLdapSchemaPath() + "\n";
        if (!server->Start({{kNdsAcmeBase, NdsAcmeLdifPath(), ""}}, error, false, schemas))
            ADD_FAILURE() << error;
        std::atexit([] { server.reset(); });
    }
    return *server;
}

class NdsLdap : public ::testing::TestWithParam<Backend> {
protected:
    void Use(const std::string& profile, const std::string& address = {}) {
        nds::TreeConnection c;
        c.name = kNdsAcmeTree;
        c.address = !address.empty()              ? address
                    : GetParam() == Backend::Ldif ? "ldif:" + NdsAcmeLdifPath()
                                                  : NdsServer().Url(kNdsAcmeBase);
        c.profile = profile;
        nds::ClearFaults();
        nds::SetTreeConnections({c}, kNdsAcmeTree);
    }
    void TearDown() override { EXPECT_EQ(nds::OpenResourceCount(), 0u); }
};

std::string Log(const Discovery& run) {
    return ::testing::PrintToString(run.search.log);
}

TEST_P(NdsLdap, PartitionsReplicasAndServersComeFromTheNdsAttributes) {
    Use("auto");
    Discovery run(kNdsAcmeTree);
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.search.result, 0) << Log(run);
    EXPECT_EQ(run.search.errorCount, 0) << Log(run);
    EXPECT_TRUE(run.Logged("Directory profile: ndsldap (chosen by auto: the directory holds "
                           "entries of class ncpServer)"))
        << Log(run);
    TreeDesign& d = run.design;
    ASSERT_EQ(d.partitions.Size(), 2u) << run.Text();
    EXPECT_EQ(d.partitions.Name(0), "[ROOT]");
    EXPECT_EQ(d.partitions.Entries(0), (ReplicaList{"FS1*MASTER*", "FS2*READ/WRITE*"}))
        << run.Text();
    EXPECT_EQ(d.partitions.Name(1), "SALES");
    EXPECT_EQ(d.partitions.Entries(1), (ReplicaList{"FS2*MASTER*", "FS1*READ/ONLY*"}))
        << run.Text();
    ASSERT_EQ(d.servers.Size(), 2u) << run.Text();
    std::vector<std::string> servers{d.servers.Name(0), d.servers.Name(1)};
    std::sort(servers.begin(), servers.end());
    EXPECT_EQ(servers, (std::vector<std::string>{"FS1", "FS2"})) << run.Text();
    const std::string text = run.Text();
    // The addresses as the attribute calls hand them out from taggedData.
    EXPECT_NE(text.find("TCPIP:10.0.0.1"), std::string::npos) << text;
    EXPECT_NE(text.find("IPX:0000BEEF"), std::string::npos) << text;
    // Every entry once, in its container, with its class (96: NO_DEF).
    for (const char* line :
         {"\n  - FS1 3\n", "\n  - ADMIN 44\n", "\n  - STAFF 16\n", "\n  - SALES 2\n",
          "\n    - FS2 3\n", "\n    - JSMITH 44\n", "\n    - OLD PRINTER 96\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    EXPECT_EQ(run.search.objectCount, 7) << Log(run); // the entries below o=ACME
}

TEST_P(NdsLdap, AReplicaValueThatIsNotAReplicaPointerIsNotAReplica) {
    // The quorvane profile reads the same directory: no partition roots of
    // its own kind, and the NDS values are not taken for ours.
    Use("quorvane");
    Discovery run(kNdsAcmeTree);
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(run.Logged("Directory profile: quorvane (as the tree connection asks)"))
        << Log(run);
    EXPECT_EQ(run.design.partitions.Size(), 1u) << run.Text();
}

INSTANTIATE_TEST_SUITE_P(Directory, NdsLdap, ::testing::Values(Backend::Ldif, Backend::Ldap),
                         [](const auto& info) { return BackendName(info.param); });

// The binary and string forms of the NDS syntaxes, value by value.
TEST(NdsForms, ReplicaPointersAndNetworkAddresses) {
    const nds::DirectoryProfile* p = nds::FindProfile("ndsldap");
    ASSERT_NE(p, nullptr);
    const nds::AttributeMapping* replica = p->FindByLdap("replica");
    const nds::AttributeMapping* address = p->FindByLdap("networkAddress");
    ASSERT_NE(replica, nullptr);
    ASSERT_NE(address, nullptr);
    nds::TreeNaming naming;
    ASSERT_TRUE(nds::ParseDn("o=ACME", naming.base));
    naming.tree = "NDS_ACME";
    std::string record;
    // Every replica type, and the hints after the number.
    for (std::uint32_t type = 0; type <= 5; ++type) {
        ASSERT_TRUE(nds::ValueRecord(*replica, BerReplicaPointer("cn=FS1,o=ACME", type, 7, {}),
                                     naming, record))
            << type;
        EXPECT_EQ(nds::ReadU32(record.data(), 4), type);
        EXPECT_EQ(nds::ReadU32(record.data(), 8), 7u);
        EXPECT_NE(record.find("\\T=NDS_ACME\\CN=FS1"), std::string::npos);
    }
    EXPECT_TRUE(nds::ValueRecord(
        *replica, BerReplicaPointer("cn=FS1,o=ACME", 1, 2, {{9, std::string(6, '\1')}}), naming,
        record));
    const std::string good = BerReplicaPointer("cn=FS1,o=ACME", 0, 1, {});
    struct Bad {
        const char* why;
        std::string value;
    };
    for (const Bad& bad : std::vector<Bad>{
             {"empty", ""},
             {"our string form", "0#1#cn=FS1,o=ACME"},
             {"cut short", good.substr(0, good.size() - 3)},
             {"a server outside the tree", BerReplicaPointer("cn=FS9,o=OTHER", 0, 1, {})},
             {"no server", BerReplicaPointer("", 0, 1, {})},
             {"a type beyond 16 bits", BerReplicaPointer("cn=FS1,o=ACME", 70000, 1, {})}})
        EXPECT_FALSE(nds::ValueRecord(*replica, bad.value, naming, record)) << bad.why;

    struct Address {
        std::string value;
        bool ok;
        std::uint32_t type;
    };
    const std::string tcp("\x02\x0C\x0A\x00\x00\x01", 6);
    for (const Address& a :
         std::vector<Address>{{"9#" + tcp, true, nds::kAddressIp},
                              {"8#" + tcp, true, nds::kAddressIp},
                              {"1#" + tcp.substr(2), true, nds::kAddressIp},
                              {"0#" + std::string(12, '\0'), true, nds::kAddressIpx},
                              {"0#" + std::string(11, '\0'), false, 0},
                              {"9#" + tcp + "x", false, 0},
                              {"7#" + tcp, false, 0},
                              {"#" + tcp, false, 0},
                              {"IP:10.0.0.1", false, 0},
                              {"9" + tcp, false, 0}}) {
        EXPECT_EQ(nds::ValueRecord(*address, a.value, naming, record), a.ok) << a.value;
        if (a.ok) {
            EXPECT_EQ(nds::ReadU32(record.data(), 0), a.type) << a.value;
        }
    }
}

} // namespace
} // namespace qv::test
