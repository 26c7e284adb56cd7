// The whole-tree finds stay the first match in walk order while operations
// change the tree: the index they use is updated in place, and must answer as
// one built afresh would.
#include "core/synthetic_design.h"
#include "edit/design_compare.h"
#include "edit/edit_fixture.h"
#include "support/random_edits.h"

namespace qv::test {
namespace {

struct Quiet {
    ScriptedInteraction ui;
    NullProgress progress;
    TreeDesign design;
    Quiet() { design.SetHosts(&progress, &ui); }
};

std::string Where(TreeDesign& d, const ObjectNode* n) {
    return n ? d.FullContext(n) + "#" + std::to_string(n->Level()) : std::string("-");
}

// Every find of every node's name and context gives the same node (by place)
// in the edited design as in a fresh copy of it.
void ExpectSameFinds(TreeDesign& edited, const std::string& what) {
    Quiet fresh;
    ASSERT_TRUE(CopyDesign(edited, fresh.design));
    ASSERT_EQ(edited.NodeCount(), fresh.design.NodeCount()) << what;
    std::vector<ObjectNode*> nodes;
    edited.WalkSubtree(edited.Root(), [&](ObjectNode* n) {
        nodes.push_back(n);
        return true;
    });
    for (ObjectNode* n : nodes) {
        const std::string ctx = edited.FullContext(n);
        const std::string& name = n->Name();
        TreeDesign& f = fresh.design;
        EXPECT_EQ(Where(edited, edited.FindNodeByContext(ctx)), Where(f, f.FindNodeByContext(ctx)))
            << what << ": " << ctx;
        EXPECT_EQ(Where(edited, edited.FindNodeByNameOrContext(name, true)),
                  Where(f, f.FindNodeByNameOrContext(name, true)))
            << what << ": " << name;
        EXPECT_EQ(Where(edited, edited.FindNodeByNameOrContext(name, false)),
                  Where(f, f.FindNodeByNameOrContext(name, false)))
            << what << ": " << name;
        for (bool partitions : {false, true})
            EXPECT_EQ(Where(edited, edited.FindPartitionOrServerNode(name, partitions)),
                      Where(f, f.FindPartitionOrServerNode(name, partitions)))
                << what << ": " << name;
    }
}

} // namespace

TEST(FindIndex, StaysTrueThroughRandomEdits) {
    for (std::uint64_t seed = 1; seed <= 6; ++seed) {
        Quiet a;
        SyntheticOptions o;
        o.containers = 40;
        o.servers = 8;
        o.partitions = 6;
        o.leaves = 100;
        o.seed = seed;
        GenerateSyntheticDesign(a.design, o);
        a.design.FindNodeByContext("[ROOT]"); // the index is built before the edits
        for (int round = 0; round < 4; ++round) {
            MakeRandomEdits(a.design, 15, seed * 10 + static_cast<std::uint64_t>(round));
            ExpectSameFinds(a.design, "seed " + std::to_string(seed));
        }
    }
}

// Names that repeat in different places: the first in walk order wins, also
// after the children are reordered and after the first one is renamed away.
TEST(FindIndex, RepeatedNamesFollowTheWalkOrder) {
    Quiet q;
    TreeDesign& d = q.design;
    ObjectNode* org = d.Root()->Child(0);
    ObjectNode* b = d.AddChild(org, "B", kClassOrgUnit);
    ObjectNode* a = d.AddChild(org, "A", kClassOrgUnit);
    ObjectNode* underB = d.AddChild(b, "X", kClassOrgUnit);
    ObjectNode* underA = d.AddChild(a, "X", kClassOrgUnit);
    EXPECT_EQ(d.FindNodeByNameOrContext("X", false), underB);
    d.SortChildren(org,
                   [](const ObjectNode& l, const ObjectNode& r) { return l.Name() < r.Name(); });
    EXPECT_EQ(d.FindNodeByNameOrContext("X", false), underA);
    d.RenameNode(underA, "Y");
    EXPECT_EQ(d.FindNodeByNameOrContext("X", false), underB);
    EXPECT_EQ(d.FindNodeByContext("Y.A.ORGANIZATION"), underA);
    d.RenameNode(a, "C");
    EXPECT_EQ(d.FindNodeByContext("Y.A.ORGANIZATION"), nullptr);
    EXPECT_EQ(d.FindNodeByContext("Y.C.ORGANIZATION"), underA);
    d.DeleteNode(b);
    EXPECT_EQ(d.FindNodeByNameOrContext("X", true), nullptr);
    ExpectSameFinds(d, "repeated names");
}

} // namespace qv::test
