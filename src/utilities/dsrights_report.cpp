#include "utilities/dsrights_report.h"

#include "core/ascii_text.h"
#include "netware/directory_profile.h"

namespace qv::utilities {

namespace {

std::vector<std::string_view> Components(std::string_view name) {
    std::vector<std::string_view> out;
    while (!name.empty()) {
        std::size_t dot = name.find('.');
        out.push_back(name.substr(0, dot));
        if (dot == std::string_view::npos)
            break;
        name.remove_prefix(dot + 1);
    }
    return out;
}

std::string Join(const std::vector<std::string_view>& parts, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to; ++i) {
        if (i > from)
            out += '.';
        out += parts[i];
    }
    return out;
}

std::string RightsColumn(std::uint8_t rights, const char* letters, const std::uint8_t* bits) {
    std::string out = "[";
    for (int i = 0; i < 5; ++i)
        out.push_back(rights & bits[i] ? letters[i] : ' ');
    out += "]";
    return out;
}

constexpr std::size_t kNameWidth = 64;
const std::string kRuling(78, '_');

// A row: the text padded to column 64 (cut when longer), the two columns.
std::string Row(std::string_view text, RightsBytes r, bool objectColumn = true) {
    std::string line(text.substr(0, kNameWidth));
    line.resize(kNameWidth, ' ');
    line += objectColumn ? ObjectRightsColumn(r.object) : std::string(7, ' ');
    line += PropertyRightsColumn(r.property);
    return line + "\n";
}

std::string IdentityText(const EffectiveRights& rights, std::size_t identity,
                         std::string_view context) {
    const RightsIdentity& id = rights.identities[identity];
    std::string name = RelativeName(id.name, context);
    if (id.direct) {
        // Read back as NAME + "." + context.
        std::string suffix = context.empty() ? std::string() : "." + std::string(context);
        if (!context.empty() && id.name.size() > suffix.size() &&
            EqualNoCase(std::string_view(id.name).substr(id.name.size() - suffix.size()), suffix))
            name = id.name.substr(0, id.name.size() - suffix.size());
        return "  " + name;
    }
    return "  Equivalent To " + name;
}

std::string EntryName(const nds::DirectoryEntries& dir, std::int32_t e) {
    return e == 0 ? std::string(kRootTrustee) : dir.At(static_cast<std::size_t>(e)).fullName;
}

} // namespace

std::string RelativeName(std::string_view full, std::string_view context) {
    if (context.empty() || EqualNoCase(full, kPublicTrustee) || EqualNoCase(full, kRootTrustee) ||
        full.empty())
        return std::string(full);
    std::string suffix = "." + std::string(context);
    if (full.size() > suffix.size() &&
        EqualNoCase(full.substr(full.size() - suffix.size()), suffix))
        return std::string(full.substr(0, full.size() - suffix.size()));
    std::vector<std::string_view> f = Components(full);
    std::vector<std::string_view> c = Components(context);
    std::size_t common = 0;
    while (common < f.size() && common < c.size() &&
           EqualNoCase(f[f.size() - 1 - common], c[c.size() - 1 - common]))
        ++common;
    std::size_t lead = common == f.size() ? 1 : f.size() - common;
    std::size_t kept = f.size() - lead; // components of full that stay in the context
    std::size_t climb = c.size() - kept;
    return Join(f, 0, lead) + std::string(climb, '.');
}

std::int32_t FindNamedObject(const nds::DirectoryEntries& dir, std::string_view name,
                             std::string_view context) {
    while (!name.empty() && name.front() == ' ')
        name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    if (name.empty())
        return -1;
    if (EqualNoCase(name, kRootTrustee))
        return 0;
    if (name.front() == '.') {
        name.remove_prefix(1);
        if (name.empty())
            return -1;
        return dir.FindByFullName(name);
    }
    std::string full = ResolveName(name, context);
    return full.empty() ? -1 : dir.FindByFullName(full);
}

std::string ObjectRightsColumn(std::uint8_t rights) {
    static const std::uint8_t bits[] = {kRightS, kRightB, kRightC, kRightD, kRightR};
    return RightsColumn(rights, "SBCDR", bits);
}

std::string PropertyRightsColumn(std::uint8_t rights) {
    static const std::uint8_t bits[] = {kRightS, kRightC, kRightR, kRightW, kRightA};
    return RightsColumn(rights, "SCRWA", bits);
}

std::string FormatDsRightsReport(const nds::DirectoryEntries& dir, const EffectiveRights& rights,
                                 std::string_view objectText, std::string_view context) {
    std::string out;
    out += "How " + std::string(objectText) + " got rights to " +
           RelativeName(EntryName(dir, rights.target), context) + "\n";
    std::string head1(kNameWidth, ' ');
    head1.replace(0, 11, "Object Path");
    out += head1 + "Object Property\n";
    std::string head2(kNameWidth, ' ');
    head2.replace(0, 21, "  Rights Assigned Via");
    out += head2 + "Rights Rights\n";
    out += std::string(kNameWidth, ' ') + "------- -------\n";
    for (const LevelRights& level : rights.levels) {
        out += kRuling + "\n";
        out += RelativeName(EntryName(dir, level.entry), context) + "\n";
        out += Row("  Inherited Rights Filter", level.filter);
        out += Row("  Inherits From Above", level.inherited);
        for (const RightsRow& row : level.rows)
            out += Row(IdentityText(rights, row.identity, context), row.rights);
        out += std::string(kNameWidth, ' ') + std::string(14, '_') + "\n";
        out += Row("  Effective Rights", level.effective);
    }
    if (!rights.attributes.empty()) {
        out += kRuling + "\n";
        out += "Selected Property Rights\n";
        for (const AttributeRights& a : rights.attributes) {
            out += a.attribute + "\n";
            for (const RightsRow& row : a.rows)
                out += Row(IdentityText(rights, row.identity, context), row.rights, false);
            out += std::string(kNameWidth, ' ') + std::string(14, '_') + "\n";
            out += Row("  Effective Rights", RightsBytes{0, a.effective}, false);
        }
    }
    return out;
}

TrusteeRights RightsRecords(const nds::DirectoryEntries& dir, const EffectiveRights& rights,
                            std::string_view context) {
    TrusteeRights t;
    t.name = rights.target == 0 ? std::string("[ROOT]") : EntryName(dir, rights.target);
    auto assignment = [&](const RightsRow& row) {
        const RightsIdentity& id = rights.identities[row.identity];
        Assignment a;
        a.direct = id.direct;
        a.name = id.name;
        if (id.direct && context.empty())
            a.name = id.name;
        a.objectRights = row.rights.object;
        a.propertyRights = row.rights.property;
        return a;
    };
    for (const LevelRights& level : rights.levels) {
        PathEntry p;
        p.name = level.entry == 0 ? std::string("[ROOT]") : EntryName(dir, level.entry);
        p.filterObject = level.filter.object;
        p.filterProperty = level.filter.property;
        p.inheritedObject = level.inherited.object;
        p.inheritedProperty = level.inherited.property;
        p.effectiveObject = level.effective.object;
        p.effectiveProperty = level.effective.property;
        for (const RightsRow& row : level.rows)
            p.assignments.push_back(assignment(row));
        t.paths.push_back(std::move(p));
    }
    for (const AttributeRights& a : rights.attributes) {
        PropertyRights p;
        p.name = a.attribute;
        p.effective = a.effective;
        for (const RightsRow& row : a.rows) {
            Assignment x = assignment(row);
            x.objectRights = 0;
            p.assignments.push_back(std::move(x));
        }
        t.properties.push_back(std::move(p));
    }
    return t;
}

int RunDsRights(const std::vector<std::string>& args, const nds::DirectoryEntries& dir,
                std::string_view context, std::string& output) {
    if (args.size() != 2) {
        output = "Usage: DSRIGHTS \"object name\" \"target name\"\n";
        return 1;
    }
    if (!dir.Profile().rightsInformation) {
        output = NoRightsInformationText(dir.Profile().name) + "\n";
        return 1;
    }
    std::int32_t trustee = FindNamedObject(dir, args[0], context);
    if (trustee < 0) {
        output = "DSRIGHTS: the object \"" + args[0] + "\" was not found.\n";
        return 1;
    }
    std::int32_t target = FindNamedObject(dir, args[1], context);
    if (target < 0) {
        output = "DSRIGHTS: the object \"" + args[1] + "\" was not found.\n";
        return 1;
    }
    std::string_view text = args[0];
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    output = FormatDsRightsReport(dir, ComputeEffectiveRights(dir, trustee, target), text, context);
    return 0;
}

} // namespace qv::utilities
