// Merge Trees: the conflict checks of the first pass and the merge of the second.
#include "files/design_file.h"
#include "files/merge_trees.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::Fixture;

// A second tree: B (organization) > S (server), EAST (partition) > S2.
std::string SecondTree(const std::string& org = "B", const std::string& server = "S",
                       const std::string& address = "TCPIP:10.0.0.1") {
    TreeDesign d;
    test::MakeEmpty(d);
    ObjectNode* b = d.AddChild(d.Root(), org, kClassOrganization);
    test::AddServer(d, b, server);
    ObjectNode* east = d.AddChild(b, "EAST", kClassOrgUnit);
    test::AddServer(d, east, "S2");
    test::MakePartition(d, east);
    const std::string eastName = "EAST." + org;
    test::AddReplica(d, "[ROOT]", server, kMaster);
    test::AddReplica(d, "[ROOT]", "S2", kReadWrite);
    test::AddReplica(d, eastName, "S2", kMaster);
    test::AddReplica(d, eastName, server, kSubRef);
    d.attributes.Rename(0, "DS VERSION:10");
    d.attributes.Entries(0).push_back(address);
    d.attributes.Rename(1, "DS VERSION:11");
    d.attributes.Entries(1) = {"IPX:0A000001"};
    d.ReplaceLeaves(d.Root()->Child(0),
                    std::make_unique<LeafList>(LeafList{MakeLeafEntry("JOE", 44)}));
    d.AddSubordinateEntries(d.Root());
    std::string bytes;
    const Result<std::string> serialized = SerializeDesign(d);
    EXPECT_TRUE(serialized);
    bytes = serialized.value_or("");
    return bytes;
}

void FirstDesign(Fixture& f) {
    NewDesign(f.design, 1);
    f.design.designFileName = "C:\\DESIGNS\\FIRST.QVD";
}

std::string Bytes(TreeDesign& d) {
    std::string out;
    const Result<std::string> serialized = SerializeDesign(d);
    EXPECT_TRUE(serialized);
    out = serialized.value_or("");
    return out;
}

ReplicaList Of(const ItemTable& t, const std::string& name) {
    int i = t.FindFirst(name);
    return i < 0 ? ReplicaList{"<missing>"} : t.Entries(static_cast<std::size_t>(i));
}

TEST(MergeTrees, MergesTheSecondTreeUnderTheRoot) {
    Fixture f;
    FirstDesign(f);
    OperationLog::SetRecording(true);
    MergeOutcome outcome;
    bool ok = MergeDesignBytes(f.design, SecondTree(), "D:\\OTHER\\SECOND.QVD", &outcome);
    OperationLog::SetRecording(false);
    ASSERT_TRUE(ok) << (f.ui.boxes.empty() ? "" : f.ui.boxes.back().text);
    EXPECT_TRUE(outcome.merged);
    EXPECT_EQ(outcome.errorCount, 0u);
    EXPECT_EQ(f.ui.Texts("information"), (std::vector<std::string>{"Merge was succesful."}));

    ObjectNode* root = f.design.Root();
    ASSERT_EQ(root->ChildCount(), 2u);
    ObjectNode* b = root->Child(1);
    EXPECT_EQ(b->Name(), "B");
    EXPECT_TRUE(b->IsPartitionRoot()); // a top-level container becomes a partition
    ASSERT_EQ(b->ChildCount(), 2u);
    EXPECT_EQ(b->Child(0)->Name(), "S");
    EXPECT_TRUE(b->Child(1)->IsPartitionRoot());
    ASSERT_TRUE(b->Leaves());
    EXPECT_EQ(LeafName(b->Leaves()->front()), "JOE");
    EXPECT_EQ(b->Leaves()->size(), 3u); // JOE, then S and EAST from the subordinate entries
    EXPECT_NE(f.design.IndexOfLeaf(*root->Leaves(), "B"), -1);

    EXPECT_EQ(Of(f.design.partitions, "[ROOT]"), (ReplicaList{"SERVER*MASTER*", "S*READ/WRITE*"}));
    EXPECT_EQ(Of(f.design.partitions, "EAST.B"), (ReplicaList{"S2*MASTER*"}));
    EXPECT_EQ(Of(f.design.partitions, "B"), (ReplicaList{"S*MASTER*"}));
    EXPECT_EQ(f.design.partitions.Size(), 3u);
    EXPECT_EQ(Of(f.design.servers, "S"), (ReplicaList{"[ROOT]*READ/WRITE*", "B*MASTER*"}));
    EXPECT_EQ(Of(f.design.servers, "S2"), (ReplicaList{"EAST.B*MASTER*"}));
    ASSERT_EQ(f.design.attributes.Size(), 3u);
    EXPECT_EQ(f.design.attributes.Name(1), "DS VERSION:10");
    EXPECT_EQ(f.design.attributes.Entries(1), (ReplicaList{"IPX:00000000", "TCPIP:10.0.0.1"}));
    EXPECT_EQ(f.design.attributes.Entries(2), (ReplicaList{"IPX:0A000001"}));
    EXPECT_TRUE(f.design.classPresence.Contains(kClassUser));
    EXPECT_TRUE(f.design.Flags().modified);
    EXPECT_TRUE(f.design.Flags().subRefsStale);
    EXPECT_EQ(
        f.design.log.Lines(),
        (std::vector<std::string>{"Action: Merge Tree", "  Tree: D:\\OTHER\\SECOND.QVD", ""}));
    EXPECT_TRUE(f.progress.Saw("  Adding Object: EAST.B"));
    EXPECT_TRUE(f.progress.Saw("  Adding Partition: EAST.B"));
    EXPECT_TRUE(f.progress.Saw("  Adding Server Replicas: S2"));
    EXPECT_TRUE(f.progress.Saw("  Adding Addresses: TCPIP:10.0.0.1"));

    // The merged design is whole: sub-references can be worked out and it saves.
    f.design.EnsureAllSubRefs();
    EXPECT_FALSE(Bytes(f.design).empty());
}

TEST(MergeTrees, ConflictsAreReportedAndChangeNothing) {
    Fixture f;
    FirstDesign(f);
    f.design.attributes.Entries(0).push_back("TCPIP:10.0.0.1");
    f.design.DropChanges();
    std::string before = Bytes(f.design);
    OperationLog::SetRecording(true);
    MergeOutcome outcome;
    bool ok = MergeDesignBytes(f.design, SecondTree("ORGANIZATION", "SERVER"),
                               "D:\\OTHER\\SECOND.QVD", &outcome);
    OperationLog::SetRecording(false);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(outcome.merged);
    EXPECT_EQ(outcome.errorCount, 3u);
    EXPECT_EQ(outcome.errorReport,
              (std::vector<std::string>{
                  "**ERROR REPORT OF TREE MERGE**", "**SECOND.QVD into FIRST.QVD**", "",
                  "Error: ORGANIZATION is a duplicate country or organization.",
                  "Error: SERVER is a duplicate server",
                  "Error: Duplicate address TCPIP:10.0.0.1 on", "        SERVER and SERVER."}));
    EXPECT_EQ(f.ui.Texts("information"),
              (std::vector<std::string>{
                  "Merge was unsuccesful.  3 errors were found.\rView Merge Error Report."}));
    EXPECT_EQ(Bytes(f.design), before);
    EXPECT_FALSE(f.design.Flags().modified);
    EXPECT_TRUE(f.design.log.Lines().empty());
}

TEST(MergeTrees, WhatIsAndIsNotAConflict) {
    // Two default designs: the organization and the server clash; the unknown
    // IPX addresses do not.
    Fixture f;
    FirstDesign(f);
    TreeDesign other;
    NewDesign(other, 2);
    MergeOutcome outcome;
    EXPECT_FALSE(MergeDesignBytes(f.design, Bytes(other), "SECOND.QVD", &outcome));
    EXPECT_EQ(outcome.errorCount, 2u);
    EXPECT_EQ(outcome.errorReport[4], "Error: SERVER is a duplicate server");

    // Organizations at any depth are compared with the top-level containers,
    // and so is every object placed directly under the root.
    Fixture g;
    FirstDesign(g);
    g.design.AddChild(g.design.Root(), "LAB", kClassLocality);
    TreeDesign d;
    test::MakeEmpty(d);
    ObjectNode* c = d.AddChild(d.Root(), "US", kClassCountry);
    d.AddChild(c, "ORGANIZATION", kClassOrganization);
    d.AddChild(d.Root(), "LAB", kClassOrgUnit);
    d.AddChild(c, "LAB", kClassOrgUnit); // deeper, not an organization: no clash
    d.AddSubordinateEntries(d.Root());
    EXPECT_FALSE(MergeDesignBytes(g.design, Bytes(d), "SECOND.QVD", &outcome));
    EXPECT_EQ(
        std::vector<std::string>(outcome.errorReport.begin() + 3, outcome.errorReport.end()),
        (std::vector<std::string>{"Error: ORGANIZATION is a duplicate country or organization.",
                                  "Error: LAB is a duplicate country or organization."}));
}

TEST(MergeTrees, FilesThatAreNotMerged) {
    Fixture f;
    FirstDesign(f);
    std::string before = Bytes(f.design);
    // Wrong magic numbers.
    EXPECT_FALSE(MergeDesignBytes(f.design, "not a design", "X.QVD"));
    // A damaged file: a record whose parent is not on the ancestor path.
    TreeDesign d;
    test::MakeEmpty(d);
    d.AddChild(d.Root(), "B", kClassOrganization);
    d.AddSubordinateEntries(d.Root());
    std::string damaged = Bytes(d);
    std::size_t at = damaged.find("[ROOT]", 30); // the parent name of B's record
    ASSERT_NE(at, std::string::npos);
    damaged.replace(at, 6, "[XOOT]");
    EXPECT_FALSE(MergeDesignBytes(f.design, damaged, "Y.QVD"));
    // A truncated file.
    EXPECT_FALSE(MergeDesignBytes(f.design, SecondTree().substr(0, 60), "Z.QVD"));
    EXPECT_EQ(f.ui.Texts("information"),
              (std::vector<std::string>{"Illegal file format on file: X.QVD",
                                        "Illegal file format on file: Y.QVD",
                                        "Illegal file format on file: Z.QVD"}));
    // The old format: the root record without leaf entries.
    TreeDesign old;
    test::MakeEmpty(old);
    old.AddChild(old.Root(), "B", kClassOrganization);
    EXPECT_FALSE(MergeDesignBytes(f.design, Bytes(old), "D:\\OLD.QVD"));
    EXPECT_EQ(f.ui.Texts("warning"),
              (std::vector<std::string>{
                  "With versions 4.0 and above, there was a file format change. \rD:\\OLD.QVD is "
                  "in the OLD format.  To upgrade it to the new format\rsimply open D:\\OLD.QVD "
                  "then save it.  Quorvane will automatically \rreformat the file."}));
    EXPECT_EQ(Bytes(f.design), before);
    EXPECT_FALSE(f.design.Flags().modified);
}

TEST(MergeTrees, AttributesStayAlignedWithServers) {
    // A second file with one attribute record too many and one with one too few.
    for (int extra : {1, -1}) {
        Fixture f;
        FirstDesign(f);
        TreeDesign d;
        test::MakeEmpty(d);
        ObjectNode* b = d.AddChild(d.Root(), "B", kClassOrganization);
        test::AddServer(d, b, "S");
        test::AddServer(d, b, "S2");
        test::AddReplica(d, "[ROOT]", "S", kMaster);
        if (extra > 0)
            d.attributes.Append("DS VERSION:9", {"IPX:00000009"});
        else
            d.attributes.Erase(1);
        d.AddSubordinateEntries(d.Root());
        ASSERT_TRUE(MergeDesignBytes(f.design, Bytes(d), "SECOND.QVD"));
        EXPECT_EQ(f.design.attributes.Size(), f.design.servers.Size());
        EXPECT_EQ(f.design.attributes.Name(2), "DS VERSION:0");
        EXPECT_EQ(f.design.attributes.Entries(2), (ReplicaList{"IPX:00000000"}));
    }
}

TEST(MergeTrees, FileAndQuestion) {
    Fixture f;
    FirstDesign(f);
    MergeOutcome outcome;
    EXPECT_FALSE(MergeDesignFile(f.design, test::TempDir() + "/missing.qvd", &outcome));
    EXPECT_TRUE(outcome.ioError);
    EXPECT_EQ(f.ui.Texts("error").size(), 1u);
    std::string path = test::TempDir() + "/second.qvd";
    test::WriteFile(path, SecondTree());
    EXPECT_TRUE(MergeDesignFile(f.design, path, &outcome));
    EXPECT_EQ(MergeConfirmationText("B.QVD", "A.QVD"),
              "This operation will merge tree :\r'B.QVD'\rinto tree :\r'A.QVD'\rContinue?");
}

} // namespace
} // namespace qv
