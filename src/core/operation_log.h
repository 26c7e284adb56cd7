// The record of editing operations of one design: "Action:" blocks of text
// lines, kept in memory only. Recording is switched on and off for the whole
// application at once.
#pragma once

#include <string>
#include <vector>

namespace qv {

class OperationLog {
public:
    // The application-wide recording switch ("Enable Operation Log"), off at start.
    static bool Recording();
    static void SetRecording(bool on);

    // Appends the block's lines when recording is on; does nothing otherwise.
    void AppendBlock(const std::vector<std::string>& lines);
    void Clear() { lines_.clear(); }
    // Undo and redo: lines go and come back whatever the recording switch says.
    void AppendLines(const std::vector<std::string>& lines) {
        lines_.insert(lines_.end(), lines.begin(), lines.end());
    }
    std::vector<std::string> RemoveLast(std::size_t count);
    const std::vector<std::string>& Lines() const { return lines_; }
    // The log as the report dialog shows it: the lines joined by line breaks.
    std::string Text() const;

private:
    std::vector<std::string> lines_;
};

} // namespace qv
