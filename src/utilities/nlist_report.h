// The listing of the stand-in NLIST: "NLIST User SHOW "Default Server",
// "Last Name" /s /co .CONTEXT" answered from the directory, every user
// object in (and with /s below) the context, container by container.
#pragma once

#include "core/result.h"
#include "netware/directory_entries.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv::utilities {

// What the arguments ask for.
struct NlistRequest {
    bool showLastName = false;
    bool showDefaultServer = false;
    bool subtree = false;
    // The context as written after /co (may be relative); empty: the current one.
    std::string context;
    bool contextGiven = false;
};

// Reads the argument vector (program name left out). A failure with the
// text to print when it is not a user listing this utility understands.
Result<NlistRequest> ParseNlistArguments(const std::vector<std::string>& args);

// What a utility says when the directory holds none of the data it needs:
// "This directory holds no default server information (profile standard)."
inline constexpr const char* kNoDefaultServerLead = "This directory holds no ";
std::string NoDefaultServerText(std::string_view profile);

// The listing (its lines end with "\n"). A failure with the text to print
// when the context does not exist, or default servers are asked for and the
// directory's profile holds none; currentContext is typeless without a
// leading dot.
Result<std::string> BuildNlistReport(const nds::DirectoryEntries& directory,
                                     const NlistRequest& request, std::string_view currentContext);

// The typeless dotted form of a DN: "cn=FS2,ou=SALES,o=CORP" -> "FS2.SALES.CORP".
std::string TypelessName(std::string_view dn);

} // namespace qv::utilities
