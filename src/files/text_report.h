// The skeleton shared by the readers of text reports: the walk over the
// report's non-empty lines with the scanner, the import panel's line caption,
// and failure with the line and position, caught by the reader's Run, which
// takes the import's changes back.
#pragma once

#include "core/host.h"
#include "files/import_support.h"
#include "files/line_scanner.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Thrown by a reader's step that rejects the report; caught by its Run.
struct ReportRejected {
    std::string message;
};

class TextReportCursor {
public:
    // With upperCase, every line is upper-cased (a..z) as it is read.
    TextReportCursor(std::string_view text, bool upperCase)
        : source_(text), upperCase_(upperCase) {}

    // Moves to what the reader looks at next: the rest of the current line
    // while something is left of it (spaces skipped), else the next non-empty
    // line. With skipBlankRest, a rest of nothing but spaces counts as nothing
    // left. False when the report is used up.
    bool Advance(bool skipBlankRest = false);
    // Leaves the current line: the next Advance reads a new one.
    void DropLine() { line_ = {}; }

    // How ReadLine takes the next line.
    struct LineRule {
        bool counted = true;   // raises the line number
        bool skipEmpty = true; // passes empty lines over (counting them when counted)
        bool trim = false;     // blanks and control characters cut off both ends first
    };
    // Makes the next line of the report the current one, at column 1, for
    // readers that walk the report line by line themselves. False when the
    // report is used up (the current line is then empty).
    bool ReadLine(LineRule rule);
    bool ReadLine() { return ReadLine(LineRule{}); }
    // True when no line follows the current one.
    bool AtLastLine() const { return source_.AtEnd(); }

    LineScanner& Scanner() { return sc_; }
    std::string_view Line() const { return line_; }
    bool HaveLine() const { return haveLine_; }
    std::uint64_t LineNumber() const { return lineNumber_; }
    bool OnlyEmptyLinesLeft() const { return source_.OnlyEmptyLinesLeft(); }

    // Shows prefix + the line number on the import panel (the text is built
    // once per line).
    void ShowLineCaption(Progress& progress, std::string_view prefix);

    [[noreturn]] static void Fail(std::string message) { throw ReportRejected{std::move(message)}; }
    // Fails when the text does not fit a design file, or when it holds a
    // control character (which could drive a terminal or forge report lines).
    static void CheckStorable(std::string_view text) {
        if (!Storable(text))
            Fail(TooLongMessage(text));
        if (std::optional<std::string> bad = ControlCharacterMessage(text))
            Fail(std::move(*bad));
    }

private:
    LineSource source_;
    bool upperCase_;
    LineScanner sc_;
    // Makes l (from the source) the current line, upper-cased when upperCase_.
    void Take(std::string_view l);

    std::string_view line_;
    std::string upper_; // the upper-cased line when upperCase_
    bool haveLine_ = false;
    std::uint64_t lineNumber_ = 0;
    std::uint64_t captionLine_ = ~std::uint64_t{0};
    std::string caption_;
};

} // namespace qv
