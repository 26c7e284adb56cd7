#include "utilities/rights_wait.h"

#include "support/scripted.h"

#include <gtest/gtest.h>

#include <deque>

namespace qv::utilities {
namespace {

// A census that answers from a script (the last answer repeats), a clock
// that the pump advances, and a record of the started command lines.
struct Harness {
    std::deque<int> counts;
    std::int64_t now = 0;
    std::int64_t pumpStep = 250;
    int pumps = 0;
    std::function<void(int)> onPump;
    std::vector<std::string> started;

    RightsWait Make() {
        return RightsWait(
            [this] {
                int n = counts.front();
                if (counts.size() > 1)
                    counts.pop_front();
                return n;
            },
            [this](std::string_view marker, std::string_view text) {
                started.push_back(BuildCommandLine(marker, text));
            },
            [this] { return now; },
            [this] {
                ++pumps;
                now += pumpStep;
                if (onPump)
                    onPump(pumps);
            });
    }
};

TEST(RightsWait, AnimatesWhileMarkedAndPausesTenSecondsAfter) {
    Harness h;
    h.counts = {1, 1, 1, 1, 1, 0};
    RightsWait wait = h.Make();
    wait.SetCommandText("QVD_DSR.BAT");
    wait.Start();
    ASSERT_EQ(h.started, std::vector<std::string>{"CoMMand.CoM /C QVD_DSR.BAT"});
    EXPECT_TRUE(wait.TimerRunning());
    std::vector<std::string> texts;
    bool over = false;
    while (!over) {
        over = wait.Tick();
        texts.push_back(wait.PanelText());
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{" Creating Rights reports", " Creating Rights reports.",
                                        " Creating Rights reports..", " Creating Rights reports...",
                                        " Creating Rights reports", " Creating Rights reports."}));
    EXPECT_TRUE(wait.Finished());
    EXPECT_FALSE(wait.TimerRunning());
    // 10 000 ms of pumping at 250 ms per pump.
    EXPECT_EQ(h.pumps, 40);
    EXPECT_EQ(h.now, 10000);
    EXPECT_EQ(wait.Step(), 2);
    // A tick after the end does nothing.
    EXPECT_FALSE(wait.Tick());
}

TEST(RightsWait, CancelDuringTheRunWaitsForTheCensusAndSkipsThePause) {
    Harness h;
    h.counts = {1, 1, 0};
    RightsWait wait = h.Make();
    wait.Start();
    EXPECT_FALSE(wait.Tick());
    wait.Cancel();
    EXPECT_FALSE(wait.Tick()); // still marked: the dialog stays
    EXPECT_TRUE(wait.Tick());
    EXPECT_FALSE(wait.Finished());
    EXPECT_EQ(h.pumps, 0);
}

TEST(RightsWait, CancelDuringThePauseEndsItUnfinished) {
    Harness h;
    h.counts = {0};
    RightsWait wait = h.Make();
    h.onPump = [&](int n) {
        if (n == 3)
            wait.Cancel();
    };
    wait.Start();
    EXPECT_TRUE(wait.Tick());
    EXPECT_EQ(h.pumps, 3);
    EXPECT_FALSE(wait.Finished());
}

TEST(RightsWait, ShowingAgainClearsTheFlagsAndStartsOneCommand) {
    Harness h;
    h.counts = {0};
    h.pumpStep = 20000;
    RightsWait wait = h.Make();
    wait.SetCommandText("QVD_FSR.BAT");
    wait.Start();
    wait.Cancel();
    EXPECT_TRUE(wait.Tick());
    EXPECT_FALSE(wait.Finished());
    wait.Start();
    EXPECT_FALSE(wait.Cancelled());
    EXPECT_EQ(wait.Step(), 0);
    EXPECT_TRUE(wait.Tick());
    EXPECT_TRUE(wait.Finished());
    EXPECT_EQ(h.pumps, 1);
    EXPECT_EQ(h.started.size(), 2u);
}

TEST(RightsWait, GuardRefusesWhileAMarkedProcessRuns) {
    test::ScriptedInteraction ui;
    EXPECT_FALSE(RightsUtilityRunning([] { return 0; }, ui));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(RightsUtilityRunning([] { return 2; }, ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].kind, "information");
    EXPECT_EQ(ui.boxes[0].text,
              "There is currently an instance of \"DSRIGHTS\" or \"RIGHTS\" running.\r"
              "This instance must be termintated before continuing.");
}

} // namespace
} // namespace qv::utilities
