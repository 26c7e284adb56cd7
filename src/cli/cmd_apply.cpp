// quorvane-cli apply DESIGN.qvd SCRIPT [-o OUT.qvd] [--log]: runs scripted
// edits on a design with the operation log on, all or nothing.
#include "cli/cli.h"

#include "edit/edit_script.h"
#include "files/design_file.h"

#include <iostream>
#include <sstream>

namespace qv::cli {
namespace {

const std::string& Details() {
    static const std::string text = [] {
        std::string t =
            "Opens DESIGN, turns the operation log on, runs the commands of SCRIPT (\"-\"\n"
            "reads stdin) and writes the result to OUT (by default DESIGN).\n"
            "\n"
            "One command per line; arguments are separated by blanks, an argument with\n"
            "blanks is written in double quotes; empty lines and lines starting with \"#\"\n"
            "are ignored. Each line acts as the menu command would with the named node\n"
            "selected in the tree and the given inputs in the dialogs. A node is named by\n"
            "its FullContext (\"[ROOT]\", \"SALES.CORP\", a server \"FS1.CORP\"). SERVER is\n"
            "the server's Name in add-replica, delete-replica and change-type, and the\n"
            "server node's FullContext in the other commands. TYPE is M, RW, RO, SPRW or\n"
            "SPRO. CLASS is a class table name (\"ORGANIZATIONAL UNIT\"); names are typed\n"
            "as into the dialogs.\n"
            "\n"
            "Every Yes/No question is answered Yes and printed on stderr, except Create\n"
            "Object's \"Do you want to try to create this object again?\", which is a\n"
            "refusal. The first refusal prints \"line N: \" and its message on stderr and\n"
            "exits 1 with nothing written. With --log the operation log is printed on\n"
            "stdout at the end (when it cannot be, stderr says the design was written and\n"
            "the exit status is 1). With --undo N the last N steps are undone before writing;\n"
            "the script itself may say undo and redo.\n"
            "\n"
            "Commands:\n";
        for (const std::string& s : EditScriptSynopses())
            t += "  " + s + "\n";
        return t;
    }();
    return text;
}

// "line N: " and a message box's text, each "\r" a line break.
void PrintLineMessage(int line, const std::string& text) {
    PrintBox("line " + std::to_string(line) + ": " + text);
}

bool ReadScript(const std::string& path, std::string& text) {
    Result<std::string> read = path == "-" ? ReadWholeDescriptor(0, "-", kMaxEditScriptBytes)
                                           : ReadWholeFile(path, kMaxEditScriptBytes);
    if (!read) {
        PrintBox("Cannot read the script \"" + path + "\": " + read.error());
        return false;
    }
    text = std::move(*read);
    return true;
}

int Run(const Command& self, const CommandArguments& args) {
    CommandArgs a(self, args);
    const std::optional<std::string> out = a.Value("-o");
    const bool printLog = a.Flag("--log");
    const std::optional<std::string> undoText = a.Value("--undo");
    std::optional<long long> undoSteps = 0;
    if (undoText && (!(undoSteps = ParseNumber(*undoText)) || *undoSteps < 0))
        return a.Usage("--undo needs a whole number, not '" + *undoText + "'");
    if (!a.Expect(2, "expects a design and a script"))
        return kExitUsage;

    std::string script;
    if (!ReadScript(a[1], script))
        return kExitFailed;
    std::vector<ScriptLine> lines;
    if (std::optional<ScriptError> bad = ParseEditScript(script, lines)) {
        // A fault of the script, not of the command line.
        PrintLineMessage(bad->line, bad->message);
        return kExitFailed;
    }

    return WithDesign(a[0], DesignUse::Edit, [&](Session& s) {
        OperationLog::SetRecording(true);
        std::optional<ScriptError> refused =
            RunEditScript(s.design, lines, [](std::string_view question) { PrintBox(question); });
        if (refused) {
            PrintLineMessage(refused->line, refused->message);
            return kExitFailed;
        }
        for (long long i = 0; i < *undoSteps; ++i)
            if (!s.design.History().Undo(s.design)) {
                PrintBox("--undo " + *undoText + ": only " + std::to_string(i) +
                         " steps can be undone.");
                return kExitFailed;
            }
        const std::string written = out.value_or(a[0]);
        if (WriteDesign(s, written) != kExitOk)
            return kExitFailed;
        if (!printLog || PrintLines(s.design.log.Lines()) == kExitOk)
            return kExitOk;
        // The design is written all the same: said so, as the log is not.
        PrintBox("The design \"" + written + "\" was written.");
        return kExitFailed;
    });
}

const Registration kRegistration({"apply", "DESIGN.qvd SCRIPT [-o OUT.qvd] [--log] [--undo N]",
                                  "run scripted edits on a design (all or nothing)",
                                  Details().c_str(), Run});

} // namespace
} // namespace qv::cli
