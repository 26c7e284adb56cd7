#include "utilities/rights_wait.h"

#include "core/host.h"

#include <chrono>

namespace qv::utilities {

bool RightsUtilityRunning(const Census& census, Interaction& ui, WorkingFolderLock* lock) {
    int running = census ? census() : CountCommandWindows(kRightsMarker);
    if (running < 1 && (!lock || lock->Acquire(".")))
        return false;
    ui.Information(kRightsRunningText);
    return true;
}

std::vector<std::string> RightsRunProblems(const RightsWait& wait, const InterpreterLogWatch& log,
                                           std::string_view utility) {
    if (wait.StartFailed())
        return {LastStartFailure()};
    if (wait.GaveUp())
        return {GaveUpMessage(utility, wait.TickLimit())};
    return log.NewLines();
}

RightsWait::RightsWait(Census census, Starter start, Clock clock, Pump pump)
    : census_(std::move(census)), start_(std::move(start)), clock_(std::move(clock)),
      pump_(std::move(pump)) {
    if (!census_)
        census_ = ProcessCensus(std::string(kRightsMarker));
    if (!start_)
        start_ = [](std::string_view marker, std::string_view text) {
            StartExternalCommand(marker, text);
        };
    if (!clock_)
        clock_ = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    if (!pump_)
        pump_ = [] {};
    panelText_ = StepText(0);
}

std::string RightsWait::StepText(int step) {
    std::string text(kRightsWaitText);
    if (step > 0)
        text.append(static_cast<std::size_t>(step), '.');
    return text;
}

void RightsWait::Start() {
    step_ = 0;
    busy_ = 0;
    finished_ = false;
    cancelled_ = false;
    gaveUp_ = false;
    ClearStartFailure();
    start_(kRightsMarker, commandText_);
    startFailed_ = !LastStartFailure().empty();
    timerRunning_ = true;
}

bool RightsWait::Tick() {
    if (!timerRunning_)
        return false;
    panelText_ = StepText(step_);
    if (startFailed_) {
        timerRunning_ = false;
        finished_ = false;
        return true;
    }
    bool over = false;
    const int running = census_();
    if (running != 0 && ++busy_ > tickLimit_) {
        timerRunning_ = false;
        finished_ = false;
        gaveUp_ = true;
        EndStartedCommands(kRightsMarker);
        return true;
    }
    if (running == 0) {
        timerRunning_ = false;
        std::int64_t begin = clock_();
        while (!cancelled_ && clock_() - begin < pauseMs_)
            pump_();
        finished_ = !cancelled_;
        over = true;
    }
    step_ = step_ == 3 ? 0 : step_ + 1;
    return over;
}

} // namespace qv::utilities
