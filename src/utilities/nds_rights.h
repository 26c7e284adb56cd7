// NDS rights: how chosen objects got their rights to chosen objects. The
// design window writes QVD_DSR.BAT, one DSRIGHTS line per (leaf object,
// target) pair, each redirected to #DSR#<n>.TXT; the interpreter runs it and
// the reports are read back into one rights hierarchy per leaf object. This
// file holds the records, the batch file, the report reader and the rules of
// the report windows (rows, marks, the stand-in path entry), free of windows.
#pragma once

#include "core/result.h"
#include "utilities/command_runner.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::utilities {

// Rights bytes: one bit per letter of a rights column.
inline constexpr std::uint8_t kRightS = 1;  // Supervisor
inline constexpr std::uint8_t kRightB = 2;  // Browse
inline constexpr std::uint8_t kRightC = 4;  // Create / Compare
inline constexpr std::uint8_t kRightD = 8;  // Delete
inline constexpr std::uint8_t kRightR = 16; // Rename / Read
inline constexpr std::uint8_t kRightW = 32; // Write
inline constexpr std::uint8_t kRightA = 64; // Add Self

// Every object right, every property right.
inline constexpr std::uint8_t kAllObjectRights = kRightS | kRightB | kRightC | kRightD | kRightR;
inline constexpr std::uint8_t kAllPropertyRights = kRightS | kRightC | kRightR | kRightW | kRightA;

// The bits of the letters of a text; other characters are ignored.
std::uint8_t RightsFromLetters(std::string_view text);
// "SBCDR" with "-" for each clear bit (object rights), "SCRWA" (property rights).
std::string ObjectRightsText(std::uint8_t rights);
std::string PropertyRightsText(std::uint8_t rights);

// Names are kept whole: a full name cut at a fixed length would name another
// object, or none.
struct Assignment {
    std::string name;
    bool direct = false; // a row of the trustee itself; clear for "Equivalent To" rows
    std::uint8_t objectRights = 0;
    std::uint8_t propertyRights = 0;
};

struct PathEntry {
    std::string name; // full name
    std::uint8_t filterObject = 0;
    std::uint8_t filterProperty = 0;
    std::uint8_t inheritedObject = 0;
    std::uint8_t inheritedProperty = 0;
    std::uint8_t effectiveObject = 0;
    std::uint8_t effectiveProperty = 0;
    std::vector<Assignment> assignments;
};

struct PropertyRights {
    std::string name;
    std::uint8_t effective = 0;
    std::vector<Assignment> assignments;
};

// One report: the rights to one target (named by its full name).
struct TrusteeRights {
    std::string name;
    std::vector<PathEntry> paths;
    std::vector<PropertyRights> properties;
};

// One selected leaf object. Its report list is made by the first report read
// for it; hasTrustees tells a leaf object that no report reached.
struct SourceRights {
    std::string name;
    bool hasTrustees = false;
    std::vector<TrusteeRights> trustees;
};

// ---- the batch file ----
inline constexpr const char* kRightsBatchFile = "QVD_DSR.BAT";
inline constexpr const char* kRightsReportPrefix = "#DSR#";

// The name of a list item of the leaf and target lists: the text after the
// first "*" (all of it when there is none) up to the first 0xBF.
std::string ItemName(std::string_view item);
// "." + FullContext, or empty for the root ("[ROOT]").
std::string DottedContext(std::string_view fullContext);

// The batch file's bytes: CX ".C1", then one DSRIGHTS line per leaf object
// and target, numbered from 1 leaf by leaf. Lines end in CR LF, as a batch
// file's do (the interpreter takes either). designContext and
// containerContext are FullContexts ("[ROOT]" for the root); leaves and
// targets are names.
std::string BuildRightsBatch(std::string_view designContext, std::string_view containerContext,
                             const std::vector<std::string>& leaves,
                             const std::vector<std::string>& targets);
// Writes the batch file into the folder (replacing it). A failure with an
// error text when it cannot be written.
Result<void> WriteRightsBatch(const std::string& folder, std::string_view text);
// "#DSR#" + n + ".TXT".
std::string RightsReportName(int n);

// ---- a directory without rights ----
// What DSRIGHTS and RIGHTS print (and so what their reports hold) on a
// directory whose profile holds no rights: "This directory holds no rights
// information (profile standard)." True for a text that begins so.
std::string NoRightsInformationText(std::string_view profile);
bool IsNoRightsInformation(std::string_view text);

// ---- reading the reports ----
// The full name of a name printed relative to the context (no leading dot).
std::string ResolveName(std::string_view name, std::string_view context);

// Reads a report file (see ParseNDSRightsReportText) into the records.
// context: the design's FullContext without a leading dot, empty for the root.
// sources gathers the reports of a run, one file after another, so it is
// passed in and added to.
Result<void> ParseNDSRightsReport(const std::string& path, std::string_view context,
                                  std::vector<SourceRights>& sources);
// The same over the file's text. A failure's message is "Error on line : N\r"
// + message, and the report read so far is taken back.
Result<void> ParseNDSRightsReportText(std::string_view text, std::string_view context,
                                      std::vector<SourceRights>& sources);

// ---- the report windows ----
inline constexpr std::string_view kRowFilter = "Inherited Rights Filter";
inline constexpr std::string_view kRowInherited = "Inherits From Above";
inline constexpr std::string_view kRowEffective = "Effective Rights";

// Index of the source of that name (compared without regard to case), or -1.
int FindSource(const std::vector<SourceRights>& sources, std::string_view name);
// The report whose target is fullName, or null.
const TrusteeRights* FindTrustee(const SourceRights& source, std::string_view fullName);
const PathEntry* FindPath(const TrusteeRights& trustee, std::string_view fullName);

// The path entry shown for a hierarchy node: its own, or one made from the
// nearest ancestor that has one (filter, and its effective rights as both
// inherited and effective, no assignments). chain: the FullContexts from the
// node up to the root, the node first. Nothing when none of them has one.
std::optional<PathEntry> PathEntryForNode(const TrusteeRights& trustee,
                                          const std::vector<std::string>& chain);

// The rows of the rights list: the filter, the inherited rights, the
// assignments by name, the effective rights.
std::vector<std::string> RightsRows(const PathEntry& entry);
// The pair of bytes a row shows (row index into RightsRows).
std::pair<std::uint8_t, std::uint8_t> RowRights(const PathEntry& entry, std::size_t row);
// The rows of a selected property and the property byte of each.
std::vector<std::string> PropertyRows(const PropertyRights& property);
std::uint8_t PropertyRowRights(const PropertyRights& property, std::size_t row);

// The marks of the rights windows: label and bit, object marks then property marks.
struct RightsMark {
    const char* group;
    const char* label;
    std::uint8_t bit;
    bool property;
};
const std::vector<RightsMark>& RightsMarks();

// The text of the report window's failure notice.
std::string ReportFailedText(std::string_view targetFullName);
std::string NoReportsText(std::string_view objectText);

} // namespace qv::utilities
