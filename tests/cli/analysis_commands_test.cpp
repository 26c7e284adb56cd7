// quorvane-cli report, grid, individual-report, replica-report and settings,
// run as a user would run them. Every run gets a settings store of its own.
#include "files/design_file.h"
#include "support/cli_runner.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::ReadFile;
using test::TempDir;

class AnalysisCli : public ::testing::Test {
protected:
    void SetUp() override {
        config = TempDir();
        corp = TempDir() + "/corp.qvd";
        test::WriteFile(corp, ReadFile(test::SourcePath("examples/corp.qvd")));
        ASSERT_FALSE(ReadFile(corp).empty());
    }
    test::CliResult Run(const std::vector<std::string>& args) {
        return test::RunCli(args, "", {"XDG_CONFIG_HOME=" + config});
    }
    std::string config;
    std::string corp;
};

TEST_F(AnalysisCli, ReportPrintsTheWholeTextAndNeverWritesTheDesign) {
    const std::string before = ReadFile(corp);
    auto r = Run({"report", "partition", corp});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "**PARTITION REPORT FOR TREE corp.qvd**\n"
                     "\n"
                     "Partition: [ROOT]\n"
                     "  Server: FS1 *MASTER*\n"
                     "  Server: FS2 *READ/WRITE*\n"
                     "Replica Count: 2\n"
                     "\n"
                     "Partition: SALES.CORP\n"
                     "  Server: FS2 *MASTER*\n"
                     "  Server: FS1 *READ/WRITE*\n"
                     "  Server: FS3 *READ/ONLY*\n"
                     "Replica Count: 3\n"
                     "\n"
                     "Partition: ENG.CORP\n"
                     "  Server: FS3 *MASTER*\n"
                     "  Server: FS1 *READ/WRITE*\n"
                     "  Server: FS2 *SUB/REF*\n"
                     "Replica Count: 3\n"
                     "\n"
                     "Partition: DEV.ENG.CORP\n"
                     "  Server: FS3 *MASTER*\n"
                     "  Server: FS1 *SUB/REF*\n"
                     "Replica Count: 2\n"
                     "\n"
                     "Server Count: 3\n"
                     "Partition Count: 4\n");
    for (const char* kind : {"server", "relation", "schema", "object", "server-suggestions",
                             "partition-suggestions", "object-suggestions"}) {
        r = Run({"report", kind, corp});
        EXPECT_EQ(r.exitCode, 0) << kind << r.err;
        EXPECT_NE(r.out.find("corp.qvd"), std::string::npos) << kind;
    }
    EXPECT_EQ(ReadFile(corp), before);
}

TEST_F(AnalysisCli, ReportsUseTheStoredSettings) {
    auto r = Run({"report", "server-suggestions", corp});
    EXPECT_NE(r.out.find("  Warning: 4.X DS VERSION is less than 606\n"), std::string::npos);
    ASSERT_EQ(Run({"settings", "set", "Min4xDSVersion=500"}).exitCode, 0);
    r = Run({"report", "server-suggestions", corp});
    EXPECT_EQ(r.out.find("DS VERSION"), std::string::npos) << r.out;
    r = Run({"individual-report", corp, "FS1.CORP"});
    EXPECT_EQ(r.out.find("DS VERSION is less"), std::string::npos) << r.out;
}

TEST_F(AnalysisCli, ObjectTextsWithoutAnObjectReportFail) {
    test::Fixture f;
    test::MakeEmpty(f.design); // the root alone has no leaf list
    f.design.designFileName = corp;
    std::string bytes;
    const Result<std::string> serialized = SerializeDesign(f.design);
    ASSERT_TRUE(serialized);
    bytes = serialized.value_or("");
    std::string bare = TempDir() + "/bare.qvd";
    test::WriteFile(bare, bytes);
    for (const char* kind : {"object", "object-suggestions"}) {
        auto r = Run({"report", kind, bare});
        EXPECT_EQ(r.exitCode, 1) << kind;
        EXPECT_EQ(r.err, "The Object Report has not been imported yet.\n");
        EXPECT_EQ(r.out, "");
    }
    auto r = Run({"grid", "object-server", bare});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "The Object Report has not been imported yet.\n");
    r = Run({"report", "relation", bare});
    EXPECT_EQ(r.exitCode, 0);
}

TEST_F(AnalysisCli, GridPrintsTheDelimitedExportAndSortsOnRequest) {
    auto r = Run({"grid", "server-x-address", corp});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, ",DS Version      ,Address              \n"
                     "FS1,DS VERSION:599,IPX:00000000\n"
                     "FS1,DS VERSION:599,TCPIP:10.1.1.1\n"
                     "FS2,DS VERSION:599,IPX:0A0B0C0D\n"
                     "FS3,DS VERSION:599,IPX:0A0B0C0E\n"
                     "FS3,DS VERSION:599,TCPIP:10.1.3.1\n"
                     "Total: 3,,\n");
    r = Run({"grid", "partition-x-server", corp, "--sort"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "This could take a few minutes if there are \nmore than 200 "
                     "servers/partitions.\nContinue?\n");
    EXPECT_EQ(r.out, ",FS1,FS2,FS3\n"
                     "DEV.ENG.CORP,*SUB/REF*,,*MASTER*\n"
                     "ENG.CORP,*READ/WRITE*,*SUB/REF*,*MASTER*\n"
                     "SALES.CORP,*READ/WRITE*,*MASTER*,*READ/ONLY*\n"
                     "[ROOT],*MASTER*,*READ/WRITE*,\n");
    r = Run({"grid", "object-partition", corp, "--sort"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out.ends_with("\nTREE TOTAL,1,1,4,3,1,1,1,1,5,2,20\n")) << r.out;
    r = Run({"grid", "object-container", corp});
    EXPECT_NE(r.out.find("\nHR.CORP,,,,,,,,,1,,1\n"), std::string::npos) << r.out;
}

TEST_F(AnalysisCli, IndividualAndReplicaReportsByContext) {
    auto r = Run({"replica-report", corp, "ENG.CORP"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Replica Report For Partition: ENG.CORP\nMaster: 1\nRead/Write: 1\n"
                     "Read/Only: 0\nSub/Ref: 1\nSparse Write: 0\nSparse Read: 0\n");
    r = Run({"replica-report", corp, "FS1.CORP"});
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Replica Report For Server: FS1.CORP");

    r = Run({"individual-report", corp, "FS3.ENG.CORP"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "***INDIVIDUAL SERVER REPORT***\n"
                     "\n"
                     "Server: FS3\n"
                     " Address IPX:0A0B0C0E\n"
                     " Address TCPIP:10.1.3.1\n"
                     " REPLICA LIST\n"
                     "  Partition: SALES.CORP   *READ/ONLY*\n"
                     "  Partition: ENG.CORP     *MASTER*\n"
                     "  Partition: DEV.ENG.CORP *MASTER*\n"
                     "DS VERSION:599\n"
                     "Replica Count: 3\n"
                     "\n"
                     "*SCHEMA DISTRIBUTION LIST*\n"
                     "SERVER: FS3\n"
                     "Replica Depth: 2\n"
                     "\n"
                     "\n"
                     "*SUGGESTIONS*\n"
                     "\n"
                     "Server: FS3\n"
                     "  Warning: 4.X DS VERSION is less than 606\n"
                     "\n"
                     "Checking for duplicate addresses..\n"
                     "\n");
    r = Run({"individual-report", corp, "[ROOT]"});
    EXPECT_EQ(r.out.rfind("***INDIVIDUAL PARTITION REPORT***\n\nPartition: [ROOT]\n", 0), 0u);

    r = Run({"individual-report", corp, "FS3"}); // a bare name is no context
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(r.err.empty());
}

TEST_F(AnalysisCli, SettingsShowSetAndReset) {
    auto r = Run({"settings", "show"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "MaxSubRefs=10\nMaxReadables=10\nMinReplicasPerPartition=3\n"
                     "MaxReplicasPerPartition=10\nMaxObjsPerContainer=5000\nMin4xDSVersion=606\n"
                     "Min5xDSVersion=730\nMinSkadsVersion=810\nCheckMaxSubRefs=1\n"
                     "CheckMaxReadables=1\nCheckMinDSVersion=1\nCheckMinReplicasPerPartition=1\n"
                     "CheckMaxReplicasPerPartition=1\nCheckMaxObjsPerContainer=1\n"
                     "CheckIPXAddress=1\nCheckServerContainReplica=1\nCheckDupAddr=1\n");
    const std::string ini = config + "/Quorvane/Quorvane.ini";
    EXPECT_EQ(ReadFile(ini), ""); // showing stores nothing

    // A refusal stores nothing, not even the valid fields.
    r = Run({"settings", "set", "MaxReadables=12", "Min5xDSVersion=800"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "5.X DS Versions must be between 700 and 799.\n");
    r = Run({"settings", "set", "MaxReadables=1.5", "MaxObjsPerContainer=-3"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Invalid input for field(s) : \n2,8.\n");
    EXPECT_EQ(ReadFile(ini), "");

    r = Run({"settings", "set", "MaxReadables=12", "CheckDupAddr=0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Run({"settings", "show"});
    EXPECT_NE(r.out.find("\nMaxReadables=12\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nCheckDupAddr=0\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nMin5xDSVersion=730\n"), std::string::npos);

    ASSERT_EQ(Run({"settings", "reset"}).exitCode, 0);
    r = Run({"settings", "show"});
    EXPECT_NE(r.out.find("\nMaxReadables=10\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nCheckDupAddr=1\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nMin5xDSVersion=736\n"), std::string::npos);
}

TEST_F(AnalysisCli, UsageErrors) {
    EXPECT_EQ(Run({"report", "nonsense", corp}).exitCode, 2);
    EXPECT_EQ(Run({"report", "partition"}).exitCode, 2);
    EXPECT_EQ(Run({"grid", "server-x-address", corp, "--bogus"}).exitCode, 2);
    EXPECT_EQ(Run({"individual-report", corp}).exitCode, 2);
    EXPECT_EQ(Run({"settings"}).exitCode, 2);
    EXPECT_EQ(Run({"settings", "set", "Nope=1"}).exitCode, 2);
    EXPECT_EQ(Run({"settings", "set", "CheckDupAddr=2"}).exitCode, 2);
    EXPECT_EQ(Run({"settings", "show", "extra"}).exitCode, 2);
    EXPECT_EQ(Run({"report", "partition", config + "/missing.qvd"}).exitCode, 1);
}

} // namespace
} // namespace qv
