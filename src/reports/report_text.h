// Where the report and grid builders write: a text box (lines) and a string
// grid (rows x columns of texts, row 0 and column 0 being the headers).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

// A read-only text box as the builders see it.
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void Clear() = 0;
    virtual void Add(std::string_view line) = 0;
    virtual std::size_t LineCount() const = 0;
    // Replaces line index (0-based); lines are added up to it when the text is shorter.
    virtual void ReplaceLine(std::size_t index, std::string_view line) = 0;
};

// The plain implementation: the lines in memory.
class TextLines final : public TextSink {
public:
    std::vector<std::string> lines;
    void Clear() override { lines.clear(); }
    void Add(std::string_view line) override { lines.emplace_back(line); }
    std::size_t LineCount() const override { return lines.size(); }
    void ReplaceLine(std::size_t index, std::string_view line) override;
    // Every line followed by "\n".
    std::string Joined() const;
};

// A string grid. Cells default to the empty text; rows are stored sparsely so
// that a grid of thousands of servers by thousands of partitions stays small.
class TextGrid {
public:
    int ColCount() const { return cols_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    // Empties the grid and gives it that size.
    void Reset(int cols, int rows);
    // Changes the size, keeping the cells that stay inside it.
    void Resize(int cols, int rows);
    // The cell text; empty outside the grid.
    const std::string& Cell(int col, int row) const;
    // Writes a cell inside the grid (cells outside it are ignored); an empty text clears it.
    void SetCell(int col, int row, std::string text);
    // Adds a number to a cell holding a decimal count (empty counts as 0).
    void AddToCell(int col, int row, long long amount);
    // The whole row as a copy / replacement.
    using Row = std::vector<std::pair<int, std::string>>; // (column, text), columns ascending
    const Row& RowCells(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    void SetRow(int row, Row cells);
    // Sorts rows [first, end) ascending by the text of the column; equal texts
    // keep their order.
    void SortRows(int first, int end, int col);

    // Display hints of the desktop program.
    int fixedRows = 0;
    int fixedCols = 0;
    int defaultRowHeight = 24;

private:
    std::string* Find(int col, int row);
    int cols_ = 0;
    std::vector<Row> rows_;
};

} // namespace qv
