// Search NDS Tree never hands back an incomplete tree without saying so:
// server limits, referrals, a server lost or silent in the middle of the walk,
// and LDIF values given by URL, each against a private slapd or LDIF file.
#include "discovery_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace qv::test {
namespace {

std::string TempPath(const std::string& name) {
    std::string dir = ::testing::TempDir();
    return dir + (dir.empty() || dir.back() == '/' ? "" : "/") + "qv_" +
           std::to_string(::getpid()) + "_" + name;
}

std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// A tree of containers with the given numbers of users below o=Acme, and a
// server with an address in the first one. extra is appended below o=Acme.
std::string TreeLdif(const std::string& tree, const std::vector<int>& users,
                     const std::string& extra = {}, const std::string& padding = {}) {
    std::string s = "dn: cn=" + tree + "\nobjectClass: qvContainer\ncn: " + tree +
                    "\nqvBaseClass: Top\nqvPartitionRoot: TRUE\n"
                    "qvReplica: 0#1#cn=FS1,ou=U0,o=Acme,cn=" +
                    tree + "\n\ndn: o=Acme,cn=" + tree +
                    "\nobjectClass: qvContainer\no: Acme\nqvBaseClass: Organization\n";
    s += extra;
    for (std::size_t ou = 0; ou < users.size(); ++ou) {
        const std::string dn = "ou=U" + std::to_string(ou) + ",o=Acme,cn=" + tree;
        s += "\ndn: " + dn + "\nobjectClass: qvContainer\nou: U" + std::to_string(ou) +
             "\nqvBaseClass: Organizational Unit\n";
        if (ou == 0)
            s += "\ndn: cn=FS1," + dn +
                 "\nobjectClass: qvObject\ncn: FS1\nqvBaseClass: NCP Server\n"
                 "qvNetworkAddress: IP:10.0.0.1\nqvDSRevision: 10\n";
        for (int u = 0; u < users[ou]; ++u) {
            s += "\ndn: cn=P" + std::to_string(u) + "," + dn + "\nobjectClass: qvObject\ncn: P" +
                 std::to_string(u) + "\nqvBaseClass: User\n";
            if (!padding.empty())
                s += "qvVersion: " + padding + "\n";
        }
    }
    return s;
}

nds::TreeConnection LdifTree(const std::string& tree, const std::string& file) {
    nds::TreeConnection c;
    c.name = tree;
    c.address = "ldif:" + file;
    return c;
}

class IncompleteTree : public ::testing::Test {
protected:
    void SetUp() override { nds::ClearFaults(); }
    void TearDown() override {
        nds::ClearFaults();
        EXPECT_EQ(nds::OpenResourceCount(), 0u);
    }
};

// Containers on both sides of a size limit of 500: a server that lets paged
// searches past it gives the whole tree (in the file's order); one that does
// not ends the walk unsuccessful with a counted error that names the
// container, the limit and what was read, and the server's own words.
TEST_F(IncompleteTree, SizeLimitIsPagedPastOrNamed) {
    const std::string file = WriteFile("limits.ldif", TreeLdif("LIMIT_TREE", {1200, 501, 100}));
    SlapdServer paging, strict;
    std::string error;
    ASSERT_TRUE(paging.Start(
        {{"cn=LIMIT_TREE", file, "limits anonymous size=500 size.prtotal=unlimited\n"}}, error))
        << error;
    ASSERT_TRUE(strict.Start({{"cn=LIMIT_TREE", file, "limits anonymous size=500\n"}}, error))
        << error;

    nds::SetTreeConnections({LdifTree("LIMIT_TREE", file)}, "");
    Discovery expected("LIMIT_TREE");
    ASSERT_TRUE(expected.Run());
    ASSERT_EQ(expected.search.objectCount, 1 + 3 + 1 + 1200 + 501 + 100);

    nds::TreeConnection live = LdifTree("LIMIT_TREE", file);
    live.address = paging.Url("cn=LIMIT_TREE");
    nds::SetTreeConnections({live}, "");
    Discovery paged("LIMIT_TREE");
    ASSERT_TRUE(paged.Run());
    EXPECT_EQ(paged.search.errorCount, 0);
    EXPECT_EQ(paged.search.result, 0);
    EXPECT_EQ(paged.Text(), expected.Text());

    live.address = strict.Url("cn=LIMIT_TREE");
    nds::SetTreeConnections({live}, "");
    Discovery refused("LIMIT_TREE");
    refused.ui.answers = {true};
    EXPECT_TRUE(refused.Run());
    EXPECT_NE(refused.search.result, 0);
    EXPECT_FALSE(refused.Logged("NDS SEARCH COMPLETE."));
    ASSERT_EQ(refused.ui.boxes.size(), 1u); // the question of an unsuccessful walk
    EXPECT_TRUE(refused.Logged("NWDSList failed for: \\T=LIMIT_TREE Error: -632"));
    EXPECT_TRUE(refused.Logged("The directory answered: Size limit exceeded (4)"));
    EXPECT_TRUE(refused.Logged("The directory's size limit stopped the search after 500 entries "
                               "while listing: \\T=LIMIT_TREE; 1 objects read."))
        << ::testing::PrintToString(refused.search.log);
    EXPECT_EQ(refused.search.errorCount, 2);
}

// A server that will not look at the whole subtree at once, paged or not
// (slapd's limit on the candidates a search may examine answers "unwilling to
// perform" before the first entry): the tree is listed one level at a time,
// whole and without an error. One level at a time the server gives each
// container's children in its own order, so the lines are compared sorted.
TEST_F(IncompleteTree, ServerRefusingSubtreeSearchesIsListedOneLevelAtATime) {
    const std::string file = WriteFile("onelevel.ldif", TreeLdif("LEVEL_TREE", {300, 200, 100}));
    SlapdServer server;
    std::string error;
    ASSERT_TRUE(
        server.Start({{"cn=LEVEL_TREE", file, "limits anonymous size.unchecked=400\n"}}, error))
        << error;
    nds::SetTreeConnections({LdifTree("LEVEL_TREE", file)}, "");
    Discovery expected("LEVEL_TREE");
    ASSERT_TRUE(expected.Run());

    nds::TreeConnection live = LdifTree("LEVEL_TREE", file);
    live.address = server.Url("cn=LEVEL_TREE");
    nds::SetTreeConnections({live}, "");
    Discovery levels("LEVEL_TREE");
    ASSERT_TRUE(levels.Run());
    EXPECT_EQ(levels.search.errorCount, 0) << ::testing::PrintToString(levels.search.log);
    EXPECT_EQ(levels.search.result, 0);
    EXPECT_EQ(levels.search.objectCount, expected.search.objectCount);
    auto sorted = [](const std::string& text) {
        std::vector<std::string> lines;
        for (std::size_t pos = 0; pos < text.size();) {
            std::size_t nl = text.find('\n', pos);
            lines.push_back(text.substr(pos, nl - pos));
            pos = nl == std::string::npos ? text.size() : nl + 1;
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    const std::vector<std::string> got = sorted(levels.Text()), want = sorted(expected.Text());
    std::vector<std::string> extra, missing;
    std::set_difference(got.begin(), got.end(), want.begin(), want.end(),
                        std::back_inserter(extra));
    std::set_difference(want.begin(), want.end(), got.begin(), got.end(),
                        std::back_inserter(missing));
    EXPECT_TRUE(extra.empty() && missing.empty())
        << "more: " << ::testing::PrintToString(extra)
        << "\nless: " << ::testing::PrintToString(missing);
}

// Referral objects are never followed and never lost: each is a counted error
// naming the entry and its URL, through both backends alike; a tree whose
// base entry is a referral fails its listing with the same words.
TEST_F(IncompleteTree, ReferralsAreCountedErrors) {
    const std::string referral = "\ndn: ou=Away,o=Acme,cn=REF_TREE\nobjectClass: referral\n"
                                 "objectClass: extensibleObject\nou: Away\n"
                                 "ref: ldap://other.example:389/ou=Away,dc=other\n";
    const std::string file = WriteFile("referrals.ldif", TreeLdif("REF_TREE", {3}, referral));
    const std::string baseFile =
        WriteFile("referral_base.ldif", "dn: cn=AWAY_TREE\nobjectClass: referral\n"
                                        "objectClass: extensibleObject\ncn: AWAY_TREE\n"
                                        "ref: ldap://other.example:389/cn=AWAY_TREE\n");
    SlapdServer server;
    std::string error;
    ASSERT_TRUE(server.Start({{"cn=REF_TREE", file, ""}, {"cn=AWAY_TREE", baseFile, ""}}, error))
        << error;
    const std::string notice = "Referral not followed: \\T=REF_TREE\\O=Acme\\OU=Away "
                               "ldap://other.example:389/ou=Away,dc=other";
    std::string fromFile;
    for (const bool ldap : {false, true}) {
        SCOPED_TRACE(ldap ? "ldap" : "ldif");
        nds::TreeConnection c = LdifTree("REF_TREE", file);
        if (ldap)
            c.address = server.Url("cn=REF_TREE");
        nds::SetTreeConnections({c}, "");
        Discovery run("REF_TREE");
        EXPECT_TRUE(run.Run());
        EXPECT_TRUE(run.Logged(notice)) << ::testing::PrintToString(run.search.log);
        EXPECT_EQ(run.search.errorCount, 1);
        EXPECT_EQ(run.Text().find("AWAY"), std::string::npos);
        if (!ldap)
            fromFile = run.Text();
        else
            EXPECT_EQ(run.Text(), fromFile);
    }
    nds::TreeConnection away;
    away.name = "AWAY_TREE";
    away.address = server.Url("cn=AWAY_TREE");
    nds::SetTreeConnections({away}, "");
    Discovery run("AWAY_TREE");
    run.ui.answers = {false};
    EXPECT_FALSE(run.Run());
    EXPECT_TRUE(
        run.Logged("Referral not followed: \\T=AWAY_TREE ldap://other.example:389/cn=AWAY_TREE"))
        << ::testing::PrintToString(run.search.log);
    EXPECT_TRUE(run.Logged("NWDSList failed for: \\T=AWAY_TREE Error: -632"));
    EXPECT_TRUE(run.Logged("The directory answered: The base entry cn=AWAY_TREE is a referral"))
        << ::testing::PrintToString(run.search.log);
}

// A server that goes away in the middle of the walk, or stops answering,
// ends the walk once: one failure, the directory's words, one fatal line.
// The entries are padded so that the server is still sending when it goes.
TEST_F(IncompleteTree, LostOrSilentServerEndsTheWalkOnce) {
    const std::string file = WriteFile(
        "lost.ldif", TreeLdif("LOST_TREE", std::vector<int>(40, 50), {}, std::string(10000, 'x')));
    for (const bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "stopped" : "killed");
        SlapdServer server;
        std::string error;
        ASSERT_TRUE(server.Start({{"cn=LOST_TREE", file, ""}}, error)) << error;
        nds::TreeConnection c = LdifTree("LOST_TREE", file);
        c.address = server.Url("cn=LOST_TREE");
        c.timeoutSeconds = 1;
        nds::SetTreeConnections({c}, "");
        Discovery run("LOST_TREE");
        run.ui.answers = {false};
        struct Breaking : RecordingDisplay {
            SlapdServer* server = nullptr;
            bool silent = false;
            void Pump() override {
                RecordingDisplay::Pump();
                if (pumps == 1)
                    silent ? server->Pause(true) : server->Kill();
            }
        };
        // The run's own display is replaced by one that breaks the server.
        Breaking breaking;
        breaking.server = &server;
        breaking.silent = silent;
        NdsSearch search(run.ui, breaking);
        search.logFileName = run.search.logFileName;
        breaking.search = &search;
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(DiscoverTree(run.design, search, run.host));
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 20.0);
        const auto& log = search.log;
        auto logged = [&](const std::string& prefix) {
            return std::count_if(log.begin(), log.end(),
                                 [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
        };
        EXPECT_EQ(logged("NWDSList failed for: "), 1) << ::testing::PrintToString(log);
        EXPECT_EQ(logged("The directory server cannot be reached any more"), 1);
        if (silent)
            EXPECT_EQ(logged("The directory answered: No answer from the directory server within "
                             "1 s"),
                      1)
                << ::testing::PrintToString(log);
        else
            EXPECT_EQ(logged("The directory answered: "), 1);
        EXPECT_EQ(search.result, nds::kErrTransportFailure);
        EXPECT_EQ(search.errorCount, 2);
        server.Stop();
    }
}

// Values given by URL are read only from regular files of bounded size.
TEST_F(IncompleteTree, LdifUrlValuesComeOnlyFromRegularFiles) {
    const std::string revision = WriteFile("revision.txt", "612");
    const std::string fifo = TempPath("value.fifo");
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = ::testing::TempDir();
    auto ldif = [](const std::string& url) {
        return "dn: cn=URL_TREE\nobjectClass: qvContainer\ncn: URL_TREE\nqvBaseClass: Top\n\n"
               "dn: cn=FS1,cn=URL_TREE\nobjectClass: qvObject\ncn: FS1\n"
               "qvBaseClass: NCP Server\nqvDSRevision:< file://" +
               url + "\n";
    };
    const std::string good = WriteFile("url_good.ldif", ldif(revision));
    nds::SetTreeConnections({LdifTree("URL_TREE", good)}, "");
    Discovery read("URL_TREE");
    ASSERT_TRUE(read.Run());
    EXPECT_EQ(read.design.attributes.Name(0), "DS VERSION:612");

    for (const std::string& target :
         {std::string("/dev/zero"), fifo, std::string("/nonexistent/value"), folder}) {
        SCOPED_TRACE(target);
        const std::string bad = WriteFile("url_bad.ldif", ldif(target));
        nds::SetTreeConnections({LdifTree("URL_TREE", bad)}, "");
        Discovery run("URL_TREE");
        EXPECT_FALSE(run.Run());
        ASSERT_EQ(run.ui.boxes.size(), 1u);
        const std::string& text = run.ui.boxes[0].text;
        EXPECT_EQ(text.rfind("Could not initialize NDS context.  Error: -645\rLine 10: the value "
                             "of qvDSRevision given by URL file://" +
                                 target + " cannot be read: Cannot open file",
                             0),
                  0u)
            << text;
        std::remove(bad.c_str());
    }
    ::unlink(fifo.c_str());
}

} // namespace
} // namespace qv::test
