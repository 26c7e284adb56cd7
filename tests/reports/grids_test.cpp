// The partition, address and object grids, their sorts and the delimited export.
#include "report_designs.h"
#include "reports/analysis_pages.h"
#include "reports/delimited_export.h"
#include "reports/object_report.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::AddReplica;
using test::AddServer;
using test::Fixture;
using test::MakePartition;
using test::Text;

std::vector<std::string> Column(const TextGrid& g, int col) {
    std::vector<std::string> out;
    for (int r = 0; r < g.RowCount(); ++r)
        out.push_back(g.Cell(col, r));
    return out;
}

TEST(PartitionGrids, SizesHeadersInTreeOrderAndCells) {
    Fixture f;
    auto t = test::MakeSmallTree(f.design, false);
    AddServer(f.design, f.design.Root(), "FS3");
    // PartitionTable order differs from the tree order.
    MakePartition(f.design, t.sales);
    AddReplica(f.design, "[ROOT]", "FS1", kMaster);
    AddReplica(f.design, "SALES.ACME", "FS1", kSubRef);
    AddReplica(f.design, "SALES.ACME", "FS3", kMaster);
    AnalysisViews v;
    ASSERT_EQ(ShowPartitionGridPage(f.design, v), PageResult::Built);
    EXPECT_EQ(v.servXPart.ColCount(), 3);
    EXPECT_EQ(v.servXPart.RowCount(), 4);
    EXPECT_EQ(v.partXServ.ColCount(), 4);
    EXPECT_EQ(v.partXServ.RowCount(), 3);
    EXPECT_EQ(Column(v.servXPart, 0), (std::vector<std::string>{"", "FS1", "FS2", "FS3"}));
    EXPECT_EQ(Column(v.partXServ, 0), (std::vector<std::string>{"", "[ROOT]", "SALES.ACME"}));
    EXPECT_EQ(v.servXPart.Cell(1, 1), "*MASTER*");
    EXPECT_EQ(v.servXPart.Cell(2, 1), "*SUB/REF*");
    EXPECT_EQ(v.partXServ.Cell(1, 2), "*SUB/REF*");
    EXPECT_EQ(v.partXServ.Cell(3, 2), "*MASTER*");
    for (int c = 1; c < 3; ++c) // FS2 holds nothing
        EXPECT_EQ(v.servXPart.Cell(c, 2), "");
    EXPECT_EQ(v.servXPart.defaultRowHeight, 50);
    EXPECT_FALSE(f.design.Flags().gridStale[kPartitionGrids]);
    EXPECT_EQ(ShowPartitionGridPage(f.design, v), PageResult::Current);
}

// The build names each server on the status line, and Abort stops it: the
// half-built grids are dropped and the next showing builds them again.
TEST(PartitionGrids, ShowProgressAndStopOnAbort) {
    Fixture f;
    test::MakeSmallTree(f.design, false);
    AddServer(f.design, f.design.Root(), "FS3");
    AnalysisViews v;
    f.progress.onPump = [&f](int) {
        if (f.progress.Saw("  Processing Server: FS1"))
            f.design.SetAbortRequested(true);
    };
    f.design.MarkGridStale(kPartitionGrids);
    EXPECT_EQ(ShowPartitionGridPage(f.design, v), PageResult::Aborted);
    EXPECT_TRUE(f.design.Flags().gridStale[kPartitionGrids]);
    EXPECT_EQ(v.partXServ.RowCount(), 0);
    EXPECT_EQ(v.servXPart.RowCount(), 0);
    EXPECT_TRUE(f.progress.Saw("  Processing Server: FS1"));
    EXPECT_EQ(f.progress.Texts(ProgressChannel::Status).back(), "");

    f.progress.onPump = nullptr;
    f.design.SetAbortRequested(false);
    EXPECT_EQ(ShowPartitionGridPage(f.design, v), PageResult::Built);
    EXPECT_FALSE(f.design.Flags().gridStale[kPartitionGrids]);
    EXPECT_EQ(v.servXPart.RowCount(), 4);
    EXPECT_TRUE(f.progress.Saw("  Processing Server: FS3"));
    EXPECT_EQ(f.progress.Texts(ProgressChannel::Status).back(), "");
}

TEST(AddressGrid, RowsPerAddressAndTheTotalRowStaysLastWhenSorted) {
    Fixture f;
    test::MakeEmpty(f.design);
    for (const char* s : {"E", "B", "D", "A", "C"})
        AddServer(f.design, f.design.Root(), s);
    f.design.attributes.Entries(1) = {"IPX:00000002", "TCPIP:1.1.1.2", "TCPIP:1.1.1.1"};
    f.design.attributes.Entries(3).clear();
    f.design.attributes.Rename(2, "DS VERSION:1");
    AnalysisViews v;
    ShowPartitionGridPage(f.design, v);
    const TextGrid& g = v.servXAddr;
    ASSERT_EQ(g.RowCount(), 5 + 2 + 2);
    EXPECT_EQ(g.ColCount(), 3);
    EXPECT_EQ(g.Cell(1, 0), "DS Version      ");
    EXPECT_EQ(g.Cell(2, 0), "Address              ");
    EXPECT_EQ(Column(g, 0),
              (std::vector<std::string>{"", "E", "B", "B", "B", "D", "A", "C", "Total: 5"}));
    EXPECT_EQ(g.Cell(2, 3), "TCPIP:1.1.1.2");
    EXPECT_EQ(g.Cell(1, 5), "DS VERSION:1");
    EXPECT_EQ(g.Cell(2, 6), ""); // A has no address

    ASSERT_TRUE(SortAddressGridBy(f.design, v, 0));
    EXPECT_EQ(Column(g, 0),
              (std::vector<std::string>{"", "A", "B", "B", "B", "C", "D", "E", "Total: 5"}));
    // Ties keep their order.
    EXPECT_EQ(Column(g, 2)[2], "IPX:00000002");
    EXPECT_EQ(Column(g, 2)[4], "TCPIP:1.1.1.1");
    ASSERT_TRUE(SortAddressGridBy(f.design, v, 2));
    EXPECT_EQ(Column(g, 2),
              (std::vector<std::string>{"Address              ", "", "IPX:00000000", "IPX:00000000",
                                        "IPX:00000000", "IPX:00000002", "TCPIP:1.1.1.1",
                                        "TCPIP:1.1.1.2", ""}));
    EXPECT_EQ(g.Cell(0, 8), "Total: 5");
    // No: nothing moves.
    f.ui.answers = {false};
    EXPECT_FALSE(SortAddressGridBy(f.design, v, 0));
    EXPECT_EQ(g.Cell(0, 1), "A");
}

TEST(SortGridView, AsksOnlyWhileUnsortedAndAgainAfterAChange) {
    Fixture f;
    auto t = test::MakeSmallTree(f.design);
    (void)t;
    AnalysisViews v;
    ShowPartitionGridPage(f.design, v);
    f.ui.answers = {false};
    EXPECT_FALSE(SortGridView(f.design, v, kServXPartGrid));
    EXPECT_TRUE(f.design.Flags().gridUnsorted[kServXPartGrid]);
    EXPECT_TRUE(SortGridView(f.design, v, kServXPartGrid));
    EXPECT_FALSE(SortGridView(f.design, v, kServXPartGrid));
    ASSERT_EQ(f.ui.boxes.size(), 2u);
    EXPECT_EQ(f.ui.boxes[0].text, "This could take a few minutes if there are \rmore than 200 "
                                  "servers/partitions.\rContinue?");
    EXPECT_TRUE(f.progress.Saw("  Sorting By Server..."));
    f.design.MarkChanged();
    EXPECT_TRUE(SortGridView(f.design, v, kServXPartGrid));
    EXPECT_EQ(f.ui.boxes.size(), 3u);
}

// ---------------------------------------------------------------- object grids

// [ROOT] > ACME (organization) with 3 users; ACME > FS1 (server); and
// ACME > OPS (unit, a partition) with one user.
struct ObjectDesign {
    ObjectNode* acme;
    ObjectNode* ops;
};
ObjectDesign MakeObjectDesign(TreeDesign& d) {
    test::MakeEmpty(d);
    d.designFileName = "OBJ.qvd";
    ObjectDesign o;
    o.acme = d.AddChild(d.Root(), "ACME", kClassOrganization);
    AddServer(d, o.acme, "FS1");
    o.ops = d.AddChild(o.acme, "OPS", kClassOrgUnit);
    MakePartition(d, o.ops);
    d.AddSubordinateEntries(d.Root());
    for (const char* u : {"U1", "U2", "U3"})
        d.AppendLeaf(o.acme, MakeLeafEntry(u, kClassUser));
    d.AppendLeaf(o.ops, MakeLeafEntry("V1", kClassUser));
    d.NoteClass(kClassUser);
    d.MarkSubRefsCurrent();
    d.MarkAllStale();
    d.MarkSubRefsCurrent();
    return o;
}

TEST(ObjectGrids, CountsPerPartitionServerAndContainer) {
    Fixture f;
    MakeObjectDesign(f.design);
    AddReplica(f.design, "[ROOT]", "FS1", kMaster);
    AddReplica(f.design, "OPS.ACME", "FS1", kSubRef);
    AnalysisViews v;
    ASSERT_EQ(ShowObjectGridPage(f.design, v), PageResult::Built);
    // OPS roots a partition: it and its user count there, not in [ROOT].
    EXPECT_EQ(DelimitedText(v.objects.partitions),
              ",TOP,ORGANIZATION,ORGANIZATIONAL UNIT,NETWARE SERVER,USER,TOTAL\n"
              "[ROOT],1,1,,1,3,6\n"
              "OPS.ACME,,,1,,1,2\n"
              "TREE TOTAL,1,1,1,1,4,8\n");
    // A readable replica holds the partition's objects, a SUB/REF its root only.
    EXPECT_EQ(DelimitedText(v.objects.servers),
              ",TOP,ORGANIZATION,ORGANIZATIONAL UNIT,NETWARE SERVER,USER,TOTAL\n"
              "FS1,1,1,1,1,3,7\n");
    // Every entry of a container counts in its row, child containers and servers too.
    EXPECT_EQ(DelimitedText(v.objects.containers),
              ",TOP,ORGANIZATION,ORGANIZATIONAL UNIT,NETWARE SERVER,USER,TOTAL\n"
              "[ROOT],1,1,,,,2\n"
              "ACME,,,1,1,3,5\n"
              "OPS.ACME,,,,,1,1\n"
              "TREE TOTAL,1,1,1,1,4,8\n");
    EXPECT_FALSE(f.design.Flags().gridStale[kObjectGrids]);
    EXPECT_EQ(ShowObjectGridPage(f.design, v), PageResult::Current);

    // Sorting keeps "TREE TOTAL" last.
    f.ui.answers = {true};
    EXPECT_TRUE(SortGridView(f.design, v, kContObjGrid));
    EXPECT_EQ(f.ui.boxes.back().text,
              "This could take a few minutes if there are \rmore than 200 containers.\rContinue?");
    EXPECT_EQ(Column(v.objects.containers, 0),
              (std::vector<std::string>{"", "ACME", "OPS.ACME", "[ROOT]", "TREE TOTAL"}));
}

TEST(ObjectGrids, AbortInTheServerCountsLeavesTheGridsStale) {
    Fixture f;
    MakeObjectDesign(f.design);
    AddReplica(f.design, "[ROOT]", "FS1", kMaster);
    AnalysisViews v;
    f.progress.onPump = [&](int) {
        if (!f.progress.shown.empty() &&
            f.progress.shown.back().text.rfind("Scanning Server:", 0) == 0)
            f.design.SetAbortRequested(true);
    };
    EXPECT_EQ(ShowObjectGridPage(f.design, v), PageResult::Aborted);
    EXPECT_TRUE(f.design.Flags().gridStale[kObjectGrids]);
    f.progress.onPump = nullptr;
    BeginPageChange(f.design);
    EXPECT_EQ(ShowObjectGridPage(f.design, v), PageResult::Built);
    EXPECT_EQ(v.objects.servers.Cell(6, 1), "6");
    EXPECT_EQ(v.objects.containers.RowCount(), 5);
}

TEST(ObjectGrids, MalformedClassesGiveEmptyColumnsNotCounts) {
    Fixture f;
    auto o = MakeObjectDesign(f.design);
    f.design.AppendLeaf(o.acme, MakeLeafEntry("X", 300)); // 300 mod 256 = 44
    f.design.AppendLeaf(o.acme, std::string("NOCLASS"));
    f.design.AppendLeaf(o.acme, MakeLeafEntry("GHOST", kClassOrgUnit)); // no such child
    f.design.AppendLeaf(o.acme, MakeLeafEntry("ND", kClassNoDef));      // not present
    f.design.NoteClass(300);
    f.design.NoteClass(100);
    AnalysisViews v;
    ASSERT_EQ(ShowObjectGridPage(f.design, v), PageResult::Built);
    const TextGrid& pg = v.objects.partitions;
    // Two extra counted classes (300 and 100) give two empty columns before TOTAL.
    EXPECT_EQ(pg.ColCount(), 5 + 2 + 2);
    EXPECT_EQ(pg.Cell(5, 1), "4"); // USER: three users and X
    EXPECT_EQ(pg.Cell(8, 0), "TOTAL");
    EXPECT_EQ(pg.Cell(8, 1), "7");
}

TEST(ObjectGrids, InconsistentPartitionRootAbortsTheObjectReport) {
    Fixture f;
    MakeObjectDesign(f.design);
    ObjectNode* us = f.design.AddChild(f.design.Root(), "US", kClassCountry);
    MakePartition(f.design, us);
    AnalysisViews v;
    v.texts[kObjectReport].lines = {"old title", "", "old"};
    EXPECT_EQ(RefreshReport(f.design, WarningSettings{}, v, kObjectReport), PageResult::Aborted);
    EXPECT_EQ(f.ui.Texts("information"),
              std::vector<std::string>{"Object: US exists in the tree but\rit is inconsistent "
                                       "with the Object Report.\rThe report has been aborted."});
    EXPECT_EQ(v.texts[kObjectReport].lines,
              (std::vector<std::string>{"old title", "**REPORT ABORTED**", "old"}));
    EXPECT_TRUE(f.design.Flags().gridStale[kObjectGrids]);
    EXPECT_TRUE(f.design.Flags().reportStale[kObjectReport]);
}

TEST(ObjectReport, TextFromTheGrids) {
    Fixture f;
    MakeObjectDesign(f.design);
    AddReplica(f.design, "[ROOT]", "FS1", kMaster);
    AnalysisViews v;
    ASSERT_EQ(RefreshReport(f.design, WarningSettings{}, v, kObjectReport), PageResult::Built);
    const std::string pad = "                 "; // 19 - 3 + 1 blanks after "TOP:"
    std::string block = "Partition: OPS.ACME\n"
                        "  TOP:" +
                        pad +
                        "0\n  ORGANIZATION:        0\n"
                        "  ORGANIZATIONAL UNIT: 1\n"
                        "  NETWARE SERVER:      0\n"
                        "  USER:" +
                        pad.substr(1) + "1\nTOTAL:2\n";
    const std::string text = Text(v.texts[kObjectReport].lines);
    EXPECT_EQ(text.rfind("**OBJECT REPORT FOR TREE: OBJ.qvd**\n\n**PARTITIONS**\n\n", 0), 0u);
    EXPECT_NE(text.find(block), std::string::npos) << text;
    EXPECT_NE(text.find("\n**TREE TOTAL**\n  TOP:"), std::string::npos);
    EXPECT_NE(text.find("\n\n**SERVERS**\n\nServer: FS1\n"), std::string::npos);
    EXPECT_NE(text.find("**CONTAINERS**\n\nTOP: [ROOT]\n  Contained in partition: [ROOT]\n"
                        "    Child Objects: 1\n\nORGANIZATION: ACME\n"
                        "  Contained in partition: [ROOT]\n    Child Objects: 5\n\n"
                        "ORGANIZATIONAL UNIT: OPS.ACME\n  Contained in partition: OPS.ACME\n"
                        "    Child Objects: 1\n\n"),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("    Child Objects: 1\n\n"));
}

// ---------------------------------------------------------------- export

// A reader of the delimited text as RFC 4180 reads it: fields separated by
// commas, a field in double quotes may hold commas, line breaks and doubled
// quotes; rows end with "\n".
std::vector<std::vector<std::string>> ReadDelimited(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(std::move(field));
            field.clear();
        } else if (c == '\n') {
            rows.back().push_back(std::move(field));
            field.clear();
            rows.emplace_back();
        } else {
            field += c;
        }
    }
    rows.pop_back(); // after the last "\n"
    return rows;
}

// Every byte value as a cell, alone and inside text: quoted exactly when it
// is a comma, a double quote or a line break, and read back whole.
TEST(DelimitedExport, EveryCharacterOfACellAndTheRoundTrip) {
    TextGrid g;
    g.Reset(3, 255);
    int row = 0;
    for (int b = 1; b < 256; ++b, ++row) {
        const std::string ch(1, static_cast<char>(b));
        const bool special = ch == "," || ch == "\"" || ch == "\r" || ch == "\n";
        EXPECT_EQ(DelimitedCell(ch)[0] == '"', special) << b;
        EXPECT_EQ(DelimitedCell("a" + ch + "b")[0] == '"', special) << b;
        g.SetCell(0, row, "a" + ch + "b");
        g.SetCell(1, row, ch);
        g.SetCell(2, row, ch + ch + "\"" + ch);
    }
    const std::vector<std::vector<std::string>> back = ReadDelimited(DelimitedText(g));
    ASSERT_EQ(back.size(), 255u);
    for (int b = 1; b < 256; ++b) {
        const std::string ch(1, static_cast<char>(b));
        const std::vector<std::string> want = {"a" + ch + "b", ch, ch + ch + "\"" + ch};
        EXPECT_EQ(back[static_cast<std::size_t>(b - 1)], want) << b;
    }
}

TEST(DelimitedExport, QuotesAndFileErrors) {
    TextGrid g;
    g.Reset(3, 2);
    g.SetCell(1, 0, "a,b");
    g.SetCell(2, 0, "say \"hi\"");
    g.SetCell(0, 1, "plain");
    g.SetCell(2, 1, "line\nbreak");
    EXPECT_EQ(DelimitedText(g), ",\"a,b\",\"say \"\"hi\"\"\"\nplain,,\"line\nbreak\"\n");
    EXPECT_EQ(DelimitedText(TextGrid{}), "");

    std::string dir = test::TempDir();
    test::ScriptedInteraction ui;
    ASSERT_TRUE(SaveDelimitedFile(g, dir + "/out.dlm", ui));
    EXPECT_EQ(test::ReadFile(dir + "/out.dlm"), DelimitedText(g));
    EXPECT_FALSE(SaveDelimitedFile(g, dir + "/missing/out.dlm", ui));
    EXPECT_EQ(ui.Texts("error"),
              std::vector<std::string>{"Cannot create file " + dir + "/missing/out.dlm"});
}

TEST(TextGridCells, SparseRowsBehaveLikeDenseOnes) {
    TextGrid g;
    g.Reset(4, 3);
    g.SetCell(3, 1, "c");
    g.SetCell(1, 1, "a");
    g.SetCell(2, 1, "b");
    g.SetCell(2, 1, "");
    g.SetCell(9, 1, "outside");
    g.AddToCell(1, 2, 5);
    g.AddToCell(1, 2, 2);
    EXPECT_EQ(DelimitedText(g), ",,,\n,a,,c\n,7,,\n");
    g.Resize(2, 2);
    EXPECT_EQ(DelimitedText(g), ",\n,a\n");
    EXPECT_EQ(g.Cell(-1, 0), "");
}

} // namespace
} // namespace qv
