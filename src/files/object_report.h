// ReadObjectReport: adds the objects listed by NLIST * /S (saved to a text
// file) to the open design. Every context becomes a path of container nodes,
// every listed object a leaf entry of its container; containers and servers
// also become nodes, servers ServerTable items.
//
// Progress goes to ProgressChannel::Import ("Importing Line: <n>"); message
// boxes go through design.ui(). A failed import leaves the design as it was.
#pragma once

#include "core/tree_design.h"

#include <string>
#include <string_view>

namespace qv {

// Returns true on success (the design is then marked modified).
bool ReadObjectReport(TreeDesign& design, const std::string& path);

// The same on a report already in memory; name (the file's) is used in messages.
bool ReadObjectReportText(TreeDesign& design, std::string_view text, std::string_view name = {});

// The class index of an object report's class text (trimmed; "PRINT QUEUE" is
// read as "QUEUE"), matched against the first 19 characters of the class
// names; 96 ("NO_DEF") when none matches.
int ObjectReportClassIndex(std::string_view classText);

} // namespace qv
