// End to end: import-rings, import-versions, import-objects and merge on the
// files of examples/.
#include "files/design_file.h"
#include "support/cli_runner.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace qv {
namespace {

using test::RunCli;
using test::SourcePath;

bool Exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

TEST(ReaderCommands, TheExamplesImportOneAfterAnother) {
    std::string dir = test::TempDir();
    std::string corp = dir + "/corp.qvd";
    auto r = RunCli({"import-rings", SourcePath("examples/corp_rings_v08.rpt"), corp});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    // The 1.0 report of the same tree gives the same design.
    r = RunCli({"import-rings", SourcePath("examples/corp_rings_v10.rpt"), dir + "/v10.qvd"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(test::ReadFile(dir + "/v10.qvd"), test::ReadFile(corp));

    r = RunCli(
        {"import-versions", corp, SourcePath("examples/corp_versions.rpt"), "-o", dir + "/v.qvd"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    r = RunCli({"import-objects", dir + "/v.qvd", SourcePath("examples/corp_objects.rpt")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // What the three imports give is the example design.
    EXPECT_EQ(test::ReadFile(dir + "/v.qvd"), test::ReadFile(SourcePath("examples/corp.qvd")));

    TreeDesign d;
    ASSERT_TRUE(OpenDesign(d, dir + "/v.qvd"));
    EXPECT_EQ(d.partitions.Size(), 4u);
    EXPECT_EQ(d.servers.Size(), 3u);
    EXPECT_EQ(d.attributes.Name(2), "DS VERSION:599");
    EXPECT_EQ(d.attributes.Entries(2), (ReplicaList{"IPX:0A0B0C0E", "TCPIP:10.1.3.1"}));
    EXPECT_NE(d.FindNodeByContext("HR.CORP"), nullptr);

    r = RunCli({"import-rings", SourcePath("examples/branch_rings.rpt"), dir + "/branch.qvd"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(test::ReadFile(dir + "/branch.qvd"),
              test::ReadFile(SourcePath("examples/branch.qvd")));
}

TEST(ReaderCommands, MergeOfTheExamples) {
    std::string dir = test::TempDir();
    std::string out = dir + "/merged.qvd";
    auto r = RunCli(
        {"merge", SourcePath("examples/corp.qvd"), SourcePath("examples/branch.qvd"), "-o", out});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "Merge was succesful.\n");
    EXPECT_EQ(r.out, "");
    TreeDesign d;
    ASSERT_TRUE(OpenDesign(d, out));
    EXPECT_EQ(d.partitions.Entries(static_cast<std::size_t>(d.partitions.FindFirst("BRANCH"))),
              (ReplicaList{"BR1*MASTER*"}));
    EXPECT_EQ(d.partitions.Entries(0).back(), "BR1*READ/WRITE*");

    // A design merged into itself: every conflict on stdout, nothing written.
    std::string copy = dir + "/corp.qvd";
    test::WriteFile(copy, test::ReadFile(SourcePath("examples/corp.qvd")));
    r = RunCli({"merge", copy, SourcePath("examples/corp.qvd")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Merge was unsuccesful.  8 errors were found.\nView Merge Error Report.\n");
    EXPECT_EQ(r.out.substr(0, r.out.find("Error: FS2")),
              "**ERROR REPORT OF TREE MERGE**\n**corp.qvd into corp.qvd**\n\n"
              "Error: CORP is a duplicate country or organization.\n"
              "Error: FS1 is a duplicate server\n");
    EXPECT_NE(r.out.find("Error: Duplicate address TCPIP:10.1.3.1 on\n        FS3 and FS3.\n"),
              std::string::npos);
    EXPECT_EQ(test::ReadFile(copy), test::ReadFile(SourcePath("examples/corp.qvd")));
}

TEST(ReaderCommands, FailuresPrintTheBoxAndWriteNothing) {
    std::string dir = test::TempDir();
    std::string bad = dir + "/bad.rpt";
    test::WriteFile(bad, "REPORT TITLE: DSD LIST REPLICA RINGS\nREPORT VERSION: 3.0\n");
    auto r = RunCli({"import-rings", bad, dir + "/out.qvd"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Error on line 2 position: 20\nIllegal DSDIAG version.\n");
    EXPECT_FALSE(Exists(dir + "/out.qvd"));

    std::string design = dir + "/corp.qvd";
    std::string original = test::ReadFile(SourcePath("examples/corp.qvd"));
    test::WriteFile(design, original);
    r = RunCli({"import-versions", design, bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(test::ReadFile(design), original);
    r = RunCli({"import-objects", design, bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Error on line: 1.\n 'CURRENT' expected.\n");
    EXPECT_EQ(test::ReadFile(design), original);
    r = RunCli({"import-objects", design, dir + "/missing.rpt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Error on line: 0.\nProblem Opening File. Cannot open file \"" + dir +
                         "/missing.rpt\". No such file or directory\n");

    // The merge names the file as it was given.
    r = RunCli({"merge", design, bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Illegal file format on file: " + bad + "\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(test::ReadFile(design), original);
}

TEST(ReaderCommands, NoticesArePrintedAsTheyAreShown) {
    std::string dir = test::TempDir();
    std::string report = dir + "/noroot.rpt";
    test::WriteFile(report, "REPORT TITLE: DSD LIST REPLICA RINGS\nREPORT VERSION: 0.8\n"
                            "PARTITION: \\T\\O=A\nREPLICA\nSTATUS\nNUMB\n"
                            "1 1 M ON                                    X \\T\\O=A\\CN=S1 END\n");
    auto r = RunCli({"import-rings", report, dir + "/out.qvd"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "The Replica Ring report did not search to partition ROOT.\nAn "
                     "Organization and Server will be created to hold the Master of Root.\n");
    std::string versions = dir + "/v.rpt";
    test::WriteFile(versions, "REPORT TITLE: DSD NDS VERSIONS REPORT\nREPORT VERSION: 0.8\n"
                              "STATUS  Address\nDEPT\n0     10.9.9.9 1 1 \\T\\O=B\\CN=S1\n");
    r = RunCli({"import-versions", dir + "/out.qvd", versions});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.substr(0, 50), "FATAL ERROR, TREE INTEGRITY HAS BEEN COMPROMISED!\n");
    EXPECT_NE(r.err.find("File: v.rpt is either"), std::string::npos);
    TreeDesign d;
    ASSERT_TRUE(OpenDesign(d, dir + "/out.qvd"));
    EXPECT_GE(d.servers.FindFirst("S1_RENAME_1"), 0);
}

TEST(ReaderCommands, Usage) {
    EXPECT_EQ(RunCli({"import-rings", "only-one"}).exitCode, 2);
    EXPECT_EQ(RunCli({"import-versions", "a.qvd"}).exitCode, 2);
    EXPECT_EQ(RunCli({"import-objects", "a.qvd", "b.rpt", "-o"}).exitCode, 2);
    EXPECT_EQ(RunCli({"merge", "a.qvd", "b.qvd", "c.qvd"}).exitCode, 2);
    auto r = RunCli({"merge", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("merge DESIGN.qvd OTHER.qvd [-o OUT.qvd]"), std::string::npos);
}

} // namespace
} // namespace qv
