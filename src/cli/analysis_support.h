// Shared pieces of the analysis commands (report, grid, individual-report,
// replica-report, settings).
#pragma once

#include "cli/cli.h"
#include "reports/warning_settings.h"

#include <string>
#include <vector>

namespace qv::cli {

// The settings as the desktop program loads them at start-up (defaults, then
// the per-user store; its messages go to stderr).
WarningSettings LoadStoredSettings(Interaction& ui);
// Opens the design as Open does and recomputes the sub-references as turning
// to an analysis page does. False when the file was rejected.
bool OpenForAnalysis(Session& session, const std::string& path);
// Each line followed by a line break, as the text box holds it.
void PrintLines(const std::vector<std::string>& lines);
// The node whose FullContext is the text, or nullptr (with a message on stderr).
ObjectNode* FindNodeForCommand(Session& session, const std::string& context);

} // namespace qv::cli
