#include "utilities/effective_rights.h"

#include "core/ascii_text.h"
#include "netware/directory_profile.h"

#include "utilities/nds_rights.h"

#include <algorithm>
#include <span>

namespace qv::utilities {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool IsAttribute(std::string_view protectedName) {
    return !protectedName.empty() && !EqualNoCase(protectedName, kEntryRights) &&
           !EqualNoCase(protectedName, kAllAttributesRights);
}

bool NdsForm(const nds::DirectoryEntries& dir) {
    return dir.Profile().aclForm == "nds";
}

// The filter of a level: every right passes unless the level filters it.
RightsBytes LevelFilter(const nds::DirectoryEntries& dir, const nds::DirectoryEntry& e) {
    RightsBytes f{kAllObjectRights, kAllPropertyRights};
    auto apply = [&](std::string_view name, std::uint8_t rights) {
        if (EqualNoCase(name, kEntryRights))
            f.object = rights & kAllObjectRights;
        else if (EqualNoCase(name, kAllAttributesRights))
            f.property = rights & kAllPropertyRights;
    };
    if (NdsForm(dir)) {
        for (const std::string& v : e.Values(dir.Profile().aclAttribute)) {
            AclValue acl;
            if (ParseNdsAclValue(v, acl) && EqualNoCase(acl.trustee, kInheritanceMask))
                apply(acl.protectedName, acl.rights);
        }
        return f;
    }
    for (const std::string& v : e.Values(dir.Profile().inheritedRightsFilterAttribute)) {
        std::string name;
        std::uint8_t rights = 0;
        if (ParseFilterValue(v, name, rights))
            apply(name, rights);
    }
    return f;
}

// One right of the NDS privilege mask and the letter it is.
struct NdsPrivilege {
    std::uint32_t bit;
    std::uint8_t right;
};
constexpr NdsPrivilege kNdsEntryPrivileges[] = {
    {1, kRightB}, {2, kRightC}, {4, kRightD}, {8, kRightR}, {16, kRightS}};
constexpr NdsPrivilege kNdsAttributePrivileges[] = {
    {1, kRightC}, {2, kRightR}, {4, kRightW}, {8, kRightA}, {32, kRightS}};

struct Explicit {
    bool hasObject = false;
    bool hasProperty = false;
    RightsBytes rights;
    RightsBytes inherited; // the part that flows to the levels below
};

} // namespace

bool ParseAclValue(std::string_view value, AclValue& out) {
    std::size_t first = value.find('#');
    std::size_t last = value.rfind('#');
    if (first == std::string_view::npos || first == last)
        return false;
    out.protectedName = std::string(Trim(value.substr(0, first)));
    out.trustee = std::string(Trim(value.substr(first + 1, last - first - 1)));
    out.rights = RightsFromLetters(value.substr(last + 1));
    return true;
}

bool ParseNdsAclValue(std::string_view value, AclValue& out) {
    // The trustee is a DN and may hold "#"; the privileges and the scope come
    // first and the protected attribute name (which holds none) last.
    std::size_t h1 = value.find('#');
    std::size_t h2 = h1 == std::string_view::npos ? h1 : value.find('#', h1 + 1);
    std::size_t h3 = value.rfind('#');
    if (h2 == std::string_view::npos || h3 <= h2)
        return false;
    std::string_view privileges = Trim(value.substr(0, h1));
    std::string_view scope = Trim(value.substr(h1 + 1, h2 - h1 - 1));
    std::uint32_t mask = 0;
    if (privileges.empty() || privileges.size() > 10)
        return false;
    for (char c : privileges) {
        if (c < '0' || c > '9')
            return false;
        std::uint64_t next = std::uint64_t{mask} * 10 + static_cast<std::uint32_t>(c - '0');
        if (next > 0xFFFFFFFFu)
            return false;
        mask = static_cast<std::uint32_t>(next);
    }
    if (EqualNoCase(scope, "entry"))
        out.inherited = false;
    else if (EqualNoCase(scope, "subtree"))
        out.inherited = true;
    else
        return false;
    out.trustee = std::string(Trim(value.substr(h2 + 1, h3 - h2 - 1)));
    out.protectedName = std::string(Trim(value.substr(h3 + 1)));
    if (out.protectedName.empty())
        out.protectedName = std::string(kEntryRights);
    out.rights = 0;
    for (const NdsPrivilege& p : EqualNoCase(out.protectedName, kEntryRights)
                                     ? std::span<const NdsPrivilege>(kNdsEntryPrivileges)
                                     : std::span<const NdsPrivilege>(kNdsAttributePrivileges))
        if (mask & p.bit)
            out.rights |= p.right;
    return true;
}

std::vector<AclValue> TrusteeAssignments(const nds::DirectoryEntries& dir,
                                         const nds::DirectoryEntry& entry) {
    std::vector<AclValue> out;
    const bool nds = NdsForm(dir);
    for (const std::string& v : entry.Values(dir.Profile().aclAttribute)) {
        AclValue acl;
        if (nds ? ParseNdsAclValue(v, acl) && !EqualNoCase(acl.trustee, kInheritanceMask)
                : ParseAclValue(v, acl))
            out.push_back(std::move(acl));
    }
    return out;
}

const std::vector<std::string>& SecurityEquivalences(const nds::DirectoryEntries& dir,
                                                     const nds::DirectoryEntry& entry) {
    return entry.Values(dir.Profile().securityEqualsAttribute);
}

bool ParseFilterValue(std::string_view value, std::string& protectedName, std::uint8_t& rights) {
    std::size_t last = value.rfind('#');
    if (last == std::string_view::npos)
        return false;
    protectedName = std::string(Trim(value.substr(0, last)));
    rights = RightsFromLetters(value.substr(last + 1));
    return true;
}

std::int32_t IdentityOfTrustee(const nds::DirectoryEntries& dir, std::string_view trustee) {
    trustee = Trim(trustee);
    if (EqualNoCase(trustee, kPublicTrustee))
        return kPublicIdentity;
    if (EqualNoCase(trustee, kRootTrustee))
        return kRootIdentity;
    std::int32_t e = dir.FindByDn(trustee);
    // The tree root as a trustee is [Root]: every object of the tree.
    return e == 0 ? kRootIdentity : e;
}

std::vector<RightsIdentity> Identities(const nds::DirectoryEntries& dir, std::int32_t trustee) {
    std::vector<RightsIdentity> out;
    auto add = [&](std::int32_t id, bool direct) {
        for (const RightsIdentity& r : out)
            if (r.entry == id)
                return;
        RightsIdentity r;
        r.entry = id;
        r.direct = direct;
        if (id == kPublicIdentity)
            r.name = std::string(kPublicTrustee);
        else if (id == kRootIdentity)
            r.name = std::string(kRootTrustee);
        else
            r.name = dir.At(static_cast<std::size_t>(id)).fullName;
        out.push_back(std::move(r));
    };
    if (trustee < 0 || static_cast<std::size_t>(trustee) >= dir.Size())
        return out;
    add(trustee == 0 ? kRootIdentity : trustee, true);
    const nds::DirectoryEntry& t = dir.At(static_cast<std::size_t>(trustee));
    for (const std::string& dn : SecurityEquivalences(dir, t)) {
        std::int32_t e = IdentityOfTrustee(dir, dn);
        if (e != -1)
            add(e, false);
    }
    for (std::size_t i = 0; i < dir.Size(); ++i) {
        const nds::DirectoryEntry& g = dir.At(i);
        if (!EqualNoCase(g.baseClass, "Group"))
            continue;
        // Members by DN: member (groupOfNames, ours) and uniqueMember
        // (groupOfUniqueNames).
        bool isMember = false;
        for (const char* attr : {"member", "uniqueMember"})
            for (const std::string& dn : g.Values(attr))
                isMember = isMember || dir.FindByDn(dn) == trustee;
        if (isMember)
            add(static_cast<std::int32_t>(i), false);
    }
    for (std::int32_t p = t.parent; p > 0; p = dir.At(static_cast<std::size_t>(p)).parent)
        add(p, false);
    add(kRootIdentity, false);
    add(kPublicIdentity, false);
    return out;
}

RightsBytes ExpandSupervisor(RightsBytes r) {
    if (r.object & kRightS) {
        r.object = kAllObjectRights;
        r.property = kAllPropertyRights;
    }
    if (r.property & kRightS)
        r.property = kAllPropertyRights;
    return r;
}

namespace {

// The entries from the tree root down to the target.
std::vector<std::int32_t> PathTo(const nds::DirectoryEntries& dir, std::int32_t target) {
    std::vector<std::int32_t> path;
    for (std::int32_t e = target; e >= 0; e = dir.At(static_cast<std::size_t>(e)).parent) {
        path.push_back(e);
        if (path.size() > dir.Size())
            break; // a cycle cannot happen in a loaded directory; never loop
    }
    std::reverse(path.begin(), path.end());
    return path;
}

// The index of the identity among the trustee's, or -1.
int IdentityIndex(const EffectiveRights& out, std::int32_t id) {
    for (std::size_t i = 0; i < out.identities.size(); ++i)
        if (out.identities[i].entry == id)
            return static_cast<int>(i);
    return -1;
}

// The entry's own assignments to each identity: entry rights and
// all-attributes rights.
std::vector<Explicit> ExplicitAssignments(const nds::DirectoryEntries& dir,
                                          const EffectiveRights& out,
                                          const nds::DirectoryEntry& entry) {
    std::vector<Explicit> expl(out.identities.size());
    for (const AclValue& acl : TrusteeAssignments(dir, entry)) {
        int who = IdentityIndex(out, IdentityOfTrustee(dir, acl.trustee));
        if (who < 0)
            continue;
        Explicit& x = expl[static_cast<std::size_t>(who)];
        if (EqualNoCase(acl.protectedName, kEntryRights)) {
            x.hasObject = true;
            x.rights.object |= acl.rights & kAllObjectRights;
            if (acl.inherited)
                x.inherited.object |= acl.rights & kAllObjectRights;
        } else if (EqualNoCase(acl.protectedName, kAllAttributesRights)) {
            x.hasProperty = true;
            x.rights.property |= acl.rights & kAllPropertyRights;
            if (acl.inherited)
                x.inherited.property |= acl.rights & kAllPropertyRights;
        }
    }
    return expl;
}

// The rights at one level of the path. held is what each identity passes
// down from the level above (assigned letters, not expanded), and becomes
// what it passes down from this one; atLevel what it holds at this one (an
// assignment that is not inherited holds on its level only).
LevelRights RightsAtLevel(const nds::DirectoryEntries& dir, const EffectiveRights& out,
                          std::int32_t e, std::vector<RightsBytes>& held,
                          std::vector<RightsBytes>& atLevel) {
    const nds::DirectoryEntry& entry = dir.At(static_cast<std::size_t>(e));
    LevelRights level;
    level.entry = e;
    level.filter = LevelFilter(dir, entry);
    const std::vector<Explicit> expl = ExplicitAssignments(dir, out, entry);
    RightsBytes assigned;
    for (std::size_t i = 0; i < held.size(); ++i) {
        RightsBytes through{static_cast<std::uint8_t>(held[i].object & level.filter.object),
                            static_cast<std::uint8_t>(held[i].property & level.filter.property)};
        RightsBytes now;
        if (expl[i].hasObject) {
            now.object = expl[i].rights.object;
            assigned.object |= now.object;
        } else {
            now.object = through.object;
            level.inherited.object |= through.object;
        }
        if (expl[i].hasProperty) {
            now.property = expl[i].rights.property;
            assigned.property |= now.property;
        } else {
            now.property = through.property;
            level.inherited.property |= through.property;
        }
        atLevel[i] = now;
        held[i] = RightsBytes{expl[i].hasObject ? expl[i].inherited.object : now.object,
                              expl[i].hasProperty ? expl[i].inherited.property : now.property};
        if (expl[i].hasObject || expl[i].hasProperty)
            level.rows.push_back(RightsRow{i, expl[i].rights});
    }
    level.effective = ExpandSupervisor(
        RightsBytes{static_cast<std::uint8_t>(level.inherited.object | assigned.object),
                    static_cast<std::uint8_t>(level.inherited.property | assigned.property)});
    return level;
}

// Attributes of the target with assignments of their own for one of the
// identities: such an assignment replaces that identity's all-attributes
// rights for the attribute.
void CollectAttributeAssignments(const nds::DirectoryEntries& dir, std::int32_t target,
                                 EffectiveRights& out) {
    const nds::DirectoryEntry& t = dir.At(static_cast<std::size_t>(target));
    for (const AclValue& acl : TrusteeAssignments(dir, t)) {
        if (!IsAttribute(acl.protectedName))
            continue;
        int who = IdentityIndex(out, IdentityOfTrustee(dir, acl.trustee));
        if (who < 0)
            continue;
        AttributeRights* a = nullptr;
        for (AttributeRights& x : out.attributes)
            if (EqualNoCase(x.attribute, acl.protectedName))
                a = &x;
        if (!a) {
            out.attributes.push_back(AttributeRights{acl.protectedName, 0, {}});
            a = &out.attributes.back();
        }
        bool merged = false;
        for (RightsRow& row : a->rows)
            if (row.identity == static_cast<std::size_t>(who)) {
                row.rights.property |= acl.rights & kAllPropertyRights;
                merged = true;
            }
        if (!merged)
            a->rows.push_back(RightsRow{
                static_cast<std::size_t>(who),
                RightsBytes{0, static_cast<std::uint8_t>(acl.rights & kAllPropertyRights)}});
    }
}

// Each attribute's effective rights: every identity's own assignment for
// it, or else what it holds at the target.
void AttributeEffectiveRights(const std::vector<RightsBytes>& atTarget, EffectiveRights& out) {
    const LevelRights& last = out.levels.back();
    for (AttributeRights& a : out.attributes) {
        std::uint8_t rights = 0;
        for (std::size_t i = 0; i < atTarget.size(); ++i) {
            const RightsRow* own = nullptr;
            for (const RightsRow& row : a.rows)
                if (row.identity == i)
                    own = &row;
            rights |= own ? own->rights.property : atTarget[i].property;
        }
        RightsBytes r = ExpandSupervisor(RightsBytes{last.effective.object, rights});
        a.effective = r.property;
    }
}

} // namespace

EffectiveRights ComputeEffectiveRights(const nds::DirectoryEntries& dir, std::int32_t trustee,
                                       std::int32_t target) {
    EffectiveRights out;
    out.trustee = trustee;
    out.target = target;
    if (trustee < 0 || target < 0 || static_cast<std::size_t>(trustee) >= dir.Size() ||
        static_cast<std::size_t>(target) >= dir.Size())
        return out;
    out.identities = Identities(dir, trustee);
    std::vector<RightsBytes> held(out.identities.size());
    std::vector<RightsBytes> atLevel(out.identities.size());
    for (std::int32_t e : PathTo(dir, target))
        out.levels.push_back(RightsAtLevel(dir, out, e, held, atLevel));
    CollectAttributeAssignments(dir, target, out);
    AttributeEffectiveRights(atLevel, out);
    return out;
}

} // namespace qv::utilities
