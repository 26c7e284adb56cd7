// quorvane-cli compare-schema, run as a user would run it: SCHCMP through
// quorvane-cmd on the example tree (from its LDIF file and from a directory
// server), and saved reports read with --reports.
#include "support/cli_runner.h"
#include "support/scripted.h"
#include "support/slapd_fixture.h"
#include "support/utility_workspace.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qv {
namespace {

using test::ReadFile;
using test::WriteFile;
namespace fs = std::filesystem;

std::string Columns(std::string left, const std::string& right) {
    left.resize(std::max<std::size_t>(left.size(), 50), ' ');
    return left + right + "\n";
}

// The print text of FS1 against FS2 of the example tree, FS1 on the left.
std::string ExampleFs1Fs2() {
    return Columns("FS1", "FS2") + "Unique Classes\n" + Columns("  PROFILE", "  PRINTSERVER") +
           Columns("Total : 1", "Total : 1") + "\nUnique Attributes\n" +
           Columns("  LOGINSCRIPT", "  MAILBOXLOCATION") + Columns("Total : 1", "Total : 1") +
           "\nUnique Syntaxes\n" +
           Columns("  1.3.6.1.4.1.1466.115.121.1.40 OCTET STRING",
                   "  1.3.6.1.4.1.1466.115.121.1.27 INTEGER") +
           Columns("Total : 1", "Total : 1") + "\nClass Definition Differences\n" +
           Columns("  USER", "  USER") + Columns("    MAY", "    MAY") +
           Columns("      HAS LOGINSCRIPT", "      HAS MAILBOXLOCATION") +
           Columns("      LACKS MAILBOXLOCATION", "      LACKS LOGINSCRIPT") +
           Columns("Total : 1", "Total : 1") + "\nAttribute Definition Differences\n" +
           Columns("  TELEPHONENUMBER", "  TELEPHONENUMBER") +
           Columns("    SINGLE-VALUE", "    SINGLE-VALUE") + Columns("      NO", "      YES") +
           Columns("Total : 1", "Total : 1") + "\n";
}

class CompareSchemaCli : public test::UtilityWorkspace {
protected:
    test::CliResult Compare(std::vector<std::string> servers, std::vector<std::string> more = {}) {
        std::vector<std::string> args{"compare-schema", design};
        args.insert(args.end(), servers.begin(), servers.end());
        args.insert(args.end(), more.begin(), more.end());
        return Run(args);
    }
};

TEST_F(CompareSchemaCli, RunsSchcmpForEveryPairOfTheExampleTree) {
    ASSERT_EQ(Run({"trees", "add", "CORP_TREE", "ldif:" + ldif}).exitCode, 0);
    // The utility path names the stand-ins explicitly (as a user may set it).
    const std::string ini = config + "/Quorvane/Quorvane.ini";
    WriteFile(ini, ReadFile(ini) + "\n[Utilities]\nPath=" + QV_UTILITIES_DIR + "\n");
    WriteFile(dir + "/SRD7.TXT", "Comparing OLD with STALE\nClasses unique to OLD\nNone\n");
    auto r = Compare({"fs2", "FS3", "FS1"}, {"--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // Pairs in name order: FS1-FS2, FS1-FS3, FS2-FS3; the old file went first.
    EXPECT_EQ(ReadFile(dir + "/SRD1.TXT").rfind("Comparing FS1 with FS2\n", 0), 0u);
    EXPECT_EQ(ReadFile(dir + "/SRD2.TXT").rfind("Comparing FS1 with FS3\n", 0), 0u);
    EXPECT_EQ(ReadFile(dir + "/SRD3.TXT").rfind("Comparing FS2 with FS3\n", 0), 0u);
    EXPECT_FALSE(fs::exists(dir + "/SRD7.TXT"));
    ASSERT_EQ(r.out.rfind("Server: FS1\n" + ExampleFs1Fs2() + Columns("FS1", "FS3"), 0), 0u)
        << r.out;
    const std::size_t fs2 = r.out.find("Server: FS2\n");
    const std::size_t fs3 = r.out.find("Server: FS3\n");
    ASSERT_NE(fs2, std::string::npos);
    ASSERT_NE(fs3, std::string::npos);
    const std::string fs2Head = "Server: FS2\n" + Columns("FS2", "FS1");
    EXPECT_EQ(r.out.substr(fs2, fs2Head.size()), fs2Head);
    // FS3 has the directory's own schema: ours and what it builds on.
    const std::string fs3Part = r.out.substr(fs3);
    EXPECT_EQ(fs3Part.rfind("Server: FS3\n" + Columns("FS3", "FS1") + "Unique Classes\n", 0), 0u);
    EXPECT_NE(fs3Part.find("  QVCONTAINER"), std::string::npos);
    EXPECT_NE(fs3Part.find("  QVBASECLASS"), std::string::npos);

    // The reports read back from the folder give the same text.
    const std::string first = r.out;
    r = Compare({"FS1", "FS2", "FS3"}, {"--reports", dir});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, first);
}

TEST_F(CompareSchemaCli, RunsSchcmpAgainstADirectoryServer) {
    test::SlapdServer server;
    std::string error;
    ASSERT_TRUE(server.Start({{"cn=CORP_TREE", ldif, ""}}, error)) << error;
    ASSERT_EQ(Run({"trees", "add", "CORP_TREE", server.Url("cn=CORP_TREE")}).exitCode, 0);
    auto r = Compare({"FS1", "FS2"}, {"--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Server: FS1\n" + ExampleFs1Fs2() + "Server: FS2\n", 0), 0u) << r.out;
    // FS3 has the directory server's subschema, with the server's own classes.
    r = Compare({"FS1", "FS3"}, {"--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("  QVCONTAINER"), std::string::npos);
    EXPECT_NE(r.out.find("  EXTENSIBLEOBJECT"), std::string::npos);
    EXPECT_NE(r.out.find("  SUBSCHEMA"), std::string::npos);

    // A server whose qvSchemaSource names the directory server, in an LDIF tree.
    std::string text = ReadFile(ldif);
    const std::string fs3 = "dn: cn=FS3,";
    const std::size_t at = text.find(fs3);
    ASSERT_NE(at, std::string::npos);
    const std::size_t end = text.find("\n\n", at);
    text.insert(end, "\nqvSchemaSource: ldap://127.0.0.1:" + std::to_string(server.Port()));
    WriteFile(dir + "/tree.ldif", text);
    ASSERT_EQ(Run({"trees", "add", "LOCAL", "ldif:" + dir + "/tree.ldif"}).exitCode, 0);
    ASSERT_EQ(Run({"trees", "prefer", "LOCAL"}).exitCode, 0);
    r = Compare({"FS1", "FS3"}, {"--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("  EXTENSIBLEOBJECT"), std::string::npos);

    // The server gone: SCHCMP's error lands in the report, which the reader refuses.
    server.Stop();
    r = Compare({"FS1", "FS3"}, {"--tick-ms", "20"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Error parsing report for : FS1,FS3\nFileName :SRD1.TXT\n\"COMPARING\" "
                         "expected.\nLine :1 Column : 8\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFile(dir + "/SRD1.TXT").rfind("SCHCMP: FS3: ", 0), 0u);
}

TEST_F(CompareSchemaCli, ReadsSavedReportsAndGoesOnPastFailedOnes) {
    WriteFile(dir + "/SRD1.TXT", "Comparing FS1 with FS2\nClasses unique to FS1\n  extra\n"
                                 "Classes unique to FS2\nNone\n");
    WriteFile(dir + "/SRD3.TXT", "Comparing FS2 with FS3\nClasses unique to FS4\n");
    auto r = Compare({"FS3", "FS2", "FS1"}, {"--reports", dir});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "Not all reports were generated successfully.\nIf you choose to continue, "
                     "the results will not \nbe accurate.\nContinue?\n"
                     "Successfully parsed file : SRD1.TXT\n\n"
                     "Error parsing report for : FS1,FS3\nFileName :SRD2.TXT\nCannot open file.\n"
                     "Line :0 Column : 1\n\n"
                     "Error parsing report for : FS2,FS3\nFileName :SRD3.TXT\nServer name "
                     "expected.\nLine :2 Column : 22\n\n");
    const std::string report = Columns("FS1", "FS2") + "Unique Classes\n" + Columns("  EXTRA", "") +
                               Columns("Total : 1", "Total : 0");
    ASSERT_EQ(r.out.rfind("Server: FS1\n" + report, 0), 0u) << r.out;
    EXPECT_NE(r.out.find("Server: FS2\n" + Columns("FS2", "FS1") + "Unique Classes\n" +
                         Columns("", "  EXTRA")),
              std::string::npos);
    // SRD3 failed after its header: it still counts for both, with what it holds.
    EXPECT_NE(r.out.find(Columns("FS2", "FS3")), std::string::npos);
    EXPECT_NE(r.out.find("Server: FS3\n" + Columns("FS3", "FS2") + "Unique Classes\n" +
                         Columns("Total : 0", "Total : 0")),
              std::string::npos);

    r = Compare({"FS1", "FS2"}, {"--reports", dir + "/none"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Cannot open file."), std::string::npos);
}

TEST_F(CompareSchemaCli, UsageErrors) {
    auto r = Compare({"FS1"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("expects DESIGN and at least two SERVERs"), std::string::npos) << r.err;
    r = Compare({"FS1", "fs1"}, {"--reports", dir});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "At least two servers need to be selected.\n");
    r = Compare({"FS1", "NOPE"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("no server NOPE in the design"), std::string::npos);
    r = Compare({"FS1", "FS2"}, {"--tick-ms", "0"});
    EXPECT_EQ(r.exitCode, 2);
}

} // namespace
} // namespace qv
