#include "netware/directory_profile.h"
#include "utilities/dsrights_report.h"
#include "utilities/effective_rights.h"
#include "utilities/file_rights.h"
#include "utilities/nds_rights.h"
#include "utilities/rights_standin.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace qv::utilities {
namespace {

namespace fs = std::filesystem;

std::vector<SourceRights> Sources(std::initializer_list<const char*> names) {
    std::vector<SourceRights> out;
    for (const char* n : names)
        out.push_back(SourceRights{n, false, {}});
    return out;
}

// A rights row: the text padded to column 64, then the two columns.
std::string Row(const std::string& text, const std::string& object, const std::string& property) {
    std::string line = text;
    line.resize(64, ' ');
    return line + object + property + "\n";
}

const std::string kHeader = "Object Path\n  Rights\n-------\n";
const std::string kRuling(78, '_');
const std::string kShortRuling = std::string(64, ' ') + std::string(14, '_') + "\n";

// A report of two levels with a direct and an equivalence row and one property.
std::string SampleReport() {
    return "How ADMIN got rights to FS1.\n" + kHeader + kRuling + "\n" + "[Root]\n" +
           Row("  Inherited Rights Filter", "[SBCDR]", "[SCRWA]") +
           Row("  Inherits From Above", "[     ]", "[     ]") +
           Row("  Equivalent To [Public]", "[ B   ]", "[     ]") + kShortRuling +
           Row("  Effective Rights", "[ B   ]", "[     ]") + kRuling + "\n" + "CORP..\n" +
           Row("  Inherited Rights Filter", "[SBCDR]", "[SCRWA]") +
           Row("  Inherits From Above", "[ B   ]", "[     ]") +
           Row("  ADMIN", "[S    ]", "[S    ]") +
           Row("  Equivalent To EVERYONE.", "[  C  ]", "[  R  ]") + kShortRuling +
           Row("  Effective Rights", "[SBCDR]", "[SCRWA]") + kRuling + "\n" +
           "Selected Property Rights\n" + "Network Address\n" +
           Row("  ADMIN", "       ", "[ CRW ]") + kShortRuling +
           Row("  Effective Rights", "       ", "[ CRW ]");
}

TEST(NdsRightsBatch, RootSelectedGivesAnEmptyContextAndNumbersLeafByLeaf) {
    std::string batch =
        BuildRightsBatch("[ROOT]", "SALES.CORP", {"ADMIN", "JSMITH", "MJONES"}, {"FS2", "FS2_SYS"});
    EXPECT_EQ(batch, "CX \"\"\r\n"
                     "DSRIGHTS \"ADMIN\" \".FS2.SALES.CORP\" > #DSR#1.TXT\r\n"
                     "DSRIGHTS \"ADMIN\" \".FS2_SYS.SALES.CORP\" > #DSR#2.TXT\r\n"
                     "DSRIGHTS \"JSMITH\" \".FS2.SALES.CORP\" > #DSR#3.TXT\r\n"
                     "DSRIGHTS \"JSMITH\" \".FS2_SYS.SALES.CORP\" > #DSR#4.TXT\r\n"
                     "DSRIGHTS \"MJONES\" \".FS2.SALES.CORP\" > #DSR#5.TXT\r\n"
                     "DSRIGHTS \"MJONES\" \".FS2_SYS.SALES.CORP\" > #DSR#6.TXT\r\n");
    EXPECT_EQ(BuildRightsBatch("SALES.CORP", "[ROOT]", {"JSMITH"}, {"CORP"}),
              "CX \".SALES.CORP\"\r\nDSRIGHTS \"JSMITH\" \".CORP\" > #DSR#1.TXT\r\n");
}

TEST(NdsRightsBatch, ItemNamesAndOldReportsAreRemoved) {
    EXPECT_EQ(ItemName("\xBB\x05*ADMIN\xBF\xBC"
                       "5"),
              "ADMIN");
    EXPECT_EQ(ItemName("PLAIN"), "PLAIN");
    fs::path dir = fs::temp_directory_path() / ("qv_dsr_" + std::to_string(::getpid()));
    fs::create_directories(dir / "#DSR#dir");
    for (const char* name : {"#DSR#1.TXT", "#dsr#7.old", "#DSR#", "DSR#1.TXT", "QVD_DSR.BAT"})
        std::ofstream(dir / name) << "x";
    EXPECT_EQ(DeleteReportFiles(dir.string(), "#DSR#"), 3);
    EXPECT_TRUE(fs::exists(dir / "DSR#1.TXT"));
    EXPECT_TRUE(fs::exists(dir / "QVD_DSR.BAT"));
    EXPECT_TRUE(fs::exists(dir / "#DSR#dir"));
    fs::remove_all(dir);
}

TEST(NdsRightsNames, ResolveName) {
    EXPECT_EQ(ResolveName("", "A.B"), "");
    EXPECT_EQ(ResolveName("X", ""), "X");
    EXPECT_EQ(ResolveName("[PUBLIC]", "A.B"), "[PUBLIC]");
    EXPECT_EQ(ResolveName("[ROOT]", "A.B"), "[ROOT]");
    EXPECT_EQ(ResolveName("X", "A.B"), "X.A.B");
    EXPECT_EQ(ResolveName("X.Y", "A.B"), "X.Y.A.B");
    EXPECT_EQ(ResolveName("X.", "A.B.C"), "X.B.C");
    // Two dots against three components keep only the last one.
    EXPECT_EQ(ResolveName("X..", "A.B.C"), "X.C");
    // More dots than the context can climb: the name alone.
    EXPECT_EQ(ResolveName("X...", "A.B.C"), "X");
    EXPECT_EQ(ResolveName("X.", "A"), "X");
    EXPECT_EQ(ResolveName("X.Y..", "A.B.C"), "X.Y.C");
}

TEST(NdsRightsNames, RelativeNamesReadBackToFullNames) {
    const char* contexts[] = {"", "CORP", "SALES.CORP", "DEV.ENG.CORP", "OTHER"};
    const char* names[] = {"CORP",     "SALES.CORP",   "JSMITH.SALES.CORP",
                           "ENG.CORP", "DEV.ENG.CORP", "ALEE.DEV.ENG.CORP",
                           "OTHER",    "X.OTHER",      "[Public]"};
    for (const char* c : contexts)
        for (const char* n : names)
            EXPECT_EQ(ResolveName(RelativeName(n, c), c), n) << n << " in " << c;
}

TEST(NdsRightsReport, ReadsPathsAssignmentsAndProperties) {
    auto sources = Sources({"JSMITH", "admin"});
    Result<void> parsed;
    ASSERT_TRUE(parsed = ParseNDSRightsReportText(SampleReport(), "SALES.CORP", sources))
        << parsed.error();
    ASSERT_TRUE(sources[1].hasTrustees);
    EXPECT_FALSE(sources[0].hasTrustees);
    ASSERT_EQ(sources[1].trustees.size(), 1u);
    const TrusteeRights& t = sources[1].trustees[0];
    EXPECT_EQ(t.name, "FS1.CORP");
    ASSERT_EQ(t.paths.size(), 2u);
    EXPECT_EQ(t.paths[0].name, "[ROOT]");
    EXPECT_EQ(t.paths[0].effectiveObject, kRightB);
    ASSERT_EQ(t.paths[0].assignments.size(), 1u);
    EXPECT_EQ(t.paths[0].assignments[0].name, "[PUBLIC]");
    EXPECT_FALSE(t.paths[0].assignments[0].direct);
    const PathEntry& corp = t.paths[1];
    EXPECT_EQ(corp.name, "CORP");
    EXPECT_EQ(corp.filterObject, kAllObjectRights);
    EXPECT_EQ(corp.filterProperty, kAllPropertyRights);
    EXPECT_EQ(corp.inheritedObject, kRightB);
    ASSERT_EQ(corp.assignments.size(), 2u);
    EXPECT_EQ(corp.assignments[0].name, "ADMIN.SALES.CORP");
    EXPECT_TRUE(corp.assignments[0].direct);
    EXPECT_EQ(corp.assignments[0].objectRights, kRightS);
    EXPECT_EQ(corp.assignments[1].name, "EVERYONE.CORP");
    EXPECT_EQ(corp.assignments[1].objectRights, kRightC);
    EXPECT_EQ(corp.assignments[1].propertyRights, kRightR);
    ASSERT_EQ(t.properties.size(), 1u);
    EXPECT_EQ(t.properties[0].name, "NETWORK ADDRESS");
    EXPECT_EQ(t.properties[0].effective, kRightC | kRightR | kRightW);
    ASSERT_EQ(t.properties[0].assignments.size(), 1u);
    EXPECT_EQ(t.properties[0].assignments[0].propertyRights, kRightC | kRightR | kRightW);
    // A root context: direct rows are the names as printed.
    auto again = Sources({"ADMIN"});
    ASSERT_TRUE(parsed = ParseNDSRightsReportText(SampleReport(), "", again));
    EXPECT_EQ(again[0].trustees[0].paths[1].assignments[0].name, "ADMIN");
    EXPECT_EQ(again[0].trustees[0].name, "FS1.");
}

TEST(NdsRightsReport, RightsColumnsTakeOnlyTheirLetters) {
    std::string report = "How ADMIN got rights to X\n" + kHeader + "CORP\n" +
                         Row("  Inherited Rights Filter", "[ B  R]", "x[s r]") +
                         Row("  Inherits From Above", "BR", "") + kShortRuling +
                         Row("  Effective Rights", "       ", "       S") +
                         // Letters beyond column 78 are not read.
                         "";
    auto sources = Sources({"ADMIN"});
    Result<void> parsed;
    ASSERT_TRUE(parsed = ParseNDSRightsReportText(report, "", sources)) << parsed.error();
    const PathEntry& p = sources[0].trustees[0].paths[0];
    EXPECT_EQ(p.filterObject, kRightB | kRightR);
    EXPECT_EQ(p.filterProperty, kRightS | kRightR);
    EXPECT_EQ(p.inheritedObject, kRightB | kRightR);
    EXPECT_EQ(p.effectiveObject, 0);
    EXPECT_EQ(p.effectiveProperty, 0);
}

TEST(NdsRightsReport, NamesAreTrimmedBeforeTheyAreResolvedOrCompared) {
    std::string report = "How   ADMIN   got rights to   FS1  \n" + kHeader + "   CORP   \n" +
                         Row("  Inherited Rights Filter", "", "") +
                         Row("  Inherits From Above", "", "") +
                         Row("  Equivalent To   EVERYONE  ", "[ B   ]", "") + kShortRuling +
                         Row("  Effective Rights", "[ B   ]", "");
    auto sources = Sources({"ADMIN"});
    Result<void> parsed;
    ASSERT_TRUE(parsed = ParseNDSRightsReportText(report, "CORP", sources)) << parsed.error();
    const TrusteeRights& t = sources[0].trustees[0];
    EXPECT_EQ(t.name, "FS1.CORP");
    EXPECT_EQ(t.paths[0].name, "CORP.CORP");
    EXPECT_EQ(t.paths[0].assignments[0].name, "EVERYONE.CORP");
}

struct Failure {
    std::string text;
    std::string message;
    const char* source = "ADMIN";
};

TEST(NdsRightsReport, EveryMessage) {
    const std::string good = SampleReport();
    const std::string head = "How ADMIN got rights to X\n" + kHeader;
    // The table header's four lines are not counted: the path entry after
    // them is not either, so the line after it is line 2.
    std::vector<Failure> failures = {
        {"Who ADMIN got rights to X\n", "Error on line : 1\rHOW expected."},
        {"How NOBODY got rights to X\n", "Error on line : 1\rCannot generate report for : NOBODY"},
        {"\n\nHow ADMIN has rights to X\n",
         "Error on line : 3\rCannot generate report for : ADMIN HAS RIGHTS TO X"},
        {"How ADMIN gets rights to X\nObject\n", "Error on line : 2\rGOT expected.",
         "ADMIN GETS RIGHTS TO X"},
        {head + "CORP\nInherits\n", "Error on line : 2\rINHERITED expected."},
        {head + "CORP\nInherited Filter\n", "Error on line : 2\rRIGHTS expected."},
        {head + "CORP\nInherited Rights Mask\n", "Error on line : 2\rFILTER expected."},
        {head + "CORP\nInherited Rights Filter\nInherited\n",
         "Error on line : 3\rINHERITS expected."},
        {head + "CORP\nInherited Rights Filter\nInherits To\n",
         "Error on line : 3\rFROM expected."},
        {head + "CORP\nInherited Rights Filter\nInherits From Below\n",
         "Error on line : 3\rABOVE expected."},
        {head + "CORP\nInherited Rights Filter\nInherits From Above\n" + kShortRuling +
             "Total Rights\n",
         "Error on line : 5\rEFFECTIVE expected."},
        {head + "CORP\nInherited Rights Filter\nInherits From Above\nEquivalent Of X\n",
         "Error on line : 4\rTO expected."},
        {head + "Selected Rights\n", "Error on line : 1\rPROPERTY expected."},
        {head + "CORP\nInherited Rights Filter\nInherits From Above\n",
         "Error on line : 3\rMissing Object Name or Property Name."},
        {"", "Error on line : 0\rMissing Object Name or Property Name."},
        {good.substr(0, good.find("Network Address\n") + 16) + Row("  ADMIN", "       ", "[ CRW ]"),
         "Error on line : 17\rMissing Object Name or Property Name."},
    };
    for (const Failure& f : failures) {
        auto sources = Sources({f.source});
        Result<void> parsed;
        EXPECT_FALSE(parsed = ParseNDSRightsReportText(f.text, "CORP", sources)) << f.text;
        EXPECT_EQ(parsed.error(), f.message) << f.text;
        // A failed report is taken back: no report list is left behind.
        EXPECT_FALSE(sources[0].hasTrustees);
        EXPECT_TRUE(sources[0].trustees.empty());
    }
    Result<void> parsed;
    auto sources = Sources({"ADMIN"});
    EXPECT_FALSE(parsed = ParseNDSRightsReport("/nonexistent/#DSR#1.TXT", "", sources));
    EXPECT_EQ(parsed.error(), "Error on line : 0\rCould not open file.");
}

TEST(NdsRightsReport, AFailedReportLeavesEarlierReportsOfItsObject) {
    auto sources = Sources({"ADMIN"});
    Result<void> parsed;
    ASSERT_TRUE(parsed = ParseNDSRightsReportText(SampleReport(), "CORP", sources));
    EXPECT_FALSE(parsed = ParseNDSRightsReportText(
                     "How ADMIN got rights to Y\n" + kHeader + "CORP\nX\n", "CORP", sources));
    ASSERT_TRUE(sources[0].hasTrustees);
    EXPECT_EQ(sources[0].trustees.size(), 1u);
    // A report of only its header has no path entries and is read.
    ASSERT_TRUE(parsed = ParseNDSRightsReportText("How ADMIN got rights to Z\n" + kHeader, "CORP",
                                                  sources));
    EXPECT_EQ(sources[0].trustees.size(), 2u);
    EXPECT_TRUE(sources[0].trustees[1].paths.empty());
}

TEST(NdsRightsWindows, RowsMarksAndTheStandInPathEntry) {
    auto sources = Sources({"ADMIN"});
    Result<void> parsed;
    ASSERT_TRUE(parsed = ParseNDSRightsReportText(SampleReport(), "CORP", sources));
    const TrusteeRights& t = sources[0].trustees[0];
    const PathEntry* corp = FindPath(t, "corp");
    ASSERT_NE(corp, nullptr);
    // Two assignments: five rows.
    EXPECT_EQ(RightsRows(*corp),
              (std::vector<std::string>{"Inherited Rights Filter", "Inherits From Above",
                                        "ADMIN.CORP", "EVERYONE", "Effective Rights"}));
    EXPECT_EQ(RowRights(*corp, 1), std::make_pair(kRightB, std::uint8_t{0}));
    EXPECT_EQ(RowRights(*corp, 3), std::make_pair(kRightC, kRightR));
    EXPECT_EQ(RowRights(*corp, 4), std::make_pair(kAllObjectRights, kAllPropertyRights));
    // A node without its own entry shows its nearest ancestor's.
    auto made = PathEntryForNode(t, {"SALES.CORP", "CORP", "[ROOT]"});
    ASSERT_TRUE(made);
    EXPECT_EQ(made->name, "SALES.CORP");
    EXPECT_EQ(RightsRows(*made),
              (std::vector<std::string>{"Inherited Rights Filter", "Inherits From Above",
                                        "Effective Rights"}));
    EXPECT_EQ(RowRights(*made, 0), std::make_pair(kAllObjectRights, kAllPropertyRights));
    EXPECT_EQ(RowRights(*made, 1), std::make_pair(kAllObjectRights, kAllPropertyRights));
    EXPECT_EQ(RowRights(*made, 2), std::make_pair(kAllObjectRights, kAllPropertyRights));
    EXPECT_FALSE(PathEntryForNode(t, {"X.OTHER", "OTHER"}));
    // Repeated names show the first assignment of that name.
    PathEntry twice;
    twice.assignments = {{"A", true, kRightB, 0}, {"A", false, kRightD, 0}};
    EXPECT_EQ(RowRights(twice, 3), std::make_pair(kRightB, std::uint8_t{0}));
    const PropertyRights& p = t.properties[0];
    EXPECT_EQ(PropertyRows(p), (std::vector<std::string>{"ADMIN.CORP", "Effective Rights"}));
    EXPECT_EQ(PropertyRowRights(p, 0), kRightC | kRightR | kRightW);
    EXPECT_EQ(RightsMarks().size(), 10u);
    EXPECT_EQ(ObjectRightsText(kRightS | kRightR), "S---R");
    EXPECT_EQ(PropertyRightsText(kRightC | kRightA), "-C--A");
    EXPECT_EQ(ReportFailedText("FS1.CORP"),
              "The NDS rights report generation for : FS1.CORP\rfailed.");
    EXPECT_EQ(NoReportsText("CORP.ADMIN"),
              "The NDS rights report generation for : \rCORP.ADMIN failed.");
}

// ---- the effective rights engine on small trees ----

std::string Entry(const std::string& dn, const std::string& base, bool container,
                  const std::vector<std::string>& lines = {}) {
    std::string rdn = dn.substr(0, dn.find(','));
    std::string attr = rdn.substr(0, rdn.find('='));
    std::string out = "\ndn: " + dn + "\nobjectClass: " + (container ? "qvContainer" : "qvObject") +
                      "\n" + attr + ": " + rdn.substr(rdn.find('=') + 1) +
                      "\nqvBaseClass: " + base + "\n";
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

struct SmallTree {
    nds::DirectoryEntries dir;
    explicit SmallTree(const std::string& ldif) { EXPECT_EQ(dir.LoadLdif(ldif), nds::kOk); }
    EffectiveRights Rights(const char* trustee, const char* target) {
        std::int32_t a = dir.FindByFullName(trustee);
        std::int32_t b = dir.FindByFullName(target);
        EXPECT_GE(a, 0) << trustee;
        EXPECT_GE(b, 0) << target;
        return ComputeEffectiveRights(dir, a, b);
    }
};

// o=O, ou=A below it, cn=X below A; users U (in O) and V (in A), group G in O.
std::string BaseTree(const std::vector<std::string>& onO, const std::vector<std::string>& onA,
                     const std::vector<std::string>& onX, const std::vector<std::string>& onU = {},
                     const std::vector<std::string>& onG = {},
                     const std::vector<std::string>& onRoot = {}) {
    std::string root = "dn: cn=T\nobjectClass: qvContainer\ncn: T\nqvBaseClass: Top\n";
    for (const std::string& l : onRoot)
        root += l + "\n";
    return root + Entry("o=O,cn=T", "Organization", true, onO) +
           Entry("ou=A,o=O,cn=T", "Organizational Unit", true, onA) +
           Entry("cn=X,ou=A,o=O,cn=T", "User", false, onX) +
           Entry("cn=U,o=O,cn=T", "User", false, onU) + Entry("cn=V,ou=A,o=O,cn=T", "User", false) +
           Entry("cn=G,o=O,cn=T", "Group", false, onG);
}

RightsBytes Effective(const EffectiveRights& r) {
    return r.levels.back().effective;
}

TEST(EffectiveRights, InheritanceFiltersAndReplacement) {
    // U: B C on O flows to X; A's filter lets only B through.
    SmallTree t(BaseTree({"qvACL: [Entry Rights]#cn=U,o=O,cn=T#BC",
                          "qvACL: [All Attributes Rights]#cn=U,o=O,cn=T#CRW"},
                         {"qvInheritedRightsFilter: [Entry Rights]#B",
                          "qvInheritedRightsFilter: [All Attributes Rights]#R"},
                         {}));
    EffectiveRights r = t.Rights("U.O", "X.A.O");
    ASSERT_EQ(r.levels.size(), 4u); // root, O, A, X
    EXPECT_EQ(r.levels[1].effective, (RightsBytes{kRightB | kRightC, kRightC | kRightR | kRightW}));
    EXPECT_EQ(r.levels[2].filter, (RightsBytes{kRightB, kRightR}));
    EXPECT_EQ(r.levels[2].inherited, (RightsBytes{kRightB, kRightR}));
    EXPECT_EQ(Effective(r), (RightsBytes{kRightB, kRightR}));
    EXPECT_EQ(r.levels[3].filter, (RightsBytes{kAllObjectRights, kAllPropertyRights}));

    // An assignment of U's own at A replaces what it inherits (the filter does
    // not touch it), and only for the kind of rights it assigns.
    SmallTree t2(BaseTree(
        {"qvACL: [Entry Rights]#cn=U,o=O,cn=T#BCD",
         "qvACL: [All Attributes Rights]#cn=U,o=O,cn=T#CR"},
        {"qvACL: [Entry Rights]#cn=U,o=O,cn=T#R", "qvInheritedRightsFilter: [Entry Rights]#"}, {}));
    r = t2.Rights("U.O", "X.A.O");
    EXPECT_EQ(r.levels[2].inherited, (RightsBytes{0, kRightC | kRightR}));
    ASSERT_EQ(r.levels[2].rows.size(), 1u);
    EXPECT_TRUE(r.identities[r.levels[2].rows[0].identity].direct);
    EXPECT_EQ(Effective(r), (RightsBytes{kRightR, kRightC | kRightR}));
}

TEST(EffectiveRights, EquivalencesAreUnitedEachFlowingOnItsOwn) {
    // U equals V by qvSecurityEquals, is a member of G, lives in O; [Public]
    // and [Root] hold rights on the tree root.
    SmallTree t(
        BaseTree({"qvACL: [Entry Rights]#cn=G,o=O,cn=T#C"},
                 {"qvACL: [Entry Rights]#cn=V,ou=A,o=O,cn=T#D", "qvACL: [Entry Rights]#o=O,cn=T#R"},
                 {"qvACL: [Entry Rights]#cn=U,o=O,cn=T#B"},
                 {"qvSecurityEquals: cn=V,ou=A,o=O,cn=T"}, {"member: cn=U,o=O,cn=T"},
                 {"qvACL: [Entry Rights]#[Public]#B", "qvACL: [All Attributes Rights]#[Root]#R"}));
    EffectiveRights r = t.Rights("U.O", "X.A.O");
    std::vector<std::string> names;
    for (const RightsIdentity& id : r.identities)
        names.push_back(id.name);
    EXPECT_EQ(names, (std::vector<std::string>{"U.O", "V.A.O", "G.O", "O", "[Root]", "[Public]"}));
    // U's own B at X replaces only U's inherited rights: G's C, V's D, O's R
    // and [Public]'s B still arrive.
    EXPECT_EQ(r.levels[3].inherited.object, kRightB | kRightC | kRightD | kRightR);
    EXPECT_EQ(r.levels[3].inherited.property, kRightR);
    EXPECT_EQ(Effective(r), (RightsBytes{kRightB | kRightC | kRightD | kRightR, kRightR}));
    // Equivalence is not transitive and is not shared: V has no rights of U's.
    EffectiveRights v = t.Rights("V.A.O", "X.A.O");
    EXPECT_EQ(Effective(v), (RightsBytes{kRightB | kRightD | kRightR, kRightR}));
    // A member of no group, outside O: only [Root] and [Public].
    EffectiveRights root = t.Rights("O", "O");
    EXPECT_EQ(Effective(root), (RightsBytes{kRightB, kRightR}));
}

TEST(EffectiveRights, SupervisorImpliesEverythingAndCanBeFiltered) {
    SmallTree t(BaseTree({"qvACL: [Entry Rights]#cn=U,o=O,cn=T#S"}, {}, {}));
    EffectiveRights r = t.Rights("U.O", "X.A.O");
    EXPECT_EQ(Effective(r), (RightsBytes{kAllObjectRights, kAllPropertyRights}));
    // The flowing right is S alone; the report's inherited rows show it so.
    EXPECT_EQ(r.levels[3].inherited, (RightsBytes{kRightS, 0}));
    // A filter without S blocks Supervisor and with it what it implied.
    SmallTree f(BaseTree({"qvACL: [Entry Rights]#cn=U,o=O,cn=T#S"},
                         {"qvInheritedRightsFilter: [Entry Rights]#BCDR"}, {}));
    EXPECT_EQ(Effective(f.Rights("U.O", "X.A.O")), (RightsBytes{0, 0}));
    // Supervisor property rights imply every property right.
    SmallTree p(BaseTree({"qvACL: [All Attributes Rights]#cn=U,o=O,cn=T#S"}, {}, {}));
    EXPECT_EQ(Effective(p.Rights("U.O", "A.O")), (RightsBytes{0, kAllPropertyRights}));
}

TEST(EffectiveRights, SelectedPropertiesOfTheTarget) {
    SmallTree t(BaseTree({"qvACL: [All Attributes Rights]#cn=U,o=O,cn=T#CR"}, {},
                         {"qvACL: Telephone Number#cn=U,o=O,cn=T#W",
                          "qvACL: Telephone Number#cn=G,o=O,cn=T#A",
                          "qvACL: Login Script#cn=V,ou=A,o=O,cn=T#R", "qvACL: broken value"},
                         {}, {"member: cn=U,o=O,cn=T"}));
    EffectiveRights r = t.Rights("U.O", "X.A.O");
    // Login Script's assignment belongs to V, who is not U's equivalent.
    ASSERT_EQ(r.attributes.size(), 1u);
    EXPECT_EQ(r.attributes[0].attribute, "Telephone Number");
    ASSERT_EQ(r.attributes[0].rows.size(), 2u);
    // U's own W replaces its C R for this attribute; G adds A.
    EXPECT_EQ(r.attributes[0].effective, kRightW | kRightA);
}

TEST(DsRightsReport, PrintedReportReadsBackAsComputed) {
    SmallTree t(BaseTree(
        {"qvACL: [Entry Rights]#cn=G,o=O,cn=T#C",
         "qvACL: [All Attributes Rights]#cn=U,o=O,cn=T#CR"},
        {"qvInheritedRightsFilter: [Entry Rights]#BCR", "qvACL: [Entry Rights]#cn=U,o=O,cn=T#BD"},
        {"qvACL: Telephone Number#cn=U,o=O,cn=T#W"}, {}, {"member: cn=U,o=O,cn=T"},
        {"qvACL: [Entry Rights]#[Public]#B"}));
    for (const char* context : {"", "O"}) {
        std::int32_t u = t.dir.FindByFullName("U.O");
        std::int32_t x = t.dir.FindByFullName("X.A.O");
        EffectiveRights r = ComputeEffectiveRights(t.dir, u, x);
        std::string leaf = RelativeName("U.O", context);
        std::string text = FormatDsRightsReport(t.dir, r, leaf, context);
        auto sources = Sources({leaf.c_str()});
        Result<void> parsed;
        ASSERT_TRUE(parsed = ParseNDSRightsReportText(text, context, sources))
            << parsed.error() << "\n"
            << text;
        const TrusteeRights& got = sources[0].trustees[0];
        TrusteeRights want = RightsRecords(t.dir, r, context);
        auto upper = [](std::string s) {
            for (char& c : s)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            return s;
        };
        EXPECT_EQ(got.name, upper(want.name));
        ASSERT_EQ(got.paths.size(), want.paths.size());
        for (std::size_t i = 0; i < want.paths.size(); ++i) {
            const PathEntry& a = got.paths[i];
            const PathEntry& b = want.paths[i];
            EXPECT_EQ(a.name, upper(b.name)) << context;
            EXPECT_EQ(a.filterObject, b.filterObject);
            EXPECT_EQ(a.filterProperty, b.filterProperty);
            EXPECT_EQ(a.inheritedObject, b.inheritedObject);
            EXPECT_EQ(a.inheritedProperty, b.inheritedProperty);
            EXPECT_EQ(a.effectiveObject, b.effectiveObject);
            EXPECT_EQ(a.effectiveProperty, b.effectiveProperty);
            ASSERT_EQ(a.assignments.size(), b.assignments.size());
            for (std::size_t k = 0; k < b.assignments.size(); ++k) {
                EXPECT_EQ(a.assignments[k].name, upper(b.assignments[k].name)) << context;
                EXPECT_EQ(a.assignments[k].direct, b.assignments[k].direct);
                EXPECT_EQ(a.assignments[k].objectRights, b.assignments[k].objectRights);
                EXPECT_EQ(a.assignments[k].propertyRights, b.assignments[k].propertyRights);
            }
        }
        ASSERT_EQ(got.properties.size(), 1u);
        EXPECT_EQ(got.properties[0].name, "TELEPHONE NUMBER");
        EXPECT_EQ(got.properties[0].effective, want.properties[0].effective);
        EXPECT_EQ(got.properties[0].assignments[0].name, "U.O");
    }
}

TEST(DsRightsReport, EveryPairOfTheExampleTreeReadsBackAsComputed) {
    std::ifstream in(std::string(QV_SOURCE_DIR) + "/examples/corp_tree.ldif", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    nds::DirectoryEntries dir;
    ASSERT_EQ(dir.LoadLdif(text), nds::kOk);
    auto upper = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    int pairs = 0;
    for (std::size_t a = 1; a < dir.Size(); ++a) {
        // The trustee in the current context, as the design window calls it.
        const nds::DirectoryEntry& trustee = dir.At(a);
        const std::string context =
            trustee.parent > 0 ? dir.At(static_cast<std::size_t>(trustee.parent)).fullName : "";
        for (std::size_t b = 0; b < dir.Size(); ++b) {
            EffectiveRights r = ComputeEffectiveRights(dir, static_cast<std::int32_t>(a),
                                                       static_cast<std::int32_t>(b));
            const std::string report = FormatDsRightsReport(dir, r, trustee.rdnValue, context);
            std::vector<SourceRights> sources{{trustee.rdnValue, false, {}}};
            Result<void> parsed;
            ASSERT_TRUE(parsed = ParseNDSRightsReportText(report, context, sources))
                << parsed.error() << "\n"
                << report;
            const TrusteeRights& got = sources[0].trustees.at(0);
            const TrusteeRights want = RightsRecords(dir, r, context);
            ASSERT_EQ(got.name, upper(want.name));
            ASSERT_EQ(got.paths.size(), want.paths.size());
            for (std::size_t i = 0; i < want.paths.size(); ++i) {
                const PathEntry& x = got.paths[i];
                const PathEntry& y = want.paths[i];
                EXPECT_EQ(x.name, upper(y.name));
                EXPECT_EQ(x.filterObject, y.filterObject);
                EXPECT_EQ(x.filterProperty, y.filterProperty);
                EXPECT_EQ(x.inheritedObject, y.inheritedObject);
                EXPECT_EQ(x.inheritedProperty, y.inheritedProperty);
                EXPECT_EQ(x.effectiveObject, y.effectiveObject);
                EXPECT_EQ(x.effectiveProperty, y.effectiveProperty);
                ASSERT_EQ(x.assignments.size(), y.assignments.size());
                for (std::size_t k = 0; k < y.assignments.size(); ++k) {
                    EXPECT_EQ(x.assignments[k].name, upper(y.assignments[k].name));
                    EXPECT_EQ(x.assignments[k].objectRights, y.assignments[k].objectRights);
                    EXPECT_EQ(x.assignments[k].propertyRights, y.assignments[k].propertyRights);
                }
            }
            ASSERT_EQ(got.properties.size(), want.properties.size());
            for (std::size_t i = 0; i < want.properties.size(); ++i)
                EXPECT_EQ(got.properties[i].effective, want.properties[i].effective);
            ++pairs;
        }
    }
    EXPECT_GT(pairs, 100);
}

TEST(DsRightsReport, ArgumentsAndUnknownNames) {
    SmallTree t(BaseTree({}, {}, {}));
    std::string out;
    EXPECT_EQ(RunDsRights({"U"}, t.dir, "O", out), 1);
    EXPECT_EQ(out, "Usage: DSRIGHTS \"object name\" \"target name\"\n");
    EXPECT_EQ(RunDsRights({"NOBODY", ".X.A.O"}, t.dir, "O", out), 1);
    EXPECT_EQ(out, "DSRIGHTS: the object \"NOBODY\" was not found.\n");
    EXPECT_EQ(RunDsRights({"U", ".Y.A.O"}, t.dir, "O", out), 1);
    EXPECT_EQ(out, "DSRIGHTS: the object \".Y.A.O\" was not found.\n");
    EXPECT_EQ(RunDsRights({"U", ".X.A.O"}, t.dir, "O", out), 0);
    EXPECT_EQ(out.substr(0, out.find('\n')), "How U got rights to X.A");
    EXPECT_EQ(RunDsRights({" .U.O ", "[Root]"}, t.dir, "", out), 0);
    EXPECT_EQ(out.substr(0, out.find('\n')), "How .U.O got rights to [Root]");
}

// A directory in the standard schemas holds no rights: DSRIGHTS and RIGHTS
// say so (exit 1) instead of a plausible report without any, and the report
// readers of both windows take that line for what it is.
TEST(RightsStandIns, StandardDirectoryHoldsNoRights) {
    nds::DirectoryEntries directory;
    nds::TreeConnection c;
    c.name = "STD_CORP";
    c.address = std::string("ldif:") + QV_SOURCE_DIR + "/tests/data/directories/standard_corp.ldif";
    ASSERT_EQ(directory.Load(c), nds::kOk);
    ASSERT_EQ(directory.Profile().name, "standard");
    const std::string line = "This directory holds no rights information (profile standard).";
    std::string dsrights, rights;
    EXPECT_EQ(RunDsRights({"jsmith.Sales", "Sales"}, directory, "", dsrights), 1);
    RightsArguments args;
    RightsWorkstation station;
    station.drive = 'F';
    Result<std::string> report = RightsReport(args, station, directory);
    EXPECT_FALSE(report);
    rights = report.error();
    for (const std::string* out : {&dsrights, &rights}) {
        EXPECT_EQ(*out, line + "\n");
        Result<void> parsed;
        std::vector<SourceRights> sources;
        EXPECT_FALSE(parsed = ParseNDSRightsReportText(*out, "", sources));
        EXPECT_EQ(parsed.error(), line);
        EXPECT_TRUE(IsNoRightsInformation(parsed.error()));
        FileRightsReports reports;
        EXPECT_FALSE(parsed = ParseFileRightsReportText(*out, reports));
        EXPECT_EQ(parsed.error(), line);
        EXPECT_TRUE(reports.empty());
    }
    // A directory in our own schema holds them, even where none are set.
    SmallTree t(BaseTree({}, {}, {}));
    EXPECT_TRUE(t.dir.Profile().rightsInformation);
}

} // namespace
} // namespace qv::utilities
