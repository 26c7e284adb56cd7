#include "reports/report_text.h"

#include <algorithm>
#include <charconv>

namespace qv {

void TextLines::ReplaceLine(std::size_t index, std::string_view line) {
    if (lines.size() <= index)
        lines.resize(index + 1);
    lines[index] = std::string(line);
}

std::string TextLines::Joined() const {
    std::size_t n = 0;
    for (const std::string& l : lines)
        n += l.size() + 1;
    std::string out;
    out.reserve(n);
    for (const std::string& l : lines) {
        out += l;
        out.push_back('\n');
    }
    return out;
}

void TextGrid::Reset(int cols, int rows) {
    cols_ = std::max(cols, 0);
    rows_.clear();
    rows_.resize(static_cast<std::size_t>(std::max(rows, 0)));
}

void TextGrid::Resize(int cols, int rows) {
    cols_ = std::max(cols, 0);
    rows_.resize(static_cast<std::size_t>(std::max(rows, 0)));
    for (Row& r : rows_)
        while (!r.empty() && r.back().first >= cols_)
            r.pop_back();
}

namespace {
const std::string kEmpty;

auto LowerCol(TextGrid::Row& r, int col) {
    return std::lower_bound(
        r.begin(), r.end(), col,
        [](const std::pair<int, std::string>& c, int k) { return c.first < k; });
}
} // namespace

const std::string& TextGrid::Cell(int col, int row) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= cols_)
        return kEmpty;
    const Row& r = rows_[static_cast<std::size_t>(row)];
    auto it =
        std::lower_bound(r.begin(), r.end(), col,
                         [](const std::pair<int, std::string>& c, int k) { return c.first < k; });
    return it != r.end() && it->first == col ? it->second : kEmpty;
}

std::string* TextGrid::Find(int col, int row) {
    Row& r = rows_[static_cast<std::size_t>(row)];
    auto it = LowerCol(r, col);
    return it != r.end() && it->first == col ? &it->second : nullptr;
}

void TextGrid::SetCell(int col, int row, std::string text) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= cols_)
        return;
    Row& r = rows_[static_cast<std::size_t>(row)];
    if (r.empty() || r.back().first < col) { // the usual case: filling left to right
        if (!text.empty())
            r.emplace_back(col, std::move(text));
        return;
    }
    auto it = LowerCol(r, col);
    if (it != r.end() && it->first == col) {
        if (text.empty())
            r.erase(it);
        else
            it->second = std::move(text);
    } else if (!text.empty()) {
        r.emplace(it, col, std::move(text));
    }
}

void TextGrid::AddToCell(int col, int row, long long amount) {
    if (row < 0 || row >= RowCount() || col < 0 || col >= cols_)
        return;
    long long v = 0;
    if (std::string* cur = Find(col, row))
        std::from_chars(cur->data(), cur->data() + cur->size(), v);
    SetCell(col, row, std::to_string(v + amount));
}

void TextGrid::SetRow(int row, Row cells) {
    if (row < 0 || row >= RowCount())
        return;
    std::erase_if(cells, [&](const auto& c) { return c.first < 0 || c.first >= cols_; });
    rows_[static_cast<std::size_t>(row)] = std::move(cells);
}

void TextGrid::SortRows(int first, int end, int col) {
    first = std::clamp(first, 0, RowCount());
    end = std::clamp(end, first, RowCount());
    auto key = [&](const Row& r) -> const std::string& {
        auto it = std::lower_bound(
            r.begin(), r.end(), col,
            [](const std::pair<int, std::string>& c, int k) { return c.first < k; });
        return it != r.end() && it->first == col ? it->second : kEmpty;
    };
    std::stable_sort(rows_.begin() + first, rows_.begin() + end,
                     [&](const Row& a, const Row& b) { return key(a) < key(b); });
}

} // namespace qv
