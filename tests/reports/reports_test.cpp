// The report by server and by partition, the relation and schema reports, and
// the page rules around them (stale flags, abort marking).
#include "report_designs.h"
#include "reports/analysis_pages.h"
#include "reports/reports.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::AddReplica;
using test::AddServer;
using test::Fixture;
using test::MakePartition;
using test::Text;

TEST(ServerReport, PadsToTheLongestPartitionNameEvenOnASubRef) {
    Fixture f;
    test::MakeSmallTree(f.design);
    AddReplica(f.design, "[ROOT]", "FS1", kMaster);
    AddReplica(f.design, "SALES.ACME", "FS1", kSubRef);
    f.design.attributes.Entries(0).push_back("TCPIP:10.0.0.1");
    f.design.attributes.Entries(0).push_back("TCPIP:10.0.0.2");
    TextLines out;
    ASSERT_TRUE(BuildServerReport(f.design, out));
    EXPECT_EQ(Text(out.lines), "**SERVER REPORT FOR TREE ACME.qvd**\n"
                               "\n"
                               "Server: FS1\n"
                               " Address IPX:00000000\n"
                               " Address TCPIP:10.0.0.1\n"
                               " Address TCPIP:10.0.0.2\n"
                               " REPLICA LIST\n"
                               "  Partition: [ROOT]     *MASTER*\n"
                               "  Partition: SALES.ACME *SUB/REF*\n"
                               "DS VERSION:0\n"
                               "Replica Count: 2\n"
                               "\n"
                               "Server: FS2\n"
                               " Address IPX:00000000\n"
                               " REPLICA LIST\n"
                               "DS VERSION:0\n"
                               "Replica Count: 0\n"
                               "\n"
                               "Partition Count: 3\n"
                               "Server Count: 2\n");
    EXPECT_TRUE(f.progress.Saw("  Processing Server: FS2"));
    EXPECT_EQ(f.progress.Texts(ProgressChannel::Status).back(), "");
}

TEST(PartitionReport, CountsEveryTypeAndClosesWithServersFirst) {
    Fixture f;
    test::MakeSmallTree(f.design);
    AddServer(f.design, f.design.Root(), "LONGSERVER");
    AddReplica(f.design, "ACME", "FS1", kMaster);
    AddReplica(f.design, "ACME", "FS2", kSubRef);
    AddReplica(f.design, "ACME", "LONGSERVER", kSubRef);
    TextLines out;
    ASSERT_TRUE(BuildPartitionReport(f.design, out));
    EXPECT_EQ(Text(out.lines), "**PARTITION REPORT FOR TREE ACME.qvd**\n"
                               "\n"
                               "Partition: [ROOT]\n"
                               "Replica Count: 0\n"
                               "\n"
                               "Partition: ACME\n"
                               "  Server: FS1        *MASTER*\n"
                               "  Server: FS2        *SUB/REF*\n"
                               "  Server: LONGSERVER *SUB/REF*\n"
                               "Replica Count: 3\n"
                               "\n"
                               "Partition: SALES.ACME\n"
                               "Replica Count: 0\n"
                               "\n"
                               "Server Count: 3\n"
                               "Partition Count: 3\n");
}

TEST(ReportPages, AbortMarksLineTwoAndKeepsTheTextStale) {
    Fixture f;
    test::MakeSmallTree(f.design);
    AddReplica(f.design, "[ROOT]", "FS1", kMaster);
    AddReplica(f.design, "[ROOT]", "FS2", kReadWrite);
    AnalysisViews views;
    WarningSettings settings;
    // Abort at the pause after the first server's block.
    f.progress.onPump = [&](int n) {
        if (n == 2)
            f.design.SetAbortRequested(true);
    };
    EXPECT_EQ(RefreshReport(f.design, settings, views, kServerReport), PageResult::Aborted);
    const auto& lines = views.texts[kServerReport].lines;
    EXPECT_EQ(lines[0], "**SERVER REPORT FOR TREE ACME.qvd**");
    EXPECT_EQ(lines[1], "**REPORT ABORTED**");
    EXPECT_EQ(lines.back(), "");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Server: FS1"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Server: FS2"), 0);
    EXPECT_TRUE(f.design.Flags().reportStale[kServerReport]);

    // Shown again: the page clears the abort and rebuilds everything.
    f.progress.onPump = nullptr;
    EXPECT_EQ(RefreshReport(f.design, settings, views, kServerReport), PageResult::Built);
    EXPECT_EQ(views.texts[kServerReport].lines[1], "");
    EXPECT_EQ(views.texts[kServerReport].lines.back(), "Server Count: 2");
    EXPECT_FALSE(f.design.Flags().reportStale[kServerReport]);
    EXPECT_EQ(RefreshReport(f.design, settings, views, kServerReport), PageResult::Current);

    // A change makes it stale again; a report not shown stays untouched.
    f.design.MarkChanged();
    EXPECT_EQ(RefreshReport(f.design, settings, views, kServerReport), PageResult::Built);
    EXPECT_TRUE(views.texts[kPartitionReport].lines.empty());
}

TEST(ReportPages, PageChangeAddsMissingSubRefsFirst) {
    Fixture f;
    test::MakeSmallTree(f.design);
    AddReplica(f.design, "[ROOT]", "FS1", kMaster);
    f.design.MarkSubRefsStale();
    AnalysisViews views;
    RefreshReport(f.design, WarningSettings{}, views, kServerReport);
    EXPECT_NE(Text(views.texts[kServerReport].lines).find("  Partition: ACME   *SUB/REF*\n"),
              std::string::npos);
    EXPECT_FALSE(f.design.Flags().subRefsStale);
}

TEST(ReportPages, ObjectTextsNeedAnImportedObjectReport) {
    Fixture f;
    test::MakeEmpty(f.design);
    AnalysisViews views;
    views.texts[kObjectSuggestions].lines = {"old"};
    for (ReportIndex which : {kObjectReport, kObjectSuggestions}) {
        EXPECT_EQ(RefreshReport(f.design, WarningSettings{}, views, which),
                  PageResult::NoObjectReport);
        EXPECT_TRUE(f.design.Flags().reportStale[which]);
    }
    EXPECT_EQ(views.texts[kObjectSuggestions].lines, std::vector<std::string>{"old"});
    EXPECT_EQ(f.ui.Texts("information"),
              (std::vector<std::string>{"The Object Report has not been imported yet.",
                                        "The Object Report has not been imported yet."}));
    EXPECT_EQ(ShowObjectGridPage(f.design, views), PageResult::NoObjectReport);
}

TEST(ReportPages, AcceptedSettingsMarkOnlyTheSuggestions) {
    Fixture f;
    for (ReportIndex r :
         {kPartitionReport, kServerReport, kRelationReport, kSchemaReport, kObjectReport,
          kServerSuggestions, kPartitionSuggestions, kObjectSuggestions})
        f.design.MarkReportBuilt(r);
    MarkSuggestionsStale(f.design);
    EXPECT_FALSE(f.design.Flags().reportStale[kServerReport]);
    EXPECT_TRUE(f.design.Flags().reportStale[kServerSuggestions]);
    EXPECT_TRUE(f.design.Flags().reportStale[kPartitionSuggestions]);
    EXPECT_TRUE(f.design.Flags().reportStale[kObjectSuggestions]);
}

// ---------------------------------------------------------------- relations

TEST(RelationReport, ListsOnlyTheNearestChildPartitions) {
    Fixture f;
    auto t = test::MakeSmallTree(f.design);
    // EAST is a partition below a unit that is not one: still ACME's child.
    ObjectNode* ops = f.design.AddChild(t.acme, "OPS", kClassOrgUnit);
    ObjectNode* east = f.design.AddChild(ops, "EAST", kClassOrgUnit);
    MakePartition(f.design, east);
    TextLines out;
    ASSERT_TRUE(BuildPartitionRelationReport(f.design, out));
    EXPECT_EQ(Text(out.lines), "**PARTITION RELATION REPORT FOR ACME.qvd**\n"
                               "\n"
                               "Partition: [ROOT]\n"
                               "  Child Partition: ACME\n"
                               "Child Partition Count: 1\n"
                               "\n"
                               "Partition: ACME\n"
                               "  Child Partition: SALES.ACME\n"
                               "  Child Partition: EAST.OPS.ACME\n"
                               "Child Partition Count: 2\n"
                               "\n"
                               "Partition: SALES.ACME\n"
                               "Child Partition Count: 0\n"
                               "\n"
                               "Partition: EAST.OPS.ACME\n"
                               "Child Partition Count: 0\n"
                               "\n"
                               "Total Partitions: 4\n");
    EXPECT_TRUE(f.progress.Saw("  Processing Partition: OPS.ACME"));
}

TEST(RelationReport, RootOnlyAndAbort) {
    Fixture f;
    test::MakeEmpty(f.design);
    f.design.designFileName = "UNTITLED1.qvd";
    TextLines out;
    ASSERT_TRUE(BuildPartitionRelationReport(f.design, out));
    EXPECT_EQ(Text(out.lines), "**PARTITION RELATION REPORT FOR UNTITLED1.qvd**\n\n"
                               "Partition: [ROOT]\nChild Partition Count: 0\n\n"
                               "Total Partitions: 1\n");
    f.design.SetAbortRequested(true);
    EXPECT_FALSE(BuildPartitionRelationReport(f.design, out));
    EXPECT_TRUE(f.design.TraversalStackEmpty());
}

// ---------------------------------------------------------------- schema

TEST(SchemaReport, OneServerHasABareBlock) {
    Fixture f;
    test::MakeEmpty(f.design);
    f.design.designFileName = "ONE.qvd";
    AddServer(f.design, f.design.Root(), "FS1");
    AddReplica(f.design, "[ROOT]", "FS1", kMaster);
    AnalysisViews views;
    ASSERT_EQ(RefreshReport(f.design, WarningSettings{}, views, kSchemaReport), PageResult::Built);
    EXPECT_EQ(Text(views.texts[kSchemaReport].lines),
              "**SCHEMA DISTRIBUTION LIST REPORT FOR TREE ONE.qvd**\n\nSERVER: FS1\n"
              "NOTE: Any server with replica depth of -1 will request\n"
              "to be added to the distribution list of a server that holds\n"
              "a real replica of the partition in which it resides.\n");
}

TEST(SchemaReport, DepthsDecideThePartners) {
    Fixture f;
    auto t = test::MakeSmallTree(f.design);
    AddServer(f.design, t.sales, "fs3");
    AddServer(f.design, t.sales, "SUBONLY");
    AddServer(f.design, t.sales, "SUBTOO");
    AddReplica(f.design, "[ROOT]", "FS1", kMaster); // depth 0
    AddReplica(f.design, "ACME", "FS1", kMaster);
    AddReplica(f.design, "ACME", "FS2", kReadWrite);    // depth 1
    AddReplica(f.design, "SALES.ACME", "fs3", kMaster); // depth 2
    AddReplica(f.design, "ACME", "fs3", kSparseRead);   // readable: depth 1
    AddReplica(f.design, "SALES.ACME", "SUBONLY", kSubRef);
    AddReplica(f.design, "SALES.ACME", "SUBTOO", kSubRef);
    AnalysisViews views;
    ASSERT_EQ(RefreshReport(f.design, WarningSettings{}, views, kSchemaReport), PageResult::Built);
    EXPECT_EQ(Text(views.texts[kSchemaReport].lines),
              "**SCHEMA DISTRIBUTION LIST REPORT FOR TREE ACME.qvd**\n\n"
              "SERVER: FS1\n  Server: FS2\n  Server: fs3\nReplica Depth: 0\n\n"
              "SERVER: FS2\n  Server: fs3\nReplica Depth: 1\n\n"
              "SERVER: fs3\n  Server: FS2\nReplica Depth: 1\n\n"
              "SERVER: SUBONLY\nReplica Depth: -1\n\n"
              "SERVER: SUBTOO\nReplica Depth: -1\n\n"
              "NOTE: Any server with replica depth of -1 will request\n"
              "to be added to the distribution list of a server that holds\n"
              "a real replica of the partition in which it resides.\n");
    EXPECT_EQ(f.design.ServerDepth(0), 0);
    EXPECT_EQ(f.design.ServerDepth(3), 255);
}

TEST(SchemaReport, AbortDuringDepthsMarksTheOldText) {
    Fixture f;
    test::MakeSmallTree(f.design);
    AnalysisViews views;
    views.texts[kSchemaReport].lines = {"title", "", "old"};
    f.progress.onPump = [&](int) { f.design.SetAbortRequested(true); };
    EXPECT_EQ(RefreshReport(f.design, WarningSettings{}, views, kSchemaReport),
              PageResult::Aborted);
    EXPECT_EQ(views.texts[kSchemaReport].lines,
              (std::vector<std::string>{"title", "**REPORT ABORTED**", "old"}));
}

} // namespace
} // namespace qv
