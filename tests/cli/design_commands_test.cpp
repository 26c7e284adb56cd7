// quorvane-cli new, save-as, dump and generate, run as a user would run them.
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

TEST(CliDesign, NewWritesTheDefaultDesign) {
    std::string dir = TempDir();
    auto r = RunCli({"new", dir + "/n.qvd"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    test::Fixture f;
    NewDesign(f.design, 1);
    std::string expected;
    const Result<std::string> serialized = SerializeDesign(f.design);
    ASSERT_TRUE(serialized);
    expected = serialized.value_or("");
    EXPECT_EQ(ReadFile(dir + "/n.qvd"), expected);
}

TEST(CliDesign, SaveAsRepairsAndRewrites) {
    std::string dir = TempDir();
    ASSERT_EQ(RunCli({"generate", "--containers", "30", "--servers", "6", "--partitions", "8",
                      "--leaves", "300", dir + "/g.qvd"})
                  .exitCode,
              0);
    auto r = RunCli({"save-as", dir + "/g.qvd", dir + "/h.qvd"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(dir + "/g.qvd"), ReadFile(dir + "/h.qvd"));
}

TEST(CliDesign, FailuresExitOneAndWriteNothing) {
    std::string dir = TempDir();
    WriteFile(dir + "/bad.qvd", "not a design");
    auto r = RunCli({"save-as", dir + "/bad.qvd", dir + "/out.qvd"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Illegal file format on file: " + dir + "/bad.qvd\n");
    EXPECT_EQ(ReadFile(dir + "/out.qvd"), "");
    EXPECT_NE(std::system(("test -e " + dir + "/out.qvd").c_str()), 0);

    r = RunCli({"dump", dir + "/missing.qvd"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("No such file or directory"), std::string::npos);
    EXPECT_EQ(r.out, "");

    r = RunCli({"new", dir + "/no/such/dir/x.qvd"});
    EXPECT_EQ(r.exitCode, 1);
}

TEST(CliDesign, UsageErrorsExitTwo) {
    EXPECT_EQ(RunCli({}).exitCode, 2);
    EXPECT_EQ(RunCli({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(RunCli({"new"}).exitCode, 2);
    EXPECT_EQ(RunCli({"save-as", "a.qvd"}).exitCode, 2);
    EXPECT_EQ(RunCli({"generate", "--leaves", "many", "x.qvd"}).exitCode, 2);
    EXPECT_EQ(RunCli({"generate", "--colour", "1", "x.qvd"}).exitCode, 2);
    auto help = RunCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* c : {"new", "save-as", "dump", "generate"})
        EXPECT_NE(help.out.find(c), std::string::npos) << c;
    auto cmdHelp = RunCli({"generate", "--help"});
    EXPECT_EQ(cmdHelp.exitCode, 0);
    EXPECT_NE(cmdHelp.out.find("--containers"), std::string::npos);
}

TEST(CliDesign, DumpShowsTreeAndTables) {
    std::string dir = TempDir();
    ASSERT_EQ(RunCli({"new", dir + "/n.qvd"}).exitCode, 0);
    auto r = RunCli({"dump", dir + "/n.qvd"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("  [ROOT] <TOP> [partition]\n"
                         "    - ORGANIZATION <ORGANIZATION>\n"
                         "    ORGANIZATION <ORGANIZATION>\n"
                         "      - SERVER <NETWARE SERVER>\n"
                         "      SERVER <NETWARE SERVER>\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Partitions (1)\n  [ROOT]\n    SERVER*MASTER*\n"), std::string::npos);
    EXPECT_NE(r.out.find("Servers (1)\n  SERVER\n    [ROOT]*MASTER*\n"), std::string::npos);
    EXPECT_NE(r.out.find("Server attributes (1)\n  DS VERSION:0\n    IPX:00000000\n"),
              std::string::npos);
}

// The generated design must be a valid design whatever the sizes asked for.
TEST(CliDesign, GenerateIsDeterministicAndValid) {
    std::string dir = TempDir();
    std::vector<std::string> args{"generate", "--containers", "120", "--servers",
                                  "9",        "--partitions", "200", "--leaves",
                                  "20000",    "--seed",       "5"};
    auto a = args, b = args;
    a.push_back(dir + "/a.qvd");
    b.push_back(dir + "/b.qvd");
    ASSERT_EQ(RunCli(a).exitCode, 0);
    ASSERT_EQ(RunCli(b).exitCode, 0);
    EXPECT_EQ(ReadFile(dir + "/a.qvd"), ReadFile(dir + "/b.qvd"));

    test::Fixture f;
    ASSERT_TRUE(OpenDesign(f.design, dir + "/a.qvd"));
    TreeDesign& d = f.design;
    // 9 servers hold at most 90 replicas: the partitions are limited accordingly.
    EXPECT_LE(d.partitions.Size(), 90u);
    for (std::size_t i = 0; i < d.partitions.Size(); ++i) {
        ObjectNode* root = d.FindNodeByContext(d.partitions.Name(i));
        ASSERT_NE(root, nullptr) << d.partitions.Name(i);
        EXPECT_TRUE(root->IsPartitionRoot());
        EXPECT_TRUE(IsContainerClass(root->ClassIndex()));
        int masters = 0;
        for (const auto& e : d.partitions.Entries(i)) {
            masters += EntryType(e) == kMaster;
            // Paired on the server's side.
            const ReplicaList* sl = d.servers.EntriesOf(EntryName(e));
            ASSERT_NE(sl, nullptr);
            EXPECT_GE(FindEntryExact(*sl, MakeReplicaEntry(d.partitions.Name(i), EntryType(e))), 0);
        }
        EXPECT_EQ(masters, 1) << d.partitions.Name(i);
    }
    EXPECT_EQ(d.attributes.Size(), d.servers.Size());
    for (std::size_t i = 0; i < d.servers.Size(); ++i) {
        std::size_t readable = 0;
        for (const auto& e : d.servers.Entries(i))
            readable += IsReadable(e);
        EXPECT_GE(readable, 1u);
        EXPECT_LE(readable, 10u);
        EXPECT_NE(d.FindPartitionOrServerNode(d.servers.Name(i), false), nullptr);
    }
    std::size_t leaves = 0;
    ClassSet classes;
    d.WalkSubtree(d.Root(), [&](ObjectNode* n) {
        if (n->Leaves())
            for (const auto& e : *n->Leaves()) {
                ++leaves;
                classes.Add(static_cast<int>(LeafClassIndex(e)));
            }
        return true;
    });
    EXPECT_GE(leaves, 20000u);
    EXPECT_GE(classes.Count(), 10u);
}

} // namespace
} // namespace qv
