// The RIGHTS utility installed with the program: "RIGHTS . /I /NAME=L" prints
// the file system rights that the object L (named in the current context)
// holds in the current folder of the current drive, level by level from the
// volume root down. The drive is mapped to a volume object in the utility
// settings; the volume object names the local folder of the volume's files.
//
// The report, for each level:
//
//   CORP_SYS:\PUBLIC
//       Inherited Rights Filter                                       [S R    F ]
//       Inherits From Above                                           [ RWCEMFA]
//       Equivalent To EVERYONE.CORP (group)                           [ R    F ]
//       ----------
//       Effective Rights                                              [ R    F ]
//
// with the rights in columns 68 to 77, after a "NAME=L" line and two lines
// of heading. Wrong arguments or names print one line of error text.
#pragma once

#include "core/result.h"
#include "netware/directory_entries.h"

#include <map>
#include <string>
#include <vector>

namespace qv::utilities {

struct RightsArguments {
    std::string path = "."; // the folder asked about
    std::string name;       // /NAME=
    bool inherited = false; // /I
};
// Reads the argument vector (quotes already removed by the interpreter; any
// left over are removed here). A failure with the text to print.
Result<RightsArguments> ParseRightsArguments(const std::vector<std::string>& args);

// What the batch file handed down and the workstation's drive mappings.
struct RightsWorkstation {
    std::string context;                // CX: typeless, no leading dot, empty for the root
    char drive = 0;                     // current drive letter, 0 when none
    std::string directory;              // "\" or "\A\B"
    std::map<char, std::string> drives; // letter -> volume object's full name
    // The folder a relative qvVolumePath is taken from (see VolumeBaseFolder).
    std::string volumeBase;
};

// The folder relative volume paths start from: the folder of the LDIF file
// of an ldif: connection, else the current folder (empty).
std::string VolumeBaseFolder(const nds::TreeConnection& connection);

// The local folder of the files of the volume object with that full name;
// a failure when it is no volume object or its folder is missing.
Result<std::string> VolumeFolder(const nds::DirectoryEntries& directory, std::string_view volume,
                                 const std::string& base);

// The report of the arguments, or the text the utility prints instead.
Result<std::string> RightsReport(const RightsArguments& args, const RightsWorkstation& station,
                                 const nds::DirectoryEntries& directory);

// The full name of a name given relative to the context: a leading "." makes
// it absolute, each trailing "." climbs one level of the context; a name not
// found so falls back to being taken as a full name. -1 when neither names an
// entry.
std::int32_t ResolveRightsName(const nds::DirectoryEntries& directory, std::string_view name,
                               std::string_view context);

} // namespace qv::utilities
