#include "files/line_scanner.h"

namespace qv {

namespace {
bool IsWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

void LineScanner::Reset(bool resetPosition) {
    token_.clear();
    if (resetPosition)
        position_ = 1;
}

void LineScanner::ReadWord(std::string_view line) {
    while (Inside(line) && IsWordChar(line[position_ - 1]))
        Append(line[position_++ - 1]);
}

void LineScanner::ReadNumber(std::string_view line) {
    while (Inside(line) && IsDigit(line[position_ - 1]))
        Append(line[position_++ - 1]);
}

void LineScanner::ReadToSpace(std::string_view line) {
    while (Inside(line) && line[position_ - 1] != ' ')
        Append(line[position_++ - 1]);
}

bool LineScanner::ReadUntil(std::string_view line, char ch) {
    while (Inside(line)) {
        if (line[position_ - 1] == ch)
            return true;
        Append(line[position_++ - 1]);
    }
    return false;
}

void LineScanner::ReadRest(std::string_view line, bool resetToken) {
    if (resetToken)
        token_.clear();
    while (Inside(line))
        Append(line[position_++ - 1]);
}

void LineScanner::ReadToColumn(std::string_view line, std::size_t column) {
    while (position_ < column && Inside(line))
        Append(line[position_++ - 1]);
}

bool LineScanner::SkipSpaces(std::string_view line) {
    bool skipped = false;
    while (Inside(line) && line[position_ - 1] == ' ') {
        ++position_;
        skipped = true;
    }
    return skipped;
}

} // namespace qv
