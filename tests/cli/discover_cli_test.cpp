// quorvane-cli trees, discover and generate --ldif, run as a user would run
// them: each test has its own settings store and working folder.
#include "support/cli_runner.h"
#include "support/scripted.h"
#include "support/slapd_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace qv {
namespace {

using test::ReadFile;
using test::TempDir;

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class DiscoverCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = TempDir();
        config = dir + "/config";
    }
    // Runs the program in dir (where DSSEARCH.ERR goes).
    // env: further NAME=VALUE settings of its environment.
    test::CliResult Run(const std::vector<std::string>& args,
                        const std::vector<std::string>& env = {}) {
        std::string cmd = "cd " + Quote(dir) + " && env XDG_CONFIG_HOME=" + Quote(config) + " ";
        for (const std::string& e : env)
            cmd += Quote(e) + " ";
        cmd += Quote(QV_CLI_PATH);
        for (const std::string& a : args)
            cmd += " " + Quote(a);
        cmd += " </dev/null >" + Quote(dir + "/out.txt") + " 2>" + Quote(dir + "/err.txt");
        int status = std::system(cmd.c_str());
        test::CliResult r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = ReadFile(dir + "/out.txt");
        r.err = ReadFile(dir + "/err.txt");
        return r;
    }
    // The dump of a design without its first line (the file name).
    std::string Dump(const std::string& path) {
        std::string text = Run({"dump", path}).out;
        return text.substr(text.find('\n') + 1);
    }
    std::string dir, config;
    const std::string corpLdif = test::SourcePath("examples/corp_tree.ldif");
    const std::string question =
        "The NDS Search was cancelled or was unsuccessful.\nHowever, there could be some "
        "servers and partitions\nthat can still be displayed.  Error code: ";
};

TEST_F(DiscoverCli, TreesAreListedAddedPreferredAndRemoved) {
    EXPECT_EQ(Run({"trees"}).out, "");
    ASSERT_EQ(Run({"trees", "add", "CORP_TREE", "ldif:" + corpLdif}).exitCode, 0);
    ASSERT_EQ(
        Run({"trees", "add", "LIVE", "ldap://127.0.0.1:1/cn=LIVE", "--bind-dn", "cn=admin,cn=LIVE",
             "--password-file", "/nonexistent", "--starttls", "--timeout", "5"})
            .exitCode,
        0);
    EXPECT_EQ(Run({"trees"}).out,
              "* CORP_TREE ldif:" + corpLdif +
                  " profile=auto\n  LIVE ldap://127.0.0.1:1/cn=LIVE bind-dn=cn=admin,cn=LIVE "
                  "password-file=/nonexistent starttls timeout=5 profile=auto\n");
    for (const char* bad : {"0", "-3", "x", "86401"})
        EXPECT_EQ(Run({"trees", "add", "T", "ldif:x", "--timeout", bad}).exitCode, 2) << bad;
    ASSERT_EQ(Run({"trees", "prefer", "LIVE"}).exitCode, 0);
    EXPECT_EQ(Run({"trees"}).out.substr(0, 7), "* LIVE ");
    ASSERT_EQ(Run({"trees", "remove", "LIVE"}).exitCode, 0);
    EXPECT_EQ(Run({"trees"}).out, "* CORP_TREE ldif:" + corpLdif + " profile=auto\n");
    // The profile of a connection: one of the profiles or auto.
    ASSERT_EQ(Run({"trees", "add", "STD", "ldif:x", "--profile", "standard"}).exitCode, 0);
    EXPECT_EQ(Run({"trees"}).out,
              "* CORP_TREE ldif:" + corpLdif + " profile=auto\n  STD ldif:x profile=standard\n");
    EXPECT_EQ(Run({"trees", "add", "BAD", "ldif:x", "--profile", "novell"}).exitCode, 2);
    EXPECT_EQ(Run({"trees", "add", "BAD", "ldif:x", "--profile"}).exitCode, 2);
    ASSERT_EQ(Run({"trees", "remove", "STD"}).exitCode, 0);
    EXPECT_EQ(Run({"trees", "remove", "NONE"}).exitCode, 1);
    EXPECT_EQ(Run({"trees", "add", std::string(33, 'T'), "ldif:x"}).exitCode, 2);
    EXPECT_EQ(Run({"trees", "add", "T", "http://x"}).exitCode, 2);
    EXPECT_EQ(Run({"discover", "CORP_TREE", "x.qvd", "--fault", "bogus:1:-1"}).exitCode, 2);
}

TEST_F(DiscoverCli, DiscoverWritesTheDesignAndTheLog) {
    ASSERT_EQ(Run({"trees", "add", "CORP_TREE", "ldif:" + corpLdif}).exitCode, 0);
    auto r = Run({"discover", "CORP_TREE", "out.qvd"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The log, then the summary.
    const std::string log =
        "Initializing for NDS Search...\nNDS Search started...\n"
        "Directory profile: quorvane (chosen by auto: the directory holds entries of class "
        "qvContainer, qvObject or qvAnnotated)\n"
        "NDS SEARCH COMPLETE.\n";
    EXPECT_EQ(r.err, log + "19 objects read, 0 errors\n");
    EXPECT_EQ(ReadFile(dir + "/DSSEARCH.ERR"), log);
    EXPECT_EQ(Dump(dir + "/out.qvd"), Dump(test::SourcePath("examples/corp.qvd")));

    r = Run({"discover", "CORP_TREE", "v.qvd", "--verbose"});
    EXPECT_NE(r.err.find("Current Container: \\T=CORP_TREE\\O=CORP\\OU=ENG\\OU=DEV\n"),
              std::string::npos);
    EXPECT_EQ(ReadFile(dir + "/DSSEARCH.ERR") + "19 objects read, 0 errors\n", r.err);

    r = Run({"discover", "OTHER", "x.qvd"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.qvd"));

    // A preferred connection that cannot be opened does not keep another
    // tree named on the command line from being read.
    std::filesystem::create_directory(dir + "/folder.ldif");
    ASSERT_EQ(Run({"trees", "add", "BROKEN", "ldif:" + dir + "/folder.ldif"}).exitCode, 0);
    ASSERT_EQ(Run({"trees", "prefer", "BROKEN"}).exitCode, 0);
    r = Run({"discover", "CORP_TREE", "again.qvd"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Dump(dir + "/again.qvd"), Dump(test::SourcePath("examples/corp.qvd")));
    EXPECT_EQ(Run({"discover", "BROKEN", "b.qvd"}).exitCode, 1);
}

TEST_F(DiscoverCli, UnsuccessfulWalkAsksAndKeepsOnlyWithKeepPartial) {
    ASSERT_EQ(Run({"trees", "add", "CORP_TREE", "ldif:" + corpLdif}).exitCode, 0);
    // A counted error in the middle: the walk completes with status 0, but a
    // script cannot see the dialog's error count, so nothing is written.
    auto r = Run({"discover", "CORP_TREE", "mid.qvd", "--fault", "list:5:-601"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("NWDSList failed for: \\T=CORP_TREE\\O=CORP\\OU=HR Error: -601\n"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir + "/mid.qvd"));
    EXPECT_EQ(r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1), "18 objects read, 1 errors\n");
    // Written with --keep-partial, and still not a success.
    r = Run({"discover", "CORP_TREE", "mid.qvd", "--keep-partial", "--fault", "list:5:-601"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(std::filesystem::exists(dir + "/mid.qvd"));
    EXPECT_NE(
        r.err.find("An incomplete design was written to mid.qvd.\n18 objects read, 1 errors\n"),
        std::string::npos)
        << r.err;
    // The last step fails: the question, answered No.
    r = Run({"discover", "CORP_TREE", "last.qvd", "--fault", "get-object-name:19:-625"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(question + "-625\nWould you like to try to view them?\n"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir + "/last.qvd"));
    // Answered Yes with --keep-partial.
    r = Run({"discover", "CORP_TREE", "last.qvd", "--keep-partial", "--fault",
             "get-object-name:19:-625"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(std::filesystem::exists(dir + "/last.qvd"));
    // A fatal check and a context failure.
    r = Run({"discover", "CORP_TREE", "f.qvd", "--fault", "alloc-buf:2:-150"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("NWDSAllocBuf failed.  Error: -150\n"), std::string::npos);
    r = Run({"discover", "CORP_TREE", "f.qvd", "--fault", "init:1:-7"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Could not initialize NDS context.  Error: -7\n0 objects read, 0 errors\n");
}

TEST_F(DiscoverCli, GeneratedDirectoryThroughARealServer) {
    // The generated design as a directory, loaded into a private slapd and
    // discovered: the same objects, tables and lists as the design file.
    ASSERT_EQ(Run({"generate", "--containers", "60", "--servers", "8", "--partitions", "12",
                   "--leaves", "900", "gen.qvd"})
                  .exitCode,
              0);
    ASSERT_EQ(Run({"generate", "--containers", "60", "--servers", "8", "--partitions", "12",
                   "--leaves", "900", "--ldif", "gen.ldif"})
                  .exitCode,
              0);
    EXPECT_EQ(Run({"generate", "--ldif", "a.ldif", "b.qvd"}).exitCode, 2);
    test::SlapdServer server;
    std::string error;
    ASSERT_TRUE(server.Start({{"cn=GEN_TREE", dir + "/gen.ldif", ""}}, error)) << error;
    ASSERT_EQ(Run({"trees", "add", "GEN_TREE", server.Url("cn=GEN_TREE")}).exitCode, 0);
    auto r = Run({"discover", "GEN_TREE", "live.qvd"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // Nodes are made in the order the walk meets them, so compare the lines.
    auto sorted = [](std::string text) {
        std::vector<std::string> lines;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t nl = text.find('\n', pos);
            lines.push_back(text.substr(pos, nl - pos));
            pos = nl == std::string::npos ? text.size() : nl + 1;
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    EXPECT_EQ(sorted(Dump(dir + "/live.qvd")), sorted(Dump(dir + "/gen.qvd")));
    // The server sends the entries in the file's order: the design from the
    // same file read in-process is the same, byte for byte.
    ASSERT_EQ(Run({"trees", "add", "GEN_TREE", "ldif:" + dir + "/gen.ldif"}).exitCode, 0);
    r = Run({"discover", "GEN_TREE", "file.qvd"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(dir + "/file.qvd"), ReadFile(dir + "/live.qvd"));
    ASSERT_EQ(Run({"trees", "add", "GEN_TREE", server.Url("cn=GEN_TREE")}).exitCode, 0);
    server.Stop();
    // The server is gone: the context cannot be made.
    r = Run({"discover", "GEN_TREE", "gone.qvd"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Could not initialize NDS context.  Error: -625\nCan't contact LDAP server "
                     "(-1)\n0 objects read, 0 errors\n");
}

// StartTLS and ldaps:// from a terminal: the server's certificate is trusted
// through OpenLDAP's own settings (here LDAPTLS_CACERT), as the documentation says.
TEST_F(DiscoverCli, SecuredConnectionsTrustTheCertificateOpenLdapIsToldOf) {
    test::SlapdServer server;
    std::string error;
    ASSERT_TRUE(server.Start({{"cn=CORP_TREE", corpLdif, ""}}, error, true)) << error;
    test::WriteFile(dir + "/password", "secret\n");
    ASSERT_EQ(Run({"trees", "add", "CORP_PLAIN", server.Url("cn=CORP_TREE")}).exitCode, 0);
    ASSERT_EQ(Run({"trees", "add", "CORP_STARTTLS", server.Url("cn=CORP_TREE"), "--starttls",
                   "--bind-dn", "cn=admin,cn=CORP_TREE", "--password-file", dir + "/password"})
                  .exitCode,
              0);
    ASSERT_EQ(Run({"trees", "add", "CORP_LDAPS", server.TlsUrl("cn=CORP_TREE")}).exitCode, 0);
    auto r = Run({"discover", "CORP_PLAIN", "plain.qvd"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string trusted = "LDAPTLS_CACERT=" + server.CaFile();
    for (const std::string tree : {"CORP_STARTTLS", "CORP_LDAPS"}) {
        r = Run({"discover", tree, "refused.qvd"});
        EXPECT_EQ(r.exitCode, 1) << tree;
        // Not the preferred tree: its own context fails inside the walk.
        EXPECT_NE(r.err.find("Could not initialize NDS context.  Error: -625\n"), std::string::npos)
            << tree << r.err;
        r = Run({"discover", tree, tree + ".qvd"}, {trusted});
        ASSERT_EQ(r.exitCode, 0) << tree << r.err;
        // The same design under another tree name.
        std::string dump = Dump(dir + "/" + tree + ".qvd");
        std::string plain = Dump(dir + "/plain.qvd");
        for (std::size_t at; (at = dump.find(tree)) != std::string::npos;)
            dump.replace(at, tree.size(), "CORP_PLAIN");
        EXPECT_EQ(dump, plain) << tree;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/refused.qvd"));
}

} // namespace
} // namespace qv
