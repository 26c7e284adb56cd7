#include "core/design_change.h"
#include "core/tree_design.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

struct CountingView : DesignView {
    int refreshes = 0;
    void RefreshTreePage() override { ++refreshes; }
};

// A design whose flags all read "up to date".
struct Fresh {
    CountingView view;
    TreeDesign d;
    Fresh() {
        d.SetHosts(nullptr, nullptr, &view);
        d.MarkAllCurrent();
        OperationLog::SetRecording(true);
    }
    ~Fresh() { OperationLog::SetRecording(false); }
};

TEST(DesignChange, EachTouchMarksOnlyTheViewsItAffects) {
    {
        Fresh f;
        DesignChange(f.d, kTouchLeaves).Commit();
        EXPECT_TRUE(f.d.Flags().modified);
        EXPECT_FALSE(f.d.Flags().subRefsStale);
        EXPECT_TRUE(f.d.Flags().gridStale[kObjectGrids]);
        EXPECT_FALSE(f.d.Flags().gridStale[kPartitionGrids]);
        EXPECT_TRUE(f.d.Flags().reportStale[kObjectReport]);
        EXPECT_TRUE(f.d.Flags().reportStale[kObjectSuggestions]);
        EXPECT_FALSE(f.d.Flags().reportStale[kPartitionReport]);
        EXPECT_TRUE(f.d.Flags().gridUnsorted[kContObjGrid]);
        EXPECT_FALSE(f.d.Flags().gridUnsorted[kPartXServGrid]);
    }
    {
        Fresh f;
        DesignChange(f.d, kTouchReplicas).Commit();
        EXPECT_TRUE(f.d.Flags().subRefsStale);
        EXPECT_TRUE(f.d.Flags().gridStale[kPartitionGrids]);
        EXPECT_TRUE(f.d.Flags().gridStale[kObjectGrids]);
        EXPECT_FALSE(f.d.Flags().gridStale[kAddressGrid]);
        EXPECT_TRUE(f.d.Flags().reportStale[kServerReport]);
    }
    {
        Fresh f;
        DesignChange(f.d, kTouchAttributes).Commit();
        EXPECT_FALSE(f.d.Flags().subRefsStale);
        EXPECT_TRUE(f.d.Flags().gridStale[kAddressGrid]);
        EXPECT_FALSE(f.d.Flags().gridStale[kObjectGrids]);
        EXPECT_TRUE(f.d.Flags().reportStale[kSchemaReport]);
    }
    {
        Fresh f;
        DesignChange(f.d, kTouchOrder).Commit();
        EXPECT_TRUE(f.d.Flags().modified);
        EXPECT_FALSE(f.d.Flags().subRefsStale);
        EXPECT_FALSE(f.d.Flags().gridStale[kObjectGrids]);
        EXPECT_FALSE(f.d.Flags().reportStale[kObjectReport]);
    }
}

TEST(DesignChange, ObjectsTouchIsTheWholeChangeProtocol) {
    Fresh f;
    DesignChange(f.d, kTouchObjects).Commit();
    Fresh g;
    g.d.MarkChanged();
    EXPECT_TRUE(f.d.Flags().modified);
    EXPECT_TRUE(f.d.Flags().subRefsStale);
    EXPECT_EQ(f.d.Flags().gridStale, g.d.Flags().gridStale);
    EXPECT_EQ(f.d.Flags().reportStale, g.d.Flags().reportStale);
    EXPECT_EQ(f.d.Flags().gridUnsorted, g.d.Flags().gridUnsorted);
    for (bool b : f.d.Flags().gridStale)
        EXPECT_TRUE(b);
}

TEST(DesignChange, UncommittedChangeSetsNothingAndCommitRunsOnce) {
    Fresh f;
    {
        DesignChange change(f.d, kTouchObjects);
        change.Refresh().Log(LogBlock("Create Object").Line("  Name       : X"));
    } // a refusal: never committed
    EXPECT_FALSE(f.d.Flags().modified);
    EXPECT_TRUE(f.d.log.Lines().empty());
    EXPECT_EQ(f.view.refreshes, 0);

    DesignChange change(f.d, kTouchLeaves);
    change.Refresh().Log(LogBlock("Delete Object").Line("  Name       : A.B"));
    change.Commit();
    change.Commit();
    EXPECT_EQ(f.view.refreshes, 1);
    EXPECT_EQ(f.d.log.Lines(),
              (std::vector<std::string>{"Action: Delete Object", "  Name       : A.B", ""}));
}

TEST(DesignChange, LoadingKeepsModifiedAndUnclosedBlocksHaveNoEmptyLine) {
    Fresh f;
    DesignChange(f.d, kTouchAll).Loading().Commit();
    EXPECT_FALSE(f.d.Flags().modified);
    EXPECT_TRUE(f.d.Flags().subRefsStale);

    EXPECT_EQ(LogBlock("Change Replica Type").Line("  Server    :FS1").Unclosed().Lines(),
              (std::vector<std::string>{"Action: Change Replica Type", "  Server    :FS1"}));
}

} // namespace
} // namespace qv
