#include "utilities/rights_standin.h"

#include "core/ascii_text.h"
#include "netware/directory_profile.h"

#include "utilities/file_effective_rights.h"
#include "utilities/file_rights.h"
#include "utilities/nds_rights.h"

#include <filesystem>

namespace qv::utilities {

namespace {

constexpr std::size_t kRightsColumn = 68;

std::string Unquoted(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != '"')
            out += c;
    return out;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "[S R    F ]": a letter for each set bit, a blank for each clear one.
std::string Bracketed(std::uint8_t rights) {
    std::string out = "[";
    for (std::size_t i = 0; i < 8; ++i)
        out += (rights & (1u << i)) ? kFileRightsLetters[i] : ' ';
    return out + "]";
}

// label indented, the rights from column 68 when the label leaves room.
std::string Row(const std::string& label, std::uint8_t rights) {
    std::string line = "    " + label;
    if (line.size() < kRightsColumn - 1)
        line.resize(kRightsColumn - 1, ' ');
    else
        line += ' ';
    return line + Bracketed(rights) + "\n";
}

// The folder of the volume's files that matches name without regard to case
// (an exact match first), or empty.
std::string FindFolder(const std::filesystem::path& parent, const std::string& name) {
    std::error_code ec;
    if (std::filesystem::is_directory(parent / name, ec))
        return name;
    const std::string wanted = UpperAscii(name);
    std::filesystem::directory_iterator it(parent, ec);
    if (ec)
        return {};
    for (const auto& e : it) {
        std::error_code de;
        const std::string n = e.path().filename().string();
        if (UpperAscii(n) == wanted && e.is_directory(de))
            return n;
    }
    return {};
}

} // namespace

Result<RightsArguments> ParseRightsArguments(const std::vector<std::string>& args) {
    RightsArguments out;
    bool havePath = false;
    bool haveName = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string a = Unquoted(args[i]);
        if (a.empty())
            continue;
        if (a.front() == '/') {
            const std::string u = UpperAscii(a);
            if (u == "/I") {
                out.inherited = true;
            } else if (u.rfind("/NAME", 0) == 0 && (u.size() == 5 || u[5] == '=')) {
                std::string value = a.size() > 6 ? a.substr(6) : std::string();
                // "/NAME" "=L", "/NAME=" "L"
                if (value.empty() && i + 1 < args.size()) {
                    value = Unquoted(args[++i]);
                    if (!value.empty() && value.front() == '=')
                        value.erase(0, 1);
                }
                if (value.empty())
                    return Failed("RIGHTS: /NAME= needs the name of an object.");
                out.name = value;
                haveName = true;
            } else {
                return Failed("RIGHTS: unknown option " + a + ".");
            }
        } else {
            if (havePath)
                return Failed("RIGHTS: more than one path was given (" + out.path + ", " + a +
                              ").");
            out.path = a;
            havePath = true;
        }
    }
    if (!haveName)
        return Failed("RIGHTS: usage: RIGHTS [path] /I /NAME=object");
    return out;
}

std::int32_t ResolveRightsName(const nds::DirectoryEntries& directory, std::string_view name,
                               std::string_view context) {
    std::string n = Unquoted(name);
    if (n.empty())
        return -1;
    if (n.front() == '.')
        return directory.FindByFullName(n.substr(1));
    std::size_t dots = 0;
    while (!n.empty() && n.back() == '.') {
        n.pop_back();
        ++dots;
    }
    std::string ctx(context);
    for (; dots > 0 && !ctx.empty(); --dots) {
        const std::size_t dot = ctx.find('.');
        ctx = dot == std::string::npos ? std::string() : ctx.substr(dot + 1);
    }
    if (n.empty())
        return -1;
    std::int32_t i = directory.FindByFullName(ctx.empty() ? n : n + "." + ctx);
    if (i < 0)
        i = directory.FindByFullName(n);
    return i > 0 ? i : -1;
}

std::string VolumeBaseFolder(const nds::TreeConnection& connection) {
    if (connection.address.rfind("ldif:", 0) != 0)
        return {};
    return std::filesystem::path(connection.address.substr(5)).parent_path().string();
}

Result<std::string> VolumeFolder(const nds::DirectoryEntries& directory, std::string_view volume,
                                 const std::string& base) {
    const std::int32_t i = directory.FindByFullName(volume);
    if (i <= 0 || !IsVolume(directory.At(static_cast<std::size_t>(i))))
        return Failed("is mapped to " + std::string(volume) +
                      ", which is not a volume object of the tree.");
    const nds::DirectoryEntry& vol = directory.At(static_cast<std::size_t>(i));
    const std::string given = vol.First("qvVolumePath");
    std::filesystem::path folder = given;
    if (!given.empty() && folder.is_relative() && !base.empty())
        folder = std::filesystem::path(base) / folder;
    std::error_code ec;
    if (given.empty() || !std::filesystem::is_directory(folder, ec))
        return Failed("the files of volume " + vol.fullName + " are not available (qvVolumePath " +
                      (given.empty() ? std::string("not set") : "\"" + given + "\"") + ").");
    return folder.string();
}

Result<std::string> RightsReport(const RightsArguments& args, const RightsWorkstation& station,
                                 const nds::DirectoryEntries& directory) {
    if (!directory.Profile().fileRightsInformation)
        return Failed(NoRightsInformationText(directory.Profile().name) + "\n");
    // The drive: from the path ("F:\A", "F:A") or the current one.
    std::string path = args.path;
    char drive = station.drive;
    if (path.size() >= 2 && path[1] == ':' && IsLetter(path[0])) {
        drive = UpperAscii(path.substr(0, 1))[0];
        path.erase(0, 2);
        if (path.empty() || (path.front() != '\\' && path.front() != '/'))
            path = "\\" + path; // the drive's own current folder is its root here
    }
    if (drive == 0)
        return Failed("RIGHTS: there is no current drive.\n");
    drive = UpperAscii(std::string(1, drive))[0];
    const auto mapped = station.drives.find(drive);
    if (mapped == station.drives.end() || mapped->second.empty())
        return Failed(std::string("RIGHTS: drive ") + drive + ": is not mapped to a volume.\n");
    const Result<std::string> root = VolumeFolder(directory, mapped->second, station.volumeBase);
    if (!root)
        return Failed(std::string("RIGHTS: drive ") + drive + ": " + root.error() + "\n");
    const std::int32_t volume = directory.FindByFullName(mapped->second);
    const nds::DirectoryEntry& vol = directory.At(static_cast<std::size_t>(volume));

    // The folders below the volume root: the current folder, then the path.
    // ".." never climbs above the volume root.
    std::vector<std::string> folders;
    auto walk = [&folders](const std::string& relative) {
        for (const std::string& part : SplitVolumePath(relative)) {
            if (part == "..") {
                if (!folders.empty())
                    folders.pop_back();
            } else {
                folders.push_back(part);
            }
        }
    };
    const bool absolute = !path.empty() && (path.front() == '\\' || path.front() == '/');
    if (!absolute)
        walk(station.directory);
    walk(path);
    const std::string volumeName = UpperAscii(vol.rdnValue);
    std::filesystem::path here = *root;
    std::vector<std::string> shown;
    for (const std::string& f : folders) {
        const std::string real = FindFolder(here, f);
        if (real.empty()) {
            std::string asked = volumeName + ":";
            for (const std::string& s : shown)
                asked += "\\" + s;
            return Failed("RIGHTS: the path " + asked + "\\" + UpperAscii(f) +
                          " does not exist.\n");
        }
        here /= real;
        shown.push_back(UpperAscii(real));
    }

    const std::int32_t trustee = ResolveRightsName(directory, args.name, station.context);
    if (trustee < 0)
        return Failed("RIGHTS: the object " + args.name + " was not found in context " +
                      (station.context.empty() ? std::string("[Root]") : station.context) + ".\n");

    const std::vector<FileRightsLevel> levels =
        EffectiveFileRights(directory, volume, trustee, shown);
    std::string where = volumeName + ":\\";
    for (std::size_t i = 0; i < shown.size(); ++i)
        where += (i ? "\\" : "") + shown[i];
    std::string heading(kRightsColumn - 1, ' ');
    std::string text = "NAME=" + args.name + "\n";
    text += "Rights of " + directory.At(static_cast<std::size_t>(trustee)).fullName + " in " +
            where + " (drive " + drive + ":)\n";
    text += heading + "Rights\n";
    std::string entry = volumeName + ":\\";
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const FileRightsLevel& level = levels[i];
        if (i == 1)
            entry += shown[0];
        else if (i > 1)
            entry += "\\" + shown[i - 1];
        text += entry + "\n";
        text += Row("Inherited Rights Filter", level.filter);
        text += Row("Inherits From Above", level.inherited);
        for (const FileTrusteeAssignment& a : level.assignments) {
            const std::string name = IdentityName(directory, a.identity);
            std::string label = "Equivalent To " + name;
            if (name != a.identity.reason)
                label += " (" + a.identity.reason + ")";
            text += Row(label, a.rights);
        }
        if (!level.assignments.empty())
            text += "    ----------\n";
        text += Row("Effective Rights", level.effective);
        text += "\n";
    }
    return text;
}

} // namespace qv::utilities
