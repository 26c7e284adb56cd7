// quorvane-cli plan-replicas run as a user would run it: the changes and the
// summary, the plan that "apply" takes, the design after it, the exit status.
#include "support/cli_runner.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::ReadFile;
using test::RunCli;
using test::TempDir;
using test::WriteFile;

struct PlanReplicasCliTest : ::testing::Test {
    std::string dir = TempDir();
    std::string corp = dir + "/corp.qvd";
    void SetUp() override { WriteFile(corp, ReadFile(test::SourcePath("examples/corp.qvd"))); }
};

TEST_F(PlanReplicasCliTest, ClearsTheExampleAndApplyGivesTheSameDesign) {
    const std::string plan = dir + "/plan.qvs", out = dir + "/out.qvd", applied = dir + "/a.qvd";
    auto r = RunCli({"plan-replicas", corp, "--plan", plan, "-o", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Changes:\n  add-replica [ROOT] FS3 RW    # Partition: [ROOT]: "
                         "Warning: There are only 2 replicas of\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Warnings no replica change can clear:\n"), std::string::npos);
    EXPECT_NE(r.out.find("Replica warnings: 3 before, 0 after; 4 changes; optimal.\n"),
              std::string::npos)
        << r.out;
    r = RunCli({"apply", corp, plan, "-o", applied});
    ASSERT_EQ(r.exitCode, 0) << r.err << ReadFile(plan);
    EXPECT_EQ(ReadFile(applied), ReadFile(out));
    // The design after the plan needs nothing more.
    r = RunCli({"plan-replicas", out});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("No changes.\n"), std::string::npos);
    EXPECT_NE(r.out.find("Replica warnings: 0 before, 0 after; 0 changes; optimal."),
              std::string::npos);
}

// Generated designs: -o is "apply" of --plan byte for byte.
TEST_F(PlanReplicasCliTest, OutputIsApplyOfThePlanOnGeneratedDesigns) {
    for (const char* seed : {"1", "2", "3"}) {
        SCOPED_TRACE(seed);
        const std::string in = dir + "/gen.qvd", plan = dir + "/p.qvs", out = dir + "/o.qvd",
                          applied = dir + "/a.qvd";
        ASSERT_EQ(RunCli({"generate", "--containers", "40", "--servers", "8", "--partitions", "15",
                          "--leaves", "50", "--seed", seed, in})
                      .exitCode,
                  0);
        auto r = RunCli({"plan-replicas", in, "--plan", plan, "-o", out});
        ASSERT_LE(r.exitCode, 1) << r.err;
        ASSERT_EQ(RunCli({"apply", in, plan, "-o", applied}).exitCode, 0) << ReadFile(plan);
        EXPECT_EQ(ReadFile(applied), ReadFile(out));
    }
}

TEST_F(PlanReplicasCliTest, CapsAndUsage) {
    auto r = RunCli({"plan-replicas", corp, "--max-changes", "1"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("--max-changes 1 leaves 2 replica warnings."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Replica warnings: 3 before, 2 after; 1 changes; optimal."),
              std::string::npos)
        << r.out;
    EXPECT_EQ(RunCli({"plan-replicas", corp, "--max-changes", "x"}).exitCode, 2);
    EXPECT_EQ(RunCli({"plan-replicas", corp, "--time-limit", "0"}).exitCode, 2);
    EXPECT_EQ(RunCli({"plan-replicas"}).exitCode, 2);
    EXPECT_EQ(RunCli({"plan-replicas", dir + "/missing.qvd"}).exitCode, 1);
}

} // namespace
} // namespace qv
