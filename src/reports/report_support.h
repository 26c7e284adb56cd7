// Small helpers shared by the builders of this directory.
#pragma once

#include "core/tree_design.h"
#include "reports/report_text.h"

#include <set>
#include <string>
#include <string_view>

namespace qv {

// prefix + EntryName + blanks up to one past width + EntryType.
std::string PaddedEntry(std::string_view prefix, std::string_view entry, std::size_t width);
// Services the message queue once; true when AbortRequested is set.
bool PumpAborted(TreeDesign& design);
// Sets the progress line of the page being built.
void ShowStatus(TreeDesign& design, std::string_view text);
// Walks the nearest partition roots below the node, writing "  Child Partition: " lines.
int WriteChildPartitions(TreeDesign& design, ObjectNode* partitionRoot, TextSink& out);

inline char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
// Ascending order ignoring case; names equal but for case count as one.
struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
using SortedNames = std::set<std::string, CaseInsensitiveLess>;

} // namespace qv
