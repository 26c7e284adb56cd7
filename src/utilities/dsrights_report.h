// The report of DSRIGHTS, the console utility that tells how an object got
// its rights to another: DSRIGHTS "OBJECT" "TARGET" prints, for the object
// (the trustee) and the target, the header line, the path from the top of
// the tree down to the target (each level's filter, the rights inherited from
// above, the assignments of the object and of its equivalences, the effective
// rights) and the selected property rights of the target. Names are printed
// relative to the current context (CX) so that they read back to full names;
// rights stand in columns 65 to 71 (object) and 72 to 78 (property).
#pragma once

#include "utilities/effective_rights.h"
#include "utilities/nds_rights.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv::utilities {

// The name that, read back relative to context, gives full (a leading part and
// as many trailing dots as context components to climb). [Public] and [Root]
// stay as they are; with an empty context the full name is printed.
std::string RelativeName(std::string_view full, std::string_view context);

// A name given to a utility: a leading dot names it from the root, otherwise
// it is taken relative to the context. The directory index, or -1.
std::int32_t FindNamedObject(const nds::DirectoryEntries& dir, std::string_view name,
                             std::string_view context);

// "[SBCDR]" / "[SCRWA]" with a blank for each clear right.
std::string ObjectRightsColumn(std::uint8_t rights);
std::string PropertyRightsColumn(std::uint8_t rights);

// The report. objectText: the object's name as given on the command line.
std::string FormatDsRightsReport(const nds::DirectoryEntries& dir, const EffectiveRights& rights,
                                 std::string_view objectText, std::string_view context);

// The records the report reads back as: target full name, path entries,
// selected properties.
TrusteeRights RightsRecords(const nds::DirectoryEntries& dir, const EffectiveRights& rights,
                            std::string_view context);

// The whole utility over its arguments: the report (exit 0) or an error text
// (exit 1), both meant for standard output.
int RunDsRights(const std::vector<std::string>& args, const nds::DirectoryEntries& dir,
                std::string_view context, std::string& output);

} // namespace qv::utilities
