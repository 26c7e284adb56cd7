#include "utilities/default_servers.h"
#include "utilities/nlist_report.h"

#include "netware/directory_profile.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <unistd.h>

namespace qv::utilities {
namespace {

using Lines = std::vector<std::string>;

const std::string kGood = "Object Class: User\n"
                          "Current context: SALES.CORP\n"
                          "User: JSMITH\n"
                          "        Last Name: Smith\n"
                          "        Default Server: FS2.SALES.CORP\n"
                          "User: ajones\n"
                          "        Last Name: Jones\n"
                          "A total of 2 User objects were found in this context.\n"
                          "\n"
                          "Object Class: User\n"
                          "Current context: ENG.CORP\n"
                          "User: BOB\n"
                          "        Last Name:\n"
                          "        Default Server: fs1.corp\n"
                          "A total of 1 User object was found in this context.\n"
                          "\n"
                          "A total of 3 User objects were found.\n";

struct Parsed {
    bool ok = false;
    DefaultServerContexts contexts;
    Lines memo;
};

Parsed Parse(std::string_view text) {
    Parsed p;
    p.ok = ParseDefaultServerText(text, kDefaultServerFile, p.contexts, p.memo);
    return p;
}

// The message line of a failed parse and its position line.
void ExpectFailure(std::string_view text, const std::string& message, const std::string& where) {
    SCOPED_TRACE(std::string(text));
    Parsed p = Parse(text);
    ASSERT_FALSE(p.ok);
    EXPECT_TRUE(p.contexts.empty());
    ASSERT_EQ(p.memo.size(), 4u);
    EXPECT_EQ(p.memo[0], "Error parsing file : DEFSRV.TXT");
    EXPECT_EQ(p.memo[1], message);
    EXPECT_EQ(p.memo[2], where);
    EXPECT_EQ(p.memo[3], "");
}

const std::string kUser = "Object Class: User\nCurrent context: C\nUser: U\n";
const std::string kEnd = "1 in this context.\nA total of 1 found.";

TEST(DefaultServerFile, ReadsContextsUsersAndServers) {
    Parsed p = Parse(kGood);
    ASSERT_TRUE(p.ok) << p.memo[1];
    ASSERT_EQ(p.contexts.size(), 2u);
    EXPECT_EQ(p.contexts[0].name, "SALES.CORP");
    EXPECT_EQ(p.contexts[0].users, (Lines{"JSMITH\xBC"
                                          "FS2.SALES.CORP",
                                          "AJONES"}));
    EXPECT_EQ(p.contexts[1].name, "ENG.CORP");
    EXPECT_EQ(p.contexts[1].users, (Lines{"BOB\xBC"
                                          "FS1.CORP"}));
    EXPECT_EQ(p.memo, (Lines{"", "Successfully parsed file : DEFSRV.TXT"}));
}

TEST(DefaultServerFile, LayoutThatTheGrammarAccepts) {
    // Line breaks of every kind, control characters at the ends of lines,
    // blank lines anywhere but at the end.
    Parsed p = Parse("\r\n\tObject Class: User\r\n\r\nCurrent context:   MY ORG.CORP  \x01\r"
                     "User:   LONG NAME  \n Last Name: x\n\nDefault Server:\n FS9 . X\n"
                     "User: NOSERVER\nLast Name: y\n"
                     "2 objects in this context.\nA total of 2 found.");
    ASSERT_TRUE(p.ok) << p.memo[1] << p.memo[2];
    ASSERT_EQ(p.contexts.size(), 1u);
    // A context name with blanks keeps them; the server is the token and the
    // rest of its line.
    EXPECT_EQ(p.contexts[0].name, "MY ORG.CORP");
    EXPECT_EQ(p.contexts[0].users, (Lines{"LONG NAME\xBC"
                                          "FS9 . X",
                                          "NOSERVER"}));

    // A user without a Last Name line: the "in this context" line ends the block.
    p = Parse(kUser + kEnd);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.contexts[0].users, (Lines{"U"}));

    // No user at all.
    p = Parse("A total of 0 User objects were found.");
    EXPECT_TRUE(p.ok);
    EXPECT_TRUE(p.contexts.empty());
}

TEST(DefaultServerFile, EveryKeywordIsRequiredInItsPlace) {
    ExpectFailure("Objekt Class: User\nA total of 0 found.", "\"OBJECT\" expected.",
                  "Line :1 Column : 7");
    ExpectFailure("Object Class: User\nContext: C\nx found.", "\"CURRENT\" expected.",
                  "Line :2 Column : 9");
    ExpectFailure("Object Class: User\nCurrent contxt: C\nx found.", "\"CONTEXT:\" expected.",
                  "Line :2 Column : 16");
    ExpectFailure("Object Class: User\nCurrent context: C\nUsr: U\nx found.", "\"USER:\" expected.",
                  "Line :3 Column : 5");
    ExpectFailure(kUser + "First Name: A\n" + kEnd, "\"LAST\" expected.", "Line :4 Column : 6");
    ExpectFailure(kUser + "Last Nam: A\n" + kEnd, "\"NAME:\" expected.", "Line :4 Column : 10");
    ExpectFailure(kUser + "Last Name: A\nDefault Srv: B\n" + kEnd, "\"SERVER:\" expected.",
                  "Line :5 Column : 13");
    ExpectFailure(kUser + "Last Name: A\nTitle: B\n" + kEnd, "Expecting \"USER\" or \"DEFAULT\"",
                  "Line :5 Column : 7");
    // Upper case is what the keywords are compared in; the words are not.
    EXPECT_TRUE(Parse("OBJECT\ncurrent CONTEXT: c\nuser: u\nlast name: l\n" + kEnd).ok);
}

TEST(DefaultServerFile, TheLastLineIsOnlyChecked) {
    // A blank line after the final line makes it an ordinary line.
    ExpectFailure(kGood + "\n", "\"OBJECT\" expected.", "Line :17 Column : 2");
    // The end comes inside a block, or the last line lacks "found.".
    ExpectFailure(kUser + "Last Name: A", "Unexpected end of file.", "Line :4 Column : 1");
    ExpectFailure(kUser + "1 in this context.\nA total of 1.", "Unexpected end of file.",
                  "Line :5 Column : 1");
    ExpectFailure("", "Unexpected end of file.", "Line :0 Column : 1");
    ExpectFailure("\n\n\n", "Unexpected end of file.", "Line :3 Column : 1");
    // A file of one line is never interpreted.
    EXPECT_TRUE(Parse("nonsense found.").ok);
    // The blocks before the end must be complete: a context header without
    // its "in this context" line leaves the state inside the block.
    ExpectFailure(kUser + "Last Name: A\nA total of 1 found.", "Unexpected end of file.",
                  "Line :5 Column : 1");
}

TEST(DefaultServerFile, FileOfTheCurrentFolder) {
    std::string dir = test::TempDir();
    std::string back = std::filesystem::current_path();
    ASSERT_EQ(chdir(dir.c_str()), 0);
    DefaultServerContexts contexts{{"OLD", {}, false}};
    Lines memo;
    EXPECT_FALSE(ParseDefaultServerFile(contexts, memo));
    EXPECT_TRUE(contexts.empty());
    EXPECT_EQ(memo, (Lines{"Error parsing file : DEFSRV.TXT", "Cannot open file.",
                           "Line :0 Column : 1", ""}));
    test::WriteFile(dir + "/DEFSRV.TXT", kGood);
    memo.clear();
    EXPECT_TRUE(ParseDefaultServerFile(contexts, memo));
    EXPECT_EQ(contexts.size(), 2u);
    EXPECT_EQ(memo.back(), "Successfully parsed file : DEFSRV.TXT");
    // A folder is not a file.
    std::filesystem::create_directory(dir + "/D");
    memo.clear();
    EXPECT_FALSE(ParseDefaultServerFile(dir + "/D", contexts, memo));
    EXPECT_EQ(memo[1], "Cannot open file.");
    ASSERT_EQ(chdir(back.c_str()), 0);
    std::filesystem::remove_all(dir);
}

// ---------------------------------------------------------------- waiting

struct FakeCensus {
    std::deque<int> counts; // one per tick; 0 when used up
    int calls = 0;
    int Count() {
        ++calls;
        if (counts.empty())
            return 0;
        int c = counts.front();
        counts.pop_front();
        return c;
    }
};

TEST(DefaultServerWaitTicks, LaunchThenReadOnTheEleventhTickWithoutAProcess) {
    FakeCensus census;
    int launches = 0;
    DefaultServerWait wait([&] { return census.Count(); }, [&] { ++launches; });
    wait.Start();
    // Another report still runs at first: nothing starts while it does.
    census.counts = {1, 1, 0, 1, 1, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0};
    Lines labels;
    EXPECT_FALSE(wait.Tick());
    labels.push_back(wait.Label());
    EXPECT_FALSE(wait.Tick());
    labels.push_back(wait.Label());
    EXPECT_EQ(launches, 0);
    EXPECT_FALSE(wait.Tick()); // launch
    labels.push_back(wait.Label());
    EXPECT_EQ(launches, 1);
    EXPECT_EQ(wait.LaunchCounter(), 1);
    EXPECT_EQ(DefaultServerWait::TickBase(), 0);
    EXPECT_FALSE(wait.Tick());
    labels.push_back(wait.Label());
    EXPECT_FALSE(wait.Tick());
    labels.push_back(wait.Label());
    EXPECT_EQ(labels,
              (Lines{"Generating Default Server Report.", "Generating Default Server Report..",
                     "Generating Default Server Report...", "Generating Default Server Report",
                     "Generating Default Server Report."}));
    EXPECT_FALSE(wait.Tick()); // still marked
    EXPECT_EQ(wait.LaunchCounter(), 1);
    // Window-free ticks: the first sets the base; a marked tick in between
    // does not count.
    int free = 0, ticks = 0;
    bool read = false;
    while (!read && ticks < 40) {
        bool marked = !census.counts.empty() && census.counts.front() != 0;
        read = wait.Tick();
        ++ticks;
        if (!marked)
            ++free;
        if (free == 1) {
            EXPECT_EQ(DefaultServerWait::TickBase(), 1);
        }
    }
    EXPECT_TRUE(read);
    EXPECT_EQ(free, 11);
    EXPECT_EQ(wait.LaunchCounter(), 12);
    EXPECT_FALSE(wait.Running());
    EXPECT_EQ(launches, 1);
    // A stopped timer does nothing.
    int calls = census.calls;
    EXPECT_FALSE(wait.Tick());
    EXPECT_EQ(census.calls, calls);

    // The next showing launches again and sets the base back.
    wait.Start();
    EXPECT_EQ(wait.LaunchCounter(), 0);
    EXPECT_EQ(wait.AnimationStep(), 0);
    EXPECT_FALSE(wait.Tick());
    EXPECT_EQ(launches, 2);
    EXPECT_EQ(DefaultServerWait::TickBase(), 0);
}

TEST(DefaultServerWaitTicks, AbortAsksOnlyWhileWaiting) {
    FakeCensus census;
    DefaultServerWait wait([&] { return census.Count(); }, [] {});
    wait.Start();
    Lines asked;
    bool answer = false;
    auto ask = [&](std::string_view q) {
        asked.emplace_back(q);
        EXPECT_FALSE(wait.Running()); // the timer is stopped while asking
        return answer;
    };
    EXPECT_FALSE(wait.Abort(ask));
    EXPECT_TRUE(wait.Running());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], "NLIST has not finished generating the report.\rAborting will NOT stop "
                        "the NLIST report.\rDo you wish to Abort?");
    answer = true;
    EXPECT_TRUE(wait.Abort(ask));
    EXPECT_FALSE(wait.Running());
    // Once the timer stopped (a parse failure leaves "&Close"), it just closes.
    EXPECT_TRUE(wait.Abort(ask));
    EXPECT_EQ(asked.size(), 2u);
}

// ---------------------------------------------------------------- locating

struct CorpDesign {
    test::Fixture f;
    ObjectNode *corp, *sales, *eng, *dev;
    CorpDesign() {
        TreeDesign& d = f.design;
        test::MakeEmpty(d);
        corp = d.AddChild(d.Root(), "CORP", 1);
        test::AddServer(d, corp, "FS1");
        sales = d.AddChild(corp, "SALES", 2);
        test::AddServer(d, sales, "FS2");
        eng = d.AddChild(corp, "ENG", 2);
        dev = d.AddChild(eng, "DEV", 2);
        test::AddServer(d, eng, "FS3");
        test::AddServer(d, eng, "FS4");
        test::MakePartition(d, sales);
        test::AddReplica(d, "[ROOT]", "FS1", "*MASTER*");
        test::AddReplica(d, "SALES.CORP", "FS2", "*MASTER*");
        test::AddReplica(d, "SALES.CORP", "FS1", "*READ/WRITE*");
        test::AddReplica(d, "SALES.CORP", "FS3", "*READ/ONLY*");
        test::AddReplica(d, "SALES.CORP", "FS4", "*SUB/REF*");
    }
};

DefaultServerContexts Contexts(const Lines& names) {
    DefaultServerContexts out;
    for (const std::string& n : names)
        out.push_back({n, {}, false});
    return out;
}

TEST(DefaultServerLocate, ContextsPartitionRootsAndImages) {
    CorpDesign c;
    TreeDesign& d = c.f.design;
    auto located = LocateContexts(d, Contexts({"SALES.CORP", "DEV.ENG.CORP", "X.Y.SALES.CORP",
                                               "ENG", "NOWHERE.ELSE", "", "CORP"}));
    ASSERT_EQ(located.size(), 7u);
    const int salesIndex = AbsoluteIndexOf(d, c.sales);
    EXPECT_EQ(salesIndex, 3); // [ROOT], CORP, FS1, SALES
    EXPECT_EQ(NodeAtAbsoluteIndex(d, salesIndex), c.sales);
    EXPECT_EQ(NodeAtAbsoluteIndex(d, 99), nullptr);
    EXPECT_EQ(NodeAtAbsoluteIndex(d, -1), nullptr);
    // Found at once: the node's class; its partition is its own.
    EXPECT_EQ(located[0].image, 2);
    EXPECT_EQ(located[0].rootIndex, salesIndex);
    // A container without a mark belongs to the partition above it.
    EXPECT_EQ(located[1].image, 2);
    EXPECT_EQ(located[1].rootIndex, 0);
    // More components than the design knows: found after shortening.
    EXPECT_EQ(located[2].image, kShortenedContextImage);
    EXPECT_EQ(located[2].rootIndex, salesIndex);
    // A plain name is looked up as a name.
    EXPECT_EQ(located[3].image, 2);
    EXPECT_EQ(located[3].rootIndex, 0);
    for (int i : {4, 5}) {
        EXPECT_EQ(located[i].image, -1);
        EXPECT_EQ(located[i].rootIndex, -1);
        EXPECT_FALSE(located[i].Located());
    }
    EXPECT_EQ(located[6].image, 1);
    EXPECT_TRUE(located[6].Located());
}

TEST(DefaultServerLocate, PartitionTableDecides) {
    CorpDesign c;
    TreeDesign& d = c.f.design;
    // The table's name is compared without regard to case.
    d.partitions.Rename(1, "sales.corp");
    auto located = LocateContexts(d, Contexts({"SALES.CORP"}));
    EXPECT_TRUE(located[0].Located());
    EXPECT_EQ(RecommendedServers(d, c.sales), (Lines{"FS1", "FS2"}));
    // A marked node whose partition is missing from the table.
    d.partitions.Rename(1, "OTHER");
    located = LocateContexts(d, Contexts({"SALES.CORP"}));
    EXPECT_EQ(located[0].image, -1);
    EXPECT_EQ(located[0].rootIndex, -1);
    EXPECT_TRUE(RecommendedServers(d, c.sales).empty());
}

TEST(DefaultServerLocate, ContextsPastTheLimitAreListedNotLocated) {
    CorpDesign c;
    DefaultServerContexts many(kMaxLocatedContexts + 2, {"SALES.CORP", {}, false});
    auto located = LocateContexts(c.f.design, many);
    ASSERT_EQ(located.size(), many.size());
    EXPECT_TRUE(located[kMaxLocatedContexts - 1].Located());
    EXPECT_FALSE(located[kMaxLocatedContexts - 1].beyondLimit);
    EXPECT_TRUE(located[kMaxLocatedContexts].beyondLimit);
    EXPECT_FALSE(located[kMaxLocatedContexts + 1].Located());
    EXPECT_EQ(BeyondLimitMessage(kMaxLocatedContexts), "");
    EXPECT_EQ(BeyondLimitMessage(many.size()),
              "The report lists 2002 contexts. The first 2000 are located in the design; the "
              "contexts after the 2000th are listed but not located.");
}

// ---------------------------------------------------------------- summary

TEST(DefaultServerSummary, LinesWarningsAndPadding) {
    const std::string name35(35, 'A');
    DefaultServerContext ctx{"SALES.CORP",
                             {"ZED\xBC"
                              "FS2.SALES.CORP",
                              "AL",
                              "BO\xBC"
                              "fs1",
                              name35 + "\xBC"
                                       "FS3.ENG.CORP",
                              "CY\xBC"
                              "NONE"},
                             false};
    SortUsers(ctx);
    EXPECT_TRUE(ctx.sorted);
    EXPECT_EQ(UserName(ctx.users[0]), name35);
    EXPECT_EQ(UserName(ctx.users[1]), "AL");
    auto lines = BuildDefaultServerSummary(ctx, "SALES.CORP", {"FS1", "FS2", "NONE"});
    EXPECT_EQ(lines, (Lines{
                         "Context                         : SALES.CORP",
                         "Partition Root                  : SALES.CORP",
                         "Recommended Default Server List :",
                         "  Server : FS1",
                         "  Server : FS2",
                         "  Server : NONE",
                         "",
                         "USERS                              DEFAULT SERVERS",
                         "",
                         name35 + "FS3, WARNING!",
                         "AL                                 NONE, WARNING!",
                         "BO                                 fs1",
                         "CY                                 NONE",
                         "ZED                                FS2",
                     }));
    // No recommended server at all.
    lines = BuildDefaultServerSummary({"C",
                                       {"U\xBC"
                                        "S"},
                                       true},
                                      "[ROOT]", {});
    EXPECT_EQ(lines, (Lines{"Context                         : C",
                            "Partition Root                  : [ROOT]",
                            "Recommended Default Server List :", "",
                            "USERS                              DEFAULT SERVERS", "",
                            "U                                  S, WARNING!"}));
}

TEST(DefaultServerSummary, UserLookupAndShortServerNames) {
    EXPECT_EQ(DefaultServerShortName("U"), "NONE");
    EXPECT_EQ(DefaultServerShortName("U\xBC"
                                     "FS2.SALES.CORP"),
              "FS2");
    EXPECT_EQ(DefaultServerShortName("U\xBC"), "");
    std::string longName(90, 'A');
    DefaultServerContext ctx{"C",
                             {"B\xBC"
                              "X",
                              longName + "B",
                              longName + "C\xBC"
                                         "S",
                              "B"},
                             false};
    EXPECT_EQ(FindUserItem(ctx, "B"), 0);
    // Only the first 80 characters are compared.
    EXPECT_EQ(FindUserItem(ctx, longName + "C"), 1);
    EXPECT_EQ(FindUserItem(ctx, "Q"), -1);
    EXPECT_EQ(CannotLocateMessage("X.Y"), "Could not locate partition root for : X.Y.\rThe Tree "
                                          "Design is not consistent with the report.");
}

TEST(DefaultServerSummary, RichTextForWordPad) {
    EXPECT_EQ(SummaryAsRichText({"A {B}", "", "C\\D \xC9"}),
              "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset0 Courier "
              "New;}}\r\n\\f0\\fs16 A \\{B\\}\\par\r\n\\par\r\nC\\\\D \\'c9\\par\r\n}\r\n");
}

TEST(DefaultServerCommand, CommandTextOfTheSelectedNode) {
    CorpDesign c;
    TreeDesign& d = c.f.design;
    EXPECT_EQ(DefaultServerContextText(d, c.sales), ".SALES.CORP");
    EXPECT_EQ(DefaultServerContextText(d, d.Root()), ".[ROOT]");
    EXPECT_EQ(BuildCommandLine(kDefaultServerMarker, DefaultServerCommandText(".SALES.CORP"),
                               kDefaultServerFile),
              "coMMand.coM /C NLIST User SHOW \"Default Server\", \"Last Name\" /s /co "
              ".SALES.CORP > DEFSRV.TXT");
}

// ---------------------------------------------------------------- NLIST

const char* kLdif = R"(dn: cn=T
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

dn: cn=ADMIN,o=CORP,cn=T
objectClass: qvObject
cn: ADMIN
qvBaseClass: User
sn: Admin
qvDefaultServer: cn=FS1,o=CORP,cn=T

dn: ou=SALES,o=CORP,cn=T
objectClass: qvContainer
ou: SALES
qvBaseClass: Organizational Unit

dn: ou=EMPTY,ou=SALES,o=CORP,cn=T
objectClass: qvContainer
ou: EMPTY
qvBaseClass: Organizational Unit

dn: ou=EAST,ou=SALES,o=CORP,cn=T
objectClass: qvContainer
ou: EAST
qvBaseClass: Organizational Unit

dn: cn=Mia,ou=EAST,ou=SALES,o=CORP,cn=T
objectClass: qvObject
cn: Mia
qvBaseClass: User
qvDefaultServer: cn=GONE,ou=OLD,o=CORP,cn=T

dn: cn=Jo Ann,ou=SALES,o=CORP,cn=T
objectClass: qvObject
cn: Jo Ann
qvBaseClass: user
sn: Ann
qvDefaultServer: cn=FS1,o=CORP,cn=T

dn: cn=PRN,ou=SALES,o=CORP,cn=T
objectClass: qvObject
cn: PRN
qvBaseClass: Printer
)";

struct Nlist {
    nds::DirectoryEntries directory;
    Nlist() { EXPECT_EQ(directory.LoadLdif(kLdif), nds::kOk); }
    bool Run(const Lines& args, std::string& out, std::string& error,
             std::string_view current = "CORP") {
        Result<NlistRequest> request = ParseNlistArguments(args);
        if (!request) {
            error = request.error();
            return false;
        }
        Result<std::string> report = BuildNlistReport(directory, *request, current);
        if (!report) {
            error = report.error();
            return false;
        }
        out = *report;
        return true;
    }
};

const Lines kArgs = {"User", "SHOW", "Default Server,", "Last Name", "/s", "/co"};

TEST(NlistStandIn, ListsUsersContainerByContainerInTheParsersGrammar) {
    Nlist n;
    std::string out, error;
    Lines args = kArgs;
    args.push_back(".CORP");
    ASSERT_TRUE(n.Run(args, out, error)) << error;
    EXPECT_EQ(out, "Object Class: User\n"
                   "Current context: CORP\n"
                   "User: ADMIN\n"
                   "        Last Name: Admin\n"
                   "        Default Server: FS1.CORP\n"
                   "A total of 1 User object was found in this context.\n\n"
                   "Object Class: User\n"
                   "Current context: SALES.CORP\n"
                   "User: Jo Ann\n"
                   "        Last Name: Ann\n"
                   "        Default Server: FS1.CORP\n"
                   "A total of 1 User object was found in this context.\n\n"
                   "Object Class: User\n"
                   "Current context: EAST.SALES.CORP\n"
                   "User: Mia\n"
                   "        Last Name: \n"
                   "        Default Server: GONE.OLD.CORP\n"
                   "A total of 1 User object was found in this context.\n\n"
                   "A total of 3 User objects were found.\n");
    Parsed p = Parse(out);
    ASSERT_TRUE(p.ok) << p.memo[1] << p.memo[2];
    ASSERT_EQ(p.contexts.size(), 3u);
    EXPECT_EQ(p.contexts[0].name, "CORP");
    EXPECT_EQ(p.contexts[0].users, (Lines{"ADMIN\xBC"
                                          "FS1.CORP"}));
    EXPECT_EQ(p.contexts[1].users, (Lines{"JO ANN\xBC"
                                          "FS1.CORP"}));
    EXPECT_EQ(p.contexts[2].name, "EAST.SALES.CORP");
}

TEST(NlistStandIn, ContextsAndOptions) {
    Nlist n;
    std::string out, error;
    // Relative to the current context, without /s, arguments split otherwise.
    ASSERT_TRUE(n.Run({"user", "show", "Default", "Server", ",", "Last", "Name", "/CO", "SALES"},
                      out, error));
    Parsed p = Parse(out);
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.contexts.size(), 1u);
    EXPECT_EQ(p.contexts[0].name, "SALES.CORP");
    // No /co: the current context; only the default server asked for, and a
    // container without users.
    ASSERT_TRUE(n.Run({"User", "SHOW", "Default Server", "/s"}, out, error, "EMPTY.SALES.CORP"));
    EXPECT_EQ(out, "A total of 0 User objects were found.\n");
    EXPECT_TRUE(Parse(out).ok);
    ASSERT_TRUE(n.Run({"User", "SHOW", "Last Name", "/s", "/co", ".[ROOT]"}, out, error));
    p = Parse(out);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.contexts.size(), 3u);
    EXPECT_EQ(p.contexts[0].users, (Lines{"ADMIN"}));
}

TEST(NlistStandIn, WrongArgumentsAndUnknownContexts) {
    Nlist n;
    std::string out, error;
    for (const Lines& args : std::vector<Lines>{{},
                                                {"Group", "SHOW", "Last Name"},
                                                {"User", "SHOW"},
                                                {"User", "SHOW", "/s"},
                                                {"User", "SHOW", "Phone,", "Last Name"},
                                                {"User", "SHOW", "Last Name", "/x"},
                                                {"User", "SHOW", "Last Name", "/co"}}) {
        error.clear();
        EXPECT_FALSE(n.Run(args, out, error));
        EXPECT_EQ(error.rfind("NLIST: ", 0), 0u) << error;
    }
    for (const char* context : {".NOWHERE", ".FS1.CORP", "NOWHERE"}) {
        Lines args = kArgs;
        args.push_back(context);
        EXPECT_FALSE(n.Run(args, out, error));
        EXPECT_NE(error.find("was not found in this tree"), std::string::npos);
        // What the parser then says about the output file.
        Parsed p = Parse(error);
        EXPECT_FALSE(p.ok);
    }
    EXPECT_EQ(TypelessName("cn=FS2, ou=SALES,o=CORP"), "FS2.SALES.CORP");
    EXPECT_EQ(TypelessName(""), "");
}

// A directory in the standard schemas (tests/data/directories): its
// organizationalUnits are contexts and its people users, but it holds no
// default servers, and NLIST says so rather than list users without them.
TEST(NlistStandIn, StandardDirectoryHoldsNoDefaultServers) {
    nds::DirectoryEntries directory;
    nds::TreeConnection c;
    c.name = "STD_CORP";
    c.address = std::string("ldif:") + QV_SOURCE_DIR + "/tests/data/directories/standard_corp.ldif";
    ASSERT_EQ(directory.Load(c), nds::kOk);
    EXPECT_EQ(directory.Profile().name, "standard");
    Result<NlistRequest> request =
        ParseNlistArguments({"User", "SHOW", "Last Name", "/s", "/co", ".SALES"});
    ASSERT_TRUE(request);
    Result<std::string> out = BuildNlistReport(directory, *request, "");
    ASSERT_TRUE(out) << out.error();
    EXPECT_EQ(*out, "Object Class: User\n"
                    "Current context: Sales\n"
                    "User: jsmith\n"
                    "        Last Name: Smith\n"
                    "User: Mary Jones\n"
                    "        Last Name: Jones\n"
                    "A total of 2 User objects were found in this context.\n\n"
                    "A total of 2 User objects were found.\n");
    Lines args = kArgs;
    args.push_back(".SALES");
    request = ParseNlistArguments(args);
    ASSERT_TRUE(request) << request.error();
    out = BuildNlistReport(directory, *request, "");
    EXPECT_FALSE(out);
    const std::string error = out.error();
    EXPECT_EQ(error, "This directory holds no default server information (profile standard).\n");
    // The report reader shows that line, not a parse error.
    Parsed p = Parse(error);
    EXPECT_FALSE(p.ok);
    EXPECT_TRUE(p.contexts.empty());
    EXPECT_EQ(p.memo,
              (Lines{"This directory holds no default server information (profile standard)."}));
}

} // namespace
} // namespace qv::utilities
