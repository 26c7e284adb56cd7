// quorvane-cli: the headless companion of the desktop program. Each command
// lives in a file of its own and registers itself here.
#pragma once

#include "core/host.h"
#include "core/tree_design.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct Command;
using CommandArguments = std::vector<std::string>;

// A command's body: given the command itself (for its usage errors) and its
// arguments; a body that needs only the arguments is taken too.
class RunCommand {
public:
    using WithSelf = int (*)(const Command& self, const CommandArguments& args);
    using Plain = int (*)(const CommandArguments& args);
    RunCommand(WithSelf run) : withSelf_(run) {}
    RunCommand(Plain run) : plain_(run) {}
    int operator()(const Command& self, const CommandArguments& args) const {
        return withSelf_ ? withSelf_(self, args) : plain_(args);
    }

private:
    WithSelf withSelf_ = nullptr;
    Plain plain_ = nullptr;
};

struct Command {
    const char* name;
    const char* synopsis; // one line: the arguments
    const char* summary;  // one line: what it does
    const char* details;  // further help text, may be empty
    RunCommand run;
    // Commands without options: how many plain arguments they take (checked
    // before run, with countError as the usage error); -1 when run checks.
    int plainArgs = -1;
    const char* countError = nullptr;
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
// The first option of the command's synopsis that args give more than once
// although the synopsis does not let it repeat ("[--fault X]...", "--leaf
// L..."); empty when there is none.
std::string RepeatedOption(const Command& command, const std::vector<std::string>& args);

// Message boxes go to stderr, each "\r" as a line break. Every Yes/No question
// is printed on stderr and answered by the script (Yes by default), except
// Save's question about another program's save since the design was opened,
// which is answered No. A save
// dialog answers with the path the command set.
class TerminalInteraction : public Interaction {
public:
    void Message(std::string_view text) override { Show(text); }
    void Information(std::string_view text) override { Show(text); }
    void Warning(std::string_view text) override { Show(text); }
    void Error(std::string_view text) override { Show(text); }
    bool AskYesNo(std::string_view text) override;
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override;

    std::optional<std::string> openPath;
    std::optional<std::string> savePath;
    bool answer = true;
    // Set when a box was shown; commands that fail use it to avoid printing twice.
    int boxesShown = 0;

private:
    void Show(std::string_view text);
};

// Writes a message box's text on stderr: "\r" (and "\r\n") become line breaks.
void PrintBox(std::string_view text);

// A design wired to the terminal, for one command.
struct Session {
    TerminalInteraction ui;
    NullProgress progress;
    TreeDesign design;
    Session() { design.SetHosts(&progress, &ui); }
    // Opens path as Open does (with the advisory lock when lock is set).
    // False when it was rejected (the box was printed).
    bool Open(const std::string& path, bool lock = false);
    // Writes the design to path as Save As does.
    bool SaveAs(const std::string& path);
};

// The arguments of one command: the options it takes out by name, then the
// plain words it expects. A mistake prints the usage error once and returns
// false (or nullopt); the command then ends with kExitUsage.
class CommandArgs {
public:
    CommandArgs(const Command& command, const CommandArguments& args);
    // Takes the switch out of the arguments; true when it was there.
    bool Flag(std::string_view name);
    // Takes "NAME VALUE" (or "ALIAS VALUE") out; nullopt when absent or wrong
    // (a missing value, given twice: Ok() is then false).
    std::optional<std::string> Value(std::string_view name, std::string_view alias = {});
    // Every value of an option that may be repeated.
    std::vector<std::string> Values(std::string_view name);
    // Checks what is left: no unknown option, exactly count plain words.
    bool Expect(std::size_t count, const std::string& what);
    // Like Expect, for a count between min and max.
    bool ExpectBetween(std::size_t min, std::size_t max, const std::string& what);
    const std::string& operator[](std::size_t i) const { return plain_[i]; }
    std::size_t Count() const { return plain_.size(); }
    bool Ok() const { return ok_; }
    // Prints a usage error; returns kExitUsage.
    int Usage(const std::string& message);

private:
    const Command& command_;
    std::vector<std::string> rest_;
    std::vector<std::string> plain_;
    bool ok_ = true;
};

// What the design is opened for.
enum class DesignUse {
    Plain,    // as Open does, without the lock (the design is not written back)
    Edit,     // as Open does, with the lock: the design may be written back
    Analysis, // and the sub-references recomputed, as turning to an analysis page does
};
// Opens the design and runs body on it; kExitFailed when the design was
// rejected (its message was printed), else what body returns.
int WithDesign(const std::string& path, DesignUse use, const std::function<int(Session&)>& body);
// Writes the design as Save As does: the exit status.
int WriteDesign(Session& session, const std::string& path);

// The text with every control character (0x00 to 0x1F, 0x7F, and the C1
// controls 0x80 to 0x9F, as Latin-1 bytes or as UTF-8 C2 80 to C2 9F) written
// as a visible escape "\xNN" per byte, so that names from a file cannot drive
// the terminal or forge lines; other valid UTF-8 stays text. With
// keepLineBreaks the line breaks stay.
std::string Visible(std::string_view text, bool keepLineBreaks = false);

// Writes text on stdout (control characters other than line breaks escaped,
// see Visible) and flushes it. When the output cannot be written (a
// full disk, a closed pipe) the reason goes to stderr and the result is
// kExitFailed; else kExitOk.
int PrintText(std::string_view text);
// Each line (every control character in it escaped) followed by a line
// break, as a text box holds it; as PrintText.
int PrintLines(const std::vector<std::string>& lines);

// The entry of a table of named kinds ({name, ...}) whose name is the text, or nullptr.
template <typename Kinds>
auto FindKind(const Kinds& kinds, std::string_view name) -> decltype(&*std::begin(kinds)) {
    for (const auto& k : kinds)
        if (name == k.name)
            return &k;
    return nullptr;
}

// Parses a whole decimal number; nullopt when the text is not one.
std::optional<long long> ParseNumber(const std::string& text);

// Latin-1 bytes as UTF-8, for people.
std::string ToUtf8(std::string_view latin1);

} // namespace qv::cli
