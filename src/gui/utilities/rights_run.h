// The run that NDS Rights and File Rights share, from the menu command to the
// reports read: the working folder held and no rights utility running, the
// context of the selection, the batch file run behind the wait TFRM_WAIT2
// with what went wrong told, every report read (a directory that holds no
// rights said once); and the printout of a report window without its buttons.
#pragma once

#include "core/result.h"
#include "utilities/rights_wait.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace qv::gui {

class Workspace;
class TMDIChild;

// False when another rights utility runs (the user was told); else lock
// holds the working folder and context is the selected node's full context
// (the tree root's when nothing is selected).
bool BeginRightsCommand(TMDIChild& child, utilities::WorkingFolderLock& lock, std::string& context);

// Runs the batch file behind the wait and tells the problems of the run of
// the utility ("DSRIGHTS", "RIGHTS"); true when it finished.
bool RunRightsBatch(Workspace& app, const std::string& batchFile, const char* utility);

// Reads reports 1 to count: parse reads the named report (false with the
// error). A report that could not be read is told and the next one read;
// false, after saying so once, when the directory holds no rights.
bool ReadRightsReports(Workspace& app, std::size_t count,
                       const std::function<std::string(std::size_t)>& reportName,
                       const std::function<Result<void>(const std::string&)>& parse);

// Prints the form as shown, without the hidden widgets (its buttons).
void PrintFormWithout(QWidget* form, const std::vector<QWidget*>& hidden);

} // namespace qv::gui
