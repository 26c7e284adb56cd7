// quorvane-cli file-rights, run as a user would run it: QVD_FSR.BAT through
// quorvane-cmd and the RIGHTS stand-in on the example tree (from its LDIF file
// and from a directory server), and saved reports read with --reports.
#include "support/cli_runner.h"
#include "support/scripted.h"
#include "support/slapd_fixture.h"
#include "support/utility_workspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qv {
namespace {

using test::ReadFile;
using test::WriteFile;

// JSMITH reads PUBLIC as [Public] does; MJONES is security equivalent to
// ADMIN, who has Supervisor at the volume root, which no filter blocks.
const char* const kReportsOfSales = "Object: JSMITH\n"
                                    "  FS1_SYS:\\: SRWCEMFA -------- --------\n"
                                    "  FS1_SYS:\\PUBLIC: SRWCEMFA -------- -R----F-\n"
                                    "  FS1_SYS:\\PUBLIC\\REPORTS: SRW---F- -R----F- -R----F-\n"
                                    "Object: MJONES\n"
                                    "  FS1_SYS:\\: SRWCEMFA -------- SRWCEMFA\n"
                                    "  FS1_SYS:\\PUBLIC: SRWCEMFA SRWCEMFA SRWCEMFA\n"
                                    "  FS1_SYS:\\PUBLIC\\REPORTS: SRW---F- SRWCEMFA SRWCEMFA\n";

const char* const kBatchOfSales = "CX \".SALES.CORP\"\r\n"
                                  "F:\r\n"
                                  "CD \"\\PUBLIC\\REPORTS\"\r\n"
                                  "RIGHTS . /I /NAME=\"JSMITH\" > #FSR#1.TXT\r\n"
                                  "RIGHTS . /I /NAME=\"MJONES\" > #FSR#2.TXT\r\n";

class FileRightsCli : public test::UtilityWorkspace {
protected:
    // The tree connection and the drive F: mapped to the example's volume.
    void Connect(const std::string& address, const std::string& volume = "FS1_SYS.CORP") {
        ASSERT_EQ(Run({"trees", "add", "CORP_TREE", address}).exitCode, 0);
        std::ofstream ini(config + "/Quorvane/Quorvane.ini", std::ios::app);
        ini << "\n[Drive%20Mappings]\nF=" << volume << "\n";
    }
    test::CliResult Rights(std::vector<std::string> more,
                           const std::string& directory = "F:\\PUBLIC\\REPORTS") {

        std::vector<std::string> args{"file-rights", design, "--context",   "SALES.CORP",
                                      "--drive",     "F",    "--directory", directory};
        args.insert(args.end(), more.begin(), more.end());
        return Run(args);
    }
};

TEST_F(FileRightsCli, RunsRightsOnTheExampleTree) {
    Connect("ldif:" + ldif);
    WriteFile(dir + "/#FSR#7.TXT", "an old report");
    auto r = Rights({"--leaf", "JSMITH", "MJONES", "--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kReportsOfSales);
    EXPECT_EQ(ReadFile(dir + "/QVD_FSR.BAT"), kBatchOfSales);
    EXPECT_FALSE(std::filesystem::exists(dir + "/#FSR#7.TXT"));
    EXPECT_EQ(ReadFile(dir + "/#FSR#1.TXT").rfind("NAME=JSMITH\n", 0), 0u);

    // The reports read back with --reports; the folder's own files stay.
    const std::string saved = dir + "/saved";
    std::filesystem::create_directory(saved);
    std::filesystem::copy(dir + "/#FSR#1.TXT", saved + "/#FSR#1.TXT");
    std::filesystem::copy(dir + "/#FSR#2.TXT", saved + "/#FSR#2.TXT");
    r = Rights({"--leaf", "JSMITH", "--leaf", "MJONES", "--reports", saved});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, kReportsOfSales);

    // A home folder below a filter; the root of the drive from the root
    // context.
    r = Rights({"--leaf", "JSMITH", "--tick-ms", "20"}, "\\HOME\\JSMITH");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Object: JSMITH\n"
                     "  FS1_SYS:\\: SRWCEMFA -------- --------\n"
                     "  FS1_SYS:\\HOME: SR----F- -------- --------\n"
                     "  FS1_SYS:\\HOME\\JSMITH: SRWCEMFA -------- -RWCEMF-\n");
    EXPECT_EQ(ReadFile(dir + "/QVD_FSR.BAT").substr(0, 41),
              "CX \".SALES.CORP\"\r\nF:\r\nCD \"\\HOME\\JSMITH\"\r\n");
    // The root context and the root of the drive: the container CORP itself.
    r = Run({"file-rights", design, "--context", "[ROOT]", "--drive", "f:", "--directory", "F:\\",
             "--leaf", "CORP", "--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Object: CORP\n  FS1_SYS:\\: SRWCEMFA -------- --------\n");
    EXPECT_EQ(ReadFile(dir + "/QVD_FSR.BAT"),
              "CX \".\"\r\nF:\r\nCD \"\\\"\r\nRIGHTS . /I /NAME=\"CORP\" > #FSR#1.TXT\r\n");
}

TEST_F(FileRightsCli, RunsRightsAgainstADirectoryServer) {
    // The server's volume names its folder absolutely.
    std::string text = ReadFile(ldif);
    const std::string relative = "qvVolumePath: volumes/FS1_SYS";
    ASSERT_NE(text.find(relative), std::string::npos);
    text.replace(text.find(relative), relative.size(),
                 "qvVolumePath: " + test::SourcePath("examples/volumes/FS1_SYS"));
    WriteFile(dir + "/tree.ldif", text);
    test::SlapdServer server;
    std::string error;
    ASSERT_TRUE(server.Start({{"cn=CORP_TREE", dir + "/tree.ldif", ""}}, error)) << error;
    Connect(server.Url("cn=CORP_TREE"));
    auto r = Rights({"--leaf", "JSMITH", "MJONES", "--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kReportsOfSales);
    // The server gone: RIGHTS's error lands in each report, which the reader
    // refuses.
    server.Stop();
    r = Rights({"--leaf", "JSMITH", "MJONES", "--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Error in report file: #FSR#1.TXT.\nError on line : 1\nNAME expected.\n"
                     "Error in report file: #FSR#2.TXT.\nError on line : 1\nNAME expected.\n"
                     "No reports were successfully imported.\n");
    EXPECT_EQ(ReadFile(dir + "/#FSR#1.TXT").rfind("RIGHTS: ", 0), 0u);
}

TEST_F(FileRightsCli, FailedReportsAreSkipped) {
    Connect("ldif:" + ldif, "JSMITH.SALES.CORP");
    // Every report holds RIGHTS's complaint about the mapping.
    auto r = Rights({"--leaf", "JSMITH", "--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(ReadFile(dir + "/#FSR#1.TXT").find("which is not a volume object"),
              std::string::npos);
    EXPECT_EQ(r.err, "Error in report file: #FSR#1.TXT.\nError on line : 1\nNAME expected.\n"
                     "No reports were successfully imported.\n");
    // One good report of two, read from a folder; a missing one cannot be
    // opened.
    WriteFile(dir + "/#FSR#1.TXT", "NAME=JSMITH\n\n\nV:\\\n"
                                   "Inherited Rights Filter\n");
    WriteFile(dir + "/#FSR#2.TXT", "NAME=MJONES\n\n\n");
    r = Rights({"--leaf", "JSMITH", "MJONES", "JSMITH", "--reports", dir});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Object: MJONES\n");
    EXPECT_EQ(r.err,
              "Error in report file: #FSR#1.TXT.\nError on line : 3\nUnexpected end of file\n"
              "Error in report file: #FSR#3.TXT.\nError on line : 0\nCould not open file.\n");
}

TEST_F(FileRightsCli, UsageErrors) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--leaf"}, "--leaf needs the name of a leaf object"},
        {{"--leaf", "NOBODY"}, "no leaf object NOBODY in SALES.CORP"},
        {{"--leaf", "JSMITH", "--tick-ms", "0"}, "--tick-ms expects"},
        {{"--leaf", "JSMITH", "--frobnicate"}, "unknown option"},
    };
    for (const Case& c : cases) {
        auto r = Rights(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    auto r = Run({"file-rights", design, "--context", "NOWHERE.CORP", "--drive", "F", "--directory",
                  "F:\\", "--leaf", "JSMITH"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("no container NOWHERE.CORP"), std::string::npos) << r.err;
    r = Run({"file-rights", design, "--context", "SALES.CORP", "--drive", "FF", "--directory",
             "F:\\", "--leaf", "JSMITH"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--drive expects a drive letter"), std::string::npos) << r.err;
    r = Run({"file-rights", design, "--drive", "F", "--leaf", "JSMITH"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--context, --drive and --directory are needed"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir + "/QVD_FSR.BAT"));
}

} // namespace
} // namespace qv
