// The ReportReader: reads the DSDIAG "List Replica Rings" report into a design
// (replica ring mode, a new design) and the DSDIAG "NDS versions" report into
// the open design (DS version mode). The title line of the report decides how
// it is read; the mode flag decides whether the design is emptied first.
//
// Progress goes to ProgressChannel::Import ("  Reading in line: <n>"); every
// message box goes through design.ui(). The object labels of the design window
// are hidden while the report is read.
#pragma once

#include "core/tree_design.h"

#include <string>
#include <string_view>

namespace qv {

struct ReportReadOutcome {
    // The file could not be opened or read (the system's error text was shown
    // as an error box). The design is untouched in that case.
    bool ioError = false;
};

// Reads the report file. With replicaRingMode the design is emptied first and
// a failure leaves what was read so far (the caller closes the window); without
// it the report is read into the current design, the design is marked modified
// on success, and a failure puts the design back as it was before the import.
// Returns true on success.
bool ReadReport(TreeDesign& design, const std::string& path, bool replicaRingMode,
                ReportReadOutcome* outcome = nullptr);

// The same on a report already in memory; fileName is the name messages give.
bool ReadReportText(TreeDesign& design, std::string_view text, const std::string& fileName,
                    bool replicaRingMode);

// The information shown when a report does not reach the root partition.
inline constexpr const char* kNoRootPartitionMessage =
    "The Replica Ring report did not search to partition ROOT.\rAn Organization and Server will "
    "be created to hold the Master of Root.";

} // namespace qv
