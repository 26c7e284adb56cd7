// Running the console utilities: a command line is handed to quorvane-cmd,
// our own command interpreter, started as a detached background process with
// no terminal in the current folder. Its process title (the first word of
// /proc/PID/cmdline) is the whole command line, so a census of the titles of
// this user's processes tells when the utility has finished: a feature waits
// until no process title carries its marker any more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::utilities {

// Each feature writes the interpreter's name in its own mixture of case; the
// census looks for exactly that form.
inline constexpr std::string_view kDefaultServerMarker = "coMMand.coM";
inline constexpr std::string_view kSchemaMarker = "CommanD.cOm";
inline constexpr std::string_view kRightsMarker = "CoMMand.CoM";

inline constexpr std::size_t kMaxCommandLine = 255;
// The census sees at most this many characters of a title.
inline constexpr std::size_t kTitleLimit = 99;

// marker + " /C " + text, then " > " + outputFile when one is given.
std::string BuildCommandLine(std::string_view marker, std::string_view text,
                             std::string_view outputFile = {});

// Starts the command line through the interpreter in the current folder and
// does not wait. False when the line is longer than kMaxCommandLine or the
// interpreter could not be started (callers do not depend on it: completion
// is only ever learnt from the census).
bool StartExternalCommand(std::string_view marker, std::string_view text,
                          std::string_view outputFile = {});

// Why the last StartExternalCommand of this program failed ("The command
// interpreter ... could not be started."); empty when it started. Every call
// sets it anew; a wait clears it when it begins.
const std::string& LastStartFailure();
void ClearStartFailure();

// The refusal of a wait that was given up: utility has not finished after
// ticks ticks of waiting, and was ended.
std::string GaveUpMessage(std::string_view utility, int ticks);

// The process groups of the interpreters StartExternalCommand started with
// the marker (each runs in a session of its own, its utilities with it).
// Ends those still running (SIGTERM, then SIGKILL after two seconds) and
// forgets them: a wait that is given up ends what it waited for. Returns how
// many groups were still running.
int EndStartedCommands(std::string_view marker);

// A lock on the working folder, held for the whole run of a utility feature:
// writing its batch file, the run, reading the reports. A second run in the
// same folder, from this program or another, does not get it.
class WorkingFolderLock {
public:
    WorkingFolderLock() = default;
    ~WorkingFolderLock();
    WorkingFolderLock(const WorkingFolderLock&) = delete;
    WorkingFolderLock& operator=(const WorkingFolderLock&) = delete;
    // False when another run holds the folder (or it cannot be opened).
    bool Acquire(const std::string& folder = ".");
    void Release();
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// What quorvane-cmd appends to its log (kInterpreterLog of the folder) during
// a run: the lines a run could not carry out, such as a utility that is not
// on the utility path. Mark() before the run, NewLines() after it.
class InterpreterLogWatch {
public:
    explicit InterpreterLogWatch(std::string folder = ".");
    void Mark();
    // The lines added since Mark(), without their time stamps.
    std::vector<std::string> NewLines() const;

private:
    std::string path_;
    std::uint64_t size_ = 0;
};

// The interpreter started by StartExternalCommand: by default quorvane-cmd
// beside the running program (the build tree), else in ../libexec/quorvane
// (installed); tests may name another.
void SetInterpreterPath(std::string path);
std::string InterpreterPath();

// The titles of this user's running processes (empty titles left out).
std::vector<std::string> ProcessTitles();
// How many of the titles, cut at kTitleLimit characters, contain the marker
// (exact, case-sensitive).
int CountMarked(const std::vector<std::string>& titles, std::string_view marker);
// CountMarked over ProcessTitles().
int CountCommandWindows(std::string_view marker);

// Deletes every entry of the folder that is no folder and whose name begins
// with prefix, compared without regard to case: the "#DSR#*.*" of the
// console, which clears a feature's old output files before it runs. Returns
// how many were deleted.
int DeleteReportFiles(const std::string& folder, std::string_view prefix);

// The census a waiting dialog polls; tests give a scripted one.
using Census = std::function<int()>;
Census ProcessCensus(std::string marker);

} // namespace qv::utilities
