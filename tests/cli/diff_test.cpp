// quorvane-cli diff, run as a user would run it: the differences, the plan,
// and "apply" of the plan giving the second design.
#include "files/design_file.h"
#include "support/cli_runner.h"
#include "support/random_edits.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using test::ReadFile;
using test::RunCli;
using test::TempDir;
using test::WriteFile;

struct DiffTest : ::testing::Test {
    std::string dir = TempDir();
    std::string corp = dir + "/corp.qvd";
    void SetUp() override { WriteFile(corp, ReadFile(test::SourcePath("examples/corp.qvd"))); }

    // diff A B --plan P, apply A P -o C, diff C B: the plan gives B.
    void ExpectPlanGives(const std::string& a, const std::string& b) {
        const std::string plan = dir + "/plan.qvs", made = dir + "/made.qvd";
        auto r = RunCli({"diff", a, b, "--plan", plan});
        ASSERT_EQ(r.exitCode, 1) << r.err;
        EXPECT_EQ(r.err, "");
        r = RunCli({"apply", a, plan, "-o", made});
        ASSERT_EQ(r.exitCode, 0) << r.err << ReadFile(plan);
        r = RunCli({"diff", made, b});
        EXPECT_EQ(r.exitCode, 0) << r.out << ReadFile(plan);
        EXPECT_EQ(r.out, "");
    }
};

TEST_F(DiffTest, EqualDesignsExitZeroAndPrintNothing) {
    auto r =
        RunCli({"diff", corp, test::SourcePath("examples/corp.qvd"), "--plan", dir + "/p.qvs"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(dir + "/p.qvs"), "# quorvane-cli apply script: 0 operation(s)\n");
}

TEST_F(DiffTest, PrintsTheDifferencesGroupedAndWritesThePlan) {
    const std::string edited = dir + "/edited.qvd";
    auto r = RunCli({"apply", corp, "-", "-o", edited},
                    "create-object CORP \"ORGANIZATIONAL UNIT\" PLANT\n"
                    "create-partition PLANT.CORP\n"
                    "move-object FS3.ENG.CORP PLANT.CORP\n"
                    "add-replica PLANT.CORP FS3 RO\n"
                    "change-type PLANT.CORP FS3 M\n"
                    "set-version FS3.PLANT.CORP 610\n"
                    "merge-partition DEV.ENG.CORP\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = RunCli({"diff", corp, edited});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.err, "");
    // One line each, objects first and servers last.
    ASSERT_EQ(r.out.rfind("object added PLANT.CORP (ORGANIZATIONAL UNIT)\n"
                          "object moved FS3.ENG.CORP -> FS3.PLANT.CORP\n"
                          "partition created PLANT.CORP\n"
                          "partition merged DEV.ENG.CORP\n"
                          "replica added PLANT.CORP ",
                          0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find("\nserver FS3 DS VERSION:599 -> DS VERSION:610\n"), std::string::npos)
        << r.out;
    ExpectPlanGives(corp, edited);
}

TEST_F(DiffTest, PlansOfRandomEditsOfTheExampleAndOfGeneratedDesignsGiveTheEditedDesign) {
    std::vector<std::string> designs{corp};
    for (int seed : {1, 2}) {
        const std::string g = dir + "/gen" + std::to_string(seed) + ".qvd";
        auto r =
            RunCli({"generate", "--containers", std::to_string(40 * seed), "--servers", "8",
                    "--partitions", "6", "--leaves", "400", "--seed", std::to_string(seed), g});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        designs.push_back(g);
    }
    int k = 0;
    for (const std::string& a : designs) {
        for (int round = 0; round < 3; ++round, ++k) {
            // The edits are made up on a copy, then run by "apply" itself.
            test::Fixture f;
            ASSERT_TRUE(OpenDesign(f.design, a));
            const std::string script = MakeRandomEdits(f.design, 40, 77 + k);
            WriteFile(dir + "/edits.qvs", script);
            const std::string b = dir + "/b.qvd";
            auto r = RunCli({"apply", a, dir + "/edits.qvs", "-o", b});
            ASSERT_EQ(r.exitCode, 0) << r.err << script;
            ExpectPlanGives(a, b);
            if (HasFailure())
                return;
        }
    }
}

TEST_F(DiffTest, AnotherTreeIsReachedByThePlan) {
    ExpectPlanGives(corp, test::SourcePath("examples/branch.qvd"));
}

TEST_F(DiffTest, WhatThePlanCannotMakeIsReported) {
    // A name no dialog lets through and a DS version with a full stop.
    const std::string odd = dir + "/odd.qvd";
    {
        test::Fixture f;
        ASSERT_TRUE(OpenDesign(f.design, corp));
        f.design.AddChild(f.design.FindNodeByContext("CORP"), "lab", kClassOrgUnit);
        f.design.attributes.Rename(0, "DS VERSION:5.73");
        f.design.designFileName = odd;
        ASSERT_TRUE(WriteDesignFile(f.design));
    }
    const std::string plan = dir + "/plan.qvs";
    auto r = RunCli({"diff", corp, odd, "--plan", plan});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "object added lab.CORP (ORGANIZATIONAL UNIT)\n"
                     "server FS1 DS VERSION:599 -> DS VERSION:5.73\n");
    EXPECT_NE(r.err.find("quorvane-cli diff: cannot: the name of object lab.CORP cannot be typed"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("quorvane-cli diff: not made by this plan: object lab.CORP is only in "
                         "the second design\n"),
              std::string::npos)
        << r.err;
    const std::string text = ReadFile(plan);
    EXPECT_EQ(text.rfind("# quorvane-cli apply script: 0 operation(s)\n# cannot: ", 0), 0u) << text;
    EXPECT_NE(text.find("\n# not made by this plan: "), std::string::npos) << text;
}

TEST_F(DiffTest, UsageAndUnreadableFilesExitTwo) {
    EXPECT_EQ(RunCli({"diff", corp}).exitCode, 2);
    EXPECT_EQ(RunCli({"diff", corp, corp, "--plan"}).exitCode, 2);
    EXPECT_EQ(RunCli({"diff", corp, corp, "--frob"}).exitCode, 2);
    auto r = RunCli({"diff", corp, dir + "/missing.qvd"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("missing.qvd"), std::string::npos);
    WriteFile(dir + "/junk.qvd", "not a design");
    EXPECT_EQ(RunCli({"diff", dir + "/junk.qvd", corp}).exitCode, 2);
    r = RunCli({"diff", corp, corp, "--plan", dir + "/no/such/dir/p.qvs"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("Cannot write the plan"), std::string::npos) << r.err;
}

} // namespace
} // namespace qv
