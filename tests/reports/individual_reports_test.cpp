// "Report" and "Replica Report" for one server or partition.
#include "report_designs.h"
#include "reports/individual_reports.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::AddReplica;
using test::AddServer;
using test::Fixture;
using test::Text;

TEST(IndividualPartitionReport, ReplicasChildrenAndSuggestions) {
    Fixture f;
    auto t = test::MakeSmallTree(f.design);
    AddReplica(f.design, "ACME", "FS1", kMaster);
    AddReplica(f.design, "ACME", "FS2", kMaster);
    AddReplica(f.design, "ACME", "FS1", kSparseRead);
    TextLines out;
    ASSERT_TRUE(BuildIndividualReport(f.design, WarningSettings{}, t.acme, out));
    EXPECT_EQ(Text(out.lines), "***INDIVIDUAL PARTITION REPORT***\n"
                               "\n"
                               "Partition: ACME\n"
                               " Server: FS1 *MASTER*\n"
                               " Server: FS2 *MASTER*\n"
                               " Server: FS1 *SPARSE/READ*\n"
                               "Total Replicas: 3\n"
                               "\n"
                               "*PARTITION RELATION REPORT*\n"
                               "\n"
                               "Partition: ACME\n"
                               "  Child Partition: SALES.ACME\n"
                               "Child Partition Count: 1\n"
                               "\n"
                               "\n"
                               "*SUGGESTIONS*\n"
                               "\n"
                               "  Warning: There are duplicate Master\n"
                               "           replicas for this partition.\n"
                               "  Warning: There are only 2 replicas\n"
                               "           of this partition.  There \n"
                               "           should be 3 to maintain the best\n"
                               "           fault tolerance.\n");
    EXPECT_TRUE(f.progress.Saw("  Creating Suggestion Report.."));
    EXPECT_EQ(f.progress.Texts(ProgressChannel::Import).back(), "");
}

TEST(IndividualPartitionReport, ContainerThatIsNoPartition) {
    Fixture f;
    auto t = test::MakeSmallTree(f.design, false);
    WarningSettings s;
    s.MaxReplicasPerPartition = -1; // the maximum rule wins over the minimum one
    TextLines out;
    ASSERT_TRUE(BuildIndividualReport(f.design, s, t.sales, out));
    EXPECT_EQ(Text(out.lines), "***INDIVIDUAL PARTITION REPORT***\n\nPartition: SALES.ACME\n"
                               "Total Replicas: 0\n\n*PARTITION RELATION REPORT*\n\n\n"
                               "*SUGGESTIONS*\n\n"
                               "  Warning: There is no Master replica for this partition.\n"
                               "  Warning: There are 0 readable replicas\n"
                               "           of this partition.  Check the\n"
                               "           partitioning strategy of the tree.\n");
}

TEST(IndividualServerReport, NoReplicasSkipsVersionAndIpxRules) {
    Fixture f;
    auto t = test::MakeSmallTree(f.design);
    ObjectNode* fs2 = t.sales->Child(0);
    f.design.attributes.Entries(0).push_back("TCPIP:10.0.0.1");
    f.design.attributes.Entries(1).push_back("TCPIP:10.0.0.1");
    TextLines out;
    ASSERT_TRUE(BuildIndividualReport(f.design, WarningSettings{}, fs2, out));
    EXPECT_EQ(Text(out.lines), "***INDIVIDUAL SERVER REPORT***\n"
                               "\n"
                               "Server: FS2\n"
                               " Address IPX:00000000\n"
                               " Address TCPIP:10.0.0.1\n"
                               " REPLICA LIST\n"
                               "DS VERSION:0\n"
                               "Replica Count: 0\n"
                               "\n"
                               "*SCHEMA DISTRIBUTION LIST*\n"
                               "\n"
                               "*SUGGESTIONS*\n"
                               "\n"
                               "Server: FS2\n"
                               "  Warning: No replicas are stored on this server.\n"
                               "           This can result in unwanted authentications\n"
                               "           to other servers.\n"
                               "\n"
                               "Checking for duplicate addresses..\n"
                               "\n"
                               "Warning: FS2 and FS1\n"
                               "          have duplicate addresses.\n"
                               "          Address:TCPIP:10.0.0.1\n");
}

TEST(IndividualServerReport, DepthZeroListsPartnersAndManyReadablesWarn) {
    Fixture f;
    test::MakeEmpty(f.design);
    f.design.designFileName = "T.qvd";
    ObjectNode* fs1 = AddServer(f.design, f.design.Root(), "FS1");
    AddServer(f.design, f.design.Root(), "b2");
    AddServer(f.design, f.design.Root(), "A3");
    f.design.attributes.Rename(0, "DS VERSION:720");
    f.design.attributes.Entries(0) = {"IPX:0000BEEF"};
    AddReplica(f.design, "[ROOT]", "FS1", kMaster);
    AddReplica(f.design, "[ROOT]", "b2", kReadWrite);
    AddReplica(f.design, "[ROOT]", "A3", kSubRef);
    for (int i = 0; i < 10; ++i) {
        std::string p = "P" + std::to_string(i);
        f.design.partitions.Append(p);
        AddReplica(f.design, p, "FS1", kReadOnly);
        AddReplica(f.design, p, "A3", kReadOnly);
    }
    f.design.MarkSubRefsCurrent();
    WarningSettings s;
    s.Min5xDSVersion = 736;
    s.CheckDupAddr = false;
    TextLines out;
    ASSERT_TRUE(BuildIndividualReport(f.design, s, fs1, out));
    const std::string text = Text(out.lines);
    EXPECT_NE(text.find("*SCHEMA DISTRIBUTION LIST*\n  Server: A3\n  Server: b2\n"
                        "Replica Depth: 0\n\n*SUGGESTIONS*\n\nServer: FS1\n"
                        "  Warning: This server contains 11 readable/writeable replicas.\n"
                        "           Revise the replication of your tree.  11 replicas are too "
                        "many!!!\n"
                        "  Warning: 5.X DS VERSION is less than 736\n"),
              std::string::npos)
        << text;
    EXPECT_TRUE(text.ends_with("736\n"));
}

TEST(IndividualServerReport, DeeperServerWritesItsSchemaBlock) {
    Fixture f;
    auto t = test::MakeSmallTree(f.design);
    AddServer(f.design, t.sales, "FS3");
    AddServer(f.design, t.sales, "SUBONLY");
    AddReplica(f.design, "ACME", "FS1", kMaster);
    AddReplica(f.design, "SALES.ACME", "FS2", kMaster);
    AddReplica(f.design, "ACME", "FS2", kReadWrite);
    AddReplica(f.design, "SALES.ACME", "FS3", kReadOnly);
    AddReplica(f.design, "SALES.ACME", "SUBONLY", kSubRef);
    WarningSettings s;
    s.CheckDupAddr = false;
    TextLines out;
    ASSERT_TRUE(BuildIndividualReport(f.design, s, t.sales->Child(0), out)); // FS2
    const std::string text = Text(out.lines);
    // FS2 at depth 1; FS3 (depth 2) is deeper, FS1 (depth 1) the same.
    EXPECT_NE(text.find("*SCHEMA DISTRIBUTION LIST*\nSERVER: FS2\n  Server: FS1\n  Server: FS3\n"
                        "Replica Depth: 1\n\n\n*SUGGESTIONS*\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(f.design.ServerDepth(2), 2);

    // A server holding only SUB/REF replicas has an empty section.
    ASSERT_TRUE(BuildIndividualReport(f.design, s, t.sales->Child(2), out));
    EXPECT_NE(Text(out.lines).find("*SCHEMA DISTRIBUTION LIST*\n\n*SUGGESTIONS*\n"),
              std::string::npos);
}

TEST(IndividualServerReport, AbortDuringTheDepthZeroScan) {
    Fixture f;
    auto t = test::MakeSmallTree(f.design);
    AddReplica(f.design, "[ROOT]", "FS1", kMaster);
    f.progress.onPump = [&](int) { f.design.SetAbortRequested(true); };
    TextLines out;
    EXPECT_FALSE(BuildIndividualReport(f.design, WarningSettings{}, t.acme->Child(1), out));
    EXPECT_EQ(f.progress.Texts(ProgressChannel::Import).back(), "");
}

TEST(ReplicaReport, CountsByType) {
    Fixture f;
    auto t = test::MakeSmallTree(f.design);
    AddReplica(f.design, "[ROOT]", "FS1", kMaster);
    AddReplica(f.design, "ACME", "FS1", kSubRef);
    AddReplica(f.design, "SALES.ACME", "FS1", kSubRef);
    ReplicaReportTexts r = BuildReplicaReport(f.design, t.acme->Child(1));
    EXPECT_EQ(r.label1, "Replica Report For Server: ");
    EXPECT_EQ(r.edit1, "FS1.ACME");
    EXPECT_EQ(r.panels,
              (std::array<std::string, 6>{"Master: 1", "Read/Write: 0", "Read/Only: 0",
                                          "Sub/Ref: 2", "Sparse Write: 0", "Sparse Read: 0"}));
    r = BuildReplicaReport(f.design, f.design.Root());
    EXPECT_EQ(r.label1, "Replica Report For Partition: ");
    EXPECT_EQ(r.edit1, "[ROOT]");
    EXPECT_EQ(r.panels[0], "Master: 1");
}

} // namespace
} // namespace qv
