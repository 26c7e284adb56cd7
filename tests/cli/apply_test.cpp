// quorvane-cli apply, run as a user would run it, on the example design.
#include "files/design_file.h"
#include "support/cli_runner.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::ReadFile;
using test::RunCli;
using test::TempDir;
using test::WriteFile;

struct ApplyTest : ::testing::Test {
    std::string dir = TempDir();
    std::string design = dir + "/corp.qvd";
    std::string original;
    void SetUp() override {
        original = ReadFile(test::SourcePath("examples/corp.qvd"));
        ASSERT_FALSE(original.empty());
        WriteFile(design, original);
    }
    bool EndsWith(const std::string& text, const std::string& tail) {
        return text.size() >= tail.size() &&
               text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    }
};

TEST_F(ApplyTest, AppliesTheScriptAndPrintsTheLog) {
    WriteFile(dir + "/edit.txt", "# HR becomes a partition mastered by FS3\n"
                                 "create-partition HR.CORP\n"
                                 "add-replica HR.CORP FS3 RO\n"
                                 "change-type HR.CORP FS3 M\n"
                                 "\n"
                                 "move-leaf CORP HR.CORP ADMIN EVERYONE\n"
                                 "rename-object FS3.ENG.CORP \"fs 9\"\n"
                                 "set-ipx \"FS 9.ENG.CORP\" 0a0b0c0f\n");
    auto r = RunCli({"apply", design, dir + "/edit.txt", "-o", dir + "/out.qvd", "--log"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Action: Create Partition\n  New Partition: HR.CORP\n\n"
                     "Action: Add Replica\n  Partition: HR.CORP\n  Server   : FS3\n"
                     "  Type     : *READ/ONLY*\n\n"
                     "Action: Change Replica Type\n  Server    :FS3\n  Partition :HR.CORP\n"
                     "  Changed To:*MASTER*\n"
                     "Action: Move Object\n  Object Type: USER\n  Object Name: ADMIN\n"
                     "  Source     : CORP\n  Destination: HR.CORP\n\n"
                     "Action: Move Object\n  Object Type: GROUP\n  Object Name: EVERYONE\n"
                     "  Source     : CORP\n  Destination: HR.CORP\n\n"
                     "Action: Renamed Object\n  Old Name: FS3.ENG.CORP\n"
                     "  New Name: FS 9.ENG.CORP\n\n");
    EXPECT_NE(r.err.find("Quorvane will not check containment"), std::string::npos);
    EXPECT_EQ(ReadFile(design), original); // -o leaves the input alone

    test::Fixture f;
    ASSERT_TRUE(OpenDesign(f.design, dir + "/out.qvd"));
    EXPECT_EQ(*f.design.partitions.EntriesOf("HR.CORP"),
              (ReplicaList{"FS1*READ/WRITE*", "FS2*READ/WRITE*", "FS 9*MASTER*"}));
    EXPECT_EQ(f.design.servers.FindLast("FS3"), -1);
    EXPECT_EQ(f.design.attributes[2].entries, (ReplicaList{"IPX:0A0B0C0F", "TCPIP:10.1.3.1"}));
    ObjectNode* hr = f.design.FindNodeByContext("HR.CORP");
    ASSERT_TRUE(hr && hr->Leaves());
    EXPECT_EQ(hr->Leaves()->back(), MakeLeafEntry("EVERYONE", 16));
}

TEST_F(ApplyTest, ARefusedLineLeavesTheFileUntouched) {
    WriteFile(dir + "/edit.txt", "create-partition HR.CORP\nmerge-partition CORP\n");
    auto r = RunCli({"apply", design, dir + "/edit.txt", "--log"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "line 2: Merge Partition needs a container that is a partition root other "
                     "than [ROOT].\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(design), original);

    // Create Object's "try again" question is a refusal; "\r" breaks lines.
    r = RunCli({"apply", design, "-", "-o", dir + "/out.qvd"},
               "create-object HR.CORP USER kbrown\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(EndsWith(r.err, "line 1: Object: KBROWN already exists in this container\nOR, "
                                "if this is a server object, the server exists in the tree.\nDo "
                                "you want to try to create this object again?\n"))
        << r.err;
    EXPECT_NE(std::system(("test -e " + dir + "/out.qvd").c_str()), 0);

    r = RunCli({"apply", design, "-"}, "add-replica SALES.CORP FS1 RW\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "line 1: This server already has a replica of this partition.\n");
    EXPECT_EQ(ReadFile(design), original);
}

TEST_F(ApplyTest, ScriptFromStdinReplacesTheDesign) {
    auto r = RunCli({"apply", design, "-"},
                    "delete-replica SALES.CORP FS3\nclear-addresses\nsort-objects\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Are you sure you want to delete this replica?\n"
                     "This will set all IPX addreses to '00000000' \n"
                     "and remove all other protocol addresses.\nContinue?\n");
    test::Fixture f;
    ASSERT_TRUE(OpenDesign(f.design, design));
    EXPECT_EQ(*f.design.servers.EntriesOf("FS3"),
              (ReplicaList{"ENG.CORP*MASTER*", "DEV.ENG.CORP*MASTER*"}));
    for (const TableItem& a : f.design.attributes)
        EXPECT_EQ(a.entries, (ReplicaList{"IPX:00000000"}));
    ObjectNode* corp = f.design.FindNodeByContext("CORP");
    ASSERT_TRUE(corp);
    EXPECT_EQ(corp->Child(0)->Name(), "ENG"); // sorted: ENG, FS1, HR, SALES
}

TEST_F(ApplyTest, UsageErrorsExitTwoAndWriteNothing) {
    EXPECT_EQ(RunCli({"apply", design}).exitCode, 2);
    EXPECT_EQ(RunCli({"apply", design, "-", "--frob"}).exitCode, 2);
    // A malformed line is a fault of the script, not of the command line.
    auto r = RunCli({"apply", design, "-"}, "sort-objects\nmove-object SALES.CORP\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "line 2: usage: move-object CONTEXT DESTINATION\n");
    EXPECT_EQ(ReadFile(design), original);
    r = RunCli({"apply", design, dir + "/missing.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("missing.txt"), std::string::npos);
}

TEST_F(ApplyTest, UndoStepsAreTakenBackBeforeWriting) {
    WriteFile(dir + "/edit.txt", "create-partition HR.CORP\n"
                                 "add-replica HR.CORP FS3 RO\n"
                                 "undo\n"
                                 "redo\n"
                                 "rename-leaf SALES.CORP JSMITH JDOE\n");
    // Undoing the three steps gives the design as it was, byte for byte.
    auto r = RunCli({"apply", design, dir + "/edit.txt", "-o", dir + "/out.qvd", "--undo", "3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(dir + "/out.qvd"), original);
    // Only the last step undone: the partition stays, the leaf keeps its name.
    r = RunCli({"apply", design, dir + "/edit.txt", "-o", dir + "/one.qvd", "--undo", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    test::Fixture f;
    ASSERT_TRUE(OpenDesign(f.design, dir + "/one.qvd"));
    EXPECT_NE(f.design.partitions.EntriesOf("HR.CORP"), nullptr);
    EXPECT_GE(f.design.IndexOfLeaf(*f.design.FindNodeByContext("SALES.CORP")->Leaves(), "JSMITH"),
              0);
    // More steps than there are: a failure, nothing written.
    r = RunCli({"apply", design, dir + "/edit.txt", "-o", dir + "/none.qvd", "--undo", "4"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("only 3 steps can be undone"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadFile(dir + "/none.qvd").empty());
    EXPECT_EQ(RunCli({"apply", design, dir + "/edit.txt", "--undo", "x"}).exitCode, 2);
}

} // namespace
} // namespace qv
