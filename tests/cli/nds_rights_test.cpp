// quorvane-cli nds-rights, run as a user would run it: QVD_DSR.BAT through
// quorvane-cmd and the DSRIGHTS stand-in on the example tree (from its LDIF
// file and from a directory server), and saved reports read with --reports.
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

// JSMITH has Browse from [Public] at the root, Browse and Create through the
// group EVERYONE at SALES, its own rights on FS2 and on its Network Address.
// MJONES is security equivalent to ADMIN, whose Supervisor at CORP the filter
// of SALES blocks.
const char* const kSalesReports = "Source: JSMITH\n"
                                  "  Trustee: FS2.SALES.CORP\n"
                                  "    Path: [ROOT]\n"
                                  "      Inherited Rights Filter: SBCDR SCRWA\n"
                                  "      Inherits From Above: ----- -----\n"
                                  "      [PUBLIC]: -B--- -----\n"
                                  "      Effective Rights: -B--- -----\n"
                                  "    Path: CORP\n"
                                  "      Inherited Rights Filter: SBCDR SCRWA\n"
                                  "      Inherits From Above: -B--- -----\n"
                                  "      Effective Rights: -B--- -----\n"
                                  "    Path: SALES.CORP\n"
                                  "      Inherited Rights Filter: -BCDR -CRWA\n"
                                  "      Inherits From Above: -B--- -----\n"
                                  "      EVERYONE.CORP: -BC-- -CR--\n"
                                  "      Effective Rights: -BC-- -CR--\n"
                                  "    Path: FS2.SALES.CORP\n"
                                  "      Inherited Rights Filter: SBCDR SCRWA\n"
                                  "      Inherits From Above: -BC-- -CR--\n"
                                  "      JSMITH.SALES.CORP: -B-DR -----\n"
                                  "      Effective Rights: -BCDR -CR--\n"
                                  "    Property: NETWORK ADDRESS\n"
                                  "      JSMITH.SALES.CORP: ----- -CRW-\n"
                                  "      Effective Rights: ----- -CRW-\n"
                                  "Source: MJONES\n"
                                  "  Trustee: FS2.SALES.CORP\n"
                                  "    Path: [ROOT]\n"
                                  "      Inherited Rights Filter: SBCDR SCRWA\n"
                                  "      Inherits From Above: ----- -----\n"
                                  "      [PUBLIC]: -B--- -----\n"
                                  "      Effective Rights: -B--- -----\n"
                                  "    Path: CORP\n"
                                  "      Inherited Rights Filter: SBCDR SCRWA\n"
                                  "      Inherits From Above: -B--- -----\n"
                                  "      ADMIN.CORP: S---- S----\n"
                                  "      Effective Rights: SBCDR SCRWA\n"
                                  "    Path: SALES.CORP\n"
                                  "      Inherited Rights Filter: -BCDR -CRWA\n"
                                  "      Inherits From Above: -B--- -----\n"
                                  "      EVERYONE.CORP: -BC-- -CR--\n"
                                  "      Effective Rights: -BC-- -CR--\n"
                                  "    Path: FS2.SALES.CORP\n"
                                  "      Inherited Rights Filter: SBCDR SCRWA\n"
                                  "      Inherits From Above: -BC-- -CR--\n"
                                  "      Effective Rights: -BC-- -CR--\n";

const char* const kSalesBatch = "CX \".SALES.CORP\"\r\n"
                                "DSRIGHTS \"JSMITH\" \".FS2.SALES.CORP\" > #DSR#1.TXT\r\n"
                                "DSRIGHTS \"MJONES\" \".FS2.SALES.CORP\" > #DSR#2.TXT\r\n";

class NdsRightsCli : public test::UtilityWorkspace {
protected:
    void Connect(const std::string& address) {
        ASSERT_EQ(Run({"trees", "add", "CORP_TREE", address}).exitCode, 0);
    }
    test::CliResult Rights(std::vector<std::string> more) {
        std::vector<std::string> args{"nds-rights", design,        "--context",
                                      "SALES.CORP", "--container", "SALES.CORP"};
        args.insert(args.end(), more.begin(), more.end());
        return Run(args);
    }
};

TEST_F(NdsRightsCli, RunsDsrightsOnTheExampleTree) {
    Connect("ldif:" + ldif);
    WriteFile(dir + "/#DSR#7.TXT", "an old report");
    auto r = Rights({"--leaf", "JSMITH", "MJONES", "--target", "FS2", "--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kSalesReports);
    EXPECT_EQ(ReadFile(dir + "/QVD_DSR.BAT"), kSalesBatch);
    EXPECT_FALSE(std::filesystem::exists(dir + "/#DSR#7.TXT"));
    EXPECT_EQ(ReadFile(dir + "/#DSR#2.TXT").rfind("How MJONES got rights to FS2\n", 0), 0u);

    // The reports read back with --reports.
    const std::string saved = dir + "/saved";
    std::filesystem::create_directory(saved);
    std::filesystem::copy(dir + "/#DSR#1.TXT", saved + "/#DSR#1.TXT");
    std::filesystem::copy(dir + "/#DSR#2.TXT", saved + "/#DSR#2.TXT");
    r = Rights({"--leaf", "JSMITH", "--leaf", "MJONES", "--target", "FS2", "--reports", saved});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, kSalesReports);

    // The root context: the batch file's CX is empty and names are full.
    r = Run({"nds-rights", design, "--context", "[ROOT]", "--container", "CORP", "--leaf", "CORP",
             "--target", "ADMIN", "--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(dir + "/QVD_DSR.BAT"),
              "CX \"\"\r\nDSRIGHTS \"CORP\" \".ADMIN.CORP\" > #DSR#1.TXT\r\n");
    EXPECT_EQ(r.out, "Source: CORP\n"
                     "  Trustee: ADMIN.CORP\n"
                     "    Path: [ROOT]\n"
                     "      Inherited Rights Filter: SBCDR SCRWA\n"
                     "      Inherits From Above: ----- -----\n"
                     "      [PUBLIC]: -B--- -----\n"
                     "      Effective Rights: -B--- -----\n"
                     "    Path: CORP\n"
                     "      Inherited Rights Filter: SBCDR SCRWA\n"
                     "      Inherits From Above: -B--- -----\n"
                     "      Effective Rights: -B--- -----\n"
                     "    Path: ADMIN.CORP\n"
                     "      Inherited Rights Filter: SBCDR SCRWA\n"
                     "      Inherits From Above: -B--- -----\n"
                     "      Effective Rights: -B--- -----\n");
}

TEST_F(NdsRightsCli, RunsDsrightsAgainstADirectoryServer) {
    test::SlapdServer server;
    std::string error;
    ASSERT_TRUE(server.Start({{"cn=CORP_TREE", ldif, ""}}, error)) << error;
    Connect(server.Url("cn=CORP_TREE"));
    auto r = Rights({"--leaf", "JSMITH", "MJONES", "--target", "FS2", "--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kSalesReports);
    // The server gone: DSRIGHTS's error lands in each report, which the
    // reader refuses; the sources are still listed.
    server.Stop();
    r = Rights({"--leaf", "JSMITH", "MJONES", "--target", "FS2", "--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Source: JSMITH\nSource: MJONES\n");
    EXPECT_EQ(r.err, "Error in report file: #DSR#1.TXT.\nError on line : 1\nHOW expected.\n"
                     "Error in report file: #DSR#2.TXT.\nError on line : 1\nHOW expected.\n");
    EXPECT_EQ(ReadFile(dir + "/#DSR#1.TXT").rfind("DSRIGHTS: ", 0), 0u);
}

TEST_F(NdsRightsCli, FailedReportsAreSkipped) {
    // One good report, one of another object, one missing.
    Connect("ldif:" + ldif);
    ASSERT_EQ(Rights({"--leaf", "JSMITH", "--target", "FS2", "--tick-ms", "20"}).exitCode, 0);
    std::filesystem::rename(dir + "/#DSR#1.TXT", dir + "/#DSR#2.TXT");
    WriteFile(dir + "/#DSR#1.TXT", "How SOMEONE got rights to FS2\n");
    auto r = Rights({"--leaf", "JSMITH", "--target", "FS2", "FS2_SYS", "JSMITH", "--reports", dir});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Source: JSMITH\n  Trustee: FS2.SALES.CORP\n    Path: [ROOT]\n", 0), 0u)
        << r.out;
    EXPECT_EQ(r.err,
              "Error in report file: #DSR#1.TXT.\nError on line : 1\nCannot generate "
              "report for : SOMEONE\n"
              "Error in report file: #DSR#3.TXT.\nError on line : 0\nCould not open file.\n");
}

TEST_F(NdsRightsCli, UsageErrors) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--leaf", "--target", "FS2"}, "--leaf needs the name of a leaf object"},
        {{"--leaf", "JSMITH"}, "--target needs the name of an object"},
        {{"--leaf", "NOBODY", "--target", "FS2"}, "no leaf object NOBODY in SALES.CORP"},
        {{"--leaf", "JSMITH", "--target", "NOTHING"}, "no object NOTHING in SALES.CORP"},
        {{"--leaf", "JSMITH", "--target", "FS2", "--tick-ms", "0"}, "--tick-ms expects"},
        {{"--leaf", "JSMITH", "--target", "FS2", "--frobnicate"}, "unknown option"},
    };
    for (const Case& c : cases) {
        auto r = Rights(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    auto r = Run({"nds-rights", design, "--context", "NOWHERE.CORP", "--container", "CORP",
                  "--leaf", "JSMITH", "--target", "FS2"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("no container NOWHERE.CORP"), std::string::npos) << r.err;
    r = Run({"nds-rights", design, "--leaf", "JSMITH", "--target", "FS2"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--context and --container are needed"), std::string::npos) << r.err;
}

} // namespace
} // namespace qv
