// Merge Trees: merges a second, saved design into an open one. A first pass
// over the file looks for conflicts (duplicate top-level containers, server
// names and network addresses); any conflict ends the merge with an error
// report and the design unchanged. A second pass places the second tree's
// objects under the first tree's root, adds its partitions, servers and
// addresses, and dissolves its root partition.
//
// Progress goes to ProgressChannel::Import; message boxes go through
// design.ui(). The error report is handed back for the report dialog.
#pragma once

#include "core/tree_design.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct MergeOutcome {
    bool merged = false;
    // The file could not be read (the system's error text was shown).
    bool ioError = false;
    // Conflicts found by the first pass; the error report's lines (its
    // header and one or two lines per conflict), for the tree-report pane of
    // the report dialog, which is shown when errorCount is not 0.
    std::uint32_t errorCount = 0;
    std::vector<std::string> errorReport;
};

// The question asked before a merge; designName is the window's caption.
std::string MergeConfirmationText(const std::string& file, const std::string& designName);

// Merges the design file at path into the design. Returns true when merged.
bool MergeDesignFile(TreeDesign& design, const std::string& path, MergeOutcome* outcome = nullptr);

// The same on a file image already in memory; path is the name messages give.
bool MergeDesignBytes(TreeDesign& design, std::string_view bytes, const std::string& path,
                      MergeOutcome* outcome = nullptr);

} // namespace qv
