// Scripted edits: a text of commands, one per line, each acting as a menu
// command of the design window would with the named node selected and the
// given inputs in the dialogs. Used by "quorvane-cli apply".
//
// Syntax: arguments are separated by blanks; an argument holding blanks is
// written in double quotes; empty lines and lines starting with "#" are
// ignored. A node is named by its FullContext ("[ROOT]", "SALES.CORP").
#pragma once

#include "core/tree_design.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

struct ScriptLine {
    int number = 0;                // 1-based line number in the script
    std::vector<std::string> args; // args[0] is the command
};

struct ScriptError {
    int line = 0;
    std::string message;
};

// One line of the help text per command: name and arguments.
const std::vector<std::string>& EditScriptSynopses();

// Splits the script into commands and checks each command's name, number of
// arguments and replica type words. Nothing is run.
std::optional<ScriptError> ParseEditScript(std::string_view text, std::vector<ScriptLine>& out);

// Runs the commands in order. Every Yes/No question is answered Yes and handed
// to onQuestion, except Create Object's question whether to try again, which
// is a refusal. The first refusal (a message box, a command whose menu item
// would be disabled, an input a dialog would not let through) stops the run
// and is returned; the design is then left part-way and should be discarded.
std::optional<ScriptError> RunEditScript(TreeDesign& design, const std::vector<ScriptLine>& lines,
                                         const std::function<void(std::string_view)>& onQuestion);

} // namespace qv
