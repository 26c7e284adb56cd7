// File Rights: the batch file QVD_FSR.BAT that changes to the chosen folder
// and runs RIGHTS once per selected leaf object (each into #FSR#<n>.TXT), the
// reader of those reports, and the rules of the report window (the hierarchy
// built from the first report, the path of a hierarchy node, the eight marks),
// as plain functions so that they are tested without a window.
#pragma once

#include "core/result.h"
#include "utilities/command_runner.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::utilities {

inline constexpr std::string_view kFileRightsBatch = "QVD_FSR.BAT";
inline constexpr std::string_view kFileRightsPrefix = "#FSR#";

// The bits of a file rights byte.
inline constexpr std::uint8_t kFileSupervisor = 1;
inline constexpr std::uint8_t kFileRead = 2;
inline constexpr std::uint8_t kFileWrite = 4;
inline constexpr std::uint8_t kFileCreate = 8;
inline constexpr std::uint8_t kFileErase = 16;
inline constexpr std::uint8_t kFileModify = 32;
inline constexpr std::uint8_t kFileScan = 64;
inline constexpr std::uint8_t kFileAccessControl = 128;
inline constexpr std::uint8_t kAllFileRights = 0xFF;

// The letters in bit order: S R W C E M F A.
inline constexpr std::string_view kFileRightsLetters = "SRWCEMFA";

// The marks of the report window in bit order, with their labels.
struct FileRightsMark {
    const char* label;
    std::uint8_t bit;
};
inline constexpr std::array<FileRightsMark, 8> kFileRightsMarks = {{
    {"Supervisor", kFileSupervisor},
    {"Read", kFileRead},
    {"Write", kFileWrite},
    {"Create", kFileCreate},
    {"Erase", kFileErase},
    {"Modify", kFileModify},
    {"File Scan", kFileScan},
    {"Access Control", kFileAccessControl},
}};

// The fixed rows of the report window's row list.
inline constexpr std::array<const char*, 3> kFileRightsRows = {
    "Inherited Rights Filter", "Inherits From Above", "Effective Rights"};

// Names and row texts are kept to this many characters.
inline constexpr std::size_t kMaxFileRightsName = 80;

struct FilePathEntry {
    std::string text;
    std::uint8_t filter = 0;
    std::uint8_t inherited = 0; // inherited from above
    std::uint8_t effective = 0;
};

struct FileRightsReport {
    std::string objectName;
    std::vector<FilePathEntry> entries;
};
using FileRightsReports = std::vector<FileRightsReport>;

// The byte of a run of letters: each of S R W C E M F A sets its bit, every
// other character (lower-case letters too) is ignored.
std::uint8_t FileRightsByte(std::string_view letters);
// Eight characters in the order S R W C E M F A: the letter when its bit is
// set, "-" otherwise.
std::string FileRightsText(std::uint8_t rights);

// ---- the batch file ----

// The batch file's text. context: the FullContext of the design's selected
// node ("[ROOT]" for the root); drive: the chosen letter; directory: the
// chosen folder as the dialog names it ("F:\PUBLIC\REPORTS", "F:\");
// leaves: the names of the selected leaf objects in list order. Every line
// ends with CR LF, as a batch file of the console does.
std::string FileRightsBatchText(std::string_view context, char drive, std::string_view directory,
                                const std::vector<std::string>& leaves);
// "CD" argument: the directory without its drive part ("F:\A\B" gives "A\B").
std::string DirectoryWithoutDrive(std::string_view directory);
// "#FSR#<n>.TXT".
std::string FileRightsReportName(std::size_t n);

// Writes the text to folder/QVD_FSR.BAT, replacing it. A failure says why not.
Result<void> WriteFileRightsBatch(const std::string& folder, std::string_view text);
// Removes every regular file of the folder whose name begins with "#FSR#"
// (compared without regard to case, as the console's "#FSR#*.*" does).
// Returns how many were removed.
int DeleteOldFileRightsReports(const std::string& folder);

// ---- the reader ----

// Reads one RIGHTS report into a new record appended to reports (the list of
// a run's reports, gathered file by file, so it is passed in). On failure the
// list is left as it was and the message is "Error on line : <n>\r<message>".
Result<void> ParseFileRightsReportText(std::string_view text, FileRightsReports& reports);
// The same on a file ("Could not open file." when it cannot be read).
Result<void> ParseFileRightsReport(const std::string& path, FileRightsReports& reports);

// ---- the report window's rules ----

// The hierarchy of the first report: [0] is the root's text (the first
// entry's text), then one node text per following entry, each a child of the
// one before: the entry's text after its prefix (the first entry's text for
// the second entry, the previous entry's text and "\" for later ones).
std::vector<std::string> FileRightsHierarchy(const FileRightsReport& first);
// The path of the node at depth (0 = the root) of the chain: the root's text
// for the root, else the root's text without its last character followed by
// "\" and the text of each node from the root's child down to it.
std::string FileRightsNodePath(const std::vector<std::string>& chain, std::size_t depth);
// The entry of the report whose text equals the path, or nullptr.
const FilePathEntry* FindFilePathEntry(const FileRightsReport& report, std::string_view path);
// The byte a row shows: 0 the filter, 1 inherited from above, 2 effective.
std::uint8_t FileRightsRowByte(const FilePathEntry& entry, int row);

// What the marks show for a node and a row: each mark enabled when its bit
// is set; all greyed when the node's path has no entry (found is then false).
struct FileRightsMarksView {
    std::string label; // the row's text followed by ":"
    std::array<bool, 8> enabled{};
    bool found = false;
};
FileRightsMarksView FileRightsMarksFor(const FileRightsReport& report,
                                       const std::vector<std::string>& chain, std::size_t depth,
                                       int row);

} // namespace qv::utilities
