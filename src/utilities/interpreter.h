// quorvane-cmd, the command interpreter the console utilities run under. It
// takes one command line, "MARKER /C TEXT", where TEXT is a utility line
// ("NLIST User SHOW ... > DEFSRV.TXT") or the name of a batch file in the
// current folder ("QVD_DSR.BAT") whose lines are CX "context", a drive line
// "F:", CD "\path" and utility lines. No shell is involved: lines are split
// into words here and utilities are started with argument vectors.
#pragma once

#include "core/result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::utilities {

// One line split into words: blanks separate words, double quotes group
// blanks into a word and are removed. A ">" outside quotes introduces the
// output file, which must be a plain file name of the current folder.
struct CommandWords {
    std::vector<std::string> words;
    std::string outputFile; // empty: no redirection
    std::string error;      // why the line is refused; empty when accepted
};
CommandWords SplitCommand(std::string_view line);

// True for a plain file name of the current folder: not empty, no "/" or
// "\", not "." or "..", no control characters.
bool PlainFileName(std::string_view name);

// The state a batch file builds and hands down to each utility.
struct InterpreterState {
    std::string context; // CX, typeless, no leading dot, empty for the root
    char drive = 0;      // current drive letter, 0 when none
    std::string directory = "\\";
};

// What the interpreter asks of its surroundings (processes and files in the
// real program, recordings in tests).
class InterpreterHost {
public:
    virtual ~InterpreterHost() = default;
    // The program of the utility (NAME matched without regard to case, with
    // or without ".EXE"), or nothing when it is not on the utility path.
    virtual std::optional<std::string> FindUtility(std::string_view name) = 0;
    // Runs the program with its arguments and waits for it; standard output
    // goes to outputFile in the current folder (nowhere when empty). False
    // (with the reason logged) when it could not be run or its output could
    // not be written.
    virtual bool Run(const std::string& program, const std::vector<std::string>& args,
                     const std::string& outputFile, const InterpreterState& state) = 0;
    // The lines of a batch file of the current folder, or why they cannot be
    // read (the message may be empty).
    virtual Result<std::vector<std::string>> ReadBatch(const std::string& name) = 0;
    // One line of the interpreter's error log.
    virtual void LogError(const std::string& text) = 0;
};

// A batch file holds at most this many lines; a longer one is refused.
inline constexpr std::size_t kMaxBatchLines = 100000;
// and at most this many bytes.
inline constexpr std::uint64_t kMaxBatchBytes = std::uint64_t{64} << 20;
// What a utility may print into its output file.
inline constexpr std::uint64_t kMaxUtilityOutputBytes = std::uint64_t{1} << 30;

// The lines of a batch file's text: "\r\n", "\n" and a lone "\r" each end a
// line. A failure when there are more than kMaxBatchLines.
Result<std::vector<std::string>> SplitBatchText(std::string_view text);

// Splits "MARKER /C TEXT" into its text. False when there is no " /C ".
bool CommandText(std::string_view commandLine, std::string& text);

// Runs the whole command line. Returns the number of lines refused or not run.
int RunCommandLine(std::string_view commandLine, InterpreterHost& host);

// Runs one line in the state (CX, drive and CD lines change it).
bool RunLine(std::string_view line, InterpreterState& state, InterpreterHost& host);

// ---- the real host ----
// The folders searched for utilities: the settings' utility path, or, when it
// is empty, the stand-ins installed with the interpreter (programFolder +
// "/utilities" in the build tree, then programFolder + "/../libexec/quorvane",
// then programFolder itself: installed, the interpreter lies among them in
// <prefix>/libexec/quorvane).
std::vector<std::string> DefaultUtilityFolders(const std::string& programFolder);

class ProcessInterpreterHost final : public InterpreterHost {
public:
    // errorLog: the file that refused lines are appended to.
    ProcessInterpreterHost(std::vector<std::string> utilityFolders, std::string errorLog);
    std::optional<std::string> FindUtility(std::string_view name) override;
    bool Run(const std::string& program, const std::vector<std::string>& args,
             const std::string& outputFile, const InterpreterState& state) override;
    Result<std::vector<std::string>> ReadBatch(const std::string& name) override;
    void LogError(const std::string& text) override;

private:
    std::vector<std::string> folders_;
    std::string errorLog_;
};

// The interpreter's error log in the current folder.
inline constexpr const char* kInterpreterLog = "QUORVANE-CMD.LOG";

} // namespace qv::utilities
