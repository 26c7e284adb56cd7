// The whole directory of a tree connection as plain entries: every entry's
// DN and its attribute values as text. The stand-in console utilities (NLIST,
// SCHCMP, DSRIGHTS, RIGHTS) answer from it; discovery keeps its own
// call-by-call client. Names are typeless dotted full names, as the console
// utilities print them: "SALES.CORP" for ou=SALES,o=CORP below the tree root.
#pragma once

#include "netware/nds_client.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qv::nds {

struct DirectoryProfile;

struct DirectoryEntry {
    std::string dn;           // as the directory gives it
    std::string fullName;     // "SALES.CORP"; empty for the tree root
    std::string rdnValue;     // "SALES"
    std::string baseClass;    // as the profile names it ("User", "Organizational Unit")
    bool container = false;   // as discovery lists it
    std::int32_t parent = -1; // index of the parent entry; -1 for the root
    std::vector<std::int32_t> children;
    // Attribute values by lower-cased attribute name, in the directory's order.
    std::vector<std::pair<std::string, std::vector<std::string>>> attributes;

    // The values of an attribute (name compared without regard to case).
    const std::vector<std::string>& Values(std::string_view name) const;
    // The first value, or empty.
    std::string First(std::string_view name) const;
};

class DirectoryEntries {
public:
    // Reads every entry of the connection's tree (LDAP subtree search or the
    // LDIF file). The tree root (the base entry, or the LDIF file's entry
    // with the shortest DN) comes first. Names keep their UTF-8. A relative qvVolumePath
    // of an LDIF file is taken relative to the file's folder.
    Status Load(const TreeConnection& connection);
    // Loads the LDIF text directly (tests).
    Status LoadLdif(std::string_view text);

    std::size_t Size() const { return entries_.size(); }
    const DirectoryEntry& At(std::size_t i) const { return entries_[i]; }
    const std::vector<DirectoryEntry>& Entries() const { return entries_; }
    // Index of the entry with the typeless dotted full name (case-insensitive,
    // a leading dot ignored; "" or "[ROOT]" is the root), or -1.
    std::int32_t FindByFullName(std::string_view name) const;
    // Index of the entry with the DN (compared normalized), or -1.
    std::int32_t FindByDn(std::string_view dn) const;

    // The profile the entries were read with (see netware/directory_profile.h).
    const DirectoryProfile& Profile() const { return *profile_; }
    const std::string& ProfileWhy() const { return profileWhy_; }

private:
    Status Finish();
    std::string requestedProfile_ = "auto";
    const DirectoryProfile* profile_ = nullptr;
    std::string profileWhy_;
    std::vector<DirectoryEntry> entries_;
    std::unordered_map<std::string, std::int32_t> byFullName_; // upper-cased
    std::unordered_map<std::string, std::int32_t> byDn_;       // normalized
};

} // namespace qv::nds
