// The LineScanner and the ReportReader: replica ring reports (both versions)
// and DS version reports.
#include "files/design_file.h"
#include "files/import_support.h"
#include "files/line_scanner.h"
#include "files/report_reader.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::Fixture;

// ---------------------------------------------------------------- imported names

// Every byte value in an imported name: the C0 controls and DEL make the
// name refused, each shown as "\xNN" in the message; every other byte is
// taken (the 8-bit range included).
TEST(ImportedNames, EveryControlCharacterIsRefusedAndShown) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int b = 1; b < 256; ++b) {
        const auto c = static_cast<unsigned char>(b);
        const std::string name = "A" + std::string(1, static_cast<char>(c)) + "B";
        const std::optional<std::string> refused = ControlCharacterMessage(name);
        if (c < 0x20 || c == 0x7F) {
            ASSERT_TRUE(refused.has_value()) << b;
            EXPECT_EQ(*refused, std::string("The name \"A\\x") + kHex[c >> 4] + kHex[c & 0xF] +
                                    "B\" contains a control character.")
                << b;
        } else {
            EXPECT_FALSE(refused.has_value()) << b;
        }
    }
    EXPECT_FALSE(ControlCharacterMessage("").has_value());
    EXPECT_EQ(ControlCharacterMessage(std::string("\x7F\x01", 2)),
              "The name \"\\x7F\\x01\" contains a control character.");
}

// ---------------------------------------------------------------- LineScanner

TEST(LineScanner, ReadsWordsNumbersAndFieldsUpperCasingAsItCopies) {
    LineScanner sc;
    std::string_view line = "abc_De9 42x rest of:line";
    sc.Reset(true);
    sc.ReadWord(line);
    EXPECT_EQ(sc.Token(), "ABC_DE"); // a digit ends the word
    EXPECT_EQ(sc.Position(), 7u);
    sc.Reset(false);
    sc.ReadNumber(line);
    EXPECT_EQ(sc.Token(), "9");
    EXPECT_FALSE(sc.SkipSpaces(line) && false);
    sc.Reset(false);
    sc.ReadNumber(line);
    EXPECT_EQ(sc.Token(), "42");
    sc.ReadToSpace(line);
    EXPECT_EQ(sc.Token(), "42X");
    EXPECT_TRUE(sc.SkipSpaces(line));
    EXPECT_FALSE(sc.SkipSpaces(line));
    sc.Reset(false);
    EXPECT_TRUE(sc.ReadUntil(line, ':'));
    EXPECT_EQ(sc.Token(), "REST OF");
    EXPECT_TRUE(sc.ReadUntil(line, ':')); // already on the character
    EXPECT_EQ(sc.Token(), "REST OF");
    sc.Advance(1);
    EXPECT_FALSE(sc.ReadUntil(line, ':'));
    EXPECT_EQ(sc.Token(), "REST OFLINE");
    EXPECT_TRUE(sc.AtEnd(line));
}

TEST(LineScanner, NeverReadsPastTheLineAndKeepsOtherCharacters) {
    LineScanner sc;
    std::string_view line = "\xE9t\xE9 ab";
    sc.Reset(true);
    sc.ReadToColumn(line, 200);
    EXPECT_EQ(sc.Token(), "\xE9T\xE9 AB"); // only a..z change
    EXPECT_EQ(sc.Position(), line.size() + 1);
    sc.Advance(10);
    sc.ReadRest(line, false);
    sc.ReadWord(line);
    EXPECT_EQ(sc.Token(), "\xE9T\xE9 AB");
    sc.ReadRest(line, true);
    EXPECT_EQ(sc.Token(), "");
    sc.SetPosition(4);
    sc.ReadToColumn(line, 6);
    EXPECT_EQ(sc.Token(), " A");
    sc.SetPosition(0); // before the line: nothing is read
    sc.ReadRest(line, true);
    EXPECT_EQ(sc.Token(), "");
}

// ---------------------------------------------------------------- helpers

// A replica line with the field "X" in column 45.
std::string Ring(const std::string& head, const std::string& server) {
    std::string s = head;
    s.resize(44, ' ');
    return s + "X " + server + " END";
}

std::string Join(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines)
        s += l + "\n";
    return s;
}

std::vector<std::string> Header08() {
    return {"REPORT TITLE: DSD LIST REPLICA RINGS", "REPORT VERSION: 0.8"};
}

std::vector<std::string> Section(const std::string& partition) {
    return {"PARTITION: " + partition, "REPLICA RING", "STATUS", "NUMB"};
}

// The example report of a small tree: CORP with FS1, SALES with FS2.
std::string ExampleRings() {
    std::vector<std::string> l = Header08();
    for (auto s : Section("\\CORP_TREE"))
        l.push_back(s);
    l.push_back(Ring("1 1 M ON", "\\CORP_TREE\\O=CORP\\CN=FS1"));
    for (auto s : Section("\\CORP_TREE\\O=CORP\\OU=SALES"))
        l.push_back(s);
    l.push_back(Ring("1 1 M ON", "\\CORP_TREE\\O=CORP\\OU=SALES\\CN=FS2"));
    l.push_back(Ring("2 1 RW ON", "\\CORP_TREE\\O=CORP\\CN=FS1"));
    l.push_back("REPLICAS");
    return Join(l);
}

std::vector<std::string> Names(const ObjectNode* n) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < n->ChildCount(); ++i)
        out.push_back(n->Child(i)->Name());
    return out;
}

ReplicaList Of(const ItemTable& t, const std::string& name) {
    int i = t.FindFirst(name);
    return i < 0 ? ReplicaList{"<missing>"} : t.Entries(static_cast<std::size_t>(i));
}

bool ReadRings(Fixture& f, const std::string& text) {
    return ReadReportText(f.design, text, "C:\\REPORTS\\CORP.RPT", true);
}

std::string Failure(const Fixture& f) {
    auto boxes = f.ui.Texts("information");
    return boxes.empty() ? "" : boxes.back();
}

std::string Bytes(TreeDesign& d) {
    std::string out;
    const Result<std::string> serialized = SerializeDesign(d);
    EXPECT_TRUE(serialized);
    out = serialized.value_or("");
    return out;
}

// ---------------------------------------------------------------- replica rings

TEST(ReplicaRingReport, ExampleBuildsTheTreeTablesAndAttributes) {
    Fixture f;
    NewDesign(f.design, 1);
    ASSERT_TRUE(ReadRings(f, ExampleRings()));
    EXPECT_TRUE(f.ui.boxes.empty());
    ObjectNode* root = f.design.Root();
    ASSERT_EQ(Names(root), (std::vector<std::string>{"CORP"}));
    ObjectNode* corp = root->Child(0);
    EXPECT_EQ(corp->ClassIndex(), kClassOrganization);
    EXPECT_EQ(corp->PartitionMark(), kNoPartitionMark);
    ASSERT_EQ(Names(corp), (std::vector<std::string>{"FS1", "SALES"}));
    EXPECT_EQ(corp->Child(0)->ClassIndex(), kClassServer);
    ObjectNode* sales = corp->Child(1);
    EXPECT_EQ(sales->ClassIndex(), kClassOrgUnit);
    EXPECT_TRUE(sales->IsPartitionRoot());
    EXPECT_EQ(Names(sales), (std::vector<std::string>{"FS2"}));

    ASSERT_EQ(f.design.partitions.Size(), 2u);
    EXPECT_EQ(f.design.partitions.Name(0), "[ROOT]");
    EXPECT_EQ(f.design.partitions.Entries(0), (ReplicaList{"FS1*MASTER*"}));
    EXPECT_EQ(f.design.partitions.Name(1), "SALES.CORP");
    EXPECT_EQ(f.design.partitions.Entries(1), (ReplicaList{"FS2*MASTER*", "FS1*READ/WRITE*"}));
    ASSERT_EQ(f.design.servers.Size(), 2u);
    EXPECT_EQ(f.design.servers.Name(0), "FS1");
    EXPECT_EQ(f.design.servers.Entries(0),
              (ReplicaList{"[ROOT]*MASTER*", "SALES.CORP*READ/WRITE*"}));
    EXPECT_EQ(f.design.servers.Name(1), "FS2");
    EXPECT_EQ(f.design.servers.Entries(1), (ReplicaList{"SALES.CORP*MASTER*"}));
    ASSERT_EQ(f.design.attributes.Size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(f.design.attributes.Name(i), "DS VERSION:0");
        EXPECT_EQ(f.design.attributes.Entries(i), (ReplicaList{"IPX:00000000"}));
    }
    // Every container lists its child nodes; the import does not mark the design modified.
    ASSERT_TRUE(root->Leaves());
    EXPECT_EQ(LeafName((*root->Leaves())[0]), "CORP");
    ASSERT_TRUE(corp->Leaves());
    EXPECT_EQ(corp->Leaves()->size(), 2u);
    EXPECT_FALSE(f.design.Flags().modified);
    EXPECT_TRUE(f.design.Flags().subRefsStale);
    EXPECT_TRUE(f.design.Flags().reportStale[kPartitionReport]);
    EXPECT_TRUE(f.progress.Saw("  Reading in line: 1"));
    EXPECT_TRUE(f.progress.Saw("  Reading in line: 14"));
    EXPECT_TRUE(f.progress.Saw("  Re-sorting objects...."));
}

TEST(ReplicaRingReport, Version10UsesNameAndRHeaders) {
    Fixture f;
    std::string text = ExampleRings();
    auto replace = [&](const std::string& a, const std::string& b) {
        for (std::size_t p; (p = text.find(a)) != std::string::npos;)
            text.replace(p, a.size(), b);
    };
    replace("VERSION: 0.8", "VERSION: 1.0");
    replace("PARTITION:", "NAME:");
    replace("\nREPLICA RING\n", "\nR ring\n");
    ASSERT_TRUE(ReadRings(f, text)) << Failure(f);
    EXPECT_EQ(Of(f.design.partitions, "SALES.CORP"),
              (ReplicaList{"FS2*MASTER*", "FS1*READ/WRITE*"}));
    // A 0.8 keyword in a 1.0 report is passed over with all that follows it.
    Fixture g;
    replace("NAME: \\CORP_TREE\\O=CORP", "PARTITION: \\CORP_TREE\\O=CORP");
    EXPECT_FALSE(ReadRings(g, text));
    EXPECT_EQ(Failure(g), "Error on line 14 position: 9\rUnexpected end of file");
    EXPECT_EQ(g.design.partitions.FindFirst("SALES.CORP"), -1);
}

TEST(ReplicaRingReport, HeaderLinesAreCheckedWithTheirMessages) {
    struct Case {
        std::string text;
        std::string box;
    } cases[] = {
        {"", "Error on line 0 position: 1\rInvalid File Fomat."},
        {"\n\n", "Error on line 2 position: 1\rInvalid File Fomat."},
        {"REPORT TITLE DSD LIST REPLICA RINGS\n",
         "Error on line 1 position: 36\rInvalid File Fomat."},
        {"  junk: x\n", "Error on line 1 position: 7\rInvalid File Fomat."},
        {"REPORT TITLE: DSD LIST REPLICAS\n", "Error on line 1 position: 32\rIllegal file format."},
        {"REPORT TITLE: DSD LIST REPLICA RINGS \nREPORT VERSION: 0.8\n",
         "Error on line 1 position: 38\rIllegal file format."},
        {"REPORT TITLE: DSD LIST REPLICA RINGS\nVERSION: 0.8\n",
         "Error on line 2 position: 8\rIllegal File Format."},
        {"REPORT TITLE: DSD LIST REPLICA RINGS\nREPORT VERSION: 1.0 \n",
         "Error on line 2 position: 21\rIllegal DSDIAG version."},
        {"REPORT TITLE: DSD LIST REPLICA RINGS\nREPORT VERSION: 2.0\n",
         "Error on line 2 position: 20\rIllegal DSDIAG version."},
        {"REPORT TITLE: DSD LIST REPLICA RINGS\nREPORT VERSION: 0.8\n",
         "Error on line 2 position: 20\rUnexpected end of file"},
    };
    for (const Case& c : cases) {
        Fixture f;
        EXPECT_FALSE(ReadRings(f, c.text)) << c.text;
        EXPECT_EQ(f.ui.Texts("information"), (std::vector<std::string>{c.box})) << c.text;
        EXPECT_EQ(f.progress.Texts(ProgressChannel::Import).back(), "");
    }
    // The title and version are compared upper-cased.
    Fixture f;
    std::string text = ExampleRings();
    text.replace(0, 36, "Report Title: dsd list replica rings");
    EXPECT_TRUE(ReadRings(f, text)) << Failure(f);
}

TEST(ReplicaRingReport, PartitionLineErrors) {
    struct Case {
        std::string line;
        std::string box;
    } cases[] = {
        {"PARTITION \\T\\O=A", "Error on line 3 position: 17\r\":\" expected"},
        {"PARTITION: T\\O=A", "Error on line 3 position: 12\rError with partition name"},
        {"PARTITION: \\T\\O=A\\XX=B", "Error on line 3 position: 23\rError with partition name"},
        {"PARTITION: \\T\\O=A\\OU", "Error on line 3 position: 21\rError with partition name"},
        {"PARTITION: \\T\\O=\\OU=B", "Error on line 3 position: 17\rError with partition name"},
    };
    for (const Case& c : cases) {
        Fixture f;
        std::vector<std::string> l = Header08();
        l.push_back(c.line);
        EXPECT_FALSE(ReadRings(f, Join(l))) << c.line;
        EXPECT_EQ(Failure(f), c.box) << c.line;
    }
}

TEST(ReplicaRingReport, PartitionNamesClassesAndTheRootPartition) {
    Fixture f;
    std::vector<std::string> l = Header08();
    for (auto s : Section("\\T"))
        l.push_back(s);
    l.push_back(Ring("1 1 M ON", "\\T\\C=us\\o=Acme\\CN=fs1"));
    for (auto s : Section("\\T\\C=US\\O=ACME\\L=East\\SU=Scope\\CN=Admin Sec"))
        l.push_back(s);
    l.push_back(Ring("1 1 RO ON", "\\T\\C=US\\O=ACME\\CN=FS1"));
    l.push_back("REPLICAS");
    ASSERT_TRUE(ReadRings(f, Join(l))) << Failure(f);
    ObjectNode* root = f.design.Root();
    ASSERT_EQ(Names(root), (std::vector<std::string>{"US"}));
    ObjectNode* us = root->Child(0);
    EXPECT_EQ(us->ClassIndex(), kClassCountry);
    ObjectNode* acme = us->Child(0);
    EXPECT_EQ(acme->Name(), "ACME");
    ASSERT_EQ(Names(acme), (std::vector<std::string>{"FS1", "EAST"}));
    ObjectNode* east = acme->Child(1);
    EXPECT_EQ(east->ClassIndex(), kClassLocality);
    ObjectNode* scope = east->Child(0);
    EXPECT_EQ(scope->ClassIndex(), 40);
    ObjectNode* sec = scope->Child(0);
    EXPECT_EQ(sec->Name(), "ADMIN SEC");
    EXPECT_EQ(sec->ClassIndex(), 6);
    EXPECT_TRUE(sec->IsPartitionRoot());
    EXPECT_FALSE(scope->IsPartitionRoot());
    EXPECT_EQ(Of(f.design.partitions, "[ROOT]"), (ReplicaList{"FS1*MASTER*"}));
    EXPECT_EQ(Of(f.design.partitions, "ADMIN SEC.SCOPE.EAST.ACME.US"),
              (ReplicaList{"FS1*READ/ONLY*"}));
}

TEST(ReplicaRingReport, ADuplicateSectionIsIgnoredAndMayEndTheFile) {
    Fixture f;
    std::vector<std::string> l = Header08();
    for (auto s : Section("\\T\\O=A"))
        l.push_back(s);
    l.push_back(Ring("1 1 M ON", "\\T\\O=A\\CN=S1"));
    for (auto s : Section("\\T\\O=A"))
        l.push_back(s);
    l.push_back(Ring("1 1 RW ON", "\\T\\O=A\\CN=S2"));
    l.push_back("  this line is not a replica line at all");
    ASSERT_TRUE(ReadRings(f, Join(l))) << Failure(f);
    EXPECT_EQ(Of(f.design.partitions, "A"), (ReplicaList{"S1*MASTER*"}));
    EXPECT_EQ(f.design.servers.FindFirst("S2"), -1);
    EXPECT_EQ(f.design.partitions.Size(), 2u); // A and the [ROOT] made for it
}

TEST(ReplicaRingReport, ReplicaTypesAndRepeatedLines) {
    Fixture f;
    std::vector<std::string> l = Header08();
    for (auto s : Section("\\T"))
        l.push_back(s);
    l.push_back(Ring("1 1 M ON", "\\T\\O=A\\CN=S1"));
    l.push_back(Ring("2 1 SR ON", "\\T\\O=A\\CN=S2"));
    l.push_back(Ring("3 1 RW ON", "\\T\\O=A\\CN=S3"));
    l.push_back(Ring("4 1 RW ON", "\\T\\O=A\\CN=S3"));
    l.push_back(Ring("5 1 RO ON", "\\T\\O=A\\CN=S3"));
    l.push_back(Ring("6 1 SPARSE ON", "\\T\\O=A\\CN=S4")); // not a type this reader knows
    l.push_back("REPLICAS");
    ASSERT_TRUE(ReadRings(f, Join(l))) << Failure(f);
    EXPECT_EQ(Of(f.design.partitions, "[ROOT]"),
              (ReplicaList{"S1*MASTER*", "S3*READ/WRITE*", "S3*READ/ONLY*"}));
    // SR and the unknown type add the server but no replica.
    EXPECT_EQ(Of(f.design.servers, "S2"), ReplicaList{});
    EXPECT_EQ(Of(f.design.servers, "S4"), ReplicaList{});
    EXPECT_EQ(Of(f.design.servers, "S3"), (ReplicaList{"[ROOT]*READ/WRITE*", "[ROOT]*READ/ONLY*"}));
    EXPECT_EQ(f.design.servers.Size(), 4u);
    EXPECT_EQ(f.design.attributes.Size(), 4u);
    EXPECT_EQ(Names(f.design.Root()->Child(0)), (std::vector<std::string>{"S1", "S2", "S3", "S4"}));
}

TEST(ReplicaRingReport, ReplicaLineErrors) {
    struct Case {
        std::string line;
        std::string box;
    } cases[] = {
        {"* 1 M ON", "Error on line 7 position: 1\rReplica State expected."},
        {"- 1 M ON", "Error on line 7 position: 2\rReplica State expected."},
        {"1 1 M 7", "Error on line 7 position: 7\rReplica State expected."},
        {Ring("1 1 M ON", "*T\\O=A\\CN=S1"),
         "Error on line 7 position: 47\rError with server name"},
        {Ring("1 1 M ON", "\\T"), "Error on line 7 position: 53\rError with server name"},
        {Ring("1 1 M ON", "\\T\\O=A\\CN=S1").substr(0, 57),
         "Error on line 7 position: 58\rError with server name"},
        {Ring("1 1 M ON", "\\T\\O=A"), "Error on line 7 position: 57\rError with Server Name"},
        {Ring("1 1 M ON", "\\T\\SU=A\\CN=S1"),
         "Error on line 7 position: 55\rError with server name"},
        {Ring("1 1 M ON", "\\T\\O=A\\CN="), "Error on line 7 position: 57\rError with server name"},
    };
    for (const Case& c : cases) {
        Fixture f;
        std::vector<std::string> l = Header08();
        for (auto s : Section("\\T"))
            l.push_back(s);
        l.push_back(c.line);
        l.push_back("REPLICAS");
        EXPECT_FALSE(ReadRings(f, Join(l))) << c.line;
        EXPECT_EQ(Failure(f), c.box) << c.line;
    }
}

TEST(ReplicaRingReport, EndOfInput) {
    // A report may end without its closing line, and with empty lines.
    for (std::string tail : {"", "\n\n\n", "REPLICAS\n\n"}) {
        Fixture f;
        std::vector<std::string> l = Header08();
        for (auto s : Section("\\T"))
            l.push_back(s);
        l.push_back(Ring("1 1 M ON", "\\T\\O=A\\CN=S1"));
        std::string text = Join(l) + tail;
        text.pop_back(); // the last replica line without its line break
        if (!tail.empty())
            text += "\n";
        ASSERT_TRUE(ReadRings(f, text)) << Failure(f);
        EXPECT_EQ(Of(f.design.partitions, "[ROOT]"), (ReplicaList{"S1*MASTER*"}));
    }
    // Ending inside a section's headers is an error.
    Fixture f;
    std::vector<std::string> l = Header08();
    l.push_back("PARTITION: \\T\\O=A");
    l.push_back("REPLICA RING");
    EXPECT_FALSE(ReadRings(f, Join(l)));
    EXPECT_EQ(Failure(f), "Error on line 4 position: 13\rUnexpected end of file");
}

TEST(ReplicaRingReport, WithoutARootPartitionAHolderIsCreated) {
    Fixture f;
    std::vector<std::string> l = Header08();
    for (auto s : Section("\\T\\O=TMP_ORG"))
        l.push_back(s);
    l.push_back(Ring("1 1 M ON", "\\T\\O=TMP_ORG\\CN=S1"));
    for (auto s : Section("\\T\\O=TMP_ORG1"))
        l.push_back(s);
    l.push_back(Ring("1 1 M ON", "\\T\\O=TMP_ORG1\\CN=S2"));
    l.push_back("REPLICAS");
    ASSERT_TRUE(ReadRings(f, Join(l))) << Failure(f);
    EXPECT_EQ(f.ui.Texts("information"),
              (std::vector<std::string>{"The Replica Ring report did not search to partition "
                                        "ROOT.\rAn Organization and Server will be created to "
                                        "hold the Master of Root."}));
    ObjectNode* root = f.design.Root();
    // TMP_ORG and TMP_ORG1 are taken: the holder is TMP_ORG12.
    ASSERT_EQ(Names(root), (std::vector<std::string>{"TMP_ORG", "TMP_ORG1", "TMP_ORG12"}));
    ObjectNode* holder = root->Child(2);
    EXPECT_EQ(holder->ClassIndex(), kClassOrganization);
    ASSERT_EQ(Names(holder), (std::vector<std::string>{"ROOT_SRV"}));
    EXPECT_EQ(holder->Child(0)->ClassIndex(), kClassServer);
    EXPECT_EQ(Of(f.design.partitions, "[ROOT]"), (ReplicaList{"ROOT_SRV*MASTER*"}));
    EXPECT_EQ(Of(f.design.servers, "ROOT_SRV"), (ReplicaList{"[ROOT]*MASTER*"}));
    EXPECT_EQ(f.design.attributes.Size(), f.design.servers.Size());
    EXPECT_EQ(f.design.attributes.Name(2), "DS VERSION:0");
    EXPECT_EQ(root->Leaves()->size(), 3u);

    // A clash that the single pass would miss: TMP_ORG1 comes before TMP_ORG.
    Fixture g;
    l = Header08();
    for (auto s : Section("\\T\\O=TMP_ORG1"))
        l.push_back(s);
    l.push_back(Ring("1 1 M ON", "\\T\\O=TMP_ORG1\\CN=S2"));
    for (auto s : Section("\\T\\O=TMP_ORG"))
        l.push_back(s);
    l.push_back(Ring("1 1 M ON", "\\T\\O=TMP_ORG\\CN=S1"));
    ASSERT_TRUE(ReadRings(g, Join(l))) << Failure(g);
    EXPECT_EQ(Names(g.design.Root()),
              (std::vector<std::string>{"TMP_ORG1", "TMP_ORG", "TMP_ORG12"}));
}

TEST(ReplicaRingReport, NamesTooLongForADesignFileAreRejected) {
    const std::string leafEntry = "\" cannot be stored: its leaf entry (the name, two marks and "
                                  "the class number) would be longer than 255 characters.";
    // An organization's name: 252 characters leave room for its leaf entry in
    // [ROOT]'s list, 253 do not; 256 are refused as a name.
    for (auto [length, message] : {std::pair<std::size_t, std::string>{252, ""},
                                   {253, leafEntry},
                                   {256, "\" is longer than 255 characters."}}) {
        Fixture f;
        const std::string name(length, 'A');
        std::vector<std::string> l = Header08();
        for (auto s : Section("\\T\\O=" + name))
            l.push_back(s);
        EXPECT_EQ(ReadRings(f, Join(l)), message.empty()) << length;
        if (!message.empty()) {
            EXPECT_EQ(Failure(f), "Error on line 3 position: " + std::to_string(17 + length) +
                                      "\rThe name \"" + name + message);
        }
    }
    // Short components whose context is too long for a partition name.
    Fixture g;
    std::string part = std::string(100, 'B');
    std::vector<std::string> l = Header08();
    for (auto s : Section("\\T\\O=" + part + "\\OU=" + part + "\\OU=" + part))
        l.push_back(s);
    EXPECT_FALSE(ReadRings(g, Join(l)));
    EXPECT_NE(Failure(g).find("is longer than 255 characters."), std::string::npos);
    // A server's name with its replica's type marks: 247 characters and
    // "*MASTER*" fit, 248 do not.
    for (std::size_t length : {std::size_t{247}, std::size_t{248}}) {
        Fixture h;
        const std::string server(length, 'S');
        l = Header08();
        for (auto s : Section("\\T"))
            l.push_back(s);
        l.push_back(Ring("1 1 M ON", "\\T\\O=A\\CN=" + server));
        EXPECT_EQ(ReadRings(h, Join(l)), length == 247) << length;
        if (length == 248) {
            EXPECT_EQ(Failure(h), "Error on line 7 position: " + std::to_string(57 + length) +
                                      "\rThe name \"" + server +
                                      "*MASTER*\" is longer than 255 characters.");
        }
    }
}

TEST(ReplicaRingReport, LineNumbersBeyond65535AreReportedExactly) {
    Fixture f;
    std::string text = "REPORT TITLE: DSD LIST REPLICA RINGS\nREPORT VERSION: 0.8\n";
    for (int i = 0; i < 70000; ++i)
        text += "skipped\n";
    text += "PARTITION \\T\n";
    EXPECT_FALSE(ReadRings(f, text));
    EXPECT_EQ(Failure(f), "Error on line 70003 position: 13\r\":\" expected");
}

TEST(ReplicaRingReport, ReadingAFileAndItsErrors) {
    Fixture f;
    std::string dir = test::TempDir();
    ReportReadOutcome outcome;
    EXPECT_FALSE(ReadReport(f.design, dir + "/missing.rpt", true, &outcome));
    EXPECT_TRUE(outcome.ioError);
    EXPECT_EQ(f.ui.Texts("error").size(), 1u);
    test::WriteFile(dir + "/corp.rpt", ExampleRings());
    ReportReadOutcome ok;
    EXPECT_TRUE(ReadReport(f.design, dir + "/corp.rpt", true, &ok));
    EXPECT_FALSE(ok.ioError);
    EXPECT_EQ(f.design.partitions.Size(), 2u);
}

// ---------------------------------------------------------------- DS versions

std::string Versions(const std::vector<std::string>& body, const std::string& version = "0.8",
                     const std::string& status = "STATUS  Address") {
    std::vector<std::string> l = {"REPORT TITLE: DSD NDS VERSIONS REPORT",
                                  "REPORT VERSION: " + version, status, "DEPT"};
    for (const auto& b : body)
        l.push_back(b);
    l.push_back("CONTACTED 2");
    return Join(l);
}

bool ReadVersions(Fixture& f, const std::string& text) {
    return ReadReportText(f.design, text, "C:\\REPORTS\\VERS.RPT", false);
}

// The design of the replica ring example.
void CorpDesign(Fixture& f) {
    NewDesign(f.design, 1);
    ASSERT_TRUE(ReadRings(f, ExampleRings()));
    f.ui.boxes.clear();
}

TEST(DsVersionReport, ExampleSetsVersionsAndAddresses) {
    Fixture f;
    CorpDesign(f);
    f.design.attributes.Entries(0).push_back("TCPIP:9.9.9.9"); // dropped before reading
    ASSERT_TRUE(
        ReadVersions(f, Versions({"0     10.1.1.1 1 599 \\CORP_TREE\\O=CORP\\CN=FS1",
                                  "0     0A0B0C0D 1 599 \\CORP_TREE\\O=CORP\\OU=SALES\\CN=FS2"})))
        << Failure(f);
    EXPECT_TRUE(f.ui.boxes.empty());
    EXPECT_EQ(f.design.attributes.Name(0), "DS VERSION:599");
    EXPECT_EQ(f.design.attributes.Entries(0), (ReplicaList{"IPX:00000000", "TCPIP:10.1.1.1"}));
    EXPECT_EQ(f.design.attributes.Name(1), "DS VERSION:599");
    EXPECT_EQ(f.design.attributes.Entries(1), (ReplicaList{"IPX:0A0B0C0D"}));
    EXPECT_EQ(f.design.servers.Size(), 2u);
    EXPECT_TRUE(f.design.Flags().modified);
    // Replicas are untouched.
    EXPECT_EQ(Of(f.design.servers, "FS1"),
              (ReplicaList{"[ROOT]*MASTER*", "SALES.CORP*READ/WRITE*"}));

    // A second import gives the same versions and addresses.
    std::string once = Bytes(f.design);
    ASSERT_TRUE(
        ReadVersions(f, Versions({"0     10.1.1.1 1 599 \\CORP_TREE\\O=CORP\\CN=FS1",
                                  "0     0A0B0C0D 1 599 \\CORP_TREE\\O=CORP\\OU=SALES\\CN=FS2"})));
    EXPECT_EQ(Bytes(f.design), once);
}

TEST(DsVersionReport, AddressRules) {
    Fixture f;
    CorpDesign(f);
    ASSERT_TRUE(ReadVersions(
        f, Versions({
               "0     10.1.1.1 1 599 \\CORP_TREE\\O=CORP\\CN=FS1",
               "0     10.1.1.1 1 600 \\CORP_TREE\\O=CORP\\CN=FS1",   // stored once
               "0     0a0b0c0d 1 599 \\CORP_TREE\\O=CORP\\CN=FS1",   // replaces the IPX address
               "0     01020304 1 601 \\CORP_TREE\\O=CORP\\CN=FS1",   // and again
               "0     ---------- 1 1 \\CORP_TREE\\O=CORP\\CN=FS2",   // 0.8: a rule, skipped
               "-625  10.2.2.2     612 \\CORP_TREE\\O=CORP\\CN=FS9", // unreachable: no depth
           })))
        << Failure(f);
    EXPECT_EQ(f.design.attributes.Name(0), "DS VERSION:601");
    EXPECT_EQ(f.design.attributes.Entries(0), (ReplicaList{"IPX:01020304", "TCPIP:10.1.1.1"}));
    EXPECT_EQ(f.design.attributes.Name(1), "DS VERSION:0");
    // A server the design did not hold is added, node and tables.
    ASSERT_EQ(f.design.servers.Size(), 3u);
    EXPECT_EQ(f.design.servers.Name(2), "FS9");
    EXPECT_EQ(f.design.servers.Entries(2), ReplicaList{});
    EXPECT_EQ(f.design.attributes.Name(2), "DS VERSION:612");
    EXPECT_EQ(f.design.attributes.Entries(2), (ReplicaList{"IPX:00000000", "TCPIP:10.2.2.2"}));
    EXPECT_EQ(Names(f.design.Root()->Child(0)), (std::vector<std::string>{"FS1", "SALES", "FS9"}));
    EXPECT_EQ(LeafName(f.design.Root()->Child(0)->Leaves()->back()), "FS9");

    // In a 1.0 report the dashes are an address.
    Fixture g;
    CorpDesign(g);
    ASSERT_TRUE(ReadVersions(
        g, Versions({"0     ---------- 1 1 \\CORP_TREE\\O=CORP\\OU=SALES\\CN=FS2"}, "1.0")))
        << Failure(g);
    EXPECT_EQ(g.design.attributes.Entries(1), (ReplicaList{"IPX:----------"}));
    EXPECT_EQ(g.design.attributes.Name(1), "DS VERSION:1");
}

TEST(DsVersionReport, AddressColumn) {
    // No "Address" in the STATUS line: nothing can be read.
    Fixture f;
    CorpDesign(f);
    std::string before = Bytes(f.design);
    EXPECT_FALSE(ReadVersions(f, Versions({"0     10.1.1.1 1 599 \\CORP_TREE\\O=CORP\\CN=FS1"},
                                          "0.8", "STATUS  address")));
    EXPECT_EQ(Failure(f), "Error on line 5 position: 7\rServer address expected.");
    EXPECT_EQ(Bytes(f.design), before);
    // The column is the raw line's: leading spaces count.
    Fixture k;
    CorpDesign(k);
    std::string text = "REPORT TITLE: DSD NDS VERSIONS REPORT\nREPORT VERSION: 0.8\n"
                       " STATUS Address\nDEPT\n";
    // "Address" is at column 9 of " STATUS Address": read from column 7.
    text += "1     10.3.3.3 1 599 \\CORP_TREE\\O=CORP\\CN=FS1\nCONTACTED\n";
    ASSERT_TRUE(ReadVersions(k, text)) << Failure(k);
    EXPECT_EQ(k.design.attributes.Entries(0), (ReplicaList{"IPX:00000000", "TCPIP:10.3.3.3"}));
}

// A rename is of a server node the import made; a report that fails after
// it takes the node and its new name back with everything else it read.
TEST(DsVersionReport, AFailureAfterARenameLeavesTheDesignAsItWas) {
    Fixture f;
    CorpDesign(f);
    const std::string before = Bytes(f.design);
    EXPECT_FALSE(
        ReadVersions(f, Versions({"0     10.1.1.7 1 599 \\CORP_TREE\\O=CORP\\OU=SALES\\CN=FS1",
                                  "0     10.1.1.8 1 599 \\CORP_TREE\\O=CORP\\OU=SALES\\"})));
    EXPECT_NE(f.ui.Texts("information").at(0).find("Quorvane will rename FS1 to \"FS1_RENAME_1."),
              std::string::npos);
    EXPECT_EQ(Bytes(f.design), before);
}

TEST(DsVersionReport, AServerInAnotherContainerIsRenamed) {
    Fixture f;
    CorpDesign(f);
    ASSERT_TRUE(
        ReadVersions(f, Versions({"0     10.1.1.7 1 599 \\CORP_TREE\\O=CORP\\OU=SALES\\CN=FS1",
                                  "0     IPX0A0B 1 598 \\CORP_TREE\\O=OTHER\\CN=FS2",
                                  "0     0A0B0C0D 1 597 \\CORP_TREE\\O=OTHER\\CN=FS2"})))
        << Failure(f);
    auto boxes = f.ui.Texts("information");
    ASSERT_EQ(boxes.size(), 3u); // once for every line that meets such a server
    EXPECT_EQ(boxes[0], "FATAL ERROR, TREE INTEGRITY HAS BEEN COMPROMISED!\rFS1 is a duplicate "
                        "server name!!\rFile: VERS.RPT is either not consistent with the tree "
                        "view\rOR there could be duplicate NCP Server objects in the tree.\r"
                        "Quorvane will rename FS1 to \"FS1_RENAME_1.");
    EXPECT_NE(boxes[1].find("Quorvane will rename FS2 to \"FS2_RENAME_2."), std::string::npos);
    EXPECT_NE(boxes[2].find("Quorvane will rename FS2 to \"FS2_RENAME_3."), std::string::npos);
    ObjectNode* sales = f.design.Root()->Child(0)->Child(1);
    EXPECT_EQ(Names(sales), (std::vector<std::string>{"FS2", "FS1_RENAME_1"}));
    ASSERT_EQ(f.design.servers.Size(), 5u);
    EXPECT_EQ(f.design.servers.Name(2), "FS1_RENAME_1");
    EXPECT_EQ(f.design.servers.Entries(2), ReplicaList{});
    EXPECT_EQ(f.design.attributes.Name(2), "DS VERSION:599");
    EXPECT_EQ(f.design.attributes.Entries(2), (ReplicaList{"IPX:00000000", "TCPIP:10.1.1.7"}));
    // An IPX address is kept for a renamed server only when it reads "IPX".
    EXPECT_EQ(f.design.servers.Name(3), "FS2_RENAME_2");
    EXPECT_EQ(f.design.attributes.Entries(3), (ReplicaList{"IPX:IPX0A0B"}));
    EXPECT_EQ(f.design.attributes.Entries(4), (ReplicaList{"IPX:00000000"}));
    EXPECT_EQ(f.design.attributes.Name(4), "DS VERSION:597");
    // The servers of the design keep what they had.
    EXPECT_EQ(f.design.attributes.Name(0), "DS VERSION:0");
    EXPECT_EQ(f.design.attributes.Name(1), "DS VERSION:0");
    EXPECT_EQ(f.design.attributes.Entries(1), (ReplicaList{"IPX:00000000"}));
}

TEST(DsVersionReport, RenamingNeverGivesANameTwice) {
    Fixture f;
    CorpDesign(f);
    std::string report = Versions({"0     10.1.1.7 1 599 \\CORP_TREE\\O=X\\CN=FS1"});
    ASSERT_TRUE(ReadVersions(f, report)) << Failure(f);
    ASSERT_TRUE(ReadVersions(f, report)) << Failure(f);
    auto boxes = f.ui.Texts("information");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].find("to \"FS1_RENAME_2."), std::string::npos);
    EXPECT_EQ(f.design.servers.FindFirst("FS1_RENAME_1"),
              f.design.servers.FindLast("FS1_RENAME_1"));
    EXPECT_GE(f.design.servers.FindFirst("FS1_RENAME_2"), 0);
}

TEST(DsVersionReport, LineErrorsLeaveTheDesignAsItWas) {
    struct Case {
        std::string line;
        std::string box;
    } cases[] = {
        {"* 10.1.1.1 1 599 \\T\\CN=S", "Error on line 6 position: 1\rReplica State expected."},
        {"0     ", "Error on line 6 position: 7\rServer address expected."},
        {"0     10.1.1.1 X 599 \\T\\CN=S",
         "Error on line 6 position: 17\rReplica Depth # expected."},
        {"0     10.1.1.1 - 599 \\T\\CN=S",
         "Error on line 6 position: 17\rReplica Depth # expected."},
        {"0     10.1.1.1 1 X \\T\\CN=S", "Error on line 6 position: 20\rObject version expected."},
        {"0     10.1.1.1 1 599 \\T\\CN=", "Error on line 6 position: 28\rError with server name."},
        {"0     10.1.1.1 1 599 \\T\\O=A", "Error on line 6 position: 28\rError with Server Name"},
    };
    for (const Case& c : cases) {
        Fixture f;
        CorpDesign(f);
        f.design.attributes.Entries(0).push_back("TCPIP:9.9.9.9");
        f.design.DropChanges();
        std::string before = Bytes(f.design);
        std::size_t nodes = f.design.NodeCount();
        EXPECT_FALSE(
            ReadVersions(f, Versions({"0     10.5.5.5 1 1 \\T\\O=NEW\\CN=NEWSRV", c.line})))
            << c.line;
        EXPECT_EQ(Failure(f), c.box) << c.line;
        EXPECT_EQ(Bytes(f.design), before) << c.line;
        EXPECT_EQ(f.design.NodeCount(), nodes);
        EXPECT_FALSE(f.design.Flags().modified);
    }
}

TEST(DsVersionReport, DeptLineAndPartitionLines) {
    // Something else than DEPT where it is awaited.
    Fixture f;
    CorpDesign(f);
    std::string text = "REPORT TITLE: DSD NDS VERSIONS REPORT\nREPORT VERSION: 0.8\n"
                       "STATUS  Address\n------\nDEPTH\n";
    EXPECT_FALSE(ReadVersions(f, text));
    EXPECT_EQ(Failure(f), "Error on line 5 position: 6\r 'DEPT' expected.");
    Fixture g;
    CorpDesign(g);
    text = "REPORT TITLE: DSD NDS VERSIONS REPORT\nREPORT VERSION: 0.8\nSTATUS  Address\n12\n";
    EXPECT_FALSE(ReadVersions(g, text));
    EXPECT_EQ(Failure(g), "Error on line 4 position: 3\r 'DEPT' expected.");
    // A partition line adds a partition with an empty replica list.
    Fixture h;
    CorpDesign(h);
    text = Versions({"PARTITION: \\CORP_TREE\\O=CORP\\OU=EAST", "REPLICA", "STATUS  Address",
                     "DEPT", "0     10.1.1.1 1 599 \\CORP_TREE\\O=CORP\\CN=FS1"});
    ASSERT_TRUE(ReadVersions(h, text)) << Failure(h);
    EXPECT_EQ(Of(h.design.partitions, "EAST.CORP"), ReplicaList{});
    EXPECT_TRUE(h.design.Root()->Child(0)->Child(2)->IsPartitionRoot());
    EXPECT_EQ(h.design.attributes.Name(0), "DS VERSION:599");
}

TEST(DsVersionReport, AFailureAfterAPartitionLineTakesItBack) {
    Fixture f;
    CorpDesign(f);
    std::string before = Bytes(f.design);
    ObjectNode* corp = f.design.Root()->Child(0);
    std::string text = Versions({"PARTITION: \\CORP_TREE\\O=CORP", "REPLICA", "STATUS  Address",
                                 "DEPT", "0     10.1.1.1 1 599 \\CORP_TREE\\O=CORP\\CN=FS1",
                                 "0     10.1.1.1 1 599 \\CORP_TREE\\O=CORP\\XY=FS1"});
    EXPECT_FALSE(ReadVersions(f, text));
    EXPECT_EQ(Failure(f), "Error on line 10 position: 46\rError with Server Name");
    EXPECT_EQ(f.design.Root()->Child(0), corp); // the same node, unmarked again
    EXPECT_FALSE(corp->IsPartitionRoot());
    EXPECT_EQ(Bytes(f.design), before);
}

TEST(DsVersionReport, ModeFollowsTheTitleNotTheCommand) {
    // A DS version report read as a new design: emptied, then the holder of [ROOT].
    Fixture f;
    NewDesign(f.design, 1);
    ASSERT_TRUE(ReadReportText(
        f.design, Versions({"0     10.1.1.1 1 599 \\CORP_TREE\\O=CORP\\CN=FS1"}), "V.RPT", true))
        << Failure(f);
    EXPECT_EQ(Names(f.design.Root()), (std::vector<std::string>{"CORP", "TMP_ORG"}));
    EXPECT_EQ(f.design.servers.Name(0), "FS1");
    EXPECT_EQ(f.design.attributes.Entries(0), (ReplicaList{"IPX:00000000", "TCPIP:10.1.1.1"}));
    EXPECT_FALSE(f.design.Flags().modified);
    // A replica ring report read into an open design adds to it, and marks it modified.
    Fixture g;
    CorpDesign(g);
    std::vector<std::string> l = Header08();
    for (auto s : Section("\\CORP_TREE\\O=CORP\\OU=EAST"))
        l.push_back(s);
    l.push_back(Ring("1 1 M ON", "\\CORP_TREE\\O=CORP\\CN=FS1"));
    ASSERT_TRUE(ReadReportText(g.design, Join(l), "R.RPT", false)) << Failure(g);
    EXPECT_EQ(Of(g.design.servers, "FS1"),
              (ReplicaList{"[ROOT]*MASTER*", "SALES.CORP*READ/WRITE*", "EAST.CORP*MASTER*"}));
    EXPECT_EQ(g.design.partitions.Size(), 3u);
    EXPECT_TRUE(g.design.Flags().modified);
}

} // namespace
} // namespace qv
