#include "files/text_report.h"

#include "core/entries.h"

namespace qv {

bool TextReportCursor::Advance(bool skipBlankRest) {
    if (haveLine_ && !sc_.AtEnd(line_) && !line_.empty()) {
        sc_.SkipSpaces(line_);
        sc_.Reset(false);
        if (!skipBlankRest || !sc_.AtEnd(line_))
            return true;
    }
    std::string_view l;
    for (;;) {
        if (!source_.Next(l))
            return false;
        ++lineNumber_;
        if (!l.empty())
            break;
    }
    Take(l);
    sc_.SkipSpaces(line_);
    return true;
}

void TextReportCursor::Take(std::string_view l) {
    if (upperCase_) {
        upper_.assign(l);
        for (char& c : upper_)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
        line_ = upper_;
    } else {
        line_ = l;
    }
    haveLine_ = true;
    sc_.Reset(true);
}

bool TextReportCursor::ReadLine(LineRule rule) {
    std::string_view l;
    for (;;) {
        if (!source_.Next(l)) {
            line_ = {};
            haveLine_ = false;
            sc_.Reset(true);
            return false;
        }
        if (rule.counted)
            ++lineNumber_;
        if (rule.trim)
            l = TrimText(l);
        if (!rule.skipEmpty || !l.empty())
            break;
    }
    Take(l);
    return true;
}

void TextReportCursor::ShowLineCaption(Progress& progress, std::string_view prefix) {
    if (captionLine_ != lineNumber_) {
        caption_.assign(prefix);
        caption_ += std::to_string(lineNumber_);
        captionLine_ = lineNumber_;
    }
    progress.Show(ProgressChannel::Import, caption_);
}

} // namespace qv
