#include "reports/delimited_export.h"

#include "files/design_file.h"

namespace qv {

std::string DelimitedCell(const std::string& cell) {
    if (cell.find_first_of(",\"\r\n") == std::string::npos)
        return cell;
    std::string out = "\"";
    for (char c : cell) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string DelimitedText(const TextGrid& grid) {
    std::string out;
    const int cols = grid.ColCount();
    for (int r = 0; r < grid.RowCount(); ++r) {
        // Rows are sparse: the commas of empty cells are written in runs.
        int next = 0;
        for (const auto& [col, text] : grid.RowCells(r)) {
            if (col >= cols)
                break;
            out.append(static_cast<std::size_t>(col - next), ',');
            out += DelimitedCell(text);
            next = col;
        }
        if (cols > 0)
            out.append(static_cast<std::size_t>(cols - 1 - next), ',');
        out.push_back('\n');
    }
    return out;
}

bool SaveDelimitedFile(const TextGrid& grid, const std::string& path, Interaction& ui) {
    if (!path.empty() && !ConfirmSaveTarget(ui, path))
        return false; // a folder or special file said so; a question answered No
    if (path.empty() || !ReplaceFileAtomically(path, DelimitedText(grid))) {
        ui.Error("Cannot create file " + path);
        return false;
    }
    return true;
}

} // namespace qv
