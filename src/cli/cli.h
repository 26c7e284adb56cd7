// quorvane-cli: the headless companion of the desktop program. Each command
// lives in a file of its own and registers itself here.
#pragma once

#include "core/host.h"
#include "core/tree_design.h"

#include <optional>
#include <string>
#include <vector>

namespace qv::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct Command {
    const char* name;
    const char* synopsis; // one line: the arguments
    const char* summary;  // one line: what it does
    const char* details;  // further help text, may be empty
    int (*run)(const std::vector<std::string>& args);
};

const std::vector<Command>& Commands();

// Registers a command from a static object in the command's file.
struct Registration {
    explicit Registration(const Command& command);
};

// Prints "quorvane-cli NAME: MESSAGE" and the command's usage on stderr; returns 2.
int UsageError(const Command& command, const std::string& message);
// Prints the command's help on stdout.
void PrintCommandHelp(const Command& command);
// True when args holds --help or -h.
bool WantsHelp(const std::vector<std::string>& args);

// Message boxes go to stderr, each "\r" as a line break. Every Yes/No question
// is printed on stderr and answered by the script (Yes by default). A save
// dialog answers with the path the command set.
class TerminalInteraction : public Interaction {
public:
    void Message(std::string_view text) override;
    void Information(std::string_view text) override;
    void Warning(std::string_view text) override;
    void Error(std::string_view text) override;
    bool AskYesNo(std::string_view text) override;
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override;

    std::optional<std::string> openPath;
    std::optional<std::string> savePath;
    bool answer = true;
    // Set when a box was shown; commands that fail use it to avoid printing twice.
    int boxesShown = 0;
};

// Writes a message box's text on stderr: "\r" (and "\r\n") become line breaks.
void PrintBox(std::string_view text);

// A design wired to the terminal, for one command.
struct Session {
    TerminalInteraction ui;
    NullProgress progress;
    TreeDesign design;
    Session() { design.SetHosts(&progress, &ui); }
    // Opens path as Open does. False when it was rejected (the box was printed).
    bool Open(const std::string& path);
    // Writes the design to path as Save As does.
    bool SaveAs(const std::string& path);
};

// Parses a whole decimal number; nullopt when the text is not one.
std::optional<long long> ParseNumber(const std::string& text);

// Latin-1 bytes as UTF-8, for people.
std::string ToUtf8(std::string_view latin1);

} // namespace qv::cli
