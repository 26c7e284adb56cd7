// The suggestion texts: thresholds and their directions, version ranges,
// addresses, masters and containers.
#include "report_designs.h"
#include "reports/reports.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::AddReplica;
using test::AddServer;
using test::Fixture;
using test::ServerWithReplicas;
using test::Text;

// The warning lines under "Server: <name>" up to the next empty line.
std::vector<std::string> Block(const std::vector<std::string>& lines, const std::string& head) {
    std::vector<std::string> out;
    auto it = std::find(lines.begin(), lines.end(), head);
    if (it == lines.end())
        return {"<missing " + head + ">"};
    for (++it; it != lines.end() && !it->empty(); ++it)
        out.push_back(*it);
    return out;
}

TEST(ServerSuggestions, ReadableAndSubRefThresholdsAreStrict) {
    Fixture f;
    WarningSettings s;
    TextLines out;
    ServerWithReplicas(f.design, 10, 10);
    ASSERT_TRUE(BuildServerSuggestions(f.design, s, out));
    EXPECT_EQ(Text(out.lines), "**SERVER SUGGESTION REPORT FOR TREE T.qvd**\n\nServer: FS1\n\n");

    ServerWithReplicas(f.design, 11, 11, kSparseRead); // sparse replicas are readable here
    ASSERT_TRUE(BuildServerSuggestions(f.design, s, out));
    EXPECT_EQ(Block(out.lines, "Server: FS1"),
              (std::vector<std::string>{"  Warning: This server contains 11",
                                        "           readable replicas.",
                                        "           Revise the replication of your tree.",
                                        "  Warning: This server contains 11 SubRefs.",
                                        "           The tree could have a flat design OR the",
                                        "           server has too many readable replicas."}));
    s.CheckMaxReadables = false;
    s.MaxSubRefs = 11;
    ASSERT_TRUE(BuildServerSuggestions(f.design, s, out));
    EXPECT_TRUE(Block(out.lines, "Server: FS1").empty());
}

TEST(ServerSuggestions, DSVersionRules) {
    WarningSettings s;
    s.Min5xDSVersion = 736;
    EXPECT_EQ(DSVersionWarning("DS VERSION:0", s), "  Warning: 4.X DS VERSION is less than 606");
    EXPECT_EQ(DSVersionWarning("DS VERSION:720", s), "  Warning: 5.X DS VERSION is less than 736");
    EXPECT_EQ(DSVersionWarning("DS VERSION:736", s), "");
    EXPECT_EQ(DSVersionWarning("DS VERSION:650", s), "");
    EXPECT_EQ(DSVersionWarning("DS VERSION:805", s),
              "  Warning: SKADS DS VERSION is less than 810");
    EXPECT_EQ(DSVersionWarning("DS VERSION:950", s), "");
    // A high 4.x minimum catches every range first.
    s.Min4xDSVersion = 999;
    EXPECT_EQ(DSVersionWarning("DS VERSION:950", s), "  Warning: 4.X DS VERSION is less than 999");
    // Never imported or unreadable.
    for (const char* item : {"DS VERSION:", "DS VERSION", "DS VERSION:7x", "", "DS VERSION: 7"})
        EXPECT_EQ(DSVersionWarning(item, s), "  Warning: DS VERSION has not been imported.")
            << item;
}

TEST(ServerSuggestions, IpxAddressRule) {
    EXPECT_TRUE(IpxAddressMissing({}));
    EXPECT_TRUE(IpxAddressMissing({"IPX:00000000"}));
    EXPECT_TRUE(IpxAddressMissing({"IPX:"}));
    EXPECT_TRUE(IpxAddressMissing({"IPX"}));
    EXPECT_TRUE(IpxAddressMissing({"IPX:00G00000"}));
    EXPECT_FALSE(IpxAddressMissing({"IPX:0000000a", "TCPIP:1.2.3.4"}));
}

TEST(ServerSuggestions, NoReplicaServerAndItsSwitch) {
    Fixture f;
    test::MakeSmallTree(f.design);
    WarningSettings s;
    TextLines out;
    ASSERT_TRUE(BuildServerSuggestions(f.design, s, out));
    EXPECT_EQ(Block(out.lines, "Server: FS2"),
              (std::vector<std::string>{"  Warning: No replicas are stored on this server.",
                                        "           This can result in unwanted authentications",
                                        "           to other servers.",
                                        "  Warning: 4.X DS VERSION is less than 606",
                                        "  Warning: IPX Address has not been imported."}));
    s.CheckServerContainReplica = false;
    s.CheckIPXAddress = false;
    ASSERT_TRUE(BuildServerSuggestions(f.design, s, out));
    EXPECT_EQ(Block(out.lines, "Server: FS2"),
              (std::vector<std::string>{"  Warning: 4.X DS VERSION is less than 606"}));
}

TEST(ServerSuggestions, DuplicateAddressesAreReportedUnderBothServers) {
    Fixture f;
    test::MakeSmallTree(f.design);
    AddServer(f.design, f.design.Root(), "FS3");
    AddServer(f.design, f.design.Root(), "FS1"); // same name as the first: never compared
    for (std::size_t i = 0; i < 4; ++i)
        f.design.attributes.Rename(i, "DS VERSION:950");
    f.design.attributes.Entries(0) = {"IPX:00000000", "TCPIP:10.1.1.1", "TCPIP:10.2.2.2"};
    f.design.attributes.Entries(1) = {"IPX:00000000", "TCPIP:10.9.9.9"};
    f.design.attributes.Entries(2) = {"IPX:00000000", "TCPIP:10.2.2.2", "TCPIP:10.1.1.1"};
    f.design.attributes.Entries(3) = {"IPX:00000000", "TCPIP:10.1.1.1"};
    WarningSettings s;
    s.CheckIPXAddress = false;
    s.CheckServerContainReplica = false;
    TextLines out;
    ASSERT_TRUE(BuildServerSuggestions(f.design, s, out));
    EXPECT_EQ(Text(out.lines), "**SERVER SUGGESTION REPORT FOR TREE ACME.qvd**\n\n"
                               "Server: FS1\n"
                               "  Warning: FS1 and FS3\n"
                               "           have duplicate addresses.\n"
                               "           Address: TCPIP:10.1.1.1\n"
                               "  Warning: FS1 and FS3\n"
                               "           have duplicate addresses.\n"
                               "           Address: TCPIP:10.2.2.2\n"
                               "\n"
                               "Server: FS2\n"
                               "\n"
                               "Server: FS3\n"
                               "  Warning: FS3 and FS1\n"
                               "           have duplicate addresses.\n"
                               "           Address: TCPIP:10.2.2.2\n"
                               "  Warning: FS3 and FS1\n"
                               "           have duplicate addresses.\n"
                               "           Address: TCPIP:10.1.1.1\n"
                               "  Warning: FS3 and FS1\n"
                               "           have duplicate addresses.\n"
                               "           Address: TCPIP:10.1.1.1\n"
                               "\n"
                               "Server: FS1\n"
                               "  Warning: FS1 and FS3\n"
                               "           have duplicate addresses.\n"
                               "           Address: TCPIP:10.1.1.1\n"
                               "\n");
    s.CheckDupAddr = false;
    ASSERT_TRUE(BuildServerSuggestions(f.design, s, out));
    EXPECT_EQ(out.lines.size(), 2u + 4 * 2);
}

TEST(PartitionSuggestions, MastersAndReplicaCounts) {
    Fixture f;
    test::MakeEmpty(f.design);
    f.design.designFileName = "T.qvd";
    for (const char* srv : {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K"})
        AddServer(f.design, f.design.Root(), srv);
    f.design.partitions.Append("THREE");
    f.design.partitions.Append("SPARSE");
    f.design.partitions.Append("ELEVEN");
    AddReplica(f.design, "[ROOT]", "A", kMaster);
    AddReplica(f.design, "[ROOT]", "B", kMaster);
    AddReplica(f.design, "[ROOT]", "C", kMaster);
    AddReplica(f.design, "THREE", "A", kMaster);
    AddReplica(f.design, "THREE", "B", kReadOnly);
    AddReplica(f.design, "THREE", "C", kReadWrite);
    AddReplica(f.design, "SPARSE", "A", kSparseWrite);
    AddReplica(f.design, "SPARSE", "B", kSparseRead);
    AddReplica(f.design, "SPARSE", "C", kSubRef);
    AddReplica(f.design, "ELEVEN", "A", kMaster);
    for (const char* srv : {"B", "C", "D", "E", "F", "G", "H", "I", "J", "K"})
        AddReplica(f.design, "ELEVEN", srv, kReadWrite);
    WarningSettings s;
    TextLines out;
    ASSERT_TRUE(BuildPartitionSuggestions(f.design, s, out));
    EXPECT_EQ(Text(out.lines), "**PARTITION REPORT FOR TREE T.qvd**\n\n"
                               "Partition: [ROOT]\n"
                               "  Warning: There are duplicate Master\n"
                               "  replicas for this partition.\n"
                               "  Warning: There are duplicate Master\n"
                               "  replicas for this partition.\n"
                               "\n"
                               "Partition: THREE\n"
                               "\n"
                               "Partition: SPARSE\n"
                               "  Warning: There is no Master replica\n"
                               "  for this partition.\n"
                               "  Warning: There are only 0 replicas of\n"
                               "           this partition.  There should\n"
                               "           be 3 to maintain the best fault\n"
                               "           tolerance.\n"
                               "\n"
                               "Partition: ELEVEN\n"
                               "  Warning: There are 11 readable/writeable\n"
                               "           replicas of this partition.\n"
                               "           Check the partitioning strategy of the\n"
                               "           tree.\n"
                               "\n");
    // With the maximum rule off, the minimum rule still needs its own switch.
    s.CheckMaxReplicasPerPartition = false;
    s.MinReplicasPerPartition = 12;
    ASSERT_TRUE(BuildPartitionSuggestions(f.design, s, out));
    EXPECT_NE(Text(out.lines).find("  Warning: There are only 11 replicas of\n"),
              std::string::npos);
}

TEST(ObjectSuggestions, ContainerThresholdAndSwitch) {
    Fixture f;
    auto t = test::MakeSmallTree(f.design);
    f.design.AddSubordinateEntries(f.design.Root());
    for (int i = 0; i < 3; ++i)
        f.design.AppendLeaf(t.sales, MakeLeafEntry("U" + std::to_string(i), kClassUser));
    // SALES lists FS2 and three users: 4 child objects.
    WarningSettings s;
    s.MaxObjsPerContainer = 4;
    TextLines out;
    ASSERT_TRUE(BuildObjectSuggestions(f.design, s, out));
    EXPECT_EQ(Text(out.lines),
              "**OBJECT SUGGESTIONS FOR TREE: ACME.qvd**\n\n** NO SUGGESTIONS AT THIS TIME **\n");
    s.MaxObjsPerContainer = 3;
    ASSERT_TRUE(BuildObjectSuggestions(f.design, s, out));
    EXPECT_EQ(Text(out.lines), "**OBJECT SUGGESTIONS FOR TREE: ACME.qvd**\n\n"
                               "WARNING!!  ORGANIZATIONAL UNIT: SALES.ACME\n"
                               "  Contained in partition: SALES.ACME\n"
                               "    Child Objects: 4\n"
                               "4 child objects MIGHT cause slow DS performance.\n"
                               "\n");
    f.design.SetPartitionMark(t.sales, kNoPartitionMark);
    ASSERT_TRUE(BuildObjectSuggestions(f.design, s, out));
    EXPECT_EQ(out.lines[3], "  Contained in partition: ACME");
    s.CheckMaxObjsPerContainer = false;
    ASSERT_TRUE(BuildObjectSuggestions(f.design, s, out));
    EXPECT_EQ(out.lines.back(), "** NO SUGGESTIONS AT THIS TIME **");
    EXPECT_EQ(out.lines.size(), 3u);
}

} // namespace
} // namespace qv
