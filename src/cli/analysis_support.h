// Shared pieces of the analysis commands (report, grid, individual-report,
// replica-report, settings).
#pragma once

#include "cli/cli.h"
#include "reports/warning_settings.h"

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

} // namespace qv::cli
