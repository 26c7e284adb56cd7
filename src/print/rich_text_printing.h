// Printing a report text box: its lines over the whole printable area of the
// page, page after page, until all of it is printed.
#pragma once

#include "print/print_canvas.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The font size of the report text boxes.
inline constexpr int kRichTextPointSize = 8;

// Splits a line into the pieces that fit the width: a piece ends after the
// last blank that fits, or at the last character that fits when there is no
// blank; every piece holds at least one character.
std::vector<std::string_view> WrapLine(const PrintCanvas& canvas, std::string_view line, int width);

// Prints the lines; a line wider than the page continues on the next line.
// Returns the number of pages printed.
int PrintRichText(PrintCanvas& canvas, const std::vector<std::string>& lines,
                  std::string_view title, int pointSize = kRichTextPointSize);

} // namespace qv
