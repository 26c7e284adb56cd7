// Comparison of two designs and the plan that turns one into the other.
#include "core/synthetic_design.h"
#include "edit/design_compare.h"
#include "edit/edit_fixture.h"
#include "edit/edit_script.h"
#include "files/design_file.h"
#include "support/random_edits.h"

#include <algorithm>

namespace qv::test {
namespace {

// A design with quiet hosts, for copies and targets.
struct Quiet {
    ScriptedInteraction ui;
    NullProgress progress;
    TreeDesign design;
    Quiet() { design.SetHosts(&progress, &ui); }
};

void RunScript(TreeDesign& d, const std::string& text) {
    std::vector<ScriptLine> lines;
    std::optional<ScriptError> bad = ParseEditScript(text, lines);
    ASSERT_FALSE(bad) << bad->line << ": " << bad->message;
    bad = RunEditScript(d, lines, nullptr);
    ASSERT_FALSE(bad) << "line " << bad->line << ": " << bad->message << "\n" << text;
}

std::vector<std::string> Texts(const std::vector<Difference>& diffs) {
    std::vector<std::string> out;
    for (const Difference& d : diffs)
        out.push_back(d.text);
    return out;
}

// Plans A -> B on a copy of A, applies the plan's script to another copy of A
// and expects B in both.
void ExpectRoundTrip(TreeDesign& a, TreeDesign& b, const std::string& what) {
    Quiet working, applied;
    ASSERT_TRUE(CopyDesign(a, working.design));
    ASSERT_TRUE(CopyDesign(a, applied.design));
    DesignPlan plan = PlanDesignChanges(working.design, b);
    EXPECT_EQ(plan.unmade, Lines{}) << what << "\n" << plan.Script();
    RunScript(applied.design, plan.Script());
    EXPECT_EQ(DesignMismatches(applied.design, b), Lines{}) << what << "\n" << plan.Script();
}

std::size_t LineOf(const DesignPlan& plan, const std::string& line) {
    auto it = std::find(plan.lines.begin(), plan.lines.end(), line);
    EXPECT_NE(it, plan.lines.end()) << "missing: " << line;
    return static_cast<std::size_t>(it - plan.lines.begin());
}

struct CompareTest : EditTest {
    Quiet other;
    TreeDesign& b = other.design;
    void SetUp() override {
        EditTest::SetUp();
        OperationLog::SetRecording(false);
        ASSERT_TRUE(CopyDesign(d, b));
    }
};

TEST_F(CompareTest, ADesignEqualsItselfAndItsCopy) {
    EXPECT_TRUE(CompareDesigns(d, d).empty());
    EXPECT_TRUE(CompareDesigns(d, b).empty());
    EXPECT_TRUE(DesignMismatches(d, b).empty());
    // Subordinate references are derived: never a difference.
    d.MarkSubRefsStale();
    d.EnsureAllSubRefs();
    EXPECT_TRUE(CompareDesigns(d, b).empty());
    EXPECT_TRUE(DesignMismatches(d, b).empty());
    Quiet working;
    ASSERT_TRUE(CopyDesign(d, working.design));
    DesignPlan plan = PlanDesignChanges(working.design, b);
    EXPECT_EQ(plan.lines, Lines{});
    EXPECT_EQ(plan.commandCount, 0u);
    // A damaged design (a server twice in a ring, a server item twice) still equals itself.
    Part("[ROOT]").push_back("FS1*READ/ONLY*");
    d.servers.Append("FS2", {});
    d.attributes.Append("DS VERSION:7", {"IPX:00000001"});
    EXPECT_EQ(Texts(CompareDesigns(d, d)), Lines{});
    EXPECT_EQ(DesignMismatches(d, d), Lines{});
}

TEST_F(CompareTest, ListsEveryKindOfDifferenceByIdentity) {
    d.AddChild(east, "OLD", kClassOrgUnit);
    d.AddSubordinateEntries(east);
    RunScript(b, "create-object CORP \"ORGANIZATIONAL UNIT\" HR\n"
                 "create-partition HR.CORP\n"
                 "rename-object EAST.SALES.CORP WEST\n"
                 "move-object FS3.CORP SALES.CORP\n"
                 "delete-leaf SALES.CORP JSMITH\n"
                 "create-object SALES.CORP USER KDOE\n"
                 "change-type SALES.CORP FS3 RW\n"
                 "delete-replica [ROOT] FS2\n"
                 "add-replica WEST.SALES.CORP FS1 RO\n"
                 "set-version FS1.CORP 610\n"
                 "set-ipx FS1.CORP 0000ABCD\n"
                 "add-tcpip FS2.SALES.CORP 10.1.2.3\n");
    std::vector<Difference> diffs = CompareDesigns(d, b);
    EXPECT_EQ(Texts(diffs),
              (Lines{"object moved FS3.CORP -> FS3.SALES.CORP",
                     "object renamed EAST.SALES.CORP -> WEST.SALES.CORP",
                     "object added HR.CORP (ORGANIZATIONAL UNIT)",
                     "object removed OLD.EAST.SALES.CORP (ORGANIZATIONAL UNIT)",
                     "leaf added KDOE.SALES.CORP (USER)", "leaf removed JSMITH.SALES.CORP (USER)",
                     "partition created HR.CORP",
                     "replica retyped SALES.CORP FS3 *READ/ONLY* -> *READ/WRITE*",
                     "replica added WEST.SALES.CORP FS1 *READ/ONLY*",
                     "replica added HR.CORP FS1 *MASTER*", "replica added HR.CORP FS2 *READ/WRITE*",
                     "replica removed [ROOT] FS2 *READ/WRITE*",
                     "server FS1 DS VERSION:0 -> DS VERSION:610",
                     "server FS1 IPX:00000000 -> IPX:0000ABCD",
                     "server FS2 address added TCPIP:10.1.2.3"}));
    // Each difference names the node of A to select.
    auto at = [&](const std::string& text) {
        for (const Difference& x : diffs)
            if (x.text == text)
                return x.contextInA;
        return std::string("?");
    };
    EXPECT_EQ(at("object added HR.CORP (ORGANIZATIONAL UNIT)"), "CORP");
    EXPECT_EQ(at("object moved FS3.CORP -> FS3.SALES.CORP"), "FS3.CORP");
    EXPECT_EQ(at("replica added WEST.SALES.CORP FS1 *READ/ONLY*"), "EAST.SALES.CORP");
    EXPECT_EQ(at("server FS2 address added TCPIP:10.1.2.3"), "FS2.SALES.CORP");
    EXPECT_EQ(diffs[0].group, DifferenceGroup::Objects);
    EXPECT_EQ(diffs.back().group, DifferenceGroup::Servers);
    ExpectRoundTrip(d, b, "every kind");
}

TEST_F(CompareTest, MergedPartitionsAndRemovedServersAreListed) {
    RunScript(b, "merge-partition EAST.SALES.CORP\n"
                 "change-type SALES.CORP FS1 M\n"
                 "delete-object FS2.SALES.CORP\n");
    EXPECT_EQ(
        Texts(CompareDesigns(d, b)),
        (Lines{"object removed FS2.SALES.CORP (NETWARE SERVER)", "partition merged EAST.SALES.CORP",
               "replica retyped SALES.CORP FS1 *READ/WRITE* -> *MASTER*",
               "replica removed [ROOT] FS2 *READ/WRITE*", "replica removed SALES.CORP FS2 *MASTER*",
               "replica removed EAST.SALES.CORP FS2 *MASTER*"}));
    ExpectRoundTrip(d, b, "merge and delete");
}

TEST_F(CompareTest, PlanOrdersOperationsAsTheyAcceptThem) {
    // A: an OU OLD holding the server FS4; B: FS4 moved to SALES and OLD gone,
    // a new OU NEW in SALES with a server and a user, NEW a partition with a
    // replica on FS5, FS3 the new master of SALES and FS2 read-only there.
    ObjectNode* old = d.AddChild(corp, "OLD", kClassOrgUnit);
    AddServer(d, old, "FS4");
    d.AddSubordinateEntries(corp);
    AddReplica(d, "SALES.CORP", "FS4", kReadWrite);
    ASSERT_TRUE(CopyDesign(d, b));
    RunScript(b, "move-object FS4.OLD.CORP SALES.CORP\n"
                 "delete-object OLD.CORP\n"
                 "create-object SALES.CORP \"ORGANIZATIONAL UNIT\" NEW\n"
                 "create-object NEW.SALES.CORP \"NETWARE SERVER\" FS5\n"
                 "create-object NEW.SALES.CORP USER ANN\n"
                 "create-partition NEW.SALES.CORP\n"
                 "add-replica NEW.SALES.CORP FS5 RO\n"
                 "change-type SALES.CORP FS3 M\n"
                 "change-type SALES.CORP FS2 RO\n");
    Quiet working;
    ASSERT_TRUE(CopyDesign(d, working.design));
    DesignPlan plan = PlanDesignChanges(working.design, b);
    EXPECT_EQ(plan.unmade, Lines{}) << plan.Script();
    // Containers before their contents.
    EXPECT_LT(LineOf(plan, "create-object SALES.CORP \"ORGANIZATIONAL UNIT\" NEW"),
              LineOf(plan, "create-object NEW.SALES.CORP \"NETWARE SERVER\" FS5"));
    EXPECT_LT(LineOf(plan, "create-object SALES.CORP \"ORGANIZATIONAL UNIT\" NEW"),
              LineOf(plan, "create-object NEW.SALES.CORP USER ANN"));
    // The partition before its replicas.
    EXPECT_LT(LineOf(plan, "create-partition NEW.SALES.CORP"),
              LineOf(plan, "add-replica NEW.SALES.CORP FS5 RO"));
    // The new master before the old one is retyped.
    EXPECT_LT(LineOf(plan, "change-type SALES.CORP FS3 M"),
              LineOf(plan, "change-type SALES.CORP FS2 RO"));
    // Moves before the deletion of what they empty.
    EXPECT_LT(LineOf(plan, "move-object FS4.OLD.CORP SALES.CORP"),
              LineOf(plan, "delete-object OLD.CORP"));
    ExpectRoundTrip(d, b, "ordering");
}

TEST_F(CompareTest, AContainerThatIsNoPartitionMovesAsOneForTheMove) {
    d.AddChild(corp, "PLANT", kClassOrgUnit);
    d.AddSubordinateEntries(corp);
    ASSERT_TRUE(CopyDesign(d, b));
    RunScript(b, "create-partition PLANT.CORP\n"
                 "move-object PLANT.CORP SALES.CORP\n"
                 "merge-partition PLANT.SALES.CORP\n");
    EXPECT_EQ(Texts(CompareDesigns(d, b)), Lines{"object moved PLANT.CORP -> PLANT.SALES.CORP"});
    Quiet working;
    ASSERT_TRUE(CopyDesign(d, working.design));
    DesignPlan plan = PlanDesignChanges(working.design, b);
    EXPECT_EQ(plan.lines, (Lines{"create-partition PLANT.CORP", "move-object PLANT.CORP SALES.CORP",
                                 "merge-partition PLANT.SALES.CORP"}));
    ExpectRoundTrip(d, b, "container move");
}

TEST_F(CompareTest, WhatNoOperationCanMakeIsSaidInCommentLines) {
    // A lower-case name cannot be typed; a DS version with a full stop neither.
    b.AddChild(b.FindNodeByContext("CORP"), "lab", kClassOrgUnit);
    b.attributes.Rename(0, "DS VERSION:5.73");
    Quiet working;
    ASSERT_TRUE(CopyDesign(d, working.design));
    DesignPlan plan = PlanDesignChanges(working.design, b);
    EXPECT_EQ(plan.commandCount, 0u);
    ASSERT_EQ(plan.unmade.size(), 2u);
    std::string script = plan.Script();
    EXPECT_NE(script.find("# cannot: the name of object lab.CORP cannot be typed"),
              std::string::npos)
        << script;
    EXPECT_NE(script.find("# cannot: the DS version \"DS VERSION:5.73\" of FS1"), std::string::npos)
        << script;
    EXPECT_NE(script.find("# not made by this plan: object lab.CORP is only in the second design"),
              std::string::npos)
        << script;
}

TEST(QuoteScriptArgument, QuotesBlanksAndRefusesQuotes) {
    std::string out;
    EXPECT_TRUE(QuoteScriptArgument("FS1", out));
    EXPECT_EQ(out, "FS1");
    EXPECT_TRUE(QuoteScriptArgument("NETWARE SERVER", out));
    EXPECT_EQ(out, "\"NETWARE SERVER\"");
    EXPECT_TRUE(QuoteScriptArgument("", out));
    EXPECT_EQ(out, "\"\"");
    EXPECT_FALSE(QuoteScriptArgument("A\"B", out));
    EXPECT_FALSE(QuoteScriptArgument("A\nB", out));
}

// ---- random edit scripts: the plan reproduces the edited design

void RandomRoundTrips(TreeDesign& a, int scripts, int edits, std::uint64_t seed0,
                      const std::string& what) {
    for (int k = 0; k < scripts; ++k) {
        Quiet edited;
        ASSERT_TRUE(CopyDesign(a, edited.design));
        const std::uint64_t seed = seed0 + static_cast<std::uint64_t>(k);
        std::string script = MakeRandomEdits(edited.design, edits, seed);
        ASSERT_FALSE(script.empty());
        ExpectRoundTrip(a, edited.design, what + " seed " + std::to_string(seed) + "\n" + script);
        if (::testing::Test::HasFailure())
            return;
    }
}

TEST_F(CompareTest, RandomEditsOfTheSmallDesignRoundTrip) {
    RandomRoundTrips(d, 100, 12, 1, "fixture");
}

TEST(CompareRandom, RandomEditsOfTheExampleRoundTrip) {
    Quiet a;
    ASSERT_TRUE(OpenDesign(a.design, std::string(QV_SOURCE_DIR) + "/examples/corp.qvd"));
    EXPECT_TRUE(CompareDesigns(a.design, a.design).empty());
    RandomRoundTrips(a.design, 120, 25, 1000, "corp.qvd");
}

TEST(CompareRandom, RandomEditsOfGeneratedDesignsRoundTrip) {
    for (std::uint64_t seed = 1; seed <= 8; ++seed) {
        Quiet a;
        SyntheticOptions o;
        o.containers = 30 + static_cast<int>(seed) * 10;
        o.servers = 6 + static_cast<int>(seed);
        o.partitions = 4 + static_cast<int>(seed);
        o.leaves = 300;
        o.seed = seed;
        GenerateSyntheticDesign(a.design, o);
        EXPECT_TRUE(CompareDesigns(a.design, a.design).empty());
        RandomRoundTrips(a.design, 15, 30, seed * 100, "generated " + std::to_string(seed));
    }
}

TEST(CompareRandom, TwoGeneratedDesignsAreCompared) {
    // Unrelated designs: the plan makes what it can and says what it cannot.
    Quiet a, b, working;
    SyntheticOptions o;
    o.seed = 3;
    GenerateSyntheticDesign(a.design, o);
    o.seed = 4;
    GenerateSyntheticDesign(b.design, o);
    EXPECT_FALSE(CompareDesigns(a.design, b.design).empty());
    ASSERT_TRUE(CopyDesign(a.design, working.design));
    DesignPlan plan = PlanDesignChanges(working.design, b.design);
    EXPECT_GT(plan.commandCount, 0u);
    for (const std::string& u : plan.unmade)
        EXPECT_NE(std::find(plan.lines.begin(), plan.lines.end(), "# not made by this plan: " + u),
                  plan.lines.end());
}

} // namespace
} // namespace qv::test
