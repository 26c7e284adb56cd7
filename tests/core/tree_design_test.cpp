#include "core/tree_design.h"

#include "support/scripted.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qv {
namespace {

using test::AddReplica;
using test::AddServer;
using test::Fixture;
using test::MakeEmpty;
using test::MakePartition;

std::vector<std::string> Names(TreeDesign& d, ObjectNode* start, bool childPartitionsOnly = false) {
    std::vector<std::string> out;
    d.Walk(
        start,
        [&](ObjectNode* n) {
            out.push_back(n->Name());
            return true;
        },
        childPartitionsOnly);
    return out;
}

TEST(TreeDesign, InitialState) {
    TreeDesign d;
    ObjectNode* root = d.Root();
    EXPECT_EQ(root->Name(), "[ROOT]");
    EXPECT_EQ(root->ClassIndex(), 0);
    EXPECT_TRUE(root->IsPartitionRoot());
    ASSERT_EQ(root->ChildCount(), 1u);
    EXPECT_EQ(root->Child(0)->Name(), "ORGANIZATION");
    EXPECT_EQ(root->Child(0)->Child(0)->Name(), "SERVER");
    EXPECT_EQ(root->Child(0)->Child(0)->ClassIndex(), 3);
    EXPECT_FALSE(d.Flags().modified);
    EXPECT_TRUE(d.Flags().subRefsStale);
    for (bool b : d.Flags().reportStale)
        EXPECT_TRUE(b);
    EXPECT_EQ(d.serverDepthTable.size(), 5001u);
    EXPECT_EQ(d.serverDepthTable[5000], 255);
    EXPECT_EQ(d.distinctClassCount, 1);
    EXPECT_TRUE(d.classPresence.Contains(0));
}

TEST(TreeDesign, ContextsAndLevels) {
    TreeDesign d;
    MakeEmpty(d);
    ObjectNode* acme = d.AddChild(d.Root(), "ACME", 1);
    ObjectNode* sales = d.AddChild(acme, "SALES", 2);
    ObjectNode* east = d.AddChild(sales, "EAST", 2);
    EXPECT_EQ(d.FullContext(d.Root()), "[ROOT]");
    EXPECT_EQ(d.FullContext(acme), "ACME");
    EXPECT_EQ(d.FullContext(sales), "SALES.ACME");
    EXPECT_EQ(d.FullContext(east), "EAST.SALES.ACME");
    EXPECT_EQ(d.RelativeContext(sales, acme), "SALES.ACME");
    EXPECT_EQ(d.RelativeContext(east, sales), "EAST.SALES");
    EXPECT_EQ(d.RelativeContext(east, east), "EAST");
    EXPECT_EQ(east->Level(), 3);
    EXPECT_EQ(d.Root()->Level(), 0);
}

TEST(TreeDesign, WalkOrderIncludesLaterSiblingsAndStopsAtChildPartitions) {
    TreeDesign d;
    MakeEmpty(d);
    ObjectNode* a = d.AddChild(d.Root(), "A", 1);
    ObjectNode* a1 = d.AddChild(a, "A1", 2);
    d.AddChild(a1, "A11", 2);
    ObjectNode* a2 = d.AddChild(a, "A2", 2);
    d.AddChild(a2, "A21", 2);
    d.AddChild(d.Root(), "B", 1);
    EXPECT_EQ(Names(d, d.Root()),
              (std::vector<std::string>{"[ROOT]", "A", "A1", "A11", "A2", "A21", "B"}));
    // Starting at A1 goes on with its later sibling A2, never up to B.
    EXPECT_EQ(Names(d, a1), (std::vector<std::string>{"A1", "A11", "A2", "A21"}));
    d.SetPartitionMark(a1, kPartitionRootMark);
    EXPECT_EQ(Names(d, a1, true), (std::vector<std::string>{"A1", "A2", "A21"}));
    EXPECT_TRUE(d.TraversalStackEmpty());
    // A walk started inside another walk does not disturb it.
    std::vector<std::string> outer;
    d.Walk(d.Root(), [&](ObjectNode* n) {
        outer.push_back(n->Name());
        Names(d, d.Root());
        return true;
    });
    EXPECT_EQ(outer.size(), 7u);
}

TEST(TreeDesign, FindsReturnTheFirstMatchInWalkOrder) {
    TreeDesign d;
    MakeEmpty(d);
    ObjectNode* a = d.AddChild(d.Root(), "A", 1);
    ObjectNode* x1 = d.AddChild(a, "X", 2);
    ObjectNode* b = d.AddChild(d.Root(), "B", 1);
    ObjectNode* x2 = d.AddChild(b, "X", 3);
    EXPECT_EQ(d.FindNodeByNameOrContext("X", false), x1);
    EXPECT_EQ(d.FindNodeByContext("X.B"), x2);
    EXPECT_EQ(d.FindNodeByContext("X.A"), x1);
    EXPECT_EQ(d.FindNodeByContext("[ROOT]"), d.Root());
    EXPECT_EQ(d.FindNodeByContext("X"), nullptr);
    EXPECT_EQ(d.FindPartitionOrServerNode("X", false), x2); // only servers by name
    // A name match earlier in walk order wins over a later context match.
    ObjectNode* named = d.AddChild(a, "X.B", 2);
    EXPECT_EQ(d.FindNodeByNameOrContext("X.B", true), named);
    EXPECT_EQ(d.FindNodeByNameOrContext("X.B", false), named);
    // The index follows changes of the tree.
    d.RenameNode(x1, "Y");
    EXPECT_EQ(d.FindNodeByNameOrContext("X", false), x2);
    d.DeleteNode(named);
    EXPECT_EQ(d.FindNodeByNameOrContext("X.B", true), x2);
    // Partition mode: partition roots by context, other servers by name.
    d.SetPartitionMark(b, kPartitionRootMark);
    EXPECT_EQ(d.FindPartitionOrServerNode("B", true), b);
    EXPECT_EQ(d.FindPartitionOrServerNode("X", true), x2);
    EXPECT_EQ(d.FindPartitionOrServerNode("A", true), nullptr);
}

TEST(TreeDesign, AddSubordinateEntriesListsChildNodesOnce) {
    Fixture f;
    TreeDesign& d = f.design;
    MakeEmpty(d);
    ObjectNode* acme = d.AddChild(d.Root(), "ACME", 1);
    d.AddChild(acme, "FS1", 3);
    d.AppendLeaf(acme, MakeLeafEntry("FS1", 3)); // already listed
    d.AppendLeaf(acme, MakeLeafEntry("ANN", 44));
    d.AddChild(acme, "SALES", 2);
    d.AddSubordinateEntries(d.Root());
    ASSERT_TRUE(d.Root()->Leaves());
    EXPECT_EQ(*d.Root()->Leaves(), LeafList{MakeLeafEntry("ACME", 1)});
    EXPECT_EQ(*acme->Leaves(), (LeafList{MakeLeafEntry("FS1", 3), MakeLeafEntry("ANN", 44),
                                         MakeLeafEntry("SALES", 2)}));
    // A node without children gets no list.
    EXPECT_FALSE(acme->Child(1)->Leaves());
    d.AddSubordinateEntries(d.Root());
    EXPECT_EQ(acme->Leaves()->size(), 3u);
    EXPECT_EQ(d.IndexOfLeaf(*acme->Leaves(), "SALES"), 2);
    EXPECT_EQ(d.IndexOfLeaf(*acme->Leaves(), "NOBODY"), -1);
}

TEST(TreeDesign, DistinctClassCounting) {
    TreeDesign d;
    d.NoteClass(0); // present from the start
    EXPECT_EQ(d.distinctClassCount, 1);
    d.NoteClass(44);
    d.NoteClass(44);
    EXPECT_EQ(d.distinctClassCount, 2);
    // Indexes outside the set are counted every time they are met.
    d.NoteClass(104);
    d.NoteClass(104);
    d.NoteClass(-1);
    EXPECT_EQ(d.distinctClassCount, 5);
    EXPECT_FALSE(d.classPresence.Contains(104));
}

TEST(TreeDesign, IndexOfLeafServicesTheQueueEvery2000Entries) {
    Fixture f;
    LeafList list;
    for (int i = 0; i < 5000; ++i)
        list.push_back(MakeLeafEntry("U" + std::to_string(i), 44));
    EXPECT_EQ(f.design.IndexOfLeaf(list, "U4999"), 4999);
    EXPECT_EQ(f.progress.pumps, 2);
}

// [ROOT] (FS1 master, FS2 read/write) > ACME > SALES (partition, FS3 master) > EAST (partition)
struct SubRefTree {
    Fixture f;
    TreeDesign& d = f.design;
    ObjectNode* acme;
    ObjectNode* sales;
    ObjectNode* east;
    ObjectNode* fs1;
    SubRefTree() {
        MakeEmpty(d);
        acme = d.AddChild(d.Root(), "ACME", 1);
        sales = d.AddChild(acme, "SALES", 2);
        east = d.AddChild(sales, "EAST", 2);
        fs1 = AddServer(d, acme, "FS1");
        AddServer(d, acme, "FS2");
        AddServer(d, sales, "FS3");
        MakePartition(d, sales);
        MakePartition(d, east);
        AddReplica(d, "[ROOT]", "FS1", kMaster);
        AddReplica(d, "[ROOT]", "FS2", kReadWrite);
        AddReplica(d, "SALES.ACME", "FS3", kMaster);
        AddReplica(d, "EAST.SALES.ACME", "FS3", kMaster);
    }
};

TEST(SubRefs, EnsureAllSubRefsAddsBothSidesOnce) {
    SubRefTree t;
    TreeDesign& d = t.d;
    d.EnsureAllSubRefs();
    EXPECT_FALSE(d.Flags().subRefsStale);
    EXPECT_EQ(*d.partitions.EntriesOf("SALES.ACME"),
              (ReplicaList{"FS3*MASTER*", "FS1*SUB/REF*", "FS2*SUB/REF*"}));
    EXPECT_EQ(*d.servers.EntriesOf("FS1"), (ReplicaList{"[ROOT]*MASTER*", "SALES.ACME*SUB/REF*"}));
    EXPECT_EQ(*d.servers.EntriesOf("FS2"),
              (ReplicaList{"[ROOT]*READ/WRITE*", "SALES.ACME*SUB/REF*"}));
    // FS3 already holds EAST; the SUB/REFs of SALES are not readable, so EAST gets nothing more.
    EXPECT_EQ(*d.partitions.EntriesOf("EAST.SALES.ACME"), (ReplicaList{"FS3*MASTER*"}));
    // Only a stale design is recomputed; a second pass adds nothing.
    d.MarkSubRefsStale();
    d.EnsureAllSubRefs();
    EXPECT_EQ(d.partitions.EntriesOf("SALES.ACME")->size(), 3u);
    EXPECT_EQ(d.servers.EntriesOf("FS1")->size(), 2u);
}

// A chain of four partitions, [ROOT] > A > B > C, and what each server holds
// before and after EnsureAllSubRefs: a server gets a SUB/REF of a child
// partition only where it holds a readable replica of the parent; a SUB/REF
// of the parent (which the layout itself may have added) is not readable.
TEST(SubRefs, AChainOfPartitionsGivesSubRefsOnlyBelowReadableReplicas) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, std::string_view>> replicas; // partition, type
        std::vector<std::pair<const char*, ReplicaList>> servers;       // after
    };
    const Case cases[] = {
        {"a master at the top only",
         {{"[ROOT]", kMaster}},
         {{"S", {"[ROOT]*MASTER*", "A.T*SUB/REF*"}}}},
        {"read-only in the middle: below it and below the top",
         {{"[ROOT]", kMaster}, {"B.A.T", kReadOnly}},
         {{"S", {"[ROOT]*MASTER*", "B.A.T*READ/ONLY*", "A.T*SUB/REF*", "C.B.A.T*SUB/REF*"}}}},
        {"a SUB/REF of the parent only: nothing more below it",
         {{"A.T", kSubRef}},
         {{"S", {"A.T*SUB/REF*"}}}},
        {"a SUB/REF of A and a read/write replica of B",
         {{"A.T", kSubRef}, {"B.A.T", kReadWrite}},
         {{"S", {"A.T*SUB/REF*", "B.A.T*READ/WRITE*", "C.B.A.T*SUB/REF*"}}}},
        {"the bottom partition only", {{"C.B.A.T", kMaster}}, {{"S", {"C.B.A.T*MASTER*"}}}},
    };
    for (const Case& c : cases) {
        Fixture f;
        TreeDesign& d = f.design;
        MakeEmpty(d);
        ObjectNode* t = d.AddChild(d.Root(), "T", 1);
        ObjectNode* a = d.AddChild(t, "A", 2);
        ObjectNode* b = d.AddChild(a, "B", 2);
        ObjectNode* cc = d.AddChild(b, "C", 2);
        AddServer(d, t, "S");
        for (ObjectNode* p : {a, b, cc})
            MakePartition(d, p);
        for (const auto& [partition, type] : c.replicas)
            AddReplica(d, partition, "S", type);
        d.MarkSubRefsStale();
        d.EnsureAllSubRefs();
        for (const auto& [server, entries] : c.servers) {
            ReplicaList got = *d.servers.EntriesOf(server);
            ReplicaList want = entries;
            std::sort(got.begin(), got.end());
            std::sort(want.begin(), want.end());
            EXPECT_EQ(got, want) << c.what;
        }
    }
}

TEST(SubRefs, SelectingAPartitionRootOrServerAddsItsSubRefs) {
    SubRefTree t;
    TreeDesign& d = t.d;
    d.EnsureSubRefsForNode(t.sales);
    EXPECT_EQ(*d.partitions.EntriesOf("SALES.ACME"),
              (ReplicaList{"FS3*MASTER*", "FS1*SUB/REF*", "FS2*SUB/REF*"}));
    EXPECT_EQ(d.servers.EntriesOf("FS1")->back(), "SALES.ACME*SUB/REF*");
    d.EnsureSubRefsForNode(t.sales);
    EXPECT_EQ(d.partitions.EntriesOf("SALES.ACME")->size(), 3u);
    EXPECT_EQ(d.servers.EntriesOf("FS1")->size(), 2u);

    SubRefTree u;
    u.d.EnsureSubRefsForNode(u.fs1);
    EXPECT_EQ(*u.d.servers.EntriesOf("FS1"),
              (ReplicaList{"[ROOT]*MASTER*", "SALES.ACME*SUB/REF*"}));
    EXPECT_EQ(u.d.partitions.EntriesOf("SALES.ACME")->back(), "FS1*SUB/REF*");
    // Neither a plain container nor the root partition does anything.
    u.d.EnsureSubRefsForNode(u.acme);
    u.d.EnsureSubRefsForNode(u.d.Root());
    EXPECT_TRUE(u.f.ui.boxes.empty());
}

TEST(SubRefs, MissingTableItemsReportACorruptedFile) {
    SubRefTree t;
    t.d.partitions.Erase(static_cast<std::size_t>(t.d.partitions.FindLast("SALES.ACME")));
    t.d.EnsureSubRefsForNode(t.sales);
    EXPECT_EQ(t.f.ui.Texts("message"), std::vector<std::string>{"This QVD file is corrupted."});
    SubRefTree u;
    u.d.servers.Erase(0);
    u.d.EnsureSubRefsForNode(u.fs1);
    EXPECT_EQ(u.f.ui.Texts("message"), std::vector<std::string>{"This QVD file is corrupted."});
}

TEST(SubRefs, RemoveStaleSubRefsForAServer) {
    SubRefTree t;
    TreeDesign& d = t.d;
    d.EnsureAllSubRefs();
    // FS1 loses its readable replica of [ROOT]; its SUB/REF of SALES is then orphaned.
    ReplicaList& fs1 = *d.servers.EntriesOf("FS1");
    fs1.erase(fs1.begin());
    ReplicaList& root = *d.partitions.EntriesOf("[ROOT]");
    root.erase(root.begin());
    d.RemoveStaleSubRefs(t.fs1, "");
    EXPECT_TRUE(d.servers.EntriesOf("FS1")->empty());
    EXPECT_EQ(*d.partitions.EntriesOf("SALES.ACME"), (ReplicaList{"FS3*MASTER*", "FS2*SUB/REF*"}));
}

TEST(SubRefs, RemoveStaleSubRefsForAPartitionRoot) {
    SubRefTree t;
    TreeDesign& d = t.d;
    d.EnsureAllSubRefs();
    d.RemoveStaleSubRefs(d.Root(), "FS2*READ/WRITE*");
    EXPECT_EQ(*d.partitions.EntriesOf("SALES.ACME"), (ReplicaList{"FS3*MASTER*", "FS1*SUB/REF*"}));
    EXPECT_EQ(*d.servers.EntriesOf("FS2"), (ReplicaList{"[ROOT]*READ/WRITE*"}));
    // A readable replica of a child partition is never removed.
    d.RemoveStaleSubRefs(t.sales, "FS3*MASTER*");
    EXPECT_EQ(*d.partitions.EntriesOf("EAST.SALES.ACME"), (ReplicaList{"FS3*MASTER*"}));
}

TEST(Recontext, MovingAPartitionRenamesItAndItsChildPartitions) {
    Fixture f;
    TreeDesign& d = f.design;
    MakeEmpty(d);
    ObjectNode* acme = d.AddChild(d.Root(), "ACME", 1);
    ObjectNode* org = d.AddChild(d.Root(), "ORG", 1);
    ObjectNode* sales = d.AddChild(acme, "SALES", 2);
    ObjectNode* east = d.AddChild(sales, "EAST", 2);
    AddServer(d, acme, "FS1");
    AddServer(d, acme, "FS2");
    MakePartition(d, sales);
    MakePartition(d, east);
    AddReplica(d, "SALES.ACME", "FS1", kMaster);
    AddReplica(d, "SALES.ACME", "FS2", kSparseWrite);
    AddReplica(d, "EAST.SALES.ACME", "FS2", kMaster);
    AddReplica(d, "EAST.SALES.ACME", "FS1", kSparseRead);
    d.RecontextPartitions(sales, d.FullContext(org));
    EXPECT_GE(d.partitions.FindLast("SALES.ORG"), 0);
    EXPECT_GE(d.partitions.FindLast("EAST.SALES.ORG"), 0);
    EXPECT_EQ(d.partitions.FindLast("SALES.ACME"), -1);
    EXPECT_EQ(*d.servers.EntriesOf("FS1"),
              (ReplicaList{"SALES.ORG*MASTER*", "EAST.SALES.ORG*SPARSE/READ*"}));
    EXPECT_EQ(*d.servers.EntriesOf("FS2"),
              (ReplicaList{"SALES.ORG*SPARSE/WRITE*", "EAST.SALES.ORG*MASTER*"}));
    // The partitions' own lists name servers and stay as they were.
    EXPECT_EQ(*d.partitions.EntriesOf("SALES.ORG"),
              (ReplicaList{"FS1*MASTER*", "FS2*SPARSE/WRITE*"}));
    // Moving to the root drops the destination (the tree moves after the renaming).
    d.AttachNode(org, d.DetachNode(sales));
    d.RecontextPartitions(east, "[ROOT]");
    EXPECT_GE(d.partitions.FindLast("EAST"), 0);
}

TEST(Depths, ServerMinDepthAndLevels) {
    SubRefTree t;
    TreeDesign& d = t.d;
    EXPECT_EQ(d.ServerMinDepth(*d.servers.EntriesOf("FS3")), 2); // SALES.ACME is at level 2
    EXPECT_EQ(d.ServerMinDepth(*d.servers.EntriesOf("FS1")), 0);
    EXPECT_EQ(d.ServerMinDepth(ReplicaList{"SALES.ACME*SUB/REF*"}), 255);
    EXPECT_EQ(d.ServerMinLevel("FS3"), 2);
    EXPECT_EQ(d.ServerMinLevel("NOBODY"), -1);
    ASSERT_TRUE(d.ComputeServerDepths());
    EXPECT_EQ(d.ServerDepth(0), 0);
    EXPECT_EQ(d.ServerDepth(2), 2);
    EXPECT_EQ(t.f.progress.Texts(ProgressChannel::Label1),
              std::vector<std::string>{"  Total Servers: 3"});
    EXPECT_EQ(t.f.progress.Texts(ProgressChannel::Label2).back(), "  Current Server: FS3");
    EXPECT_EQ(t.f.progress.Texts(ProgressChannel::Label3).back(), "  Remaining Servers: 0");
}

TEST(Depths, OneServerLeavesTheTableUntouched) {
    TreeDesign d;
    d.servers.Append("SERVER", {"[ROOT]*MASTER*"});
    EXPECT_TRUE(d.ComputeServerDepths());
    EXPECT_EQ(d.ServerDepth(0), 255);
}

TEST(Depths, AbortStopsTheComputation) {
    SubRefTree t;
    t.f.progress.onPump = [&](int) { t.d.SetAbortRequested(true); };
    EXPECT_FALSE(t.d.ComputeServerDepths());
}

TEST(Depths, TableGrowsPast5001Servers) {
    TreeDesign d;
    MakeEmpty(d);
    ObjectNode* org = d.AddChild(d.Root(), "O", 1);
    ObjectNode* ou = d.AddChild(org, "OU", 2);
    MakePartition(d, ou);
    for (int i = 0; i < 5100; ++i) {
        std::string name = "S" + std::to_string(i);
        d.servers.Append(name, {"OU.O*READ/ONLY*"});
    }
    ASSERT_TRUE(d.ComputeServerDepths());
    EXPECT_EQ(d.ServerDepth(5099), 2);
}

TEST(Flags, MarkChangedAndMarkReportsStale) {
    TreeDesign d;
    d.MarkAllCurrent();
    d.MarkReportsStale(true);
    for (bool b : d.Flags().reportStale)
        EXPECT_TRUE(b);
    for (bool b : d.Flags().gridUnsorted)
        EXPECT_TRUE(b);
    EXPECT_FALSE(d.Flags().gridStale[0]);
    d.MarkChanged();
    EXPECT_TRUE(d.Flags().modified);
    EXPECT_TRUE(d.Flags().subRefsStale);
    for (bool b : d.Flags().gridStale)
        EXPECT_TRUE(b);
}

TEST(FreeAll, AsksOnlyWhenModifiedAndFreesWithProgress) {
    Fixture f;
    TreeDesign& d = f.design;
    d.designFileName = "TREE.qvd";
    d.partitions.Append("[ROOT]", {"SERVER*MASTER*"});
    d.servers.Append("SERVER", {"[ROOT]*MASTER*"});
    d.attributes.Append("DS VERSION:0", {"IPX:00000000"});
    int saves = 0;
    d.FreeAll([&] { ++saves; });
    EXPECT_TRUE(f.ui.Texts("question").empty());
    EXPECT_TRUE(f.progress.Saw("Processing Partition: [ROOT]"));
    EXPECT_TRUE(f.progress.Saw("Processing server: SERVER"));
    EXPECT_TRUE(f.progress.Saw("Processing: [ROOT]"));
    EXPECT_TRUE(d.partitions.Empty());
    EXPECT_EQ(d.Root()->ChildCount(), 0u);

    Fixture g;
    g.design.designFileName = "TREE.qvd";
    g.design.MarkDiffersFromFile();
    g.ui.answers = {true};
    g.design.FreeAll([&] { ++saves; });
    EXPECT_EQ(g.ui.Texts("question"), std::vector<std::string>{"TREE.qvd has changed.. Save?"});
    EXPECT_EQ(saves, 1);

    Fixture h;
    h.design.MarkDiffersFromFile();
    h.ui.answers = {false};
    h.design.FreeAll([&] { ++saves; });
    EXPECT_EQ(saves, 1);
}

TEST(ItemTable, LookupsFollowRenamesAndErasures) {
    ItemTable t;
    t.Append("A");
    t.Append("B");
    t.Append("A", {"x"});
    EXPECT_EQ(t.FindLast("A"), 2);
    EXPECT_EQ(t.FindFirst("A"), 0);
    EXPECT_EQ(t.EntriesOf("A")->size(), 1u);
    t.Erase(2);
    EXPECT_EQ(t.FindLast("A"), 0);
    t.Rename(0, "C");
    EXPECT_EQ(t.FindLast("A"), -1);
    EXPECT_EQ(t.FindLast("C"), 0);
    t.Insert(0, "B");
    EXPECT_EQ(t.FindFirst("B"), 0);
    EXPECT_EQ(t.FindLast("B"), 2);
    t.Append("D");
    EXPECT_EQ(t.FindLast("D"), 3);
}

TEST(TreeDesign, MovingSubtreesKeepsSiblingOrderAndLevels) {
    TreeDesign d;
    MakeEmpty(d);
    ObjectNode* a = d.AddChild(d.Root(), "A", 1);
    ObjectNode* b = d.AddChild(d.Root(), "B", 1);
    ObjectNode* c = d.AddChild(a, "C", 2);
    d.AddChild(c, "D", 2);
    auto owned = d.DetachNode(c);
    ObjectNode* moved = d.AttachNode(b, std::move(owned), 0);
    EXPECT_EQ(moved->Parent(), b);
    EXPECT_EQ(moved->Child(0)->Level(), 3);
    EXPECT_EQ(d.FindNodeByContext("D.C.B"), moved->Child(0));
    EXPECT_EQ(a->ChildCount(), 0u);
    d.AddChild(b, "A0", 2);
    d.SortChildren(b, [](const ObjectNode& x, const ObjectNode& y) { return x.Name() < y.Name(); });
    EXPECT_EQ(b->Child(0)->Name(), "A0");
    EXPECT_EQ(b->Child(0)->NextSibling(), moved);
    EXPECT_EQ(moved->NextSibling(), nullptr);
}

} // namespace
} // namespace qv
