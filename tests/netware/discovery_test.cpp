// Search NDS Tree against a real directory server and the same directory
// read from LDIF: both backends must give the same designs and messages.
#include "discovery_support.h"

#include "files/design_file.h"

#include <gtest/gtest.h>
#include <ldap.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace qv::test {
namespace {

class BothBackends : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        nds::ClearFaults();
        nds::SetTreeConnections(
            {Connection(GetParam(), "CORP_TREE"), Connection(GetParam(), "EDGE_TREE")},
            "CORP_TREE");
    }
    void TearDown() override {
        nds::ClearFaults();
        EXPECT_EQ(nds::OpenResourceCount(), 0u);
    }
};

TEST_P(BothBackends, CorpTreeGivesTheExampleDesign) {
    Discovery run("CORP_TREE");
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(run.ui.boxes.empty());
    EXPECT_EQ(run.search.result, 0);
    EXPECT_EQ(run.host.offered, (std::vector<std::string>{"CORP_TREE", "EDGE_TREE"}));
    EXPECT_TRUE(run.Logged("NDS SEARCH COMPLETE."));
    EXPECT_TRUE(run.design.Flags().modified);

    ScriptedInteraction ui;
    TreeDesign example;
    example.SetHosts(nullptr, &ui);
    ASSERT_TRUE(OpenDesign(example, std::string(QV_SOURCE_DIR) + "/examples/corp.qvd"));
    // The server sends the entries in the order slapadd loaded them: the
    // file's order, so both backends give the example design.
    EXPECT_EQ(run.Text(), DesignText(example));
    EXPECT_EQ(run.search.objectCount, 19);
    EXPECT_EQ(run.design.distinctClassCount, example.distinctClassCount);
}

TEST_P(BothBackends, EdgeTreeRecordsWhatThePartKeeps) {
    Discovery run("EDGE_TREE");
    run.host.verbose = true;
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.search.result, 0);
    TreeDesign& d = run.design;
    // The root is the only partition; the sub-reference and the type without
    // a marker are not recorded, their servers are.
    ASSERT_EQ(d.partitions.Size(), 1u);
    EXPECT_EQ(d.partitions.Name(0), "[ROOT]");
    EXPECT_EQ(d.partitions.Entries(0), (ReplicaList{"FS9*MASTER*", "FS2*READ/WRITE*"}));
    ASSERT_EQ(d.servers.Size(), 3u);
    EXPECT_EQ(d.servers.Name(0), "FS9");
    EXPECT_EQ(d.servers.Name(1), "FS3");
    EXPECT_EQ(d.servers.Name(2), "FS2");
    EXPECT_EQ(d.servers.Entries(0), (ReplicaList{"[ROOT]*MASTER*"}));
    EXPECT_EQ(d.servers.Entries(2), (ReplicaList{"[ROOT]*READ/WRITE*"}));
    // The last integer read wins; no address keeps the default; the IPX line
    // first, then the IP lines in the order read; other forms are ignored.
    EXPECT_EQ(d.attributes.Name(0), "DS VERSION:600");
    EXPECT_EQ(d.attributes.Entries(0), (ReplicaList{"IPX:00000000"}));
    EXPECT_EQ(d.attributes.Name(1), "DS VERSION:0");
    EXPECT_EQ(d.attributes.Entries(1), (ReplicaList{"IPX:00000000"}));
    EXPECT_EQ(d.attributes.Name(2), "DS VERSION:711");
    EXPECT_EQ(d.attributes.Entries(2),
              (ReplicaList{"IPX:0102ABCD", "TCPIP:10.0.0.2", "TCPIP:192.168.7.20"}));
    // FS9 was met as a replica holder first: one node, made on the way.
    std::string text = run.Text();
    EXPECT_NE(text.find("    LATE <2> -1\n      - FS9 3\n      - GADGET 96\n      FS9 <3> -1\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("ELSEWHERE"), std::string::npos);
    // BIG took more than one listing chunk.
    EXPECT_EQ(run.search.objectCount, 7 + 150);
    EXPECT_EQ(d.FindNodeByContext("BIG.ACME")->Leaves()->size(), 150u);
    EXPECT_TRUE(run.Logged("AddToReplicaList: [ROOT]"));
    EXPECT_TRUE(run.Logged("  Server added: \\T=EDGE_TREE\\O=Acme\\CN=FS2"));
    EXPECT_TRUE(run.Logged("  Container added: \\T=EDGE_TREE\\O=Acme\\OU=Late"));
    EXPECT_TRUE(run.Logged("Current Container: \\T=EDGE_TREE\\O=Acme\\OU=Big"));
    EXPECT_TRUE(run.Logged("This container is a partition."));
    EXPECT_TRUE(run.Logged("AddToAddrList: FS2"));
    EXPECT_TRUE(run.Logged("  address: IPX:0102ABCD"));
    EXPECT_TRUE(run.Logged("  address: TCPIP:192.168.7.20"));
    EXPECT_TRUE(run.Logged("AddToServerList: \\T=EDGE_TREE\\O=Acme\\OU=Late\\CN=FS9"));
}

// Fault positions count calls, which depend on the listing order: the walk
// faults run on the file order of the ldif: backend.
class WalkFaults : public ::testing::Test {
protected:
    void SetUp() override {
        nds::ClearFaults();
        nds::SetTreeConnections({Connection(Backend::Ldif, "CORP_TREE")}, "");
    }
    void TearDown() override { nds::ClearFaults(); }
};

TEST_F(WalkFaults, FaultsInTheWalkAreCountedAndTheWalkGoesOn) {
    struct Case {
        const char* fault;
        const char* message;
    };
    const Case cases[] = {
        {"list:5:-601", "NWDSList failed for: \\T=CORP_TREE\\O=CORP\\OU=HR Error: -601"},
        {"get-object-count:5:-632",
         "NWDSGetObjectCount failed for: \\T=CORP_TREE\\O=CORP\\OU=HR Error: -632"},
        {"get-object-name:17:-649",
         "NWDSGetObjectName failed for: \\T=CORP_TREE\\O=CORP\\OU=HR Error: -649"},
        {"read:1:-603",
         "Could not read Replica attribute for partition: \\T=CORP_TREE Error: -603"},
        {"read:2:-625", "Could not read server attributes for: \\T=CORP_TREE\\O=CORP Error: -625"},
        {"get-attr-count:2:-1",
         "Could not read server attributes for: \\T=CORP_TREE\\O=CORP Error: -1"},
        {"get-attr-name:1:-2",
         "Could not read Replica attribute for partition: \\T=CORP_TREE Error: -2"},
        {"value-size:1:-3",
         "Could not read Replica attribute for partition: \\T=CORP_TREE Error: -3"},
        {"get-value:1:-4",
         "Could not read Replica attribute for partition: \\T=CORP_TREE Error: -4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        nds::ClearFaults();
        ASSERT_TRUE(nds::AddFaultFromText(c.fault));
        Discovery run("CORP_TREE");
        ASSERT_TRUE(run.Run());
        EXPECT_TRUE(run.Logged(c.message));
        EXPECT_EQ(run.search.errorCount, 1);
        EXPECT_TRUE(run.Logged("NDS SEARCH COMPLETE.")); // the last step succeeded
        EXPECT_TRUE(run.ui.boxes.empty());
        EXPECT_GE(run.design.partitions.Size(), 3u); // the walk went on
        EXPECT_EQ(nds::OpenResourceCount(), 0u);
    }
}

TEST_P(BothBackends, FatalChecksEndTheWalkAndAskTheQuestion) {
    struct Case {
        const char* fault;
        const char* message;
    };
    const Case cases[] = {
        {"alloc-buf:1:-150", "NWDSAllocBuf failed.  Error: -150"},
        {"alloc-buf:3:-150", "NWDSAllocBuf failed.  Error: -150"},
        {"init-buf:1:-641", "NWDSInitBuf failed.  Error: -641"},
        {"init-buf:2:-641", "NWDSInitBuf failed.  Error: -641"},
        {"put-attr-name:1:-649", "NWDSPutAttrName failed.  Error: -649"},
        {"put-attr-name:4:-649", "NWDSPutAttrName failed.  Error: -649"},
        {"get-context:3:-303", "NWDSGetContext failed.  Error: -303"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        nds::ClearFaults();
        ASSERT_TRUE(nds::AddFaultFromText(c.fault));
        Discovery run("CORP_TREE");
        run.ui.answers = {false};
        EXPECT_FALSE(run.Run());
        EXPECT_TRUE(run.Logged(c.message));
        EXPECT_FALSE(run.Logged("NDS Search started..."));
        EXPECT_EQ(run.search.errorCount, 1);
        ASSERT_EQ(run.ui.boxes.size(), 1u);
        std::string status = std::string(c.message).substr(std::string(c.message).rfind(' ') + 1);
        EXPECT_EQ(run.ui.boxes[0].text,
                  "The NDS Search was cancelled or was unsuccessful.\rHowever, there could be some "
                  "servers and partitions\rthat can still be displayed.  Error code: " +
                      status + "\rWould you like to try to view them?");
        EXPECT_EQ(nds::OpenResourceCount(), 0u);
    }
}

TEST_P(BothBackends, ChosenTreeThatIsNotPreferredGetsItsOwnContext) {
    Discovery run("EDGE_TREE");
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.design.partitions.Name(0), "[ROOT]");
    EXPECT_EQ(nds::PreferredTree(), "CORP_TREE"); // restored
    // The preferred-tree change and the new context can fail.
    for (const char* fault : {"set-preferred-tree:1:-641", "create-context:2:-625"}) {
        SCOPED_TRACE(fault);
        nds::ClearFaults();
        ASSERT_TRUE(nds::AddFaultFromText(fault));
        Discovery failing("EDGE_TREE");
        failing.ui.answers = {true};
        EXPECT_TRUE(failing.Run());
        EXPECT_EQ(failing.search.errorCount, 1);
        EXPECT_NE(failing.search.result, 0);
        if (std::string(fault).rfind("set-pref", 0) == 0) {
            EXPECT_TRUE(failing.Logged("NWDSSetPreferredDSTree failed.  Error: -641"));
            EXPECT_EQ(failing.ui.boxes.size(), 1u);
        } else {
            ASSERT_EQ(failing.ui.boxes.size(), 2u);
            EXPECT_EQ(failing.ui.boxes[0].text, "Could not initialize NDS context.  Error: -625");
        }
        EXPECT_EQ(nds::OpenResourceCount(), 0u);
    }
}

TEST_P(BothBackends, ContextSetUpFailuresCloseTheWindow) {
    const std::pair<const char*, const char*> cases[] = {
        {"init:1:-1", "Could not initialize NDS context.  Error: -1"},
        {"locale-load:1:-2", "Could not initialize NDS context.  Error: -2"},
        {"create-context:1:-625", "Could not initialize NDS context.  Error: -625"},
        {"get-context:1:-3", "Could not initialize NDS context.  Error: -3"},
        {"set-context:2:-4", "Could not initialize NDS context.  Error: -4"},
        {"scan-trees:1:-5", "Unable to scan for tree connections.  Error: -5"},
        {"scan-trees:2:-6", "Unable to scan for tree connections.  Error: -6"},
    };
    for (const auto& [fault, message] : cases) {
        SCOPED_TRACE(fault);
        nds::ClearFaults();
        ASSERT_TRUE(nds::AddFaultFromText(fault));
        Discovery run("CORP_TREE");
        EXPECT_FALSE(run.Run());
        ASSERT_EQ(run.ui.boxes.size(), 1u);
        EXPECT_EQ(run.ui.boxes[0].text, message);
        EXPECT_EQ(nds::OpenResourceCount(), 0u);
    }
    nds::ClearFaults();
    Discovery cancelled("CORP_TREE");
    cancelled.host.cancelChooser = true;
    EXPECT_FALSE(cancelled.Run());
    EXPECT_TRUE(cancelled.ui.boxes.empty());
}

TEST_P(BothBackends, CancelStopsAfterTheChunkAndYesKeepsWhatWasFound) {
    Discovery run("EDGE_TREE");
    // Pumps: one per object, one per chunk, one per container; cancel while BIG is listed.
    run.display.cancelAtPump = 20;
    run.ui.answers = {true};
    ASSERT_TRUE(run.Run());
    EXPECT_TRUE(run.Logged("Aborting NDS Search..."));
    EXPECT_TRUE(run.Logged("NDS Search aborted."));
    EXPECT_FALSE(run.Logged("NDS SEARCH COMPLETE."));
    ASSERT_EQ(run.ui.boxes.size(), 1u);
    EXPECT_NE(run.ui.boxes[0].text.find("Error code: 0\r"), std::string::npos);
    EXPECT_EQ(run.design.partitions.Size(), 1u);
    EXPECT_LT(run.search.objectCount, 157);
}

TEST_F(WalkFaults, LastStepFailingMakesTheResultNonZero) {
    // BUILD is the 19th and last object listed.
    ASSERT_TRUE(nds::AddFault("get-object-name", 19, -625));
    Discovery run("CORP_TREE");
    run.ui.answers = {false};
    EXPECT_FALSE(run.Run());
    EXPECT_EQ(run.search.errorCount, 1);
    EXPECT_EQ(run.search.result, -625);
    EXPECT_EQ(run.ui.boxes.size(), 1u);
}

// Wide containers come in several parts; one beyond the server's size limit
// is listed again with paging, and nothing is lost, doubled or reordered.
TEST_P(BothBackends, WideListingsInPartsAndBeyondTheServersSizeLimit) {
    nds::SetTreeConnections({Connection(GetParam(), "PAGED_TREE")}, "");
    Discovery run("PAGED_TREE");
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.search.result, 0);
    EXPECT_EQ(run.search.errorCount, 0);
    EXPECT_EQ(run.search.objectCount, 7 + 150 + 2 + 500 + 700);
    EXPECT_EQ(run.design.FindNodeByContext("BIG.ACME")->Leaves()->size(), 150u);
    for (const auto& [ou, users] : {std::pair{"HALF", 500}, std::pair{"WIDE", 700}}) {
        const ObjectNode* node = run.design.FindNodeByContext(std::string(ou) + ".ACME");
        ASSERT_TRUE(node && node->Leaves()) << ou;
        ASSERT_EQ(node->Leaves()->size(), static_cast<std::size_t>(users)) << ou;
        for (int i = 0; i < users; ++i)
            ASSERT_EQ(LeafName((*node->Leaves())[i]), ou + ("USER" + std::to_string(i))) << ou;
    }
}

INSTANTIATE_TEST_SUITE_P(Directory, BothBackends, ::testing::Values(Backend::Ldif, Backend::Ldap),
                         [](const auto& info) { return BackendName(info.param); });

TEST(LdapConnection, BindsWithThePasswordFileAndReportsFailures) {
    nds::ClearFaults();
    const std::string password = ::testing::TempDir() + "/qv_password";
    std::ofstream(password) << "secret\n";
    const std::string wrong = ::testing::TempDir() + "/qv_wrong_password";
    std::ofstream(wrong) << "guess\n";
    nds::TreeConnection c = Connection(Backend::Ldap, "CORP_TREE");
    c.bindDn = "cn=admin,cn=CORP_TREE";
    c.passwordFile = password;
    nds::SetTreeConnections({c}, "");
    Discovery bound("CORP_TREE");
    ASSERT_TRUE(bound.Run());
    EXPECT_EQ(bound.design.partitions.Size(), 4u);

    // The server's own words follow the message.
    const std::pair<std::string, std::string> failures[] = {
        {wrong, "Could not initialize NDS context.  Error: -669\rInvalid credentials (49)"},
        {"/nonexistent/password", "Could not initialize NDS context.  Error: -669"},
    };
    for (const auto& [file, message] : failures) {
        c.passwordFile = file;
        nds::SetTreeConnections({c}, "");
        Discovery failing("CORP_TREE");
        EXPECT_FALSE(failing.Run());
        ASSERT_EQ(failing.ui.boxes.size(), 1u);
        EXPECT_EQ(failing.ui.boxes[0].text, message);
    }
    // A base DN that the server does not hold, and a port where nobody listens.
    nds::TreeConnection missing = Connection(Backend::Ldap, "CORP_TREE");
    missing.address = Directory().Url("cn=MISSING");
    nds::TreeConnection closed = missing;
    closed.address = "ldap://127.0.0.1:1/cn=CORP_TREE";
    for (const auto& [conn, message] :
         {std::pair{missing, "Could not initialize NDS context.  Error: -601\rNo such object (32)"},
          std::pair{
              closed,
              "Could not initialize NDS context.  Error: -625\rCan't contact LDAP server (-1)"}}) {
        nds::SetTreeConnections({conn}, "");
        Discovery failing("CORP_TREE");
        EXPECT_FALSE(failing.Run());
        ASSERT_EQ(failing.ui.boxes.size(), 1u);
        EXPECT_EQ(failing.ui.boxes[0].text, message);
    }
    EXPECT_EQ(nds::OpenResourceCount(), 0u);
}

// The server's certificate is checked against libldap's trust settings: a
// server nobody vouches for is refused; once its authority is trusted,
// StartTLS (here with a bind) and ldaps:// both give the plain design.
TEST(LdapConnection, StartTlsAndLdapsCheckTheServersCertificate) {
    nds::ClearFaults();
    SlapdServer server;
    std::string error;
    ASSERT_TRUE(server.Start({{"cn=CORP_TREE", CorpLdifPath(), ""}}, error, true)) << error;
    nds::TreeConnection plain;
    plain.name = "CORP_TREE";
    plain.address = server.Url("cn=CORP_TREE");
    nds::SetTreeConnections({plain}, "");
    Discovery reference("CORP_TREE");
    ASSERT_TRUE(reference.Run());

    nds::TreeConnection startTls = plain;
    startTls.startTls = true;
    startTls.bindDn = "cn=admin,cn=CORP_TREE";
    startTls.password = "secret";
    nds::TreeConnection ldaps = plain;
    ldaps.address = server.TlsUrl("cn=CORP_TREE");
    for (const nds::TreeConnection& c : {startTls, ldaps}) {
        nds::SetTreeConnections({c}, "");
        Discovery refused("CORP_TREE");
        EXPECT_FALSE(refused.Run()) << c.address;
        ASSERT_EQ(refused.ui.boxes.size(), 1u);
        EXPECT_EQ(
            refused.ui.boxes[0].text.rfind("Could not initialize NDS context.  Error: -625\r", 0),
            0u)
            << refused.ui.boxes[0].text;
    }

    ASSERT_EQ(ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, server.CaFile().c_str()),
              LDAP_OPT_SUCCESS);
    int client = 0;
    ASSERT_EQ(ldap_set_option(nullptr, LDAP_OPT_X_TLS_NEWCTX, &client), LDAP_OPT_SUCCESS);
    for (const nds::TreeConnection& c : {startTls, ldaps}) {
        nds::SetTreeConnections({c}, "");
        Discovery secured("CORP_TREE");
        ASSERT_TRUE(secured.Run()) << c.address;
        EXPECT_EQ(secured.Text(), reference.Text()) << c.address;
    }
    // A wrong password is still refused as such over TLS.
    startTls.password = "guess";
    nds::SetTreeConnections({startTls}, "");
    Discovery wrong("CORP_TREE");
    EXPECT_FALSE(wrong.Run());
    ASSERT_EQ(wrong.ui.boxes.size(), 1u);
    EXPECT_EQ(wrong.ui.boxes[0].text,
              "Could not initialize NDS context.  Error: -669\rInvalid credentials (49)");
    EXPECT_EQ(nds::OpenResourceCount(), 0u);
}

// A server that closes sessions with more than four requests waiting (slapd's
// conn_max_pending): the listings asked for ahead make it close ours, and the
// backend opens a new session with fewer ahead. The design is the file's.
TEST(LdapConnection, ServerClosingBusySessionsStillGivesTheWholeTree) {
    nds::ClearFaults();
    std::string ldif = "dn: cn=BUSY_TREE\nobjectClass: qvContainer\ncn: BUSY_TREE\n"
                       "qvBaseClass: Top\nqvPartitionRoot: TRUE\n\n"
                       "dn: o=Acme,cn=BUSY_TREE\nobjectClass: qvContainer\no: Acme\n"
                       "qvBaseClass: Organization\n";
    for (int ou = 0; ou < 60; ++ou) {
        const std::string dn = "ou=U" + std::to_string(ou) + ",o=Acme,cn=BUSY_TREE";
        ldif += "\ndn: " + dn + "\nobjectClass: qvContainer\nou: U" + std::to_string(ou) +
                "\nqvBaseClass: Organizational Unit\n";
        for (int user = 0; user < 3; ++user)
            ldif += "\ndn: cn=P" + std::to_string(user) + "," + dn +
                    "\nobjectClass: qvObject\ncn: P" + std::to_string(user) +
                    "\nqvBaseClass: User\n";
    }
    const std::string file =
        ::testing::TempDir() + "/qv_busy_" + std::to_string(::getpid()) + ".ldif";
    std::ofstream(file, std::ios::binary) << ldif;
    SlapdServer server;
    std::string error;
    ASSERT_TRUE(server.Start({{"cn=BUSY_TREE", file, ""}}, error, false, "conn_max_pending 4\n"))
        << error;

    nds::TreeConnection fromFile;
    fromFile.name = "BUSY_TREE";
    fromFile.address = "ldif:" + file;
    nds::SetTreeConnections({fromFile}, "");
    Discovery expected("BUSY_TREE");
    ASSERT_TRUE(expected.Run());
    ASSERT_EQ(expected.search.objectCount, 1 + 60 * 4);

    nds::TreeConnection live = fromFile;
    live.address = server.Url("cn=BUSY_TREE");
    nds::SetTreeConnections({live}, "");
    Discovery run("BUSY_TREE");
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(run.search.errorCount, 0);
    EXPECT_EQ(run.Text(), expected.Text());
    EXPECT_EQ(nds::OpenResourceCount(), 0u);
    std::remove(file.c_str());
}

class SearchDialog : public ::testing::Test {
protected:
    void SetUp() override {
        nds::ClearFaults();
        nds::SetTreeConnections({Connection(Backend::Ldif, "CORP_TREE")}, "");
    }
};

TEST_F(SearchDialog, DisplayRulesAndTheSavedLog) {
    Discovery run("CORP_TREE");
    run.display.keepFields = true;
    double now = 1000;
    run.search.clock = [&] { return now += 1; };
    ASSERT_TRUE(run.Run());
    const auto& shown = run.display.shown;
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front().totalPartitions, "0");
    EXPECT_EQ(shown.front().elapsed, "00:00:00");
    // The tree name appears only once the walk is below the tree.
    bool sawEmptyAtRoot = false;
    for (const SearchFields& f : shown) {
        if (f.contextHint == "\\T=CORP_TREE")
            sawEmptyAtRoot = sawEmptyAtRoot || f.treeName.empty();
        if (f.contextHint.size() > 12 && f.contextHint.rfind("\\T=CORP_TREE\\", 0) == 0) {
            EXPECT_EQ(f.treeName, "CORP_TREE");
        }
    }
    EXPECT_TRUE(sawEmptyAtRoot);
    EXPECT_EQ(shown.back().totalPartitions, "4");
    EXPECT_EQ(shown.back().totalServers, "3");
    EXPECT_EQ(shown.back().totalObjects, "19");

    std::ifstream in(run.search.logFileName);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "Initializing for NDS Search...\nNDS Search started...\n"
                          "Directory profile: quorvane (chosen by auto: the directory holds "
                          "entries of class qvContainer, qvObject or qvAnnotated)\n"
                          "NDS SEARCH COMPLETE.\n");
    std::remove(run.search.logFileName.c_str());
}

TEST_F(SearchDialog, ContextFieldKeepsAtMost35Characters) {
    TreeDesign design;
    RecordingDisplay display;
    ScriptedInteraction ui;
    NdsSearch search(ui, display);
    search.design = &design;
    search.clock = [] { return 0.0; };
    const std::string p35 = "\\T=T\\OU=" + std::string(27, 'A');
    const std::string p36 = p35 + "B";
    ASSERT_EQ(p35.size(), 35u);
    search.containerList = {{p35, false}};
    search.UpdateSearchDisplay();
    EXPECT_EQ(search.fields.context, p35);
    EXPECT_EQ(search.fields.treeName, "T");
    search.containerList = {{p36, false}};
    search.UpdateSearchDisplay();
    EXPECT_EQ(search.fields.context, "..." + p36.substr(0, 0) + p36.substr(p36.size() - 36));
    EXPECT_EQ(search.fields.contextHint, p36);
    EXPECT_EQ(NdsSearch::ElapsedText(3 * 3600 + 25 * 60 + 7.9), "03:25:07");
    EXPECT_EQ(NdsSearch::ElapsedText(-1), "23:59:59");
}

TEST_F(SearchDialog, ContainerListAndNames) {
    TreeDesign design;
    RecordingDisplay display;
    ScriptedInteraction ui;
    NdsSearch search(ui, display);
    search.design = &design;
    EXPECT_EQ(search.AddToContainerList("\\T=T\\O=A", false), 0);
    EXPECT_EQ(search.AddToContainerList("\\T=T\\O=A", true), 0);
    EXPECT_EQ(search.containerList.size(), 1u);
    EXPECT_FALSE(search.containerList.front().isPartition);
    EXPECT_EQ(NdsSearch::StripTreeName("\\T=T"), "[ROOT]");
    EXPECT_EQ(NdsSearch::StripTreeName("\\T=T\\O=A\\OU=B"), "O=A\\OU=B");
    ObjectNode* n = search.FindOrAddTreeNode("O=Acme\\OU=b");
    EXPECT_EQ(n->Name(), "B");
    EXPECT_EQ(n->ClassIndex(), kClassNoDef);
    EXPECT_EQ(n->Parent()->Name(), "ACME");
    EXPECT_EQ(search.FindOrAddTreeNode("O=ACME\\OU=B"), n);
}

TEST_F(SearchDialog, NoConnectionsAndOddValues) {
    nds::SetTreeConnections({}, "");
    Discovery none("CORP_TREE");
    EXPECT_FALSE(none.Run());
    // The context is set up, bound to no tree, and the scan finds none.
    ASSERT_EQ(none.ui.boxes.size(), 1u);
    EXPECT_EQ(none.ui.boxes[0].text, "There are no current NDS Tree connections.");
    EXPECT_EQ(nds::OpenResourceCount(), 0u);

    // A value whose size does not fit its syntax is ignored and counted.
    nds::SetTreeConnections({Connection(Backend::Ldif, "CORP_TREE")}, "");
    nds::AddValueSizeOverride(1, 3);
    Discovery odd("CORP_TREE");
    ASSERT_TRUE(odd.Run());
    EXPECT_EQ(odd.search.errorCount, 1);
    EXPECT_TRUE(odd.Logged("Value of syntax 16 with unexpected size 3 ignored for: \\T=CORP_TREE"));
    EXPECT_EQ(odd.design.partitions.Entries(0), (ReplicaList{"FS2*READ/WRITE*"}));
}

} // namespace
} // namespace qv::test
