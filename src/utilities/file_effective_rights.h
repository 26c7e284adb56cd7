// Effective file system rights, computed from the directory: a volume object
// (base class "Volume") names the local folder that holds its files
// (qvVolumePath) and carries the trustee assignments (qvTrustee,
// "RELATIVE-PATH#TRUSTEE-DN#RIGHTS") and the inherited rights filters
// (qvFileRightsFilter, "RELATIVE-PATH#RIGHTS") of its folders. The rules are
// those of the NetWare file system (docs/RIGHTS.md, "File system rights"):
//
// - every identity of the trustee (itself, the objects it is security
//   equivalent to, the groups that list it as a member, the containers above
//   it, [Root] and [Public]) is followed on its own from the volume root
//   down: at each level an explicit assignment to the identity replaces what
//   it inherits; otherwise it inherits its rights of the level above masked
//   by the level's filter;
// - the effective rights are the union over the identities;
// - Supervisor gives every right, cannot be filtered and is not taken away by
//   an assignment further down.
#pragma once

#include "netware/directory_entries.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::utilities {

// An identity the trustee's rights are gathered over: an entry of the
// directory, or one of the two pseudo trustees.
struct FileRightsIdentity {
    static constexpr std::int32_t kPublic = -2;
    static constexpr std::int32_t kRoot = -3;
    std::int32_t entry = -1;
    // Why it counts: "trustee", "security equivalence", "group", "container",
    // "[Root]", "[Public]".
    std::string reason;
};

// The identities of the trustee (the entry's index), the trustee first.
// Security equivalence is not transitive: the equivalences of a group or of
// an object the trustee is equivalent to are not followed.
std::vector<FileRightsIdentity> FileRightsIdentities(const nds::DirectoryEntries& directory,
                                                     std::int32_t trustee);

// The name an identity is shown by: the entry's full name, "[Root]",
// "[Public]".
std::string IdentityName(const nds::DirectoryEntries& directory, const FileRightsIdentity& id);

struct FileTrusteeAssignment {
    FileRightsIdentity identity;
    std::uint8_t rights = 0;
};

struct FileRightsLevel {
    // The folder below the volume root, components joined by "\" as they
    // were given ("" for the root).
    std::string path;
    // The level's inherited rights filter; Supervisor is always part of it.
    std::uint8_t filter = 0xFF;
    // What flows into the level from the one above (through the filter),
    // before explicit assignments; nothing for the root.
    std::uint8_t inherited = 0;
    std::uint8_t effective = 0;
    // The explicit assignments at this level to one of the identities.
    std::vector<FileTrusteeAssignment> assignments;
};

// True when the entry is a volume object.
bool IsVolume(const nds::DirectoryEntry& entry);

// Splits a relative path ("PUBLIC\REPORTS", "/PUBLIC/", "\", "") into its
// folders; "." components are dropped.
std::vector<std::string> SplitVolumePath(std::string_view path);

// The rights of the trustee at every level from the volume root down to the
// folder (its components below the root), one level per component plus the
// root. Folders are compared without regard to case.
std::vector<FileRightsLevel> EffectiveFileRights(const nds::DirectoryEntries& directory,
                                                 std::int32_t volume, std::int32_t trustee,
                                                 const std::vector<std::string>& folders);

} // namespace qv::utilities
