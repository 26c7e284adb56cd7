// Shared pieces of the analysis commands (report, grid, individual-report,
// replica-report, settings).
#pragma once

#include "cli/cli.h"
#include "reports/analysis_pages.h"
#include "reports/warning_settings.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace qv::cli {

// The settings as the desktop program loads them at start-up (defaults, then
// the per-user store; its messages go to stderr).
WarningSettings LoadStoredSettings();
// The same, with the messages through ui.
WarningSettings LoadStoredSettings(Interaction& ui);
// Opens the design as Open does and recomputes the sub-references as turning
// to an analysis page does. False when the file was rejected.
bool OpenForAnalysis(Session& session, const std::string& path);
// The node whose FullContext is the text, or nullptr (with a message on stderr).
ObjectNode* FindNodeForCommand(Session& session, const std::string& context);
// Opens the design for analysis and runs body on the node whose FullContext
// is context; kExitFailed (with a message) when there is no such node.
int WithNode(const std::string& path, const std::string& context,
             const std::function<int(Session&, ObjectNode*)>& body);

// The grids and the texts by the names the commands take.
struct GridKind {
    const char* name;
    GridUnsortedIndex grid;
};
struct ReportKind {
    const char* name;
    ReportIndex index;
};
extern const std::array<GridKind, 6> kGridKinds;
extern const std::array<ReportKind, 8> kReportKinds;
// Builds the grid page that holds the grid, as turning to it does; false when
// it was not built (no object report, or aborted).
bool BuildGridPage(TreeDesign& design, AnalysisViews& views, GridUnsortedIndex grid);

} // namespace qv::cli
