// The wait of the two rights features (NDS rights and file rights): the batch
// file is started through the interpreter with the rights marker, a panel
// animates " Creating Rights reports" while the census still finds the
// marker, and once it finds none the wait pauses ten seconds (servicing the
// user interface) so the last report file is complete before it is read.
// The tick rules live here, free of any window: the dialog TFRM_WAIT2 drives
// Tick() from its timer, tests drive it with a scripted census and clock.
#pragma once

#include "utilities/command_runner.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {
class Interaction;
}

namespace qv::utilities {

inline constexpr std::string_view kRightsRunningText =
    "There is currently an instance of \"DSRIGHTS\" or \"RIGHTS\" running.\r"
    "This instance must be termintated before continuing.";

inline constexpr std::string_view kRightsWaitCaption = "Please Wait...";
inline constexpr std::string_view kRightsWaitText = " Creating Rights reports";

// Ticks a rights batch file is waited for before the wait is given up (half
// an hour at one tick a second).
inline constexpr int kRightsTickLimit = 1800;

// The pause after the last marked process has gone.
inline constexpr std::int64_t kRightsPauseMs = 10000;

// The guard in front of both rights features: true (and the refusal shown as
// an information box) when a process carrying the rights marker is running.
// With a lock, the working folder is also locked for the run; a run that
// holds it already gets the same refusal.
bool RightsUtilityRunning(const Census& census, Interaction& ui, WorkingFolderLock* lock = nullptr);

class RightsWait {
public:
    // Milliseconds of a monotonic tick count.
    using Clock = std::function<std::int64_t()>;
    // Services pending user-interface events once (may call Cancel()).
    using Pump = std::function<void()>;
    // Starts marker + " /C " + text (no redirection).
    using Starter = std::function<void(std::string_view marker, std::string_view text)>;

    // Empty functions take the real ones: the process census for the rights
    // marker, StartExternalCommand, a steady clock and a pump that does nothing.
    RightsWait(Census census = {}, Starter start = {}, Clock clock = {}, Pump pump = {});

    // The command text (the batch file's name), set before Start().
    void SetCommandText(std::string text) { commandText_ = std::move(text); }
    const std::string& CommandText() const { return commandText_; }
    void SetPauseMs(std::int64_t ms) { pauseMs_ = ms; }

    // On show: step, finished and cancel flags cleared, the command started,
    // the timer running.
    void Start();
    // One timer tick. True when the wait is over (the dialog closes); the
    // timer is then stopped and Finished() tells how it ended.
    bool Tick();
    // Cancel and Escape: only the flag; the wait goes on until the census
    // finds no marked process, and then ends without the pause.
    void Cancel() { cancelled_ = true; }

    // The interpreter could not be started (the reason in LastStartFailure()):
    // the next tick ends the wait, unfinished.
    bool StartFailed() const { return startFailed_; }
    // More than the tick limit of ticks passed with the batch file still
    // running: the wait ended unfinished and its processes were ended.
    bool GaveUp() const { return gaveUp_; }
    void SetTickLimit(int ticks) { tickLimit_ = ticks; }
    int TickLimit() const { return tickLimit_; }

    const std::string& PanelText() const { return panelText_; }
    int Step() const { return step_; }
    bool Finished() const { return finished_; }
    bool Cancelled() const { return cancelled_; }
    bool TimerRunning() const { return timerRunning_; }

    // The panel text of an animation step (0 to 3).
    static std::string StepText(int step);

private:
    Census census_;
    Starter start_;
    Clock clock_;
    Pump pump_;
    std::string commandText_;
    std::string panelText_;
    std::int64_t pauseMs_ = kRightsPauseMs;
    int step_ = 0;
    int busy_ = 0;
    int tickLimit_ = kRightsTickLimit;
    bool startFailed_ = false;
    bool gaveUp_ = false;
    bool finished_ = false;
    bool cancelled_ = false;
    bool timerRunning_ = false;
};

// Why a rights run did not finish or did not run every line: the
// interpreter could not start, the wait was given up, or the interpreter
// logged lines it could not run (a utility not on the utility path); empty
// when none of these happened.
std::vector<std::string> RightsRunProblems(const RightsWait& wait, const InterpreterLogWatch& log,
                                           std::string_view utility);

} // namespace qv::utilities
