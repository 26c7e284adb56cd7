#include "utilities/schema_compare.h"
#include "utilities/schema_report.h"

#include "core/tree_design.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace qv::utilities {
namespace {

namespace fs = std::filesystem;
using test::Fixture;
using test::ScriptedInteraction;

const std::string kSep(1, kSchemaSep);

// A report as SCHCMP writes it, with both sides' definitions.
const char* const kReport = "Comparing FS1 with FS2...\n"
                            "\n"
                            "Classes unique to FS1\n"
                            "    profile\n"
                            "    printer Queue\n"
                            "Classes unique to FS2\n"
                            "    None\n"
                            "Attributes unique to FS1\n"
                            "    telephoneNumber\n"
                            "Attributes unique to FS2\n"
                            "    None\n"
                            "Syntaxes unique to FS1\n"
                            "    None\n"
                            "Syntaxes unique to FS2\n"
                            "    1.3.6.1.4.1.1466.115.121.1.27 INTEGER\n"
                            "\n"
                            "Definition differences for FS1\n"
                            "Class definitions\n"
                            "user\n"
                            "\tMUST\n"
                            "\t\tHas surname\n"
                            "\t\tLacks cn\n"
                            "\tMAY\n"
                            "\t\tHas loginScript\n"
                            "Attribute definitions\n"
                            "surname\n"
                            "\tSyntax\n"
                            "\t\t1.3.6.1.4.1.1466.115.121.1.15\n"
                            "Definition differences for FS2\n"
                            "Class definitions\n"
                            "user\n"
                            "\tMUST\n"
                            "\t\tHas cn\n"
                            "\t\tLacks surname\n";

struct Parsed {
    TSchCmpClass pair;
    std::vector<std::string> memo;
    bool ok = false;
};

Parsed Parse(std::string_view text) {
    Parsed p;
    p.ok = ParseSchemaReportText(text, "SRD1.TXT", "FS1,FS2", p.pair, p.memo);
    return p;
}

// The message line of a failed parse.
std::string Failure(std::string_view text) {
    Parsed p = Parse(text);
    EXPECT_FALSE(p.ok) << text;
    return p.memo.size() == 5 ? p.memo[2] : "(no failure)";
}

TEST(SchemaCommands, PairsAreNumberedOverTheSortedServers) {
    auto one = BuildSchemaCommands(SortServers({"FS2", "fs1"}));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], "CommanD.cOm /C SCHCMP.EXE fs1 FS2 > SRD1.TXT" + kSep + "fs1,FS2");
    EXPECT_EQ(CommandLineOf(one[0]), "CommanD.cOm /C SCHCMP.EXE fs1 FS2 > SRD1.TXT");
    EXPECT_EQ(PairNamesOf(one[0]), "fs1,FS2");

    auto six = BuildSchemaCommands(SortServers({"D", "B", "C", "A"}));
    ASSERT_EQ(six.size(), 6u);
    const char* pairs[] = {"A,B", "A,C", "A,D", "B,C", "B,D", "C,D"};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(PairNamesOf(six[i]), pairs[i]);
        EXPECT_NE(six[i].find("> SRD" + std::to_string(i + 1) + ".TXT"), std::string::npos);
    }
}

TEST(SchemaCommands, OldReportsAreDeletedBeforeARun) {
    const std::string dir = test::TempDir();
    for (const char* name :
         {"SRD1.TXT", "SRD17.TXT", "srd2.txt", "SRD.OLD", "KEEP.TXT", "XSRD1.TXT"})
        test::WriteFile(dir + "/" + name, "Comparing A with B\n");
    fs::create_directory(dir + "/SRD9.DIR");
    EXPECT_EQ(DeleteOldSchemaReports(dir), 4);
    EXPECT_TRUE(fs::exists(dir + "/KEEP.TXT"));
    EXPECT_TRUE(fs::exists(dir + "/XSRD1.TXT"));
    EXPECT_TRUE(fs::exists(dir + "/SRD9.DIR"));
    EXPECT_FALSE(fs::exists(dir + "/SRD17.TXT"));
    fs::remove_all(dir);
}

TEST(SchemaEntry, RefusesWhileRunsAreGoingAndWithFewerThanTwoServers) {
    ScriptedInteraction ui;
    EXPECT_FALSE(SchemaRunsIdle([] { return 2; }, ui));
    EXPECT_TRUE(SchemaRunsIdle([] { return 0; }, ui));
    EXPECT_FALSE(EnoughServers(1, ui));
    EXPECT_TRUE(EnoughServers(2, ui));
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].kind, "information");
    EXPECT_EQ(ui.boxes[0].text, "There are 2 of SCHRPT.EXE running.\rFor proper results, these "
                                "instances must be terminated before continuing.");
    EXPECT_EQ(ui.boxes[1].text, "At least two servers need to be selected.");
}

TEST(SchemaEntry, DistributionListFollowsReadableReplicasAtTheServersLevel) {
    Fixture f;
    TreeDesign& d = f.design;
    test::MakeEmpty(d);
    ObjectNode* corp = d.AddChild(d.Root(), "CORP", kClassOrganization);
    ObjectNode* sales = d.AddChild(corp, "SALES", kClassOrgUnit);
    ObjectNode* deep = d.AddChild(sales, "EAST", kClassOrgUnit);
    test::MakePartition(d, sales);
    test::MakePartition(d, deep);
    for (const char* s : {"FS1", "FS2", "FS3", "FS4", "FS5", "LONE"})
        test::AddServer(d, corp, s);
    test::AddReplica(d, "SALES.CORP", "FS1", kMaster);
    test::AddReplica(d, "SALES.CORP", "FS2", kReadWrite);
    test::AddReplica(d, "SALES.CORP", "FS3", kSubRef);
    test::AddReplica(d, "SALES.CORP", "FS4", kReadOnly);
    test::AddReplica(d, "EAST.SALES.CORP", "FS1", kReadWrite);
    test::AddReplica(d, "EAST.SALES.CORP", "FS5", kMaster);
    // FS4 also holds the root partition: its level lies above FS1's.
    test::AddReplica(d, "[ROOT]", "FS4", kMaster);

    auto list = DistributionListOrNotice(d, "FS1", f.ui);
    EXPECT_EQ(list, (std::vector<std::string>{"FS1", "FS2", "FS5"}));
    EXPECT_TRUE(f.progress.Saw("  Finding Distribution List.."));
    EXPECT_GT(f.progress.pumps, 0);

    // No replica at all, and a partition nobody else holds.
    EXPECT_TRUE(DistributionListOrNotice(d, "LONE", f.ui).empty());
    test::MakePartition(d, d.AddChild(corp, "WEST", kClassOrgUnit));
    test::AddReplica(d, "WEST.CORP", "LONE", kMaster);
    EXPECT_TRUE(DistributionListOrNotice(d, "LONE", f.ui).empty());
    // A sub-reference of the server itself still leads to the partition's readable replicas.
    test::AddReplica(d, "EAST.SALES.CORP", "LONE", kSubRef);
    EXPECT_EQ(DistributionListOrNotice(d, "LONE", f.ui),
              (std::vector<std::string>{"LONE", "FS1", "FS5"}));
    EXPECT_EQ(f.ui.Texts("information"),
              (std::vector<std::string>{"This server has no Schema Distribution List.",
                                        "This server has no Schema Distribution List."}));
}

TEST(SchemaReportParser, ReadsBothSidesWithUniqueNamesAndDefinitionTrees) {
    Parsed p = Parse(kReport);
    ASSERT_TRUE(p.ok) << (p.memo.size() > 2 ? p.memo[2] : "");
    EXPECT_EQ(p.memo, (std::vector<std::string>{"Successfully parsed file : SRD1.TXT", ""}));
    // The trailing "..." of a server name is cut, so the sides still match.
    EXPECT_EQ(
        p.pair.first.items,
        (std::vector<std::string>{"CLASSES", "ATTRS", "FS1", "C" + kSep + "PROFILE",
                                  "C" + kSep + "PRINTER QUEUE", "A" + kSep + "TELEPHONENUMBER"}));
    EXPECT_EQ(p.pair.second.items,
              (std::vector<std::string>{"CLASSES", "ATTRS", "FS2",
                                        "S" + kSep + "1.3.6.1.4.1.1466.115.121.1.27 INTEGER"}));
    EXPECT_EQ(p.pair.first.classes,
              (std::vector<std::string>{"USER", "\tMUST", "\t\tHAS SURNAME", "\t\tLACKS CN",
                                        "\tMAY", "\t\tHAS LOGINSCRIPT"}));
    EXPECT_EQ(p.pair.first.attrs, (std::vector<std::string>{"SURNAME", "\tSYNTAX",
                                                            "\t\t1.3.6.1.4.1.1466.115.121.1.15"}));
    EXPECT_EQ(p.pair.second.classes,
              (std::vector<std::string>{"USER", "\tMUST", "\t\tHAS CN", "\t\tLACKS SURNAME"}));
    EXPECT_TRUE(p.pair.second.attrs.empty());
}

TEST(SchemaReportParser, AcceptsTheShortestReportsAndWindowsLineEnds) {
    EXPECT_TRUE(Parse("Comparing A with B\n").ok);
    EXPECT_TRUE(Parse("Comparing A with B\r\nClasses unique to A\r\nNone\r\n").ok);
    Parsed none = Parse("COMPARING a WITH b CLASSES UNIQUE TO a NONE DEFINITION DIFFERENCES FOR "
                        "b NONE");
    EXPECT_TRUE(none.ok);
    EXPECT_EQ(none.pair.second.ServerName(), "B");
    // The last line counts like every other, also without a line break.
    EXPECT_TRUE(Parse("Comparing A with B\nClasses unique to A\n  top").ok);
}

TEST(SchemaReportParser, EveryFailureNamesItsCause) {
    EXPECT_EQ(Failure("Hello A with B"), "\"COMPARING\" expected.");
    EXPECT_EQ(Failure("Comparing A and B"), "\"WITH\" expected.");
    EXPECT_EQ(Failure("Comparing A with B Classes only"), "\"UNIQUE\" expected.");
    EXPECT_EQ(Failure("Comparing A with B Classes unique on A"), "\"TO\" expected.");
    EXPECT_EQ(Failure("Comparing A with B Definition sets"), "\"DIFFERENCES\" expected.");
    EXPECT_EQ(Failure("Comparing A with B Definition differences on A"), "\"FOR\" expected.");
    EXPECT_EQ(Failure("Comparing A with B Definition differences for A Class names"),
              "\"DEFINITIONS\" expected.");
    EXPECT_EQ(Failure("Comparing A with B Classes unique to C"), "Server name expected.");
    EXPECT_EQ(Failure("Comparing A with B Definition differences for A... x Class definitions\n"
                      "top\nDefinition differences for Z"),
              "Server name expected.");
    EXPECT_EQ(Failure("Comparing A with B Objects unique to A"),
              "Expecting \"Class\", \"Attributes\", \"Syntax\", or \"Definition\".");
    EXPECT_EQ(Failure("Comparing A with B Classes unique to A\ntop\nwith"), "Unknown Identifier.");
    // A class definition list before any "Definition differences for" line.
    EXPECT_EQ(Failure("Comparing A with B Classes unique to A\nClass definitions"),
              "Unknown Identifier.");
    EXPECT_EQ(Failure("Comparing A with B Classes unique"), "Unexpected end of file.");
    EXPECT_EQ(Failure(""), "Unexpected end of file.");
}

TEST(SchemaReportParser, FailuresGoToTheMemoWithLineAndColumn) {
    Parsed p = Parse("Comparing A with B\n\n  Classes unique to A\n  top\n    with x\n");
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.memo,
              (std::vector<std::string>{"Error parsing report for : FS1,FS2", "FileName :SRD1.TXT",
                                        "Unknown Identifier.", "Line :5 Column : 5", ""}));
    // The side lists keep what was read before the failure.
    EXPECT_EQ(p.pair.first.items.back(), "C" + kSep + "TOP");

    std::vector<std::string> memo;
    TSchCmpClass pair;
    EXPECT_FALSE(ParseSchemaReportPath("/nonexistent/SRD3.TXT", "SRD3.TXT", "A,B", pair, memo));
    EXPECT_EQ(memo,
              (std::vector<std::string>{"Error parsing report for : A,B", "FileName :SRD3.TXT",
                                        "Cannot open file.", "Line :0 Column : 1", ""}));
}

TEST(SchemaReportParser, AKeywordStartingALineInANameListIsTakenAsTheKeyword) {
    // "Syntaxes" ends the class list although it was meant as a class name.
    Parsed p = Parse("Comparing A with B\nClasses unique to A\n  Syntaxes\n  top\n");
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.memo[2], "\"UNIQUE\" expected.");
    // A name that only starts with a keyword's letters is a name.
    Parsed q = Parse("Comparing A with B\nClasses unique to A\n  Topology\n  Classic\n");
    EXPECT_TRUE(q.ok);
    EXPECT_EQ(q.pair.first.items.size(), 5u);
}

TEST(SchemaReportParser, ParsesEveryPairsFileOfTheFolder) {
    const std::string dir = test::TempDir();
    auto commands = BuildSchemaCommands({"A", "B", "C"});
    std::vector<TSchCmpClass> results(3);
    test::WriteFile(dir + "/SRD1.TXT", "Comparing A with B\nClasses unique to A\nNone\n");
    test::WriteFile(dir + "/SRD3.TXT", "Comparing B with C\nClasses unique to C\nx\n");
    std::vector<std::string> memo;
    EXPECT_TRUE(ParseAllSchemaReports(commands, results, memo, dir));
    ASSERT_EQ(memo.size(), 9u);
    EXPECT_EQ(memo[0], "Successfully parsed file : SRD1.TXT");
    EXPECT_EQ(memo[2], "Error parsing report for : A,C");
    EXPECT_EQ(memo[3], "FileName :SRD2.TXT");
    EXPECT_EQ(memo[4], "Cannot open file.");
    EXPECT_EQ(memo[7], "Successfully parsed file : SRD3.TXT");
    EXPECT_EQ(results[2].second.items.back(), "C" + kSep + "X");
    test::WriteFile(dir + "/SRD2.TXT", "Comparing A with C\nSyntaxes unique to A\nNone\n");
    memo.clear();
    results.assign(3, {});
    EXPECT_FALSE(ParseAllSchemaReports(commands, results, memo, dir));
    fs::remove_all(dir);
}

// ---- the wait dialog's rules ----

struct RunHarness {
    std::string dir = test::TempDir();
    ScriptedInteraction ui;
    std::vector<std::string> started;
    std::vector<int> census; // answers in order; 0 when used up
    std::size_t polled = 0;
    std::unique_ptr<SchemaReportRun> run;

    explicit RunHarness(std::vector<std::string> servers) {
        run = std::make_unique<SchemaReportRun>(
            BuildSchemaCommands(SortServers(servers)),
            [this] { return polled < census.size() ? census[polled++] : (polled++, 0); },
            [this](const std::string& line) { started.push_back(line); }, ui, dir);
        run->Show();
    }
    ~RunHarness() { fs::remove_all(dir); }
    void WriteReports() {
        for (int n = 1; n <= run->PairCount(); ++n)
            test::WriteFile(dir + "/" + SchemaReportFileName(n),
                            "Comparing X with Y\nClasses unique to X\nNone\n");
    }
};

TEST(SchemaReportRun, OneRunPerFreeTickAndTheReportsReadOnTheNinthFreeTickAfterTheLast) {
    RunHarness h({"C", "A", "B"});
    h.WriteReports();
    // Each run keeps its marked process for two ticks.
    h.census = {0, 1, 1, 0, 1, 1, 0};
    std::vector<std::string> labels;
    for (int tick = 1; tick <= 7; ++tick) {
        h.run->Tick();
        labels.push_back(h.run->Label());
    }
    EXPECT_EQ(h.started, (std::vector<std::string>{"CommanD.cOm /C SCHCMP.EXE A B > SRD1.TXT",
                                                   "CommanD.cOm /C SCHCMP.EXE A C > SRD2.TXT",
                                                   "CommanD.cOm /C SCHCMP.EXE B C > SRD3.TXT"}));
    EXPECT_EQ(labels[0], "Generating Schema Reports.");
    EXPECT_EQ(labels[1], "Generating Schema Reports..");
    EXPECT_EQ(labels[2], "Generating Schema Reports...");
    EXPECT_EQ(labels[3], "Generating Schema Reports");
    EXPECT_EQ(labels[4], "Generating Schema Reports.");
    // Seven more free ticks, then the ninth reads the reports; a busy tick between does not count.
    for (int tick = 0; tick < 7; ++tick)
        h.run->Tick();
    h.census.push_back(0);
    h.census.resize(h.polled + 1, 0);
    h.census[h.polled] = 3;
    h.run->Tick(); // busy
    EXPECT_TRUE(h.run->TimerRunning());
    h.run->Tick(); // eighth free
    EXPECT_TRUE(h.run->TimerRunning());
    EXPECT_TRUE(h.run->Memo().empty());
    h.run->Tick(); // ninth free
    EXPECT_FALSE(h.run->TimerRunning());
    EXPECT_TRUE(h.run->Completed());
    EXPECT_TRUE(h.run->Closed());
    EXPECT_EQ(h.run->Memo().size(), 6u);
    EXPECT_TRUE(h.ui.boxes.empty());
    EXPECT_EQ(h.started.size(), 3u);
}

TEST(SchemaReportRun, AFailedReportAsksWhetherToContinue) {
    {
        RunHarness h({"A", "B"});
        h.ui.answers = {true};
        for (int i = 0; i < 10; ++i)
            h.run->Tick();
        EXPECT_TRUE(h.run->Completed());
        EXPECT_FALSE(h.run->Closed());
        EXPECT_EQ(h.run->ButtonText(), "Continue");
        EXPECT_EQ(h.ui.Texts("question"),
                  (std::vector<std::string>{"Not all reports were generated successfully.\rIf you "
                                            "choose to continue, the results will not \rbe "
                                            "accurate.\rContinue?"}));
        EXPECT_EQ(h.run->Memo()[2], "Cannot open file.");
        h.run->Button();
        EXPECT_TRUE(h.run->Closed());
        EXPECT_TRUE(h.run->Completed());
    }
    {
        RunHarness h({"A", "B"});
        h.ui.answers = {false};
        for (int i = 0; i < 10; ++i)
            h.run->Tick();
        EXPECT_TRUE(h.run->Closed());
        EXPECT_FALSE(h.run->Completed());
    }
}

TEST(SchemaReportRun, AbortAsksAndLeavesTheRunsGoing) {
    RunHarness h({"A", "B"});
    h.run->Tick();
    h.ui.answers = {false, true};
    h.run->Button();
    EXPECT_TRUE(h.run->TimerRunning());
    EXPECT_FALSE(h.run->Closed());
    h.run->Button();
    EXPECT_FALSE(h.run->TimerRunning());
    EXPECT_TRUE(h.run->Closed());
    EXPECT_FALSE(h.run->Completed());
    EXPECT_TRUE(h.run->Results().empty());
    EXPECT_EQ(h.ui.Texts("question"),
              std::vector<std::string>(2, "There are still instances of SCHCMP.EXE running.\r"
                                          "Aborting will NOT kill these instances of "
                                          "SCHCMP.EXE.\rAbort?"));
    h.run->Tick();
    EXPECT_EQ(h.started.size(), 1u);
}

// ---- the report dialog ----

TEST(SchemaReportBrowser, ShowsTheSelectedServersReportsFromItsSide) {
    std::vector<TSchCmpClass> results(3);
    Parsed p = Parse(kReport);
    ASSERT_TRUE(p.ok);
    results[0] = p.pair;
    // A report that failed before its first line is passed over.
    ASSERT_FALSE(Parse("Comparing").ok);
    results[2] = Parse("Comparing FS2 with FS3\nClasses unique to FS3\nx\n").pair;

    SchemaReportBrowser b(results, {"FS3", "fs1", "FS2"});
    EXPECT_EQ(b.Servers(), (std::vector<std::string>{"fs1", "FS2", "FS3"}));
    Result<std::string> selected = b.SelectServer("FS2");
    ASSERT_TRUE(selected);
    std::string message = *selected;
    EXPECT_TRUE(message.empty());
    EXPECT_EQ(b.Reports(), (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(b.CounterText(), " 1 of 2");
    EXPECT_EQ(b.Left().server, "FS2");
    EXPECT_EQ(b.Right().server, "FS1");
    EXPECT_EQ(b.Left().syntaxes,
              (std::vector<std::string>{"1.3.6.1.4.1.1466.115.121.1.27 INTEGER"}));
    EXPECT_EQ(b.Right().classes, (std::vector<std::string>{"PROFILE", "PRINTER QUEUE"}));
    EXPECT_FALSE(b.SpinUp());
    EXPECT_TRUE(b.SpinDown());
    EXPECT_EQ(b.CounterText(), " 2 of 2");
    EXPECT_FALSE(b.SpinDown());
    EXPECT_EQ(b.Right().classes, (std::vector<std::string>{"X"}));
    EXPECT_TRUE(b.SpinUp());

    selected = b.SelectServer("FS9");
    EXPECT_FALSE(selected);
    message = selected.error();
    EXPECT_EQ(message, "There are no schema reports for server : FS9");
    EXPECT_EQ(b.CounterText(), "");
    EXPECT_TRUE(b.PrintLines().empty());
}

TEST(SchemaReportBrowser, MoreReportsThanTheDialogKeepsAreAllListedAfterANotice) {
    std::vector<TSchCmpClass> results(kMaxReportsPerServer + 1);
    for (std::size_t i = 0; i < results.size(); ++i) {
        results[i].first.items.push_back("HUB");
        results[i].second.items.push_back("S" + std::to_string(i));
    }
    SchemaReportBrowser b(results, {"HUB"});
    Result<std::string> selected = b.SelectServer("HUB");
    ASSERT_TRUE(selected);
    const std::string message = *selected;
    EXPECT_EQ(message, "There are 2001 schema reports for server : HUB, more than 2000.\rAll of "
                       "them are listed.");
    EXPECT_EQ(b.Reports().size(), 2001u);
    while (b.SpinDown()) {
    }
    EXPECT_EQ(b.CounterText(), " 2001 of 2001");
    EXPECT_EQ(b.Right().server, "S2000");
}

TEST(SchemaReportBrowser, DefinitionTreesHaveNamesRulesAndDifferences) {
    DefinitionNode root = BuildDefinitionTree(
        "Classes", {"USER", "\tMUST", "\t\tHAS SN", "\t\tLACKS CN", "\tMAY", "GROUP", "\tKIND"});
    ASSERT_EQ(root.children.size(), 2u);
    EXPECT_EQ(root.children[0].text, "USER");
    ASSERT_EQ(root.children[0].children.size(), 2u);
    EXPECT_EQ(root.children[0].children[0].text, "MUST");
    EXPECT_EQ(root.children[0].children[0].children[1].text, "LACKS CN");
    EXPECT_EQ(DefinitionLabel(0, root), "Total Classes : 2");
    EXPECT_EQ(DefinitionLabel(1, root.children[0]), "Total Rules : 2");
    EXPECT_EQ(DefinitionLabel(2, root.children[0].children[0]), "Total Differences : 2");
    EXPECT_EQ(DefinitionLabel(3, root.children[0].children[0].children[0]), "");
    // Lines without a parent above them go to the nearest level there is.
    DefinitionNode orphans = BuildDefinitionTree("Attributes", {"\t\tX", "\tY"});
    ASSERT_EQ(orphans.children.size(), 1u);
    EXPECT_EQ(orphans.children[0].text, "X");
    EXPECT_EQ(orphans.children[0].children.at(0).text, "Y");
}

TEST(SchemaReportBrowser, PrintTextHasFiveSectionsInFiftyCharacterColumns) {
    std::vector<TSchCmpClass> results{Parse(kReport).pair};
    SchemaReportBrowser b(results, {"FS1", "FS2"});
    ASSERT_TRUE(b.SelectServer("FS2"));
    auto col = [](std::string l, const std::string& r) {
        l.resize(std::max<std::size_t>(l.size(), 50), ' ');
        return l + r;
    };
    const std::vector<std::string> expected{
        col("FS2", "FS1"),
        "Unique Classes",
        col("", "  PROFILE"),
        col("", "  PRINTER QUEUE"),
        col("Total : 0", "Total : 2"),
        "",
        "Unique Attributes",
        col("", "  TELEPHONENUMBER"),
        col("Total : 0", "Total : 1"),
        "",
        "Unique Syntaxes",
        col("  1.3.6.1.4.1.1466.115.121.1.27 INTEGER", ""),
        col("Total : 1", "Total : 0"),
        "",
        "Class Definition Differences",
        col("  USER", "  USER"),
        col("    MUST", "    MUST"),
        col("      HAS CN", "      HAS SURNAME"),
        col("      LACKS SURNAME", "      LACKS CN"),
        col("", "    MAY"),
        col("", "      HAS LOGINSCRIPT"),
        col("Total : 1", "Total : 1"),
        "",
        "Attribute Definition Differences",
        col("", "  SURNAME"),
        col("", "    SYNTAX"),
        col("", "      1.3.6.1.4.1.1466.115.121.1.15"),
        col("Total : 0", "Total : 1"),
    };
    EXPECT_EQ(b.PrintLines(), expected);
    // A left entry longer than the column gets no blank.
    SchemaSideView l, r;
    l.server = std::string(60, 'L');
    r.server = "R";
    EXPECT_EQ(BuildSchemaPrintLines(l, r)[0], std::string(60, 'L') + "R");
}

// ---- SCHCMP ----

const char* const kTree = R"(dn: cn=T
objectClass: qvContainer
cn: T
qvBaseClass: Top

dn: o=CORP,cn=T
objectClass: qvContainer
o: CORP
qvBaseClass: Organization

dn: cn=FS1,o=CORP,cn=T
objectClass: qvObject
cn: FS1
qvBaseClass: NCP Server
qvObjectClasses: ( 1.2.3.2.1 NAME 'user' SUP top STRUCTURAL MUST surname MAY ( phone $ loginScript ) )
qvObjectClasses: ( 1.2.3.2.2 NAME 'profile' SUP top AUXILIARY )
qvAttributeTypes: ( 1.2.3.1.1 NAME 'surname' EQUALITY caseIgnoreMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15 )
qvAttributeTypes: ( 1.2.3.1.2 NAME 'phone' SYNTAX 1.3.6.1.4.1.1466.115.121.1.50 SINGLE-VALUE )
qvLdapSyntaxes: ( 1.3.6.1.4.1.1466.115.121.1.50 DESC 'Telephone Number' )

dn: cn=FS2,o=CORP,cn=T
objectClass: qvObject
cn: FS2
qvBaseClass: NCP Server
qvObjectClasses: ( 1.2.3.2.1 NAME 'User' SUP person STRUCTURAL MUST ( surname $ cn ) MAY loginScript )
qvObjectClasses: ( 1.2.3.2.3 NAME 'group' SUP top STRUCTURAL MAY member )
qvAttributeTypes: ( 1.2.3.1.1 NAME 'surname' EQUALITY caseExactMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.15{64} )
qvAttributeTypes: ( 1.2.3.1.2 NAME 'phone' SYNTAX 1.3.6.1.4.1.1466.115.121.1.50 )

dn: cn=FS3,o=CORP,cn=T
objectClass: qvObject
cn: FS3
qvBaseClass: NCP Server

dn: cn=FS4,o=CORP,cn=T
objectClass: qvObject
cn: FS4
qvBaseClass: NCP Server
qvSchemaSource: ldap://schema.example:389

dn: cn=PRINTQ,o=CORP,cn=T
objectClass: qvObject
cn: PRINTQ
qvBaseClass: Queue
)";

struct Standin {
    nds::DirectoryEntries directory;
    SchemaSources sources;
    std::vector<std::string> asked;
    Standin() {
        EXPECT_EQ(directory.LoadLdif(kTree), nds::kOk);
        sources.connection.address = "ldif:/nowhere/tree.ldif";
        sources.readSubschema = [this](const std::string& uri,
                                       const nds::TreeConnection*) -> qv::Result<ServerSchema> {
            asked.push_back(uri);
            ServerSchema schema;
            AddDescriptions(schema, SchemaKind::ObjectClass,
                            {"( 2.5.6.0 NAME 'top' ABSTRACT MUST objectClass )"});
            return schema;
        };
    }
    int Run(std::vector<std::string> args, std::string& out) {
        return RunSchemaCompare(args, directory, sources, out);
    }
};

TEST(SchemaCompareStandin, ReportsUniqueNamesAndEveryDifferingRule) {
    Standin s;
    std::string out;
    ASSERT_EQ(s.Run({"fs1", "FS2"}, out), 0) << out;
    EXPECT_EQ(out, "Comparing fs1 with FS2\n"
                   "\n"
                   "Classes unique to fs1\n"
                   "    profile\n"
                   "Classes unique to FS2\n"
                   "    group\n"
                   "\n"
                   "Attributes unique to fs1\n"
                   "    None\n"
                   "Attributes unique to FS2\n"
                   "    None\n"
                   "\n"
                   "Syntaxes unique to fs1\n"
                   "    1.3.6.1.4.1.1466.115.121.1.50 Telephone Number\n"
                   "Syntaxes unique to FS2\n"
                   "    None\n"
                   "\n"
                   "Definition differences for fs1\n"
                   "Class definitions\n"
                   "user\n"
                   "\tSuperior classes\n"
                   "\t\tHas top\n"
                   "\t\tLacks person\n"
                   "\tMUST\n"
                   "\t\tLacks cn\n"
                   "\tMAY\n"
                   "\t\tHas phone\n"
                   "Attribute definitions\n"
                   "phone\n"
                   "\tSingle-value\n"
                   "\t\tYes\n"
                   "surname\n"
                   "\tSyntax\n"
                   "\t\t1.3.6.1.4.1.1466.115.121.1.15\n"
                   "\tEquality\n"
                   "\t\tcaseIgnoreMatch\n"
                   "\n"
                   "Definition differences for FS2\n"
                   "Class definitions\n"
                   "User\n"
                   "\tSuperior classes\n"
                   "\t\tHas person\n"
                   "\t\tLacks top\n"
                   "\tMUST\n"
                   "\t\tHas cn\n"
                   "\tMAY\n"
                   "\t\tLacks phone\n"
                   "Attribute definitions\n"
                   "phone\n"
                   "\tSingle-value\n"
                   "\t\tNo\n"
                   "surname\n"
                   "\tSyntax\n"
                   "\t\t1.3.6.1.4.1.1466.115.121.1.15{64}\n"
                   "\tEquality\n"
                   "\t\tcaseExactMatch\n");

    // The report reads back through the parser, both sides complete.
    Parsed p = Parse(out);
    ASSERT_TRUE(p.ok) << (p.memo.size() > 3 ? p.memo[2] + " " + p.memo[3] : "");
    EXPECT_EQ(p.pair.first.ServerName(), "FS1");
    EXPECT_EQ(p.pair.first.items.size(), 5u);
    EXPECT_EQ(p.pair.first.classes.size(), 8u);
    EXPECT_EQ(p.pair.first.attrs.size(), 8u);
    EXPECT_EQ(p.pair.second.classes.front(), "USER");
    EXPECT_EQ(p.pair.second.attrs.back(), "\t\tCASEEXACTMATCH");
}

TEST(SchemaCompareStandin, SchemaSourcesAndTheDirectorysOwnSchema) {
    Standin s;
    std::string out;
    ASSERT_EQ(s.Run({"FS4", "FS3"}, out), 0) << out;
    EXPECT_EQ(s.asked, (std::vector<std::string>{"ldap://schema.example:389"}));
    // FS3 has the directory's schema: ours on core.schema.
    EXPECT_NE(out.find("Classes unique to FS3\n"), std::string::npos);
    EXPECT_NE(out.find("    qvContainer\n"), std::string::npos);
    EXPECT_NE(out.find("    qvBaseClass\n"), std::string::npos);
    EXPECT_NE(out.find("Classes unique to FS4\n    top\n"), std::string::npos);
    EXPECT_TRUE(Parse(out).ok);

    // An ldap:// tree's own schema is that server's subschema.
    s.sources.connection.address = "ldap://127.0.0.1:1/cn=T";
    s.asked.clear();
    ASSERT_EQ(s.Run({"FS3", "FS4"}, out), 0) << out;
    EXPECT_EQ(s.asked,
              (std::vector<std::string>{"ldap://127.0.0.1:1/cn=T", "ldap://schema.example:389"}));
    EXPECT_NE(out.find("Definition differences for FS3\n    None\n"), std::string::npos);
}

TEST(SchemaCompareStandin, WrongArgumentsAndUnknownServersAreReportedInTheOutput) {
    Standin s;
    std::string out;
    EXPECT_EQ(s.Run({"FS1"}, out), 1);
    EXPECT_EQ(out, "Usage: SCHCMP.EXE SERVER1 SERVER2\n");
    EXPECT_EQ(s.Run({"FS1", "PRINTQ"}, out), 1);
    EXPECT_EQ(out, "SCHCMP: server PRINTQ not found.\n");
    s.sources.readSubschema = [](const std::string&,
                                 const nds::TreeConnection*) -> qv::Result<ServerSchema> {
        return qv::Failed("cannot connect");
    };
    EXPECT_EQ(s.Run({"FS1", ".FS4.CORP"}, out), 1);
    EXPECT_EQ(out, "SCHCMP: .FS4.CORP: cannot connect\n");
    // Such output fails the parse, so the comparison reports it.
    EXPECT_EQ(Failure(out), "\"COMPARING\" expected.");
}

// The program itself: its own usage line, and no tree connection to read.
TEST(SchemaCompareStandin, TheProgramReportsOnStdoutAndExitsOne) {
    const std::string dir = test::TempDir();
    auto run = [&](const std::string& args, int& status) {
        const std::string cmd = "XDG_CONFIG_HOME='" + dir + "' '" + QV_UTILITIES_DIR + "/schcmp' " +
                                args + " 2>/dev/null";
        std::string out;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[256];
        while (p && fgets(buf, sizeof buf, p))
            out += buf;
        status = p ? pclose(p) : -1;
        return out;
    };
    int status = 0;
    EXPECT_EQ(run("FS1", status), "Usage: SCHCMP.EXE SERVER1 SERVER2\n");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_EQ(run("FS1 FS2", status).rfind("SCHCMP: No tree connection", 0), 0u);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    fs::remove_all(dir);
}

TEST(SchemaDescriptions, ParsesRfc4512AndSlapdSchemaFiles) {
    SchemaDefinition d;
    ASSERT_TRUE(ParseSchemaDescription(
        "( 2.5.4.3 NAME ( 'cn' 'commonName' ) DESC 'RFC4519: common name' SUP name "
        "SINGLE-VALUE X-ORIGIN 'RFC 4519' )",
        d));
    EXPECT_EQ(d.oid, "2.5.4.3");
    EXPECT_EQ(d.name, "cn");
    EXPECT_EQ(d.desc, "RFC4519: common name");
    EXPECT_EQ(d.First("SUP"), "name");
    EXPECT_TRUE(d.Has("SINGLE-VALUE"));
    EXPECT_EQ(d.fields["X-ORIGIN"], (std::vector<std::string>{"RFC 4519"}));
    EXPECT_FALSE(ParseSchemaDescription("cn", d));
    EXPECT_FALSE(ParseSchemaDescription("( )", d));

    ServerSchema schema;
    LoadSlapdSchemaText("# comment\n"
                        "objectidentifier Root 1.2.3\n"
                        "objectidentifier Attr Root:1\n"
                        "attributetype ( Attr:7 NAME 'qvThing'\n"
                        "\tSYNTAX 1.3.6.1.4.1.1466.115.121.1.15 )\n"
                        "objectclass ( Root:2.1 NAME 'qvBox' MAY qvThing )\n"
                        "include other.schema\n",
                        schema);
    ASSERT_EQ(schema.attributes.count("qvthing"), 1u);
    EXPECT_EQ(schema.attributes["qvthing"].oid, "1.2.3.1.7");
    EXPECT_EQ(schema.classes["qvbox"].oid, "1.2.3.2.1");
    EXPECT_EQ(AddDescriptions(schema, SchemaKind::LdapSyntax, {"junk", "( 1.2 DESC 'x' )"}), 1);
    EXPECT_EQ(schema.syntaxes.count("1.2"), 1u);
}

} // namespace
} // namespace qv::utilities

// The directory schema is found as the installed program finds it, wherever
// the build folder is: the override first, then beside the program (the
// build folder keeps its copy in share/quorvane), never by climbing into the
// source tree.
TEST(DataFiles, FoundByTheOverrideThenBesideTheProgram) {
    namespace fs = std::filesystem;
    const fs::path scratch = fs::temp_directory_path() / ("qv-data-" + std::to_string(::getpid()));
    fs::create_directories(scratch / "data");
    std::ofstream(scratch / "data" / "quorvane.schema") << "# a moved installation\n";
    struct Case {
        const char* override;
        bool found;
        const char* under; // the folder the file is found below
    };
    const std::string build = fs::canonical("/proc/self/exe").parent_path().parent_path().string();
    const std::string moved = scratch.string();
    for (const Case& c :
         {Case{moved.c_str(), true, moved.c_str()},
          Case{"/nonexistent/quorvane", true, build.c_str()}, Case{"", true, build.c_str()}}) {
        ::setenv("QUORVANE_DATA_DIR", c.override, 1);
        const std::string path = qv::utilities::FindDataFile("data/quorvane.schema");
        EXPECT_EQ(!path.empty(), c.found) << c.override;
        EXPECT_EQ(path.rfind(c.under, 0), 0u) << path << " for " << c.override;
    }
    ::setenv("QUORVANE_DATA_DIR", "", 1);
    EXPECT_EQ(qv::utilities::FindDataFile("data/no-such-file"), "");
    EXPECT_EQ(qv::utilities::FindDataFile("data").empty(), true); // a folder is not a data file
    ::unsetenv("QUORVANE_DATA_DIR");
    fs::remove_all(scratch);
}
