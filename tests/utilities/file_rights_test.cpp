// File Rights: the batch file byte for byte, the reader of RIGHTS reports with
// each of its messages, the report window's hierarchy, paths and marks, the
// effective rights rules on small trees, and the RIGHTS stand-in's report
// read back by the reader.
#include "support/scripted.h"
#include "utilities/file_effective_rights.h"
#include "utilities/file_rights.h"
#include "utilities/rights_standin.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace qv::utilities;
using qv::Result;

namespace {

// ---------------------------------------------------------------- batch file

TEST(FileRightsBatch, RootContextDriveRootAndTwoLeaves) {
    EXPECT_EQ(FileRightsBatchText("[ROOT]", 'F', "F:\\", {"JSMITH", "MJONES"}),
              "CX \".\"\r\n"
              "F:\r\n"
              "CD \"\\\"\r\n"
              "RIGHTS . /I /NAME=\"JSMITH\" > #FSR#1.TXT\r\n"
              "RIGHTS . /I /NAME=\"MJONES\" > #FSR#2.TXT\r\n");
}

TEST(FileRightsBatch, ContextAndDirectoryWithoutItsDrive) {
    EXPECT_EQ(FileRightsBatchText("SALES.CORP", 'G', "G:\\PUBLIC\\REPORTS", {"A B"}),
              "CX \".SALES.CORP\"\r\n"
              "G:\r\n"
              "CD \"\\PUBLIC\\REPORTS\"\r\n"
              "RIGHTS . /I /NAME=\"A B\" > #FSR#1.TXT\r\n");
    EXPECT_EQ(DirectoryWithoutDrive("F:\\A\\B"), "A\\B");
    EXPECT_EQ(DirectoryWithoutDrive("F:"), "");
    EXPECT_EQ(DirectoryWithoutDrive("\\A"), "A");
    EXPECT_EQ(FileRightsReportName(12), "#FSR#12.TXT");
}

TEST(FileRightsBatch, WrittenFileAndOldReportsDeleted) {
    const std::string dir = qv::test::TempDir();
    const std::string text = FileRightsBatchText("[ROOT]", 'F', "F:\\", {"X"});
    Result<void> written = WriteFileRightsBatch(dir, text);
    ASSERT_TRUE(written) << written.error();
    EXPECT_EQ(qv::test::ReadFile(dir + "/QVD_FSR.BAT"), text);
    for (const char* name : {"#FSR#1.TXT", "#fsr#2.txt", "#FSR#", "#FSR#3"})
        qv::test::WriteFile(dir + "/" + name, "x");
    for (const char* name : {"FSR#1.TXT", "#DSR#1.TXT", "A#FSR#1.TXT"})
        qv::test::WriteFile(dir + "/" + name, "x");
    fs::create_directory(dir + "/#FSR#DIR");
    EXPECT_EQ(DeleteOldFileRightsReports(dir), 4);
    for (const char* name : {"FSR#1.TXT", "#DSR#1.TXT", "A#FSR#1.TXT", "#FSR#DIR", "QVD_FSR.BAT"})
        EXPECT_TRUE(fs::exists(dir + "/" + name)) << name;
    EXPECT_FALSE(WriteFileRightsBatch(dir + "/missing", text));
    fs::remove_all(dir);
}

// ---------------------------------------------------------------- reader

// A rights row: the label, blanks up to column 68, the rights.
std::string Row(const std::string& label, const std::string& rights) {
    std::string line = "    " + label;
    line.resize(67, ' ');
    return line + rights + "\n";
}

std::string Entry(const std::string& text, const std::string& filter, const std::string& above,
                  const std::string& effective, const std::string& between = "") {
    return text + "\n" + Row("Inherited Rights Filter", filter) +
           Row("Inherits From Above", above) + between + Row("Effective Rights", effective) + "\n";
}

const std::string kHeader = "NAME=jsmith  \nheading one\n\n";

TEST(FileRightsReader, ReadsEntriesWithEquivalencesAndRulings) {
    const std::string text =
        kHeader + Entry("CORP_SYS:\\", "[SRWCEMFA]", "[        ]", "[ R    F ]") +
        Entry("  corp_sys:\\Public  ", "[S R    F]", "[ R    F ]", "[ RWCEMFA]",
              Row("Equivalent To EVERYONE.CORP (group)", "[ RWCEMF ]") + "    ----------\n") +
        Entry("CORP_SYS:\\PUBLIC\\REPORTS", "xRxFx", "(S)", "", "  equivalent\n");
    FileRightsReports reports;
    Result<void> parsed;
    ASSERT_TRUE(parsed = ParseFileRightsReportText(text, reports)) << parsed.error();
    ASSERT_EQ(reports.size(), 1u);
    const FileRightsReport& r = reports[0];
    EXPECT_EQ(r.objectName, "JSMITH");
    ASSERT_EQ(r.entries.size(), 3u);
    EXPECT_EQ(r.entries[0].text, "CORP_SYS:\\");
    EXPECT_EQ(r.entries[0].filter, 0xFF);
    EXPECT_EQ(r.entries[0].inherited, 0);
    EXPECT_EQ(r.entries[0].effective, kFileRead | kFileScan);
    // Every read upper-cases; blanks around the text are trimmed.
    EXPECT_EQ(r.entries[1].text, "CORP_SYS:\\PUBLIC");
    EXPECT_EQ(r.entries[1].filter, kFileSupervisor | kFileRead | kFileScan);
    EXPECT_EQ(r.entries[1].effective, 0xFF & ~kFileSupervisor);
    EXPECT_EQ(r.entries[2].filter, kFileRead | kFileScan);
    EXPECT_EQ(r.entries[2].inherited, kFileSupervisor);
    EXPECT_EQ(r.entries[2].effective, 0);

    // A second report is appended; the first stays.
    ASSERT_TRUE(parsed = ParseFileRightsReportText("NAME= B\n\n\n", reports)) << parsed.error();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].objectName, "B");
    EXPECT_TRUE(reports[1].entries.empty());
}

TEST(FileRightsReader, RightsColumnIsColumns68To77Only) {
    std::string row = std::string(66, 'S') + " [RWC]   F AAAA";
    const std::string text = kHeader + "V:\\\n" + Row("Inherited Rights Filter", "") +
                             row.replace(0, 30, "    Inherits From Above       ") + "\n" +
                             Row("Effective Rights", "R     F") + "\n";
    FileRightsReports reports;
    Result<void> parsed;
    ASSERT_TRUE(parsed = ParseFileRightsReportText(text, reports)) << parsed.error();
    const FilePathEntry& e = reports[0].entries[0];
    EXPECT_EQ(e.inherited, kFileRead | kFileWrite | kFileCreate | kFileScan);
    EXPECT_EQ(e.effective, kFileRead | kFileScan);
    EXPECT_EQ(e.filter, 0);
}

struct Failure {
    std::string text;
    std::string error;
};

TEST(FileRightsReader, EveryMessageWithItsLine) {
    const std::string entry = "V:\\\n";
    const std::string filter = Row("Inherited Rights Filter", "[SRWCEMFA]");
    const std::string above = Row("Inherits From Above", "[SRWCEMFA]");
    // The last line of a file is read for one word only, so a fault in the
    // second word of a line needs a line after it.
    const std::vector<Failure> failures = {
        {"NAMES=X\n", "Error on line : 1\rNAME expected."},
        {"\n\n  Rights\n", "Error on line : 3\rNAME expected."},
        {"NAME X\n", "Error on line : 1\r\"=\" expected."},
        // Something other than a letter where a keyword is due.
        {"  *NAME=X\n", "Error on line : 1\rNAME expected."},
        {kHeader + entry + "Inherited Rights: Filter\nmore\n",
         "Error on line : 3\rFILTER expected."},
        {"NAME\n", "Error on line : 1\r\"=\" expected."},
        // the two lines after NAME are not counted
        {kHeader + entry + "Inherits\n", "Error on line : 3\rINHERITED expected."},
        {kHeader + entry + "Inherited Filter\nmore\n", "Error on line : 3\rRIGHTS expected."},
        {kHeader + entry + "Inherited Rights Filtered\nmore\n",
         "Error on line : 3\rFILTER expected."},
        // "_" belongs to a word
        {kHeader + entry + "Inherited Rights_Filter\nmore\n",
         "Error on line : 3\rRIGHTS expected."},
        {kHeader + entry + filter + "Inherited From Above\n",
         "Error on line : 4\rINHERITS expected."},
        {kHeader + entry + filter + "Inherits Above\nmore\n", "Error on line : 4\rFROM expected."},
        {kHeader + entry + filter + "Inherits From Below\nmore\n",
         "Error on line : 4\rABOVE expected."},
        {kHeader + entry + filter + above + "Trustee JSMITH\n",
         "Error on line : 5\rEFFECTIVE expected."},
        {kHeader + entry + filter + above + "Effective Filter\nmore\n",
         "Error on line : 5\rRIGHTS expected."},
        {"", "Error on line : 0\rUnexpected end of file"},
        {"\n\n", "Error on line : 2\rUnexpected end of file"},
        {kHeader + entry + filter, "Error on line : 3\rUnexpected end of file"},
        // The last line is read once only: its second word is never reached.
        {kHeader + entry + filter + above + Row("Effective Rights", "[SRWCEMFA]"),
         "Error on line : 5\rUnexpected end of file"},
        // An equivalence row drops its line and reads the next uncounted.
        {kHeader + entry + filter + above + "Equivalent To X\n---------- \nFiltered\n",
         "Error on line : 5\rEFFECTIVE expected."},
    };
    for (const Failure& f : failures) {
        FileRightsReports reports(1);
        Result<void> parsed;
        EXPECT_FALSE(parsed = ParseFileRightsReportText(f.text, reports)) << f.text;
        EXPECT_EQ(parsed.error(), f.error) << f.text;
        EXPECT_EQ(reports.size(), 1u);
    }
    FileRightsReports reports;
    Result<void> parsed;
    EXPECT_FALSE(parsed = ParseFileRightsReport("/nonexistent/#FSR#1.TXT", reports));
    EXPECT_EQ(parsed.error(), "Error on line : 0\rCould not open file.");
    EXPECT_FALSE(parsed = ParseFileRightsReport("/tmp", reports));
    EXPECT_EQ(parsed.error(), "Error on line : 0\rCould not open file.");
}

TEST(FileRightsReader, KeywordsTakeLettersOnlyAndPassOverTheRest) {
    // "name=" gives NAME and leaves "="; "Filter:" gives FILTER; a line of
    // blanks is passed over; CR LF line ends.
    const std::string text = "name=X\r\n\r\n\r\nV:\\\r\n    \r\n"
                             "Inherited Rights Filter:" +
                             std::string(43, ' ') +
                             "RW\r\nInherits From Above:" + std::string(47, ' ') +
                             "C\r\nEffective Rights" + std::string(52, ' ') + "E\r\nend\r\n";
    FileRightsReports reports;
    Result<void> parsed;
    ASSERT_TRUE(parsed = ParseFileRightsReportText(text, reports)) << parsed.error();
    EXPECT_EQ(reports[0].objectName, "X");
    ASSERT_EQ(reports[0].entries.size(), 1u);
    EXPECT_EQ(reports[0].entries[0].text, "V:\\");
    EXPECT_EQ(reports[0].entries[0].filter, kFileRead | kFileWrite);
    EXPECT_EQ(reports[0].entries[0].inherited, kFileCreate);
    EXPECT_EQ(reports[0].entries[0].effective, kFileErase);
}

TEST(FileRightsReader, ReadsTheFileAndKeepsNamesToEightyCharacters) {
    const std::string dir = qv::test::TempDir();
    const std::string longName(100, 'N');
    qv::test::WriteFile(dir + "/#FSR#1.TXT", "NAME=" + longName + "\n\n\n" +
                                                 Entry(std::string(90, 'P'), "", "", "SRWCEMFA"));
    FileRightsReports reports;
    Result<void> parsed;
    ASSERT_TRUE(parsed = ParseFileRightsReport(dir + "/#FSR#1.TXT", reports)) << parsed.error();
    EXPECT_EQ(reports[0].objectName, std::string(80, 'N'));
    EXPECT_EQ(reports[0].entries[0].text, std::string(80, 'P'));
    EXPECT_EQ(reports[0].entries[0].effective, 0xFF);
    fs::remove_all(dir);
}

// ---------------------------------------------------------------- window rules

FileRightsReport ThreeLevels() {
    FileRightsReport r;
    r.objectName = "JSMITH";
    r.entries = {{"SYS:\\", 1, 2, 4},
                 {"SYS:\\PUBLIC", 8, 16, kFileRead | kFileScan},
                 {"SYS:\\PUBLIC\\REPORTS", 64, 128, 0xFF}};
    return r;
}

TEST(FileRightsWindow, HierarchyPathsAndMarks) {
    const FileRightsReport r = ThreeLevels();
    const std::vector<std::string> chain = FileRightsHierarchy(r);
    EXPECT_EQ(chain, (std::vector<std::string>{"SYS:\\", "PUBLIC", "REPORTS"}));
    EXPECT_EQ(FileRightsNodePath(chain, 0), "SYS:\\");
    EXPECT_EQ(FileRightsNodePath(chain, 1), "SYS:\\PUBLIC");
    EXPECT_EQ(FileRightsNodePath(chain, 2), "SYS:\\PUBLIC\\REPORTS");
    for (std::size_t depth = 0; depth < 3; ++depth)
        for (int row = 0; row < 3; ++row) {
            const FileRightsMarksView v = FileRightsMarksFor(r, chain, depth, row);
            ASSERT_TRUE(v.found);
            const std::uint8_t expected = FileRightsRowByte(r.entries[depth], row);
            for (std::size_t m = 0; m < 8; ++m)
                EXPECT_EQ(v.enabled[m], ((expected >> m) & 1) != 0) << depth << row << m;
        }
    // R and F on "Effective Rights": only Read and File Scan.
    const FileRightsMarksView v = FileRightsMarksFor(r, chain, 1, 2);
    EXPECT_EQ(v.label, "Effective Rights:");
    EXPECT_EQ(v.enabled,
              (std::array<bool, 8>{false, true, false, false, false, false, true, false}));
    EXPECT_EQ(FileRightsMarksFor(r, chain, 0, 0).label, "Inherited Rights Filter:");

    // Another report's entries are matched by path.
    FileRightsReport other = r;
    std::swap(other.entries[0], other.entries[2]);
    EXPECT_TRUE(FileRightsMarksFor(other, chain, 2, 2).enabled[0]);
    // A path that matches nothing: every mark greyed.
    other.entries.pop_back();
    const FileRightsMarksView none = FileRightsMarksFor(other, chain, 0, 1);
    EXPECT_FALSE(none.found);
    EXPECT_EQ(none.enabled, (std::array<bool, 8>{}));
}

TEST(FileRightsWindow, HierarchyOfUnusualReports) {
    EXPECT_TRUE(FileRightsHierarchy(FileRightsReport{}).empty());
    EXPECT_EQ(FileRightsNodePath({}, 0), "");
    // An entry that does not extend the one before keeps its whole text.
    FileRightsReport r;
    r.entries = {{"V:\\", 0, 0, 0}, {"OTHER", 0, 0, 0}, {"OTHER\\X", 0, 0, 0}};
    EXPECT_EQ(FileRightsHierarchy(r), (std::vector<std::string>{"V:\\", "OTHER", "X"}));
    EXPECT_EQ(FileRightsNodePath(FileRightsHierarchy(r), 2), "V:\\OTHER\\X");
    EXPECT_EQ(FileRightsText(kFileRead | kFileScan), "-R----F-");
    EXPECT_EQ(FileRightsText(0xFF), "SRWCEMFA");
    EXPECT_EQ(FileRightsByte("[s R x A]"), kFileRead | kFileAccessControl);
}

// ---------------------------------------------------------------- effective rights

// A small tree: ACME with SALES (JOE, who is security equivalent to BOSS),
// the group STAFF with JOE as member, BOSS, and the volume VOL.
std::string Tree(const std::string& volumeLines, const std::string& joeLines = "") {
    return "dn: cn=T\nobjectClass: qvContainer\ncn: T\nqvBaseClass: Top\n\n"
           "dn: o=ACME,cn=T\nobjectClass: qvContainer\no: ACME\nqvBaseClass: Organization\n\n"
           "dn: ou=SALES,o=ACME,cn=T\nobjectClass: qvContainer\nou: SALES\n"
           "qvBaseClass: Organizational Unit\n\n"
           "dn: cn=JOE,ou=SALES,o=ACME,cn=T\nobjectClass: qvObject\ncn: JOE\nqvBaseClass: User\n"
           "qvSecurityEquals: cn=BOSS,o=ACME,cn=T\n" +
           joeLines +
           "\n"
           "dn: cn=BOSS,o=ACME,cn=T\nobjectClass: qvObject\ncn: BOSS\nqvBaseClass: User\n"
           "qvSecurityEquals: cn=ADMIN,o=ACME,cn=T\n\n"
           "dn: cn=ADMIN,o=ACME,cn=T\nobjectClass: qvObject\ncn: ADMIN\nqvBaseClass: User\n\n"
           "dn: cn=STAFF,o=ACME,cn=T\nobjectClass: qvObject\ncn: STAFF\nqvBaseClass: Group\n"
           "member: cn=JOE,ou=SALES,o=ACME,cn=T\n\n"
           "dn: cn=VOL,o=ACME,cn=T\nobjectClass: qvObject\ncn: VOL\nqvBaseClass: Volume\n" +
           volumeLines;
}

struct Rights {
    std::vector<FileRightsLevel> levels;
    std::uint8_t Effective(std::size_t i) const { return levels.at(i).effective; }
};

Rights Compute(const std::string& volumeLines, const std::string& who = "JOE.SALES.ACME",
               const std::vector<std::string>& folders = {"A", "B", "C"},
               const std::string& joeLines = "") {
    qv::nds::DirectoryEntries d;
    EXPECT_EQ(d.LoadLdif(Tree(volumeLines, joeLines)), qv::nds::kOk);
    return {EffectiveFileRights(d, d.FindByFullName("VOL.ACME"), d.FindByFullName(who), folders)};
}

constexpr std::uint8_t RF = kFileRead | kFileScan;
constexpr std::uint8_t RWF = kFileRead | kFileWrite | kFileScan;

TEST(FileEffectiveRights, InheritedFilteredAndReplaced) {
    const Rights r = Compute("qvTrustee: #cn=JOE,ou=SALES,o=ACME,cn=T#RWF\n"
                             "qvFileRightsFilter: a#RF\n"
                             "qvTrustee: A\\B#cn=JOE,ou=SALES,o=ACME,cn=T#ce\n"
                             "qvFileRightsFilter: /A/B/C/#\n");
    ASSERT_EQ(r.levels.size(), 4u);
    EXPECT_EQ(r.levels[0].path, "");
    EXPECT_EQ(r.levels[3].path, "A\\B\\C");
    EXPECT_EQ(r.levels[0].inherited, 0);
    EXPECT_EQ(r.Effective(0), RWF);
    // The filter of A lets R and F through (and always S).
    EXPECT_EQ(r.levels[1].filter, RF | kFileSupervisor);
    EXPECT_EQ(r.levels[1].inherited, RF);
    EXPECT_EQ(r.Effective(1), RF);
    // The assignment at A\B replaces what B inherits.
    EXPECT_EQ(r.levels[2].inherited, RF);
    EXPECT_EQ(r.Effective(2), kFileCreate | kFileErase);
    ASSERT_EQ(r.levels[2].assignments.size(), 1u);
    EXPECT_EQ(r.levels[2].assignments[0].identity.reason, "trustee");
    // An empty filter blocks everything below.
    EXPECT_EQ(r.levels[3].filter, kFileSupervisor);
    EXPECT_EQ(r.Effective(3), 0);
    EXPECT_EQ(r.levels[0].filter, 0xFF);
}

TEST(FileEffectiveRights, UnionOverEquivalencesEachInheritingOnItsOwn) {
    // The group's assignment at the root is replaced lower down for the group
    // only; JOE's container and [Public] keep what they inherit.
    const Rights r = Compute("qvTrustee: \\#cn=STAFF,o=ACME,cn=T#RWCEMF\n"
                             "qvTrustee: A#cn=STAFF,o=ACME,cn=T#R\n"
                             "qvTrustee: #ou=SALES,o=ACME,cn=T#F\n"
                             "qvTrustee: A\\B#[Public]#W\n"
                             "qvTrustee: A\\B\\C#cn=BOSS,o=ACME,cn=T#A\n"
                             "qvTrustee: A\\B\\C#cn=ADMIN,o=ACME,cn=T#S\n"
                             "qvTrustee: A\\B\\C#cn=NOBODY,o=ACME,cn=T#S\n");
    EXPECT_EQ(r.Effective(0), 0x7E); // R W C E M F
    EXPECT_EQ(r.Effective(1), RF);
    EXPECT_EQ(r.Effective(2), RWF);
    EXPECT_EQ(r.levels[2].assignments.size(), 1u);
    EXPECT_EQ(r.levels[2].assignments[0].identity.reason, "[Public]");
    // BOSS's equivalence counts; ADMIN's (BOSS's own) does not: not transitive.
    EXPECT_EQ(r.Effective(3), RWF | kFileAccessControl);

    // For BOSS, ADMIN is a direct equivalence: Supervisor at C.
    EXPECT_EQ(Compute("qvTrustee: A\\B\\C#cn=ADMIN,o=ACME,cn=T#S\n", "BOSS.ACME").Effective(3),
              0xFF);
    // [Root] reaches everyone, the tree root's DN is [Root].
    EXPECT_EQ(Compute("qvTrustee: A#[root]#R\nqvTrustee: A#cn=T#F\n").Effective(1), RF);
    // Who is equivalent to what.
    qv::nds::DirectoryEntries d;
    ASSERT_EQ(d.LoadLdif(Tree("")), qv::nds::kOk);
    std::vector<std::string> names;
    for (const FileRightsIdentity& id : FileRightsIdentities(d, d.FindByFullName("JOE.SALES.ACME")))
        names.push_back(IdentityName(d, id) + "/" + id.reason);
    EXPECT_EQ(names,
              (std::vector<std::string>{"JOE.SALES.ACME/trustee", "BOSS.ACME/security equivalence",
                                        "STAFF.ACME/group", "SALES.ACME/container",
                                        "ACME/container", "[Root]/[Root]", "[Public]/[Public]"}));
}

TEST(FileEffectiveRights, SupervisorGivesAllCannotBeFilteredNorTakenBack) {
    const Rights r = Compute("qvTrustee: A#cn=JOE,ou=SALES,o=ACME,cn=T#s\n"
                             "qvFileRightsFilter: A\\B#\n"
                             "qvTrustee: A\\B\\C#cn=JOE,ou=SALES,o=ACME,cn=T#R\n");
    EXPECT_EQ(r.Effective(0), 0);
    EXPECT_EQ(r.Effective(1), 0xFF);
    EXPECT_EQ(r.levels[2].inherited, 0xFF);
    EXPECT_EQ(r.Effective(2), 0xFF);
    EXPECT_EQ(r.Effective(3), 0xFF);
    // Without Supervisor the same filter blocks, and the assignment below counts.
    const Rights plain = Compute("qvTrustee: A#cn=JOE,ou=SALES,o=ACME,cn=T#RWCEMFA\n"
                                 "qvFileRightsFilter: A\\B#\n"
                                 "qvTrustee: A\\B\\C#cn=JOE,ou=SALES,o=ACME,cn=T#R\n");
    EXPECT_EQ(plain.Effective(2), 0);
    EXPECT_EQ(plain.Effective(3), kFileRead);
}

TEST(FileEffectiveRights, MalformedValuesAndCaseOfFolders) {
    const Rights r = Compute("qvTrustee: nohash\nqvTrustee: a#R\nqvFileRightsFilter: x\n"
                             "qvTrustee: a\\B#CN=joe,OU=sales,o=acme,cn=t#rf\n",
                             "JOE.SALES.ACME", {"A", "b"});
    ASSERT_EQ(r.levels.size(), 3u);
    EXPECT_EQ(r.levels[2].path, "A\\b");
    EXPECT_EQ(r.Effective(2), RF);
    EXPECT_EQ(r.Effective(1), 0);
    qv::nds::DirectoryEntries d;
    ASSERT_EQ(d.LoadLdif(Tree("")), qv::nds::kOk);
    EXPECT_TRUE(EffectiveFileRights(d, -1, 1, {}).empty());
    EXPECT_TRUE(FileRightsIdentities(d, 999).empty());
    EXPECT_EQ(SplitVolumePath("/A\\.\\B//"), (std::vector<std::string>{"A", "B"}));
}

// ---------------------------------------------------------------- RIGHTS stand-in

class RightsStandin : public ::testing::Test {
protected:
    void SetUp() override {
        volume_ = qv::test::TempDir();
        fs::create_directories(volume_ + "/Public/Reports");
        fs::create_directories(volume_ + "/HOME");
        ASSERT_EQ(directory_.LoadLdif(Tree("qvVolumePath: " + volume_ +
                                           "\n"
                                           "qvTrustee: #cn=STAFF,o=ACME,cn=T#RF\n"
                                           "qvTrustee: PUBLIC#cn=JOE,ou=SALES,o=ACME,cn=T#RWCEF\n"
                                           "qvFileRightsFilter: PUBLIC\\REPORTS#RF\n")),
                  qv::nds::kOk);
        station_.context = "SALES.ACME";
        station_.drive = 'F';
        station_.directory = "\\PUBLIC\\REPORTS";
        station_.drives['F'] = "VOL.ACME";
    }
    void TearDown() override { fs::remove_all(volume_); }

    bool Report(const std::vector<std::string>& argv, std::string& text) {
        Result<RightsArguments> args = ParseRightsArguments(argv);
        if (!args) {
            text = args.error();
            return false;
        }
        Result<std::string> report = RightsReport(*args, station_, directory_);
        text = report ? *report : report.error();
        return report.ok();
    }

    std::string volume_;
    qv::nds::DirectoryEntries directory_;
    RightsWorkstation station_;
};

TEST_F(RightsStandin, ReportReadsBackToTheEngineRights) {
    std::string text;
    ASSERT_TRUE(Report({".", "/I", "/NAME=JOE"}, text)) << text;
    EXPECT_EQ(text.rfind("NAME=JOE\n", 0), 0u);
    FileRightsReports reports;
    Result<void> parsed;
    ASSERT_TRUE(parsed = ParseFileRightsReportText(text, reports)) << parsed.error() << "\n"
                                                                   << text;
    const FileRightsReport& r = reports.at(0);
    EXPECT_EQ(r.objectName, "JOE");
    const std::vector<FileRightsLevel> levels =
        EffectiveFileRights(directory_, directory_.FindByFullName("VOL.ACME"),
                            directory_.FindByFullName("JOE.SALES.ACME"), {"PUBLIC", "REPORTS"});
    ASSERT_EQ(r.entries.size(), 3u);
    const std::vector<std::string> texts = {"VOL:\\", "VOL:\\PUBLIC", "VOL:\\PUBLIC\\REPORTS"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(r.entries[i].text, texts[i]);
        EXPECT_EQ(r.entries[i].filter, levels[i].filter);
        EXPECT_EQ(r.entries[i].inherited, levels[i].inherited);
        EXPECT_EQ(r.entries[i].effective, levels[i].effective);
    }
    EXPECT_EQ(r.entries[1].effective, RWF | kFileCreate | kFileErase);
    EXPECT_EQ(r.entries[2].effective, RF);
    // The window's paths find every entry.
    const std::vector<std::string> chain = FileRightsHierarchy(r);
    for (std::size_t depth = 0; depth < chain.size(); ++depth)
        EXPECT_TRUE(FileRightsMarksFor(r, chain, depth, 2).found) << depth;
    EXPECT_NE(text.find("Equivalent To STAFF.ACME (group)"), std::string::npos);
}

TEST_F(RightsStandin, ArgumentVariantsAndPaths) {
    std::string a;
    std::string b;
    ASSERT_TRUE(Report({".", "/I", "/NAME=JOE"}, a)) << a;
    for (const std::vector<std::string>& argv : std::vector<std::vector<std::string>>{
             {"/name=\"JOE\"", "/i"},
             {".", "/NAME", "=JOE"},
             {"/NAME=", "JOE", "/I"},
             {"F:\\public\\reports", "/I", "/NAME=.JOE.SALES.ACME"},
             {"..\\REPORTS", "/NAME=JOE"},
             {"\\PUBLIC\\.\\REPORTS", "/NAME=JOE.SALES.ACME"}}) {
        ASSERT_TRUE(Report(argv, b)) << b;
        EXPECT_EQ(b.substr(b.find('\n')), a.substr(a.find('\n'))) << argv[0];
    }
    // ".." stops at the volume root.
    station_.directory = "\\..\\PUBLIC";
    ASSERT_TRUE(Report({"..\\..\\..\\PUBLIC\\REPORTS", "/NAME=JOE"}, b)) << b;
    EXPECT_EQ(b.substr(b.find('\n')), a.substr(a.find('\n')));
    // A name one level up with a trailing dot; the root directory.
    station_.directory = "\\";
    ASSERT_TRUE(Report({".", "/I", "/NAME=BOSS."}, b)) << b;
    FileRightsReports reports;
    Result<void> parsed;
    ASSERT_TRUE(parsed = ParseFileRightsReportText(b, reports)) << parsed.error();
    ASSERT_EQ(reports[0].entries.size(), 1u);
    EXPECT_EQ(reports[0].entries[0].text, "VOL:\\");
}

TEST_F(RightsStandin, ErrorsAreOneLineOfText) {
    struct Case {
        std::vector<std::string> argv;
        std::string start;
    };
    const std::vector<Case> cases = {
        {{".", "/I"}, "RIGHTS: usage"},
        {{".", "/X", "/NAME=JOE"}, "RIGHTS: unknown option /X"},
        {{".", "..", "/NAME=JOE"}, "RIGHTS: more than one path"},
        {{"/NAME="}, "RIGHTS: /NAME= needs"},
        {{".", "/NAME=NOBODY"}, "RIGHTS: the object NOBODY was not found in context SALES.ACME"},
        {{"MISSING", "/NAME=JOE"}, "RIGHTS: the path VOL:\\PUBLIC\\REPORTS\\MISSING does not"},
        {{"G:\\", "/NAME=JOE"}, "RIGHTS: drive G: is not mapped"},
    };
    for (const Case& c : cases) {
        std::string text;
        EXPECT_FALSE(Report(c.argv, text)) << c.start;
        EXPECT_EQ(text.rfind(c.start, 0), 0u) << text;
    }
    std::string text;
    station_.drives['F'] = "JOE.SALES.ACME";
    EXPECT_FALSE(Report({"/NAME=JOE"}, text));
    EXPECT_NE(text.find("not a volume object"), std::string::npos);
    station_.drive = 0;
    EXPECT_FALSE(Report({"/NAME=JOE"}, text));
    EXPECT_EQ(text, "RIGHTS: there is no current drive.\n");
    fs::remove_all(volume_);
    station_.drive = 'f';
    station_.drives['F'] = "VOL.ACME";
    EXPECT_FALSE(Report({"/NAME=JOE"}, text));
    EXPECT_NE(text.find("are not available"), std::string::npos);
}

TEST_F(RightsStandin, RelativeVolumeFolderStartsAtTheLdifFolder) {
    qv::nds::TreeConnection c;
    c.address = "ldif:" + volume_ + "/tree.ldif";
    EXPECT_EQ(VolumeBaseFolder(c), volume_);
    c.address = "ldap://127.0.0.1/cn=T";
    EXPECT_EQ(VolumeBaseFolder(c), "");
    qv::nds::DirectoryEntries d;
    ASSERT_EQ(d.LoadLdif(Tree("qvVolumePath: Public\n")), qv::nds::kOk);
    Result<std::string> folder = VolumeFolder(d, "VOL.ACME", volume_);
    EXPECT_EQ(folder.value_or(""), volume_ + "/Public");
    folder = VolumeFolder(d, "VOL.ACME", volume_ + "/HOME");
    EXPECT_EQ(folder.value_or(""), "");
    std::string error = folder.error();
    EXPECT_NE(error.find("qvVolumePath \"Public\""), std::string::npos) << error;
    folder = VolumeFolder(d, "STAFF.ACME", volume_);
    EXPECT_EQ(folder.value_or(""), "");
    error = folder.error();
    EXPECT_NE(error.find("not a volume object"), std::string::npos);
}

} // namespace
