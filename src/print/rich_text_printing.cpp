#include "print/rich_text_printing.h"

#include <algorithm>

namespace qv {

std::vector<std::string_view> WrapLine(const PrintCanvas& canvas, std::string_view line,
                                       int width) {
    std::vector<std::string_view> pieces;
    while (canvas.TextWidth(line) > width && line.size() > 1) {
        // The longest prefix that fits (at least one character).
        std::size_t lo = 1, hi = line.size() - 1;
        while (lo < hi) {
            std::size_t mid = (lo + hi + 1) / 2;
            if (canvas.TextWidth(line.substr(0, mid)) <= width)
                lo = mid;
            else
                hi = mid - 1;
        }
        std::size_t cut = lo;
        std::size_t blank = line.substr(0, lo + 1).find_last_of(' ');
        if (blank != std::string_view::npos && blank > 0)
            cut = std::min(blank + 1, line.size());
        pieces.push_back(line.substr(0, cut));
        line.remove_prefix(cut);
    }
    pieces.push_back(line);
    return pieces;
}

int PrintRichText(PrintCanvas& canvas, const std::vector<std::string>& lines,
                  std::string_view title, int pointSize) {
    canvas.SetFontSize(pointSize);
    canvas.BeginJob(title);
    const int lh = canvas.FontHeight();
    const int perPage = std::max(1, canvas.PageHeight() / lh);
    int row = 0;
    int pages = 1;
    for (const std::string& line : lines) {
        for (std::string_view piece : WrapLine(canvas, line, canvas.PageWidth())) {
            if (row == perPage) {
                canvas.NewPage();
                ++pages;
                row = 0;
            }
            if (!piece.empty())
                canvas.TextOut(0, row * lh, piece);
            ++row;
        }
    }
    canvas.EndJob();
    return pages;
}

} // namespace qv
