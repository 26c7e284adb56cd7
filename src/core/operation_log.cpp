#include "core/operation_log.h"

#include <algorithm>
#include <iterator>

namespace qv {

namespace {
bool g_recording = false;
}

bool OperationLog::Recording() {
    return g_recording;
}
void OperationLog::SetRecording(bool on) {
    g_recording = on;
}

void OperationLog::AppendBlock(const std::vector<std::string>& lines) {
    if (!g_recording)
        return;
    lines_.insert(lines_.end(), lines.begin(), lines.end());
}

std::vector<std::string> OperationLog::RemoveLast(std::size_t count) {
    count = std::min(count, lines_.size());
    std::vector<std::string> out(
        std::make_move_iterator(lines_.end() - static_cast<std::ptrdiff_t>(count)),
        std::make_move_iterator(lines_.end()));
    lines_.resize(lines_.size() - count);
    return out;
}

std::string OperationLog::Text() const {
    std::string text;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0)
            text.push_back('\n');
        text += lines_[i];
    }
    return text;
}

} // namespace qv
