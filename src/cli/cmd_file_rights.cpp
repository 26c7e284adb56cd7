// quorvane-cli file-rights DESIGN.qvd --context C --drive LETTER --directory
// PATH --leaf L... [--reports DIR] [--tick-ms N]: File Rights without windows.
#include "cli/cli.h"
#include "cli/utility_runs.h"

#include "utilities/file_rights.h"
#include "utilities/nds_rights.h"
#include "utilities/rights_wait.h"

#include <chrono>
#include <iostream>
#include <thread>

namespace qv::cli {
namespace {

const char* const kDetails =
    "Shows the file system rights that the leaf objects L hold in the folder PATH\n"
    "of the drive LETTER, as File Rights does. The leaf objects (one or more after\n"
    "--leaf, which may be repeated) are subordinate objects of the container C of\n"
    "the design, written as its full context, SALES.CORP, or [ROOT].\n"
    "\n"
    "QVD_FSR.BAT is written in the current folder (CX of C, the drive, CD to PATH\n"
    "without its drive part, one RIGHTS line per leaf object into #FSR#<n>.TXT),\n"
    "the old #FSR#*.* files there are deleted, the batch file runs through\n"
    "quorvane-cmd, its end is awaited by the census of its process title once\n"
    "every N milliseconds (1000 by default) and ten ticks more, and the reports are\n"
    "read. With --reports the #FSR#<n>.TXT files already in DIR are read instead\n"
    "and nothing is run (the batch file is still written, once the reports were\n"
    "read). A second rights report in the same folder is refused while one runs.\n"
    "The batch file is waited for at most 1800 ticks (half an hour at the default\n"
    "tick); then the wait is given up, quorvane-cmd and RIGHTS are ended and the\n"
    "command fails, as it does, with their own message, when the interpreter or\n"
    "RIGHTS cannot start. A command that fails before the run changes no file.\n"
    "\n"
    "For every report read: \"Object: \" and the object's name, then for every\n"
    "level of the folder \"  \", the level's path, \": \" and its inherited rights\n"
    "filter, the rights inherited from above and the effective rights, each eight\n"
    "characters in the order S R W C E M F A with \"-\" for a right not held. A\n"
    "report that cannot be read is announced on stderr and skipped.\n"
    "\n"
    "Exit status: 0 at least one report was read, 1 none was (\"No reports were\n"
    "successfully imported.\"), a line of the batch file could not run, the wait\n"
    "was given up or another rights report still runs, 2 usage errors\n"
    "and designs that cannot be opened.\n";

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

int Run(const Command& self, const CommandArguments& given) {
    using namespace utilities;
    CommandArguments args = given;
    bool leafMissing = false;
    const std::vector<std::string> leaves = TakeList(args, "--leaf", leafMissing);
    CommandArgs a(self, args);
    const std::optional<std::string> context = a.Value("--context");
    const std::optional<std::string> drive = a.Value("--drive");
    const std::optional<std::string> directory = a.Value("--directory");
    const std::optional<std::string> reports = a.Value("--reports");
    const std::optional<std::string> tick = a.Value("--tick-ms");
    if (!a.Expect(1, "expects DESIGN"))
        return kExitUsage;
    if (!context || !drive || !directory)
        return a.Usage("--context, --drive and --directory are needed");
    if (leaves.empty() || leafMissing)
        return a.Usage("--leaf needs the name of a leaf object");
    std::string letter = *drive;
    if (letter.size() == 2 && letter[1] == ':')
        letter.pop_back();
    if (letter.size() != 1 || !IsLetter(letter[0]))
        return a.Usage("--drive expects a drive letter");
    const char driveLetter = static_cast<char>(letter[0] & ~0x20);
    long long tickMs = 1000;
    if (!ParseTickMs(tick, tickMs))
        return a.Usage(kTickMsUsage);
    std::string path = *directory;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    if (path.find(':') == std::string::npos)
        path = std::string(1, driveLetter) + ":" + (path.rfind('\\', 0) == 0 ? "" : "\\") + path;

    int result = kExitUsage;
    WithDesign(a[0], DesignUse::Plain, [&](Session& s) {
        std::string c = *context;
        if (!c.empty() && c[0] == '.')
            c.erase(0, 1);
        ObjectNode* node = s.design.FindNodeByContext(c);
        if (!node) {
            result = a.Usage("no container " + c + " in the design");
            return kExitFailed;
        }
        for (const std::string& leaf : leaves) {
            bool found = false;
            if (node->Leaves())
                for (const std::string& entry : *node->Leaves())
                    found = found || LeafName(entry) == leaf;
            if (!found) {
                result = a.Usage("no leaf object " + leaf + " in " + s.design.FullContext(node));
                return kExitFailed;
            }
        }
        const std::string batch =
            FileRightsBatchText(s.design.FullContext(node), driveLetter, path, leaves);
        // A command that fails changes no file: the guard and the folder's
        // lock come first, and with --reports the batch file is written only
        // once the reports have been read.
        WorkingFolderLock lock;
        bool notRun = false;
        if (!StartRightsRun(
                s.ui, reports.has_value(), lock,
                [&batch] { return WriteFileRightsBatch(".", batch); }, utilities::kFileRightsBatch,
                kFileRightsPrefix, "RIGHTS", tickMs, notRun))
            return result = kExitFailed;
        const std::string folder = reports ? *reports : ".";
        FileRightsReports list;
        std::size_t read = 0;
        if (!ReadRightsReports(
                folder, leaves.size(), FileRightsReportName,
                [&list](const std::string& path) { return ParseFileRightsReport(path, list); },
                read))
            return result = kExitFailed;
        if (list.empty()) {
            PrintBox("No reports were successfully imported.");
            result = kExitFailed;
            return result;
        }
        std::vector<std::string> lines;
        for (const FileRightsReport& r : list) {
            lines.push_back("Object: " + ToUtf8(r.objectName));
            for (const FilePathEntry& e : r.entries)
                lines.push_back("  " + ToUtf8(e.text) + ": " + FileRightsText(e.filter) + " " +
                                FileRightsText(e.inherited) + " " + FileRightsText(e.effective));
        }
        result = PrintLines(lines);
        if (result == kExitOk && notRun)
            result = kExitFailed;
        if (result == kExitOk && reports) {
            if (Result<void> written = WriteFileRightsBatch(".", batch); !written) {
                PrintBox(written.error());
                result = kExitFailed;
            }
        }
        return result;
    });
    return result;
}

const Registration kRegistration({"file-rights",
                                  "DESIGN.qvd --context C --drive LETTER --directory PATH "
                                  "--leaf L... [--reports DIR] [--tick-ms N]",
                                  "show the file system rights of leaf objects in a folder "
                                  "(RIGHTS reports)",
                                  kDetails, Run});

} // namespace
} // namespace qv::cli
