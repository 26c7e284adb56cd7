// Grid printing on a recording canvas (line height 10, characters 5 wide):
// widths, tiling into column blocks and row pages, labels, images, cancel,
// and the jobs of the printing status dialog.
#include "print/grid_printing.h"
#include "print/print_jobs.h"
#include "print/recording_canvas.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::Drawn;
using test::Fixture;
using test::RecordingCanvas;
using test::RecordingStatus;

// Servers S1..Sn down, partitions P1..Pm across; S<i> holds a master of P<i>.
TextGrid MakeGrid(int rows, int cols) {
    TextGrid g;
    g.Reset(cols + 1, rows + 1);
    for (int c = 1; c <= cols; ++c)
        g.SetCell(c, 0, "P" + std::to_string(c));
    for (int r = 1; r <= rows; ++r) {
        g.SetCell(0, r, "S" + std::to_string(r));
        if (r <= cols)
            g.SetCell(r, r, "*MASTER*");
    }
    return g;
}

// The page labels in printing order.
std::vector<std::string> Labels(const RecordingCanvas& c) {
    std::vector<std::string> out;
    for (const Drawn& d : c.Texts())
        if (d.y1 == c.PageHeight() - 10)
            out.push_back(d.text);
    return out;
}

std::vector<std::string> TextsOnPage(const RecordingCanvas& c, int page, int y) {
    std::vector<std::string> out;
    for (const Drawn& d : c.Texts())
        if (d.page == page && d.y1 == y)
            out.push_back(d.text);
    return out;
}

TEST(GridLayout, MinimumWidthsThresholdsAndBlocks) {
    RecordingCanvas c(300, 300);
    TextGrid g = MakeGrid(3, 5);
    g.SetCell(2, 0, "LONGER.THAN.12"); // 14 characters: its own width in Text mode
    g.SetCell(0, 2, "A.VERY.LONG.SERVER.NAME");
    GridLayout text = LayoutGrid(c, g, false, false);
    EXPECT_EQ(text.minWidth, 70); // "*SPARSE/WRITE*"
    EXPECT_EQ(text.columnWidths[1], 70);
    EXPECT_EQ(text.columnWidths[2], 70);
    EXPECT_EQ(text.rowHeaderWidth, 23 * 5);
    EXPECT_EQ(text.rowsPerPage, 8); // 300 / 30 - 2

    GridLayout graphical = LayoutGrid(c, g, false, true);
    EXPECT_EQ(graphical.minWidth, 30); // "[ROOT]"
    EXPECT_EQ(graphical.columnWidths[1], 30);
    EXPECT_EQ(graphical.columnWidths[2], 70); // longer than 6

    // Object grids in Graphical mode leave room for the class image.
    GridLayout object = LayoutGrid(c, g, true, true);
    EXPECT_EQ(object.columnWidths[1], 30 + 12);
    GridLayout objectText = LayoutGrid(c, g, true, false);
    EXPECT_EQ(objectText.columnWidths[1], 30);

    // Blocks: from x = 115 + 50, each column and its gap while the right edge fits.
    // Text: 165+75 = 240, 240+75 = 315 > 300: one column to a block.
    EXPECT_EQ(text.blocks.size(), 5u);
    EXPECT_EQ(text.blocks.back(), (std::pair{5, 5}));
    // Graphical: 165+35 = 200, 200+75 = 275, 275+35 = 310 > 300; then
    // 165+35+35+35 = 270.
    ASSERT_EQ(graphical.blocks.size(), 2u);
    EXPECT_EQ(graphical.blocks[0], (std::pair{1, 2}));
    EXPECT_EQ(graphical.blocks[1], (std::pair{3, 5}));

    // Columns wider than the page still make a block each.
    RecordingCanvas narrow(100, 300);
    GridLayout n = LayoutGrid(narrow, g, false, true);
    EXPECT_EQ(n.blocks.size(), 5u);
}

TEST(PrintGrid, RowPagesRepeatHeadersAndCarryTheirLabels) {
    Fixture f;
    TextGrid g = MakeGrid(10, 2);
    RecordingCanvas c(1000, 300);
    RecordingStatus s;
    ASSERT_EQ(PrintGrid(f.design, c, s, g, false, false, false), PrintResult::Finished);
    EXPECT_EQ(c.fontSizes, std::vector<int>{7});
    EXPECT_EQ(c.pages, 2);
    EXPECT_EQ(Labels(c), (std::vector<std::string>{"1,1", "2,1"}));
    // The label: half the page width less half its length times LH.
    const Drawn* label = c.FindText("2,1");
    EXPECT_EQ(label->x1, 500 - 1 * 10);
    // Column headers at y = LH + 50 on both pages, 5 into their columns.
    EXPECT_EQ(TextsOnPage(c, 1, 60), (std::vector<std::string>{"P1", "P2"}));
    EXPECT_EQ(TextsOnPage(c, 2, 60), (std::vector<std::string>{"P1", "P2"}));
    EXPECT_EQ(c.FindText("P1", 2)->x1, 70 + 50 + 5);
    EXPECT_EQ(c.FindText("P2", 2)->x1, 70 + 50 + 75 + 5);
    // Rows 8 to a page, 3 LH apart from 4 LH + 50; row headers at 50.
    EXPECT_EQ(c.FindText("S8", 1)->y1, 90 + 7 * 30);
    EXPECT_EQ(c.FindText("S9", 2)->y1, 90);
    EXPECT_EQ(c.FindText("S9", 2)->x1, 50);
    EXPECT_FALSE(c.FindText("S9", 1));
    // Text mode: the cells are texts.
    EXPECT_EQ(c.FindText("*MASTER*", 1)->x1, 125);
    EXPECT_TRUE(c.Of(Drawn::ReplicaImage).empty());
    // Page 2's frame ends below its two rows: 3 LH (rows + 1) + 50.
    EXPECT_TRUE(c.HasLine(2, 270, 48, 270, 140));
    EXPECT_TRUE(c.HasLine(2, 48, 140, 48, 48) || c.HasLine(2, 270, 140, 48, 140));
    // One horizontal line per row, from 3 LH + 48.
    EXPECT_TRUE(c.HasLine(2, 48, 78, 270, 78));
    EXPECT_TRUE(c.HasLine(2, 48, 108, 270, 108));
    EXPECT_FALSE(c.HasLine(2, 48, 138, 270, 138));
    // A vertical line after the row headers and after every column.
    EXPECT_EQ(c.VerticalLinesAt(2, 120).size(), 1u);
    EXPECT_EQ(c.VerticalLinesAt(2, 195).size(), 1u);
    EXPECT_EQ(s.texts.front(), "Printing Page: 1");
    EXPECT_EQ(s.texts.back(), "The print job was successful.");
    EXPECT_TRUE(s.okShown);
}

TEST(PrintGrid, ColumnBlocksArePrintedWholeOneAfterTheOther) {
    Fixture f;
    TextGrid g = MakeGrid(10, 5);
    // From x = 30 + 50, 35 a column: two columns fit below 160.
    RecordingCanvas c(160, 300);
    RecordingStatus s;
    PrintGrid(f.design, c, s, g, false, false, true);
    // Graphical: blocks (1,2), (3,4), (5); two row pages each.
    EXPECT_EQ(Labels(c), (std::vector<std::string>{"1,1", "2,1", "1,2", "2,2", "1,3", "2,3"}));
    EXPECT_EQ(TextsOnPage(c, 3, 60), (std::vector<std::string>{"P3", "P4"}));
    EXPECT_EQ(TextsOnPage(c, 6, 60), (std::vector<std::string>{"P5"}));
    // Every page repeats the row headers of its rows.
    EXPECT_TRUE(c.FindText("S1", 5));
    EXPECT_TRUE(c.FindText("S10", 6));
    EXPECT_EQ(s.texts[s.texts.size() - 2], "Printing Page: 6");
}

TEST(PrintGrid, GraphicalPartitionGridDrawsReplicaBitmapsCentred) {
    Fixture f;
    TextGrid g = MakeGrid(2, 2);
    g.SetCell(1, 2, "*SUB/REF*");
    RecordingCanvas c(1000, 1000);
    RecordingStatus s;
    PrintGrid(f.design, c, s, g, false, false, true);
    auto images = c.Of(Drawn::ReplicaImage);
    ASSERT_EQ(images.size(), 3u);
    // Column 1 starts at 30 + 50; a 30-pixel column and its gap hold the 3 LH
    // bitmap centred; it reaches from LH above the text line.
    EXPECT_EQ(images[0].text, "*MASTER*");
    EXPECT_EQ((std::pair{images[0].x1, images[0].y1}), (std::pair{80 + (35 - 30) / 2, 80}));
    EXPECT_EQ((std::pair{images[0].x2, images[0].y2}), (std::pair{30, 30}));
    EXPECT_EQ(images[1].text, "*SUB/REF*");
    EXPECT_EQ(images[1].y1, 110);
    EXPECT_FALSE(c.FindText("*MASTER*"));
    EXPECT_TRUE(c.Of(Drawn::ClassImage).empty());
}

TEST(PrintGrid, GraphicalObjectGridHeadersCarryClassImages) {
    Fixture f;
    TextGrid g;
    g.Reset(3, 2);
    g.SetCell(1, 0, "ORGANIZATIONAL UNIT");
    g.SetCell(2, 0, "TOTAL");
    g.SetCell(0, 1, "[ROOT]");
    g.SetCell(1, 1, "4");
    RecordingCanvas c(2000, 1000);
    RecordingStatus s;
    PrintGrid(f.design, c, s, g, true, false, true);
    auto images = c.Of(Drawn::ClassImage);
    ASSERT_EQ(images.size(), 1u); // "TOTAL" is no class name
    EXPECT_EQ(images[0].image, ClassIndexOf("ORGANIZATIONAL UNIT"));
    EXPECT_EQ((std::pair{images[0].x1, images[0].y1}), (std::pair{80 + 5, 60}));
    EXPECT_EQ((std::pair{images[0].x2, images[0].y2}), (std::pair{10, 10}));
    EXPECT_EQ(c.FindText("ORGANIZATIONAL UNIT")->x1, 80 + 12);
    // The next column starts after the header's width, the image room and the gap.
    EXPECT_EQ(c.FindText("TOTAL")->x1, 80 + 19 * 5 + 12 + 5 + 12);
    // Object grid cells are texts.
    EXPECT_EQ(c.FindText("4")->x1, 85);
    EXPECT_TRUE(c.Of(Drawn::ReplicaImage).empty());
}

TEST(PrintGrid, TestPageAndCancel) {
    Fixture f;
    TextGrid g = MakeGrid(30, 8);
    RecordingCanvas c(300, 300);
    RecordingStatus s;
    PrintGrid(f.design, c, s, g, false, true, true);
    EXPECT_EQ(c.pages, 1);
    EXPECT_EQ(Labels(c), std::vector<std::string>{"1,1"});
    EXPECT_TRUE(c.ended);

    f.progress.pumps = 0;
    f.progress.onPump = [&](int n) {
        if (n == 3)
            f.design.SetPrintCancelRequested(true);
    };
    RecordingCanvas cancelled(300, 300);
    RecordingStatus s2;
    EXPECT_EQ(PrintGrid(f.design, cancelled, s2, g, false, false, true), PrintResult::Cancelled);
    EXPECT_TRUE(cancelled.aborted);
    EXPECT_FALSE(cancelled.ended);
    EXPECT_EQ(Labels(cancelled), (std::vector<std::string>{"1,1", "2,1"}));
    EXPECT_EQ(s2.texts.back(), "Printing Page: 3");
    EXPECT_FALSE(s2.okShown);
}

TEST(StatusJob, QuestionModesAndTheAddressGrid) {
    Fixture f;
    TextGrid g = MakeGrid(30, 2);
    // Graphical partition grid: the question; Yes prints the test page only.
    f.ui.answers = {true};
    f.design.SetPrintCancelRequested(true); // cleared by the dialog
    RecordingCanvas c(1000, 300);
    RecordingStatus s;
    StatusJob job;
    job.kind = PrintKind::PartitionGrid;
    job.grid = &g;
    EXPECT_EQ(RunStatusJob(f.design, c, s, job), PrintResult::Finished);
    EXPECT_EQ(f.ui.Texts("question"), std::vector<std::string>{"Print test page only?"});
    EXPECT_EQ(c.pages, 1);
    EXPECT_EQ(c.Of(Drawn::ReplicaImage).size(), 2u);

    // Text mode: no question, every page.
    f.ui.boxes.clear();
    job.graphical = false;
    RecordingCanvas text(1000, 300);
    RunStatusJob(f.design, text, s, job);
    EXPECT_TRUE(f.ui.Texts("question").empty());
    EXPECT_EQ(text.pages, 4);

    // The address grid in Graphical mode: no question, no images, the mark off
    // for the job and on again after it.
    std::vector<bool> marks;
    job.kind = PrintKind::AddressGrid;
    job.graphical = true;
    job.setGraphicalMark = [&](bool on) { marks.push_back(on); };
    RecordingCanvas addr(1000, 300);
    RunStatusJob(f.design, addr, s, job);
    EXPECT_TRUE(f.ui.Texts("question").empty());
    EXPECT_TRUE(addr.Of(Drawn::ReplicaImage).empty());
    EXPECT_TRUE(addr.Of(Drawn::ClassImage).empty());
    EXPECT_TRUE(addr.FindText("*MASTER*"));
    EXPECT_EQ(addr.pages, 4); // never a test page
    EXPECT_EQ(marks, (std::vector<bool>{false, true}));
    // Object-grid flag: "[ROOT]" is the minimum width.
    EXPECT_EQ(addr.FindText("P2")->x1, 50 + 30 + 35 + 5);

    // The tree: Text mode prints the text without a question.
    f.ui.boxes.clear();
    test::MakeEmpty(f.design);
    f.design.AddChild(f.design.Root(), "ACME", kClassOrganization);
    StatusJob tree;
    tree.graphical = false;
    RecordingCanvas treeText(1000, 1000);
    RecordingStatus ts;
    RunStatusJob(f.design, treeText, ts, tree);
    EXPECT_TRUE(f.ui.Texts("question").empty());
    EXPECT_TRUE(treeText.FindText("   O=ACME"));
    EXPECT_TRUE(ts.okShown);
}

TEST(PrintForPage, TheActionOfEveryPage) {
    EXPECT_EQ(PrintForPage(DesignPage::Tree, false, false).kind, PrintKind::Tree);
    EXPECT_EQ(PrintForPage(DesignPage::PartitionGrid, false, false).kind, PrintKind::PartitionGrid);
    EXPECT_EQ(PrintForPage(DesignPage::PartitionGrid, true, false).kind, PrintKind::AddressGrid);
    EXPECT_EQ(PrintForPage(DesignPage::ObjectGrid, false, false).kind, PrintKind::ObjectGrid);
    EXPECT_EQ(PrintForPage(DesignPage::Reports, false, true).action, PageAction::RichText);
    EXPECT_EQ(PrintForPage(DesignPage::Reports, false, false).action, PageAction::Nothing);
    EXPECT_EQ(PrintForPage(DesignPage::Suggestions, false, false).action, PageAction::Nothing);
}

} // namespace
} // namespace qv
