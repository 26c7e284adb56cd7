// The tokenizer of every reader of text reports and utility output. It walks
// one line at a time with a 1-based position and copies what it reads into a
// token buffer, upper-casing the letters a..z as it copies them. No read ever
// goes past the end of the line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

class LineScanner {
public:
    // Empties the token; with resetPosition also goes back to column 1.
    void Reset(bool resetPosition);

    // Appends letters (A..Z, a..z) and underscores; a digit ends the word.
    void ReadWord(std::string_view line);
    // Appends the digits 0..9.
    void ReadNumber(std::string_view line);
    // Appends everything up to the next space.
    void ReadToSpace(std::string_view line);
    // Appends everything up to (not including) ch. True when it stopped at ch
    // (at once when the current character already is ch), false when it
    // reached the end of the line.
    bool ReadUntil(std::string_view line, char ch);
    // Optionally empties the token, then appends the rest of the line.
    void ReadRest(std::string_view line, bool resetToken);
    // Appends characters while the position is below column.
    void ReadToColumn(std::string_view line, std::size_t column);
    // Moves over spaces; true when there was at least one.
    bool SkipSpaces(std::string_view line);

    void Advance(std::size_t n) { position_ += n; }
    void SetPosition(std::size_t n) { position_ = n; }

    const std::string& Token() const { return token_; }
    std::size_t Position() const { return position_; }
    // True when the position lies beyond the last character of the line.
    bool AtEnd(std::string_view line) const { return position_ > line.size(); }
    // The character at the position, or 0 beyond the end (or before column 1).
    char Current(std::string_view line) const {
        return position_ >= 1 && position_ <= line.size() ? line[position_ - 1] : '\0';
    }

private:
    void Append(char c) { token_.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c); }
    bool Inside(std::string_view line) const { return position_ >= 1 && position_ <= line.size(); }

    std::string token_;
    std::size_t position_ = 1;
};

} // namespace qv
