#include "report_designs.h"
#include "reports/leaf_commands.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

std::string Row(const std::string& name, int cls) {
    return "\xBB" + std::to_string(cls % 256) + "*" + MakeLeafEntry(name, cls);
}

TEST(LeafCommands, MenuFollowsTheFocusedRowsClass) {
    test::Fixture f;
    auto t = test::MakeSmallTree(f.design);
    LeafMenuState m = LeafPopupMenuState(3, 1, Row("SALES", kClassOrgUnit), t.acme);
    EXPECT_TRUE(m.gotoObject);
    EXPECT_FALSE(m.deleteLeaves);
    EXPECT_FALSE(m.rename);
    EXPECT_TRUE(m.moveLeaves);
    m = LeafPopupMenuState(3, 2, Row("FS1", kClassServer), f.design.Root());
    EXPECT_TRUE(m.gotoObject);
    EXPECT_TRUE(m.deleteLeaves);
    EXPECT_FALSE(m.moveLeaves); // never from [ROOT]
    m = LeafPopupMenuState(3, 1, Row("JOE", kClassUser), t.acme);
    EXPECT_FALSE(m.gotoObject);
    EXPECT_TRUE(m.deleteLeaves && m.rename && m.report && m.displayRights);
    m = LeafPopupMenuState(3, 0, Row("JOE", kClassUser), t.acme);
    EXPECT_FALSE(m.report || m.deleteLeaves || m.displayRights || m.gotoObject);
}

TEST(LeafCommands, GotoObjectFindsTheChildOrSaysWhy) {
    test::Fixture f;
    auto t = test::MakeSmallTree(f.design);
    EXPECT_EQ(GotoObject(f.design, t.acme, Row("SALES", kClassOrgUnit)), t.sales);
    EXPECT_EQ(GotoObject(f.design, t.acme, Row("GONE", kClassOrgUnit)), nullptr);
    EXPECT_EQ(f.ui.Texts("message"),
              std::vector<std::string>{"GONE was not reported as a container object by NDS.\r"
                                       "It could also be because the search was aborted."});
}

TEST(LeafCommands, ReportObjectsGroupsByClass) {
    test::Fixture f;
    auto t = test::MakeSmallTree(f.design, false);
    std::vector<std::string> rows;
    for (int i = 0; i < 12; ++i)
        rows.push_back(Row("U" + std::to_string(i), kClassUser));
    rows.push_back(Row("G1", 16));
    rows.push_back(Row("FS2", kClassServer));
    auto r = CollectReportObjects(f.design, t.sales, rows, ClassSet{kClassUser, 16});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rootText, "SALES.ACME");
    EXPECT_EQ(r->partitionRoot, "[ROOT]");
    ASSERT_EQ(r->groups.size(), 2u);
    EXPECT_EQ(r->groups[0].classIndex, 16);
    EXPECT_EQ(r->groups[1].names.size(), 12u);
    EXPECT_EQ(r->total, 13u);
    EXPECT_TRUE(f.progress.Saw("USER objects found: 10"));
    EXPECT_FALSE(CollectReportObjects(f.design, t.sales, rows, ClassSet{}));
    EXPECT_EQ(f.ui.Texts("information"),
              std::vector<std::string>{"Nothing was selected, report aborted.."});
}

} // namespace
} // namespace qv
