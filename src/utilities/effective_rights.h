// Effective NDS rights of one object (the trustee) to another (the target),
// computed from the directory's own data: trustee assignments (qvACL values
// "PROTECTED#TRUSTEE-DN#RIGHTS"), inherited rights filters
// (qvInheritedRightsFilter values "PROTECTED#RIGHTS") and the trustee's
// security equivalences. The rules are written down in docs/RIGHTS.md; in
// short: each identity's rights flow down the tree level by level, masked by
// each level's filter and replaced where that identity has an assignment of
// its own; the effective rights of a level are the union over the trustee and
// its equivalences; Supervisor implies every other right where it is effective.
#pragma once

#include "netware/directory_entries.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv::utilities {

struct RightsBytes {
    std::uint8_t object = 0;   // S B C D R
    std::uint8_t property = 0; // S C R W A
    bool operator==(const RightsBytes&) const = default;
};

// "[Entry Rights]", "[All Attributes Rights]", or an attribute's name.
inline constexpr std::string_view kEntryRights = "[Entry Rights]";
inline constexpr std::string_view kAllAttributesRights = "[All Attributes Rights]";
inline constexpr std::string_view kPublicTrustee = "[Public]";
// The trustee of an NDS ACL value that is an inherited rights filter.
inline constexpr std::string_view kInheritanceMask = "[Inheritance Mask]";
inline constexpr std::string_view kRootTrustee = "[Root]";

// Identities that never are entries.
inline constexpr std::int32_t kPublicIdentity = -2;
inline constexpr std::int32_t kRootIdentity = -3;

struct AclValue {
    std::string protectedName;
    std::string trustee; // DN, "[Public]" or "[Root]"
    std::uint8_t rights = 0;
    // False for an NDS assignment of the scope "entry": it holds on its own
    // object and is not inherited below it.
    bool inherited = true;
};
// False for a value without two "#".
bool ParseAclValue(std::string_view value, AclValue& out);
// The NDS form PRIVILEGES#SCOPE#TRUSTEE#PROTECTED: the privileges a decimal
// bit mask (entry rights 1 Browse, 2 Create, 4 Delete, 8 Rename, 16
// Supervisor; attribute rights 1 Compare, 2 Read, 4 Write, 8 Add Self, 32
// Supervisor), the scope "entry" or "subtree", an empty PROTECTED meaning
// [Entry Rights]. False for a value that is not of that form.
bool ParseNdsAclValue(std::string_view value, AclValue& out);
// The trustee assignments of an entry as its directory's profile holds them
// (in the NDS form without the [Inheritance Mask] values, which are filters).
std::vector<AclValue> TrusteeAssignments(const nds::DirectoryEntries& dir,
                                         const nds::DirectoryEntry& entry);
// The entries an entry is security equal to, as DNs.
const std::vector<std::string>& SecurityEquivalences(const nds::DirectoryEntries& dir,
                                                     const nds::DirectoryEntry& entry);
// "PROTECTED#RIGHTS"; false without "#".
bool ParseFilterValue(std::string_view value, std::string& protectedName, std::uint8_t& rights);

// One identity whose rights count for the trustee.
struct RightsIdentity {
    std::int32_t entry = -1; // index in the directory, or kPublicIdentity / kRootIdentity
    std::string name;        // typeless full name, "[Public]" or "[Root]"
    bool direct = false;     // the trustee itself
};

// The trustee first, then its equivalences: the objects of its
// qvSecurityEquals, the groups that list it as a member, the containers above
// it (nearest first), [Root] and [Public]. Each identity once.
std::vector<RightsIdentity> Identities(const nds::DirectoryEntries& dir, std::int32_t trustee);

// The identity an ACL's trustee names, or -1 when it names none.
std::int32_t IdentityOfTrustee(const nds::DirectoryEntries& dir, std::string_view trustee);

struct RightsRow {
    std::size_t identity = 0; // index into EffectiveRights::identities
    RightsBytes rights;       // the assignment as made (not expanded)
};

struct LevelRights {
    std::int32_t entry = 0;
    RightsBytes filter;    // all rights when the level has no filter
    RightsBytes inherited; // what reaches the level through its filter
    RightsBytes effective; // Supervisor expanded
    std::vector<RightsRow> rows;
};

struct AttributeRights {
    std::string attribute;
    std::uint8_t effective = 0;
    std::vector<RightsRow> rows; // property rights of the attribute's own assignments
};

struct EffectiveRights {
    std::int32_t trustee = -1;
    std::int32_t target = -1;
    std::vector<RightsIdentity> identities;
    std::vector<LevelRights> levels; // the tree root first, the target last
    std::vector<AttributeRights> attributes;
};

// Supervisor object rights give every object and property right; Supervisor
// property rights every property right.
RightsBytes ExpandSupervisor(RightsBytes rights);

EffectiveRights ComputeEffectiveRights(const nds::DirectoryEntries& dir, std::int32_t trustee,
                                       std::int32_t target);

} // namespace qv::utilities
