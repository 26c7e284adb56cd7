// The waits of the console utilities are bounded: each gives up after its
// tick limit with the utility still running, and ends the process group of
// the interpreter it started; an interpreter that cannot start ends the wait
// at once; the working folder's lock admits one run at a time.
#include "utilities/command_runner.h"
#include "utilities/default_servers.h"
#include "utilities/rights_wait.h"
#include "utilities/schema_compare.h"

#include "support/scripted.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::utilities {
namespace {

namespace fs = std::filesystem;

// The process is gone, or a zombie nobody has reaped yet.
bool Ended(pid_t pid) {
    if (kill(pid, 0) != 0 && errno == ESRCH)
        return true;
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

TEST(UtilityWaits, EveryWaitGivesUpAfterItsTickLimit) {
    // The marked process never goes away once started.
    int census = 0;
    auto counting = [&] { return census; };

    DefaultServerWait nlist(counting, [&] { census = 1; });
    EXPECT_EQ(nlist.TickLimit(), kDefaultServerTickLimit);
    nlist.SetTickLimit(3);
    nlist.Start();
    int ticks = 0;
    while (!nlist.Tick())
        ++ticks;
    EXPECT_EQ(ticks, 4); // the launch, then three ticks with NLIST running
    EXPECT_TRUE(nlist.GaveUp());
    EXPECT_FALSE(nlist.StartFailed());
    EXPECT_FALSE(nlist.Running());
    EXPECT_EQ(GaveUpMessage("NLIST", nlist.TickLimit()),
              "NLIST has not finished after 3 ticks of waiting.\rThe wait was given up and "
              "NLIST was ended.");

    census = 0;
    RightsWait rights([&] { return census; },
                      [&](std::string_view, std::string_view) { census = 1; },
                      [] { return std::int64_t{0}; }, [] {});
    EXPECT_EQ(rights.TickLimit(), kRightsTickLimit);
    rights.SetTickLimit(2);
    rights.Start();
    ticks = 0;
    while (!rights.Tick())
        ++ticks;
    EXPECT_EQ(ticks, 2);
    EXPECT_TRUE(rights.GaveUp());
    EXPECT_FALSE(rights.Finished());

    census = 0;
    test::ScriptedInteraction ui;
    SchemaReportRun schema(
        BuildSchemaCommands({"FS1", "FS2", "FS3"}), counting,
        [&](const std::string&) { census = 1; }, ui, "/nonexistent");
    EXPECT_EQ(schema.TickLimit(), kSchemaRunTickLimit);
    schema.SetTickLimit(2);
    schema.Show();
    ticks = 0;
    while (schema.TimerRunning()) {
        schema.Tick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 4); // the first run's start, two ticks, the third gives up
    EXPECT_TRUE(schema.GaveUp());
    EXPECT_TRUE(schema.Closed());
    EXPECT_FALSE(schema.Completed());
    EXPECT_TRUE(ui.boxes.empty()); // no reports read, no question asked
    EXPECT_EQ(schema.NextPair(), 2);
}

class UtilityProcesses : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qv-utilwaits-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        SetInterpreterPath({});
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string dir;
};

TEST_F(UtilityProcesses, AGivenUpCommandsProcessGroupIsEnded) {
    // An interpreter that starts a utility of its own and never ends.
    const std::string script = dir + "/interpreter";
    std::ofstream(script) << "#!/bin/sh\nsleep 300 &\necho $! > " << dir << "/child.pid\necho $$ > "
                          << dir << "/self.pid\nwait\n";
    chmod(script.c_str(), 0755);
    SetInterpreterPath(script);
    const std::string marker = "qvTestMarker" + std::to_string(getpid());
    ASSERT_TRUE(StartExternalCommand(marker, "anything"));
    EXPECT_EQ(LastStartFailure(), "");
    auto pidIn = [&](const std::string& name) {
        for (int i = 0; i < 200; ++i) {
            std::ifstream in(dir + "/" + name);
            long pid = 0;
            if (in >> pid && pid > 1)
                return static_cast<pid_t>(pid);
            usleep(20 * 1000);
        }
        return pid_t{-1};
    };
    const pid_t self = pidIn("self.pid");
    const pid_t child = pidIn("child.pid");
    ASSERT_GT(self, 1);
    ASSERT_GT(child, 1);
    EXPECT_EQ(kill(child, 0), 0);
    EXPECT_EQ(EndStartedCommands(marker), 1);
    auto gone = [](pid_t pid) {
        for (int i = 0; i < 100; ++i) {
            if (Ended(pid))
                return true;
            usleep(20 * 1000);
        }
        return false;
    };
    EXPECT_TRUE(gone(self));
    EXPECT_TRUE(gone(child));
    // Nothing is left to end.
    EXPECT_EQ(EndStartedCommands(marker), 0);

    // An interpreter that cannot be started: said so, and the wait ends at
    // its first tick instead of reading old output.
    SetInterpreterPath(dir + "/missing");
    EXPECT_FALSE(StartExternalCommand(marker, "anything"));
    EXPECT_EQ(LastStartFailure(),
              "The command interpreter " + dir + "/missing could not be started.");
    DefaultServerWait nlist([] { return 0; }, [&] { StartExternalCommand(marker, "NLIST"); });
    nlist.Start();
    EXPECT_TRUE(nlist.Tick());
    EXPECT_TRUE(nlist.StartFailed());
    InterpreterLogWatch log(dir);
    log.Mark();
    EXPECT_EQ(DefaultServerRunProblems(nlist, log), std::vector<std::string>{LastStartFailure()});
}

TEST_F(UtilityProcesses, TheWorkingFolderLockAdmitsOneRunAtATime) {
    WorkingFolderLock first;
    WorkingFolderLock second;
    ASSERT_TRUE(first.Acquire(dir));
    EXPECT_FALSE(second.Acquire(dir));
    first.Release();
    EXPECT_TRUE(second.Acquire(dir));
    EXPECT_FALSE(first.Acquire(dir));
    // What the interpreter logs during a run, without its time stamps.
    std::ofstream(dir + "/QUORVANE-CMD.LOG") << "2026-01-01 10:00:00 an earlier run\n";
    InterpreterLogWatch log(dir);
    log.Mark();
    std::ofstream(dir + "/QUORVANE-CMD.LOG", std::ios::app)
        << "2026-01-01 10:00:01 Not found: NLIST (not on the utility path)\n";
    EXPECT_EQ(log.NewLines(),
              std::vector<std::string>{"Not found: NLIST (not on the utility path)"});
}

} // namespace
} // namespace qv::utilities
