#include "utilities/file_effective_rights.h"

#include "core/ascii_text.h"
#include "netware/directory_profile.h"

#include "utilities/file_rights.h"

#include <algorithm>

namespace qv::utilities {

namespace {

std::uint8_t LettersOf(std::string_view text) {
    return FileRightsByte(UpperAscii(text));
}

// Supervisor brings every right with it.
std::uint8_t Complete(std::uint8_t rights) {
    return (rights & kFileSupervisor) ? kAllFileRights : rights;
}

std::vector<std::string> UpperFolders(std::string_view path) {
    std::vector<std::string> out = SplitVolumePath(path);
    for (std::string& f : out)
        f = UpperAscii(f);
    return out;
}

// The identity a trustee DN of an assignment names, or -1 when it names
// nothing in the directory.
std::int32_t TrusteeKey(const nds::DirectoryEntries& directory, std::string_view dn) {
    const std::string u = UpperAscii(dn);
    if (u == "[PUBLIC]")
        return FileRightsIdentity::kPublic;
    if (u == "[ROOT]")
        return FileRightsIdentity::kRoot;
    const std::int32_t i = directory.FindByDn(dn);
    if (i == 0)
        return FileRightsIdentity::kRoot;
    return i;
}

bool NoCaseEqual(std::string_view a, std::string_view b) {
    return UpperAscii(a) == UpperAscii(b);
}

} // namespace

bool IsVolume(const nds::DirectoryEntry& entry) {
    return NoCaseEqual(entry.baseClass, "Volume");
}

std::vector<std::string> SplitVolumePath(std::string_view path) {
    std::vector<std::string> out;
    std::string part;
    auto flush = [&] {
        if (!part.empty() && part != ".")
            out.push_back(part);
        part.clear();
    };
    for (char c : path) {
        if (c == '\\' || c == '/')
            flush();
        else
            part += c;
    }
    flush();
    return out;
}

std::vector<FileRightsIdentity> FileRightsIdentities(const nds::DirectoryEntries& directory,
                                                     std::int32_t trustee) {
    std::vector<FileRightsIdentity> ids;
    auto add = [&](std::int32_t entry, const char* reason) {
        if (std::none_of(ids.begin(), ids.end(),
                         [&](const FileRightsIdentity& i) { return i.entry == entry; }))
            ids.push_back({entry, reason});
    };
    if (trustee < 0 || static_cast<std::size_t>(trustee) >= directory.Size())
        return ids;
    if (trustee == 0) {
        add(FileRightsIdentity::kRoot, "[Root]");
        add(FileRightsIdentity::kPublic, "[Public]");
        return ids;
    }
    add(trustee, "trustee");
    const nds::DirectoryEntry& t = directory.At(static_cast<std::size_t>(trustee));
    for (const std::string& dn : t.Values(directory.Profile().securityEqualsAttribute)) {
        const std::int32_t key = TrusteeKey(directory, dn);
        if (key >= 0 || key == FileRightsIdentity::kPublic || key == FileRightsIdentity::kRoot)
            add(key, "security equivalence");
    }
    for (std::size_t g = 0; g < directory.Size(); ++g) {
        const nds::DirectoryEntry& group = directory.At(g);
        if (!NoCaseEqual(group.baseClass, "Group"))
            continue;
        // Members by DN: member (groupOfNames, ours) and uniqueMember
        // (groupOfUniqueNames).
        bool isMember = false;
        for (const char* attr : {"member", "uniqueMember"})
            for (const std::string& dn : group.Values(attr))
                isMember = isMember || directory.FindByDn(dn) == trustee;
        if (isMember)
            add(static_cast<std::int32_t>(g), "group");
    }
    for (std::int32_t p = t.parent; p > 0; p = directory.At(static_cast<std::size_t>(p)).parent)
        add(p, "container");
    add(FileRightsIdentity::kRoot, "[Root]");
    add(FileRightsIdentity::kPublic, "[Public]");
    return ids;
}

std::string IdentityName(const nds::DirectoryEntries& directory, const FileRightsIdentity& id) {
    if (id.entry == FileRightsIdentity::kPublic)
        return "[Public]";
    if (id.entry == FileRightsIdentity::kRoot || id.entry == 0)
        return "[Root]";
    if (id.entry < 0 || static_cast<std::size_t>(id.entry) >= directory.Size())
        return {};
    return directory.At(static_cast<std::size_t>(id.entry)).fullName;
}

std::vector<FileRightsLevel> EffectiveFileRights(const nds::DirectoryEntries& directory,
                                                 std::int32_t volume, std::int32_t trustee,
                                                 const std::vector<std::string>& folders) {
    std::vector<FileRightsLevel> levels;
    if (volume < 0 || static_cast<std::size_t>(volume) >= directory.Size())
        return levels;
    const nds::DirectoryEntry& vol = directory.At(static_cast<std::size_t>(volume));
    const std::vector<FileRightsIdentity> ids = FileRightsIdentities(directory, trustee);

    // The assignments and filters of the volume, with their paths split once.
    struct Trustee {
        std::vector<std::string> path;
        std::int32_t key;
        std::uint8_t rights;
    };
    struct Filter {
        std::vector<std::string> path;
        std::uint8_t rights;
    };
    std::vector<Trustee> trustees;
    for (const std::string& v : vol.Values("qvTrustee")) {
        const std::size_t first = v.find('#');
        const std::size_t last = v.rfind('#');
        if (first == std::string::npos || last == first)
            continue;
        const std::int32_t key = TrusteeKey(directory, v.substr(first + 1, last - first - 1));
        if (key == -1)
            continue;
        trustees.push_back({UpperFolders(v.substr(0, first)), key, LettersOf(v.substr(last + 1))});
    }
    std::vector<Filter> filters;
    for (const std::string& v : vol.Values("qvFileRightsFilter")) {
        const std::size_t last = v.rfind('#');
        if (last == std::string::npos)
            continue;
        filters.push_back({UpperFolders(v.substr(0, last)), LettersOf(v.substr(last + 1))});
    }

    std::vector<std::uint8_t> held(ids.size(), 0); // each identity's rights at the level above
    std::vector<std::string> upper;
    for (std::size_t depth = 0; depth <= folders.size(); ++depth) {
        FileRightsLevel level;
        if (depth > 0) {
            upper.push_back(UpperAscii(folders[depth - 1]));
            level.path =
                upper.size() == 1 ? folders[0] : levels.back().path + "\\" + folders[depth - 1];
        }
        bool filtered = false;
        std::uint8_t filter = 0;
        for (const Filter& f : filters)
            if (f.path == upper) {
                filter = static_cast<std::uint8_t>(filter | f.rights);
                filtered = true;
            }
        level.filter =
            filtered ? static_cast<std::uint8_t>(filter | kFileSupervisor) : kAllFileRights;

        for (std::size_t i = 0; i < ids.size(); ++i) {
            const std::uint8_t above = held[i];
            const std::uint8_t flowing =
                depth == 0 ? 0 : Complete(static_cast<std::uint8_t>(above & level.filter));
            bool assigned = false;
            std::uint8_t explicitRights = 0;
            for (const Trustee& t : trustees)
                if (t.key == ids[i].entry && t.path == upper) {
                    assigned = true;
                    explicitRights = static_cast<std::uint8_t>(explicitRights | t.rights);
                }
            if (assigned)
                level.assignments.push_back({ids[i], explicitRights});
            std::uint8_t now = assigned ? explicitRights : flowing;
            if (flowing & kFileSupervisor)
                now = kAllFileRights;
            held[i] = Complete(now);
            level.inherited = static_cast<std::uint8_t>(level.inherited | flowing);
            level.effective = static_cast<std::uint8_t>(level.effective | held[i]);
        }
        levels.push_back(std::move(level));
    }
    return levels;
}

} // namespace qv::utilities
