// What the commands of the console utilities share: the tick of their wait,
// options that take several words, and the run of a rights batch file.
#pragma once

#include "cli/cli.h"
#include "core/host.h"
#include "core/result.h"
#include "utilities/command_runner.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::cli {

// --tick-ms: milliseconds between two looks of the census, 1 to 3600000
// (1000 when not given). False for anything else.
bool ParseTickMs(const std::optional<std::string>& text, long long& tickMs);
inline constexpr const char* kTickMsUsage =
    "--tick-ms expects a number of milliseconds from 1 to 3600000";

// Takes every word after option up to the next option out of the arguments
// ("--leaf A B --leaf C" gives A, B, C); missing is set when an option has
// no word after it.
std::vector<std::string> TakeList(CommandArguments& args, std::string_view option, bool& missing);

// Runs the rights batch file of the current folder as the menu command does
// (the caller has passed the guard and holds the folder's lock): the old
// reports (names beginning with reportPrefix) deleted and the batch file run
// as the wait dialog runs it, ticking every tickMs, the pause after the last
// utility ten ticks. True when the run finished. What kept it from finishing
// (the interpreter could not start, the wait was given up) and the lines the
// interpreter could not run (notRun set) are printed as boxes.
bool RunRightsBatch(std::string_view batchFile, std::string_view reportPrefix,
                    std::string_view utility, long long tickMs, bool& notRun);

// The run of a rights command before its reports are read, unless they are
// read from a folder given (fromReports): the guard passed (lock then holds
// the folder), the batch file written by writeBatch, and the batch run. A
// command that fails changes no file. False, its boxes printed, when the
// run could not be made or did not finish.
bool StartRightsRun(Interaction& ui, bool fromReports, utilities::WorkingFolderLock& lock,
                    const std::function<Result<void>()>& writeBatch, std::string_view batchFile,
                    std::string_view reportPrefix, std::string_view utility, long long tickMs,
                    bool& notRun);

// Reads reports 1 to count of the folder with parse (a failure says why);
// a report that cannot be read is printed as a box and the next one read.
// False, after one box, when the directory holds no rights. read counts the
// reports read.
bool ReadRightsReports(const std::string& folder, std::size_t count,
                       const std::function<std::string(std::size_t)>& reportName,
                       const std::function<Result<void>(const std::string& path)>& parse,
                       std::size_t& read);

} // namespace qv::cli
