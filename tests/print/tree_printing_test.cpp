// Graphical and text printing of the object tree on a recording canvas
// (line height 10, characters 5 wide).
#include "print/recording_canvas.h"
#include "print/tree_printing.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <set>

namespace qv {
namespace {

using test::Drawn;
using test::Fixture;
using test::RecordingCanvas;
using test::RecordingStatus;

// Names of the nodes printed, in order, with their pages.
std::vector<std::pair<std::string, int>> Names(const RecordingCanvas& c) {
    std::vector<std::pair<std::string, int>> out;
    for (const Drawn& d : c.Texts())
        if (d.y1 < c.PageHeight() - 10) // not the page number
            out.emplace_back(d.text, d.page);
    return out;
}

// [ROOT] > A > (A1, A2); [ROOT] > B (partition root) > B1.
struct SmallTree {
    ObjectNode *a, *a1, *a2, *b, *b1;
};
SmallTree MakeSmall(TreeDesign& d) {
    test::MakeEmpty(d);
    SmallTree t;
    t.a = d.AddChild(d.Root(), "A", kClassOrgUnit);
    t.a1 = d.AddChild(t.a, "A1", kClassServer);
    t.a2 = d.AddChild(t.a, "A2", kClassServer);
    t.b = d.AddChild(d.Root(), "B", kClassOrgUnit, kPartitionRootMark);
    t.b1 = d.AddChild(t.b, "B1", kClassServer);
    return t;
}

TEST(PrintTreeView, DrawsImagesConnectorsAndNamesInWalkOrder) {
    Fixture f;
    SmallTree t = MakeSmall(f.design);
    RecordingCanvas c(1000, 1000);
    RecordingStatus s;
    ASSERT_EQ(PrintTreeView(f.design, c, s, f.design.Root(), false), PrintResult::Finished);
    EXPECT_EQ(c.fontSizes, std::vector<int>{8});
    EXPECT_EQ(c.titles, std::vector<std::string>{""});
    EXPECT_TRUE(c.ended);
    EXPECT_EQ(c.pages, 1);
    // The empty text at (0, 0) comes first.
    ASSERT_FALSE(c.drawn.empty());
    EXPECT_EQ(c.drawn[0].kind, Drawn::Text);
    EXPECT_EQ(c.drawn[0].text, "");
    EXPECT_EQ(c.drawn[0].x1, 0);

    // The root is a partition root: the mark, then its class image, the name shifted by LH.
    auto images = c.Of(Drawn::ClassImage);
    ASSERT_EQ(images.size(), 8u);
    EXPECT_EQ(images[0].image, kPartitionRootMark);
    EXPECT_EQ((std::pair{images[0].x1, images[0].y1}), (std::pair{50, 50}));
    EXPECT_EQ(images[0].x2, 10);
    EXPECT_EQ(images[0].y2, 10);
    EXPECT_EQ(images[1].image, kClassTop);
    EXPECT_EQ((std::pair{images[1].x1, images[1].y1}), (std::pair{60, 50}));
    const Drawn* root = c.FindText("[ROOT]");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ((std::pair{root->x1, root->y1}), (std::pair{70, 50}));

    // Children one LH right and one LH down; connector from the image to half an LH left.
    const Drawn* a = c.FindText("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ((std::pair{a->x1, a->y1}), (std::pair{70, 60}));
    EXPECT_TRUE(c.HasLine(1, 60, 65, 55, 65));
    EXPECT_EQ((std::pair{c.FindText("A1")->x1, c.FindText("A1")->y1}), (std::pair{80, 70}));
    EXPECT_EQ((std::pair{c.FindText("A2")->x1, c.FindText("A2")->y1}), (std::pair{80, 80}));
    // The last child's connector: from below the parent down to the middle of A2.
    EXPECT_TRUE(c.HasLine(1, 65, 70, 65, 85));

    // B: the partition mark at x 60, its class image at 70, the name at 80.
    EXPECT_EQ(images[5].image, kPartitionRootMark);
    EXPECT_EQ((std::pair{images[5].x1, images[5].y1}), (std::pair{60, 90}));
    EXPECT_EQ(images[6].image, kClassOrgUnit);
    EXPECT_EQ(images[6].x1, 70);
    EXPECT_EQ(c.FindText("B")->x1, 80);
    // B1 sits under B at the usual indent, whatever B's shift.
    EXPECT_EQ(c.FindText("B1")->x1, 80);
    EXPECT_EQ(c.FindText("B1")->y1, 100);
    // The root's last child B: from below the root to the middle of B.
    EXPECT_TRUE(c.HasLine(1, 55, 60, 55, 95));

    // Page number centred at the foot, then success.
    const Drawn* number = c.FindText("1");
    ASSERT_NE(number, nullptr);
    EXPECT_EQ((std::pair{number->x1, number->y1}), (std::pair{500, 990}));
    EXPECT_EQ(s.texts.back(), "The print job was successful.");
    EXPECT_TRUE(s.okShown);
    EXPECT_EQ(s.texts.front(), "Printing Page: 1");
    (void)t;
}

TEST(PrintTreeView, CollapsedNodesAndSiblingsOfTheStartAreNotPrinted) {
    Fixture f;
    SmallTree t = MakeSmall(f.design);
    RecordingCanvas c(1000, 1000);
    RecordingStatus s;
    // A is collapsed on screen: A is printed, its children are not.
    PrintTreeView(f.design, c, s, f.design.Root(), false,
                  [&](const ObjectNode* n) { return n != t.a; });
    std::vector<std::pair<std::string, int>> expected{{"[ROOT]", 1}, {"A", 1}, {"B", 1}, {"B1", 1}};
    EXPECT_EQ(Names(c), expected);

    // Printing the subtree of A: A and its children, never B.
    RecordingCanvas sub(1000, 1000);
    PrintTreeView(f.design, sub, s, t.a, false);
    expected = {{"A", 1}, {"A1", 1}, {"A2", 1}};
    EXPECT_EQ(Names(sub), expected);
    // The top node starts at the margin.
    EXPECT_EQ(sub.FindText("A")->x1, 60);
    EXPECT_EQ(sub.FindText("A")->y1, 50);

    // A collapsed start node prints only itself.
    RecordingCanvas one(1000, 1000);
    PrintTreeView(f.design, one, s, t.a, false, [](const ObjectNode*) { return false; });
    expected = {{"A", 1}};
    EXPECT_EQ(Names(one), expected);
}

// [ROOT] > A > A1 .. An: a page of height 100 holds 100 / 10 - 1 = 9 lines.
ObjectNode* MakeColumn(TreeDesign& d, int children) {
    test::MakeEmpty(d);
    ObjectNode* a = d.AddChild(d.Root(), "A", kClassOrgUnit);
    for (int i = 1; i <= children; ++i)
        d.AddChild(a, "A" + std::to_string(i), kClassServer);
    return a;
}

TEST(PrintTreeView, LinesPerPageNodesFitOnePageAndOneMoreStartsAContinuedPage) {
    Fixture f;
    MakeColumn(f.design, 7); // 9 nodes
    RecordingCanvas c(1000, 100);
    RecordingStatus s;
    PrintTreeView(f.design, c, s, f.design.Root(), false);
    EXPECT_EQ(c.pages, 1);
    EXPECT_TRUE(c.FindText("A7", 1));

    MakeColumn(f.design, 8); // 10 nodes
    RecordingCanvas two(1000, 100);
    RecordingStatus s2;
    PrintTreeView(f.design, two, s2, f.design.Root(), false);
    EXPECT_EQ(two.pages, 2);
    EXPECT_TRUE(two.FindText("A7", 1));
    const Drawn* a8 = two.FindText("A8", 2);
    ASSERT_NE(a8, nullptr);
    EXPECT_EQ((std::pair{a8->x1, a8->y1}), (std::pair{80, 50}));
    // Page 1: A's group continues to the bottom of the page; A, the root's
    // last child, gets its connector from the root down to its middle.
    EXPECT_TRUE(two.HasLine(1, 65, 70, 65, 100));
    EXPECT_TRUE(two.HasLine(1, 55, 60, 55, 65));
    // Page 2: the group's last connector starts at the top mark.
    EXPECT_TRUE(two.HasLine(2, 65, 48, 65, 55));
    // Page numbers at the foot of both pages, "1" before the break.
    const Drawn* n1 = two.FindText("1", 1);
    const Drawn* n2 = two.FindText("2", 2);
    ASSERT_TRUE(n1 && n2);
    EXPECT_EQ(n1->y1, 90);
    EXPECT_EQ(n2->y1, 90);
    EXPECT_EQ(s2.texts.back(), "The print job was successful.");
    EXPECT_NE(std::find(s2.texts.begin(), s2.texts.end(), "Printing Page: 2"), s2.texts.end());
}

TEST(PrintTreeView, ContinuationLinesOfEveryOpenLevelAcrossABreak) {
    // [ROOT] > A > (B > (B1..B7), C); root > D. The break comes inside B's
    // group: B's group and A's group (C follows) continue, and so does the
    // root's (D follows).
    Fixture f;
    test::MakeEmpty(f.design);
    ObjectNode* a = f.design.AddChild(f.design.Root(), "A", kClassOrgUnit);
    ObjectNode* b = f.design.AddChild(a, "B", kClassOrgUnit);
    for (int i = 1; i <= 7; ++i)
        f.design.AddChild(b, "B" + std::to_string(i), kClassServer);
    f.design.AddChild(a, "C", kClassOrgUnit);
    f.design.AddChild(f.design.Root(), "D", kClassOrgUnit);
    RecordingCanvas c(1000, 100);
    RecordingStatus s;
    PrintTreeView(f.design, c, s, f.design.Root(), false);
    // Page 1: root, A, B, B1..B6 (9 lines); B7 opens page 2.
    EXPECT_TRUE(c.FindText("B6", 1));
    EXPECT_TRUE(c.FindText("B7", 2));
    EXPECT_TRUE(c.FindText("C", 2));
    EXPECT_TRUE(c.FindText("D", 2));
    // At the break X is 80 (B's children): B's group at 75 from below B,
    // A's children (B is not last) at 65 from below A, the root's children
    // (A is not last) at 55 from below the root: all down to the page bottom.
    EXPECT_TRUE(c.HasLine(1, 75, 80, 75, 100));
    EXPECT_TRUE(c.HasLine(1, 65, 70, 65, 100));
    EXPECT_TRUE(c.HasLine(1, 55, 60, 55, 100));
    // Page 2: B7 (y 50) closes B's group from the top mark; C (y 60) closes A's;
    // D (y 70) closes the root's.
    EXPECT_TRUE(c.HasLine(2, 75, 48, 75, 55));
    EXPECT_TRUE(c.HasLine(2, 65, 48, 65, 65));
    EXPECT_TRUE(c.HasLine(2, 55, 48, 55, 75));
}

TEST(PrintTreeView, TestPageStopsAfterTheFirstPageWithItsNumber) {
    Fixture f;
    MakeColumn(f.design, 30);
    RecordingCanvas c(1000, 100);
    RecordingStatus s;
    ASSERT_EQ(PrintTreeView(f.design, c, s, f.design.Root(), true), PrintResult::Finished);
    EXPECT_EQ(c.pages, 1);
    EXPECT_TRUE(c.ended);
    EXPECT_TRUE(c.FindText("A7", 1));
    EXPECT_FALSE(c.FindText("A8"));
    EXPECT_TRUE(c.FindText("1", 1));
    // No continuation lines: the page was never closed by a break.
    EXPECT_FALSE(c.HasLine(1, 65, 70, 65, 100));
    EXPECT_TRUE(s.okShown);
}

TEST(PrintTreeView, CancelAbortsAtTheNextPollWithoutFooterOrSuccess) {
    Fixture f;
    MakeColumn(f.design, 30);
    f.progress.onPump = [&](int n) {
        if (n == 3)
            f.design.SetPrintCancelRequested(true);
    };
    RecordingCanvas c(1000, 100);
    RecordingStatus s;
    EXPECT_EQ(PrintTreeView(f.design, c, s, f.design.Root(), false), PrintResult::Cancelled);
    EXPECT_TRUE(c.aborted);
    EXPECT_FALSE(c.ended);
    // Two nodes were drawn before the third poll; no page number.
    EXPECT_EQ(Names(c).size(), 2u);
    EXPECT_FALSE(c.FindText("1"));
    EXPECT_FALSE(s.okShown);
    EXPECT_EQ(s.texts.back(), "Printing Page: 1");
}

TEST(PrintTreeViewTextMode, IndentsPrefixesAndPrintsTheWholeSubtree) {
    Fixture f;
    test::MakeEmpty(f.design);
    f.design.designFileName = "/tmp/corp.qvd";
    ObjectNode* c = f.design.AddChild(f.design.Root(), "US", kClassCountry);
    ObjectNode* o = f.design.AddChild(c, "ACME", kClassOrganization, kPartitionRootMark);
    ObjectNode* ou = f.design.AddChild(o, "SALES", kClassOrgUnit);
    f.design.AddChild(ou, "FS1", kClassServer);
    f.design.AddChild(f.design.Root(), "OTHER", kClassOrganization);
    TextLines text;
    BuildTreeText(f.design, o, text);
    EXPECT_EQ(text.lines, (std::vector<std::string>{"***REPORT FOR TREE : /tmp/corp.qvd", "",
                                                    "[]O=ACME", "   OU=SALES", "      CN=FS1"}));
    BuildTreeText(f.design, f.design.Root(), text);
    EXPECT_EQ(text.lines[2], "[][ROOT]");
    EXPECT_EQ(text.lines[3], "   C=US");
    EXPECT_EQ(text.lines.back(), "   O=OTHER");

    RecordingCanvas canvas(1000, 1000);
    EXPECT_EQ(PrintTreeViewTextMode(f.design, canvas, f.design.Root()), PrintResult::Finished);
    EXPECT_EQ(canvas.titles, std::vector<std::string>{""});
    EXPECT_TRUE(canvas.FindText("            CN=FS1"));
    EXPECT_TRUE(canvas.ended);
}

} // namespace
} // namespace qv
