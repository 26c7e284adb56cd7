// The object report reader (NLIST * /S output).
#include "files/design_file.h"
#include "files/object_report.h"
#include "files/report_reader.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::Fixture;

std::string Join(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines)
        s += l + "\n";
    return s;
}

// An object line with the class from column 48.
std::string Obj(const std::string& name, const std::string& cls) {
    std::string s = name;
    s.resize(47, ' ');
    return s + cls;
}

std::vector<std::string> Context(const std::string& context,
                                 const std::vector<std::pair<std::string, std::string>>& objects) {
    std::vector<std::string> l = {"Current context: " + context,
                                  "Partial Name                                   Object Class",
                                  "---------------------------------------------- ------------"};
    for (const auto& [n, c] : objects)
        l.push_back(Obj(n, c));
    l.push_back("A total of " + std::to_string(objects.size()) +
                " objects was found in this context.");
    return l;
}

std::string Report(const std::vector<std::vector<std::string>>& contexts) {
    std::vector<std::string> all;
    for (const auto& c : contexts)
        all.insert(all.end(), c.begin(), c.end());
    return Join(all);
}

// The design of the replica ring example: CORP > FS1, SALES (partition) > FS2.
void CorpDesign(Fixture& f) {
    NewDesign(f.design, 1);
    std::string ring = "REPORT TITLE: DSD LIST REPLICA RINGS\nREPORT VERSION: 0.8\n";
    auto line = [](std::string head, const std::string& server) {
        head.resize(44, ' ');
        return head + "X " + server + " END\n";
    };
    ring += "PARTITION: \\T\nREPLICA\nSTATUS\nNUMB\n" + line("1 1 M ON", "\\T\\O=CORP\\CN=FS1");
    ring += "PARTITION: \\T\\O=CORP\\OU=SALES\nREPLICA\nSTATUS\nNUMB\n" +
            line("1 1 M ON", "\\T\\O=CORP\\OU=SALES\\CN=FS2") +
            line("2 1 RW ON", "\\T\\O=CORP\\CN=FS1") + "REPLICAS\n";
    ASSERT_TRUE(ReadReportText(f.design, ring, "R.RPT", true));
    f.ui.boxes.clear();
    f.design.DropChanges();
}

std::vector<std::string> Leaves(const ObjectNode* n) {
    std::vector<std::string> out;
    if (n->Leaves())
        for (const std::string& e : *n->Leaves())
            out.push_back(std::string(LeafName(e)) + ":" + std::to_string(LeafClassIndex(e)));
    return out;
}

std::vector<std::string> Names(const ObjectNode* n) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < n->ChildCount(); ++i)
        out.push_back(n->Child(i)->Name());
    return out;
}

std::string Bytes(TreeDesign& d) {
    std::string out;
    const Result<std::string> serialized = SerializeDesign(d);
    EXPECT_TRUE(serialized);
    out = serialized.value_or("");
    return out;
}

std::string Failure(const Fixture& f) {
    auto boxes = f.ui.Texts("information");
    return boxes.empty() ? "" : boxes.back();
}

TEST(ObjectReport, ExampleAddsLeafEntries) {
    Fixture f;
    CorpDesign(f);
    std::string text =
        Report({Context("SALES.CORP", {{"JSMITH", "User"}, {"FS2", "NetWare Server"}}),
                Context("CORP", {{"PRINTQ1", "Print Queue"}})});
    ASSERT_TRUE(ReadObjectReportText(f.design, text)) << Failure(f);
    EXPECT_TRUE(f.ui.boxes.empty());
    ObjectNode* corp = f.design.Root()->Child(0);
    ObjectNode* sales = corp->Child(1);
    EXPECT_EQ(Leaves(sales), (std::vector<std::string>{"FS2:3", "JSMITH:44"}));
    EXPECT_EQ(Leaves(corp), (std::vector<std::string>{"FS1:3", "SALES:2", "PRINTQ1:36"}));
    EXPECT_EQ(Names(sales), (std::vector<std::string>{"FS2"}));
    EXPECT_EQ(f.design.servers.Size(), 2u);
    EXPECT_TRUE(f.design.classPresence.Contains(44));
    EXPECT_TRUE(f.design.classPresence.Contains(36));
    EXPECT_TRUE(f.design.Flags().modified);
    EXPECT_TRUE(f.design.Flags().subRefsStale);
    EXPECT_TRUE(f.progress.Saw("Importing Line: 1"));
    EXPECT_TRUE(f.progress.Saw("Importing Line: 10"));
    EXPECT_EQ(f.progress.Texts(ProgressChannel::Import).back(), "");

    // A second import of the same report changes nothing.
    std::string once = Bytes(f.design);
    ASSERT_TRUE(ReadObjectReportText(f.design, text));
    EXPECT_EQ(Bytes(f.design), once);
}

TEST(ObjectReport, ClassLookup) {
    EXPECT_EQ(ObjectReportClassIndex("Print Queue"), 36);
    EXPECT_EQ(ObjectReportClassIndex("  USER  "), kClassUser);
    EXPECT_EQ(ObjectReportClassIndex("NetWare Server"), kClassServer);
    // Names longer than 19 characters are printed cut to 19.
    EXPECT_EQ(ObjectReportClassIndex("Organizational Pers"), ClassIndexOf("ORGANIZATIONAL PERSON"));
    EXPECT_EQ(ObjectReportClassIndex("Organizational Person"), kClassNoDef);
    EXPECT_EQ(ObjectReportClassIndex("Organizational Unit"), kClassOrgUnit);
    EXPECT_EQ(ObjectReportClassIndex("Gadget"), kClassNoDef);
    EXPECT_EQ(ObjectReportClassIndex("NO_DEF"), kClassNoDef);
}

TEST(ObjectReport, ContextsBecomeContainerPaths) {
    Fixture f;
    CorpDesign(f);
    std::string text =
        Report({Context("[ROOT]", {{"ADMIN", "User"}}), Context("east.new.corp", {{"BOB", "User"}}),
                Context("CORP", {{"HR", "Organizational Unit"}, {"FS1", "Volume"}}),
                Context("WEST.HR.CORP", {{"ANN", "User"}})});
    ASSERT_TRUE(ReadObjectReportText(f.design, text)) << Failure(f);
    ObjectNode* root = f.design.Root();
    EXPECT_EQ(Leaves(root), (std::vector<std::string>{"CORP:1", "ADMIN:44"}));
    ObjectNode* corp = root->Child(0);
    // NEW was unknown: class 96, made the first child, and listed in CORP.
    ASSERT_EQ(Names(corp), (std::vector<std::string>{"NEW", "FS1", "SALES", "HR"}));
    ObjectNode* nw = corp->Child(0);
    EXPECT_EQ(nw->ClassIndex(), kClassNoDef);
    EXPECT_EQ(nw->PartitionMark(), kNoPartitionMark);
    ASSERT_EQ(Names(nw), (std::vector<std::string>{"EAST"}));
    EXPECT_EQ(Leaves(nw->Child(0)), (std::vector<std::string>{"BOB:44"}));
    // HR was listed first as a unit: a node of its class; FS1 is already listed.
    EXPECT_EQ(Leaves(corp), (std::vector<std::string>{"FS1:3", "SALES:2", "NEW:96", "HR:2"}));
    ObjectNode* hr = corp->Child(3);
    EXPECT_EQ(hr->ClassIndex(), kClassOrgUnit);
    EXPECT_EQ(Names(hr), (std::vector<std::string>{"WEST"}));
    EXPECT_EQ(hr->Child(0)->ClassIndex(), kClassNoDef);
    EXPECT_TRUE(f.design.classPresence.Contains(kClassNoDef));

    // A context named in a parent's leaf list takes its class from there.
    Fixture g;
    CorpDesign(g);
    g.design.AppendLeaf(g.design.Root()->Child(0), MakeLeafEntry("LAB", 20));
    ASSERT_TRUE(ReadObjectReportText(g.design, Report({Context("LAB.CORP", {{"X", "User"}})})));
    EXPECT_EQ(g.design.Root()->Child(0)->Child(0)->Name(), "LAB");
    EXPECT_EQ(g.design.Root()->Child(0)->Child(0)->ClassIndex(), kClassLocality);
}

TEST(ObjectReport, ServersAndContainersAreNodes) {
    Fixture f;
    CorpDesign(f);
    std::string text = Report({Context("SALES.CORP", {{"FS9", "NetWare Server"},
                                                      {"FS1", "NetWare Server"},
                                                      {"EAST", "Organizational Unit"},
                                                      {"MAIL", "Messaging Server"}})});
    ASSERT_TRUE(ReadObjectReportText(f.design, text)) << Failure(f);
    ObjectNode* sales = f.design.Root()->Child(0)->Child(1);
    // FS1 is already a server of the design (elsewhere): skipped altogether.
    EXPECT_EQ(Leaves(sales), (std::vector<std::string>{"FS2:3", "FS9:3", "EAST:2", "MAIL:23"}));
    EXPECT_EQ(Names(sales), (std::vector<std::string>{"FS2", "FS9", "EAST"}));
    EXPECT_EQ(sales->Child(1)->ClassIndex(), kClassServer);
    ASSERT_EQ(f.design.servers.Size(), 3u);
    EXPECT_EQ(f.design.servers.Name(2), "FS9");
    EXPECT_EQ(f.design.servers.Entries(2), ReplicaList{});
    EXPECT_EQ(f.design.attributes.Name(2), "DS VERSION:0");
    EXPECT_EQ(f.design.attributes.Entries(2), (ReplicaList{"IPX:00000000"}));
}

TEST(ObjectReport, TotalLinesAndTheEndOfTheReport) {
    // A total line is known by its phrase anywhere in the line: with 100
    // objects and more it reaches past the class column.
    Fixture f;
    CorpDesign(f);
    std::vector<std::string> l = Context("CORP", {{"A1", "User"}});
    l.back() = "A total of 100 objects was      found in this context.";
    l.push_back("A total of 2 objects was found.");
    ASSERT_TRUE(ReadObjectReportText(f.design, Join(l) + "\n\n")) << Failure(f);
    EXPECT_EQ(Leaves(f.design.Root()->Child(0)).back(), "A1:44");

    // Ending inside a context is an error.
    Fixture g;
    CorpDesign(g);
    l = Context("CORP", {{"A1", "User"}});
    l.pop_back();
    EXPECT_FALSE(ReadObjectReportText(g.design, Join(l)));
    EXPECT_EQ(Failure(g), "Error on line: 4.\rUnexpected end of file.");

    // An input without a context header is not an object report; a header
    // with trailing spaces is accepted.
    Fixture h;
    CorpDesign(h);
    const std::string before = Bytes(h.design);
    EXPECT_FALSE(ReadObjectReportText(h.design, "", "empty.rpt"));
    EXPECT_EQ(Failure(h), "Error on line: 0.\r\"empty.rpt\" is not an object report: it has no "
                          "\"Current context:\" line.");
    EXPECT_FALSE(ReadObjectReportText(h.design, "\nA total of 2 objects.\n"));
    EXPECT_EQ(Failure(h), "Error on line: 2.\rThe input is not an object report: it has no "
                          "\"Current context:\" line.");
    EXPECT_EQ(Bytes(h.design), before);
    l = Context("CORP", {{"A1", "User"}});
    l[1] += "   ";
    EXPECT_TRUE(ReadObjectReportText(h.design, Join(l))) << Failure(h);
    EXPECT_EQ(Leaves(h.design.Root()->Child(0)).back(), "A1:44");
}

TEST(ObjectReport, ErrorsNameTheirLineAndUndoTheImport) {
    const std::string header = "Partial Name                                   Object Class";
    const std::string dashes = "---------------------------------------------- ------------";
    struct Case {
        std::vector<std::string> lines;
        std::string message;
        int line;
    } cases[] = {
        {{"Context: CORP", "x"}, " 'CURRENT' expected.", 1},
        {{"Current: CORP", "x"}, " 'CONTEXT' expected.", 1},
        {{"Current context CORP", "x"}, " ':' expected.", 1},
        {{"Current context:   ", "x"}, "Context DN expected.", 1},
        {{"Current context: SALES..CORP", "x"}, "Context DN expected.", 1},
        {{"Current context: CORP", "42", "x"}, " 'PARTIAL' expected.", 2},
        {{"Current context: CORP", "Partial 42", "x"}, " 'NAME' expected.", 2},
        {{"Current context: CORP", "Partial Name", "42"}, " 'OBJECT' expected.", 3},
        {{"Current context: CORP", "Partial Name Object 42", "x"}, " 'CLASS' expected.", 2},
        {{"Current context: CORP", header, "- --", "x"}, " '-' expected.", 3},
        {{"Current context: CORP", header, dashes, std::string(50, ' ') + "User", "x"},
         "Object RDN expected.",
         4},
        {{"Current context: CORP", header, dashes, "JSMITH", "x"}, "Object Class expected.", 4},
        {{"Current context: CORP", header, dashes, Obj("JSMITH", "   "), "x"},
         "Object Class expected.",
         4},
        {{"Current context: CORP", "Partial Name" + std::string(300, ' ') + "Object Class", dashes,
          std::string(254, 'N') + std::string(60, ' ') + "User", "x"},
         "The name \"" + std::string(254, 'N') +
             "\" cannot be stored: its leaf entry (the name, two marks and the class number) "
             "would be longer than 255 characters.",
         4},
    };
    for (const Case& c : cases) {
        Fixture f;
        CorpDesign(f);
        // Objects of an earlier context are taken back with the rest.
        std::vector<std::string> l = Context("NEW.CORP", {{"FS7", "NetWare Server"}});
        std::size_t offset = l.size();
        l.insert(l.end(), c.lines.begin(), c.lines.end());
        std::string before = Bytes(f.design);
        std::size_t nodes = f.design.NodeCount();
        EXPECT_FALSE(ReadObjectReportText(f.design, Join(l))) << c.message;
        EXPECT_EQ(Failure(f),
                  "Error on line: " + std::to_string(c.line + offset) + ".\r" + c.message);
        EXPECT_EQ(Bytes(f.design), before) << c.message;
        EXPECT_EQ(f.design.NodeCount(), nodes);
        EXPECT_FALSE(f.design.Flags().modified);
        EXPECT_FALSE(f.design.classPresence.Contains(kClassNoDef));
    }
}

TEST(ObjectReport, ReadingAFile) {
    Fixture f;
    CorpDesign(f);
    std::string dir = test::TempDir();
    EXPECT_FALSE(ReadObjectReport(f.design, dir + "/missing.rpt"));
    EXPECT_EQ(f.ui.Texts("information"),
              (std::vector<std::string>{"Error on line: 0.\rProblem Opening File. Cannot open file "
                                        "\"" +
                                        dir + "/missing.rpt\". No such file or directory"}));
    test::WriteFile(dir + "/o.rpt", "Current context: CORP\r\n" +
                                        Obj("Partial Name", "Object Class") + "\r\n--- ---\r\n" +
                                        Obj("ZED", "User") +
                                        "\r\nA total of 1 object was found in this context.\r\n");
    EXPECT_TRUE(ReadObjectReport(f.design, dir + "/o.rpt")) << Failure(f);
    EXPECT_EQ(Leaves(f.design.Root()->Child(0)).back(), "ZED:44");
}

} // namespace
} // namespace qv
