// The object report text, written from the object grids.
#pragma once

#include "reports/grids.h"
#include "reports/report_text.h"

namespace qv {

// Runs the object grid builder (when its grids are stale) and writes the
// counts per partition, per server and per container. False when aborted or
// when the grids are inconsistent with the tree.
bool BuildObjectReport(TreeDesign& design, ObjectGrids& grids, TextSink& out);

} // namespace qv
