// The file choice of "Save to delimited file.." on the grid pages.
#pragma once

#include "core/host.h"

#include <optional>
#include <string>

namespace qv::gui {

// The save dialog on delimited files (".dlm" added to a name without one);
// an existing file is replaced only when the user says so, a design file
// after a question of its own. Nothing when the user cancelled.
std::optional<std::string> ChooseDelimitedFile(Interaction& ui);

} // namespace qv::gui
