// quorvane-cli verify-default-servers, run as a user would run it: NLIST
// through quorvane-cmd on the example tree (from its LDIF file and from a
// directory server), and saved NLIST output read with --report.
#include "support/cli_runner.h"
#include "support/scripted.h"
#include "support/slapd_fixture.h"
#include "support/utility_workspace.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <unistd.h>

namespace qv {
namespace {

using test::ReadFile;
using test::WriteFile;

const char* const kExampleSummary = "Context                         : CORP\n"
                                    "Partition Root                  : [ROOT]\n"
                                    "Recommended Default Server List :\n"
                                    "  Server : FS1\n"
                                    "  Server : FS2\n"
                                    "\n"
                                    "USERS                              DEFAULT SERVERS\n"
                                    "\n"
                                    "ADMIN                              FS1\n"
                                    "\n"
                                    "Context                         : SALES.CORP\n"
                                    "Partition Root                  : SALES.CORP\n"
                                    "Recommended Default Server List :\n"
                                    "  Server : FS1\n"
                                    "  Server : FS2\n"
                                    "\n"
                                    "USERS                              DEFAULT SERVERS\n"
                                    "\n"
                                    "JSMITH                             FS2\n"
                                    "MJONES                             FS3, WARNING!\n"
                                    "\n"
                                    "Context                         : DEV.ENG.CORP\n"
                                    "Partition Root                  : DEV.ENG.CORP\n"
                                    "Recommended Default Server List :\n"
                                    "  Server : FS3\n"
                                    "\n"
                                    "USERS                              DEFAULT SERVERS\n"
                                    "\n"
                                    "ALEE                               FS1, WARNING!\n"
                                    "\n"
                                    "Context                         : HR.CORP\n"
                                    "Partition Root                  : [ROOT]\n"
                                    "Recommended Default Server List :\n"
                                    "  Server : FS1\n"
                                    "  Server : FS2\n"
                                    "\n"
                                    "USERS                              DEFAULT SERVERS\n"
                                    "\n"
                                    "KBROWN                             NONE, WARNING!\n"
                                    "\n";

class VerifyDefaultServersCli : public test::UtilityWorkspace {
protected:
    // The census counts every process of the user: while another test runs
    // its own report the command is refused, and is run again a little later.
    test::CliResult Verify(const std::string& context, std::vector<std::string> more = {}) {
        std::vector<std::string> args{"verify-default-servers", design, context};
        args.insert(args.end(), more.begin(), more.end());
        test::CliResult r;
        for (int attempt = 0; attempt < 100; ++attempt) {
            r = Run(args);
            if (r.err.find(kRunning) == std::string::npos)
                break;
            usleep(100 * 1000);
        }
        return r;
    }
    static constexpr const char* kRunning =
        "There is currently an instance of the User Default Server Report\nrunning.";
};

TEST_F(VerifyDefaultServersCli, RunsNlistOnTheExampleTree) {
    ASSERT_EQ(Run({"trees", "add", "CORP_TREE", "ldif:" + ldif}).exitCode, 0);
    auto r = Verify("CORP", {"--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kExampleSummary);
    // The output file stays in the current folder and reads back the same.
    const std::string nlist = ReadFile(dir + "/DEFSRV.TXT");
    EXPECT_NE(nlist.find("Default Server: FS3.ENG.CORP"), std::string::npos);
    r = Verify(".[ROOT]", {"--report", dir + "/DEFSRV.TXT"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, kExampleSummary);
    // A smaller context: only its own subtree.
    r = Verify(".ENG.CORP", {"--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Context                         : DEV.ENG.CORP\n", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find("Context                         : SALES.CORP"), std::string::npos);
}

TEST_F(VerifyDefaultServersCli, RunsNlistAgainstADirectoryServer) {
    test::SlapdServer server;
    std::string error;
    ASSERT_TRUE(server.Start({{"cn=CORP_TREE", ldif, ""}}, error)) << error;
    ASSERT_EQ(Run({"trees", "add", "CORP_TREE", server.Url("cn=CORP_TREE")}).exitCode, 0);
    auto r = Verify("[ROOT]", {"--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kExampleSummary);
    // The server gone: NLIST's error lands in the output file, which the
    // reader then refuses.
    server.Stop();
    r = Verify("CORP", {"--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Error parsing file : DEFSRV.TXT\nUnexpected end of file.\nLine :1 "),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFile(dir + "/DEFSRV.TXT").rfind("NLIST: ", 0), 0u);
}

TEST_F(VerifyDefaultServersCli, ReportsContextsTheDesignCannotPlace) {
    WriteFile(dir + "/r.txt", "Object Class: User\nCurrent context: NOWHERE\nUser: A\n"
                              "1 in this context.\n"
                              "Object Class: User\nCurrent context: TEAM.SALES.CORP\nUser: B\n"
                              "Last Name: b\nDefault Server: fs2.sales.corp\n"
                              "1 in this context.\nA total of 2 User objects were found.");
    auto r = Verify("CORP", {"--report", dir + "/r.txt"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "Could not locate partition root for : NOWHERE.\nThe Tree Design is not "
                     "consistent with the report.\n");
    EXPECT_EQ(r.out, "Context                         : TEAM.SALES.CORP\n"
                     "Partition Root                  : SALES.CORP\n"
                     "Recommended Default Server List :\n"
                     "  Server : FS1\n"
                     "  Server : FS2\n"
                     "\n"
                     "USERS                              DEFAULT SERVERS\n"
                     "\n"
                     "B                                  FS2\n"
                     "\n");
}

TEST_F(VerifyDefaultServersCli, ParseFailuresAndUsage) {
    WriteFile(dir + "/bad.txt", "Object Class: User\nCurrent context: C\nUser: A\nFirst: x\n"
                                "1 in this context.\nfound.");
    auto r = Verify("CORP", {"--report", dir + "/bad.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error parsing file : " + dir +
                         "/bad.txt\n\"LAST\" expected.\nLine :4 "
                         "Column : 7\n\n");
    r = Verify("CORP", {"--report", dir + "/missing.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Cannot open file.\nLine :0 Column : 1\n"), std::string::npos);
    EXPECT_EQ(Verify("CORP", {"--tick-ms", "0"}).exitCode, 2);
    EXPECT_EQ(Verify("CORP", {"--tick-ms", "x"}).exitCode, 2);
    EXPECT_EQ(Verify("NOWHERE.CORP", {"--report", dir + "/bad.txt"}).exitCode, 2);
    EXPECT_EQ(Run({"verify-default-servers", design}).exitCode, 2);
    EXPECT_EQ(Run({"verify-default-servers", dir + "/none.qvd", "CORP"}).exitCode, 2);
}

TEST_F(VerifyDefaultServersCli, RefusesWhileAnotherReportRuns) {
    ASSERT_EQ(Run({"trees", "add", "CORP_TREE", "ldif:" + ldif}).exitCode, 0);
    // A process whose title carries the report's marker.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl("/bin/sleep", "coMMand.coM /C NLIST User", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    usleep(200 * 1000);
    auto r = Run({"verify-default-servers", design, "CORP", "--tick-ms", "20"});
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "There is currently an instance of the User Default Server Report\nrunning.  "
                     "Please close this instance before continuing.\n");
    EXPECT_FALSE(std::filesystem::exists(dir + "/DEFSRV.TXT"));
}

} // namespace
} // namespace qv
