#include "utilities/rights_wait.h"

#include "core/host.h"

#include <chrono>

namespace qv::utilities {

bool RightsUtilityRunning(const Census& census, Interaction& ui) {
    int running = census ? census() : CountCommandWindows(kRightsMarker);
    if (running < 1)
        return false;
    ui.Information(kRightsRunningText);
    return true;
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
    finished_ = false;
    cancelled_ = false;
    start_(kRightsMarker, commandText_);
    timerRunning_ = true;
}

bool RightsWait::Tick() {
    if (!timerRunning_)
        return false;
    panelText_ = StepText(step_);
    bool over = false;
    if (census_() == 0) {
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
