// Undo and redo of every kind of change, checked on the bytes of the design
// file: undo gives the design before the operation, redo the one after it.
#include "edit/edit_script.h"
#include "edit/object_sorting.h"
#include "edit/partition_operations.h"
#include "files/design_file.h"
#include "files/merge_trees.h"
#include "files/object_report.h"
#include "files/report_reader.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <fstream>

namespace qv::test {
namespace {

const std::string kExamples = std::string(QV_SOURCE_DIR) + "/examples/";

// A view that remembers the selection, as the design window does.
struct SelectingView : DesignView {
    ObjectNode* selected = nullptr;
    ObjectNode* SelectedNode() override { return selected; }
    void SelectNode(ObjectNode* node) override { selected = node; }
};

struct UndoTest : ::testing::Test {
    Fixture f;
    TreeDesign& d = f.design;
    SelectingView view;

    void SetUp() override {
        OperationLog::SetRecording(true);
        d.SetHosts(&f.progress, &f.ui, &view);
        ASSERT_TRUE(OpenDesign(d, kExamples + "corp.qvd"));
        d.SetHosts(&f.progress, &f.ui, &view);
    }
    void TearDown() override { OperationLog::SetRecording(false); }

    // The design file's bytes, the derived sub-references brought up to date
    // first (selecting a node does that before any operation runs).
    std::string Bytes() {
        d.EnsureAllSubRefs();
        std::string out;
        const Result<std::string> serialized = SerializeDesign(d);
        EXPECT_TRUE(serialized);
        out = serialized.value_or("");
        return out;
    }
    void Run(const std::string& script) {
        std::vector<ScriptLine> lines;
        ASSERT_FALSE(ParseEditScript(script, lines).has_value()) << script;
        std::optional<ScriptError> e = RunEditScript(d, lines, [](std::string_view) {});
        ASSERT_FALSE(e.has_value()) << script << ": " << e->message;
        d.SetHosts(&f.progress, &f.ui, &view);
    }
    // Applies, undoes and redoes one change and checks every state.
    void RoundTrip(const std::string& what, const std::function<void()>& change) {
        SCOPED_TRACE(what);
        const std::string before = Bytes();
        const std::vector<std::string> logBefore = d.log.Lines();
        const bool modifiedBefore = d.Flags().modified;
        const std::size_t steps = d.History().UndoCount();
        change();
        const std::string after = Bytes();
        const std::vector<std::string> logAfter = d.log.Lines();
        ASSERT_TRUE(before != after);
        ASSERT_EQ(d.History().UndoCount(), steps + 1);
        ASSERT_TRUE(d.History().Undo(d));
        if (getenv("QV_UNDO_DEBUG") && Bytes() != before) {
            std::ofstream("/tmp/undo_before.qvd", std::ios::binary) << before;
            std::ofstream("/tmp/undo_undone.qvd", std::ios::binary) << Bytes();
        }
        EXPECT_TRUE(Bytes() == before);
        EXPECT_EQ(d.log.Lines(), logBefore);
        EXPECT_EQ(d.Flags().modified, modifiedBefore);
        ASSERT_TRUE(d.History().Redo(d));
        if (getenv("QV_UNDO_DEBUG") && Bytes() != after) {
            std::ofstream("/tmp/undo_after.qvd", std::ios::binary) << after;
            std::ofstream("/tmp/undo_redo.qvd", std::ios::binary) << Bytes();
        }
        EXPECT_TRUE(Bytes() == after);
        EXPECT_EQ(d.log.Lines(), logAfter);
        EXPECT_TRUE(d.Flags().modified);
        ASSERT_TRUE(d.History().Undo(d));
        EXPECT_TRUE(Bytes() == before);
    }
};

TEST_F(UndoTest, EveryEditingCommandUndoesAndRedoesExactly) {
    const char* scripts[] = {
        "create-partition HR.CORP",
        "merge-partition DEV.ENG.CORP",
        "add-replica ENG.CORP FS2 RO",
        "delete-replica SALES.CORP FS3",
        "change-type SALES.CORP FS1 M",
        "create-object HR.CORP \"ORGANIZATIONAL UNIT\" PAYROLL",
        "create-object CORP \"NETWARE SERVER\" FS9",
        "rename-object HR.CORP PEOPLE",
        "rename-object SALES.CORP MARKETING",
        "rename-object FS2.SALES.CORP FS20",
        "move-object FS1.CORP HR.CORP",
        "move-object DEV.ENG.CORP SALES.CORP",
        "drop-object FS3.ENG.CORP SALES.CORP",
        "delete-leaf SALES.CORP JSMITH MJONES",
        "move-leaf SALES.CORP HR.CORP JSMITH",
        "rename-leaf SALES.CORP JSMITH JDOE",
        "set-version FS1.CORP 700",
        "set-ipx FS2.SALES.CORP 0BADF00D",
        "add-tcpip FS2.SALES.CORP 10.9.9.9",
        "clear-versions",
        "clear-addresses",
        "sort-objects",
    };
    for (const char* s : scripts)
        RoundTrip(s, [&] { Run(s); });
}

TEST_F(UndoTest, ImportsAndMergeUndoAsOneStep) {
    Run("clear-versions\nclear-addresses");
    RoundTrip("DS versions",
              [&] { ASSERT_TRUE(ReadReport(d, kExamples + "corp_versions.rpt", false)); });
    RoundTrip("merge", [&] { ASSERT_TRUE(MergeDesignFile(d, kExamples + "branch.qvd")); });
    // An object report into a design built from the rings alone.
    NewDesign(d, 1);
    ASSERT_TRUE(ReadReport(d, kExamples + "corp_rings_v10.rpt", true));
    EXPECT_FALSE(d.History().CanUndo()) << "a new design has nothing to undo";
    RoundTrip("objects", [&] { ASSERT_TRUE(ReadObjectReport(d, kExamples + "corp_objects.rpt")); });
}

TEST_F(UndoTest, ARefusalOrAFailedImportRecordsNoStep) {
    Run("create-partition HR.CORP");
    const std::size_t steps = d.History().UndoCount();
    std::vector<ScriptLine> lines;
    ASSERT_FALSE(ParseEditScript("delete-object SALES.CORP", lines).has_value());
    EXPECT_TRUE(RunEditScript(d, lines, [](std::string_view) {}).has_value());
    d.SetHosts(&f.progress, &f.ui, &view);
    EXPECT_FALSE(ReadObjectReport(d, kExamples + "corp_versions.rpt"));
    EXPECT_EQ(d.History().UndoCount(), steps);
    EXPECT_EQ(d.History().UndoName(), "Create Partition");
}

TEST_F(UndoTest, SeveralStepsNamesRedoCleared) {
    const std::string start = Bytes();
    Run("create-object HR.CORP \"ORGANIZATIONAL UNIT\" A");
    Run("create-partition A.HR.CORP");
    Run("delete-leaf SALES.CORP JSMITH");
    EXPECT_EQ(d.History().UndoName(), "Delete Leaf Objects");
    ASSERT_TRUE(d.History().Undo(d));
    ASSERT_TRUE(d.History().Undo(d));
    EXPECT_EQ(d.History().RedoName(), "Create Partition");
    EXPECT_EQ(d.History().UndoName(), "Create Object");
    // A new operation takes the redo steps away.
    Run("rename-leaf SALES.CORP JSMITH JDOE");
    EXPECT_FALSE(d.History().CanRedo());
    ASSERT_TRUE(d.History().Undo(d));
    ASSERT_TRUE(d.History().Undo(d));
    EXPECT_FALSE(d.History().CanUndo());
    EXPECT_TRUE(Bytes() == start);
    EXPECT_FALSE(d.Flags().modified);
}

TEST_F(UndoTest, ModifiedFollowsTheSavedStateAndHistorySurvivesSave) {
    const std::string dir = TempDir();
    Run("create-partition HR.CORP");
    f.ui.files.push_back(dir + "/saved.qvd");
    ASSERT_TRUE(SaveDesignAs(d));
    EXPECT_FALSE(d.Flags().modified);
    ASSERT_TRUE(d.History().Undo(d));
    EXPECT_TRUE(d.Flags().modified) << "undo after save changes the saved design";
    ASSERT_TRUE(d.History().Redo(d));
    EXPECT_FALSE(d.Flags().modified) << "back at the saved state";
}

TEST_F(UndoTest, SelectionReturnsToWhereTheOperationStarted) {
    ObjectNode* hr = d.FindNodeByContext("HR.CORP");
    ASSERT_NE(hr, nullptr);
    view.selected = hr;
    ASSERT_TRUE(CreatePartition(d, hr));
    view.selected = d.Root();
    ASSERT_TRUE(d.History().Undo(d));
    EXPECT_EQ(view.selected, hr);
}

TEST_F(UndoTest, DeletedNodesComeBackAndAHundredStepsAreKept) {
    Run("create-object HR.CORP \"ORGANIZATIONAL UNIT\" TEMP");
    const std::string withTemp = Bytes();
    Run("delete-object TEMP.HR.CORP");
    ASSERT_TRUE(d.History().Undo(d));
    EXPECT_TRUE(Bytes() == withTemp);
    ASSERT_NE(d.FindNodeByContext("TEMP.HR.CORP"), nullptr);

    const std::string start = Bytes();
    for (int i = 0; i < 60; ++i) {
        Run("rename-leaf SALES.CORP JSMITH JDOE");
        Run("rename-leaf SALES.CORP JDOE JSMITH");
    }
    EXPECT_GE(d.History().UndoCount(), 100u);
    for (int i = 0; i < 120; ++i)
        ASSERT_TRUE(d.History().Undo(d));
    EXPECT_TRUE(Bytes() == start);
}

TEST_F(UndoTest, ScriptsSayUndoAndRedo) {
    const std::string start = Bytes();
    Run("create-partition HR.CORP\nundo");
    EXPECT_TRUE(Bytes() == start);
    Run("redo\nundo");
    EXPECT_TRUE(Bytes() == start);
    std::vector<ScriptLine> lines;
    ASSERT_FALSE(ParseEditScript("redo\nundo\nundo", lines).has_value());
    std::optional<ScriptError> e = RunEditScript(d, lines, [](std::string_view) {});
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->line, 3);
    EXPECT_EQ(e->message, "There is nothing to undo.");
}

} // namespace
} // namespace qv::test
