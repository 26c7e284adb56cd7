// The delimited export of a grid (*.dlm): one line per row, headers included,
// cells separated by commas.
#pragma once

#include "core/host.h"
#include "reports/report_text.h"

#include <string>

namespace qv {

// The cell as written: enclosed in double quotes, with its double quotes
// doubled, when it holds a comma, a double quote or a line break.
std::string DelimitedCell(const std::string& cell);
// The whole grid, each row ended by "\n".
std::string DelimitedText(const TextGrid& grid);
// Writes the grid to path; "Cannot create file <path>" when that fails.
bool SaveDelimitedFile(const TextGrid& grid, const std::string& path, Interaction& ui);

} // namespace qv
