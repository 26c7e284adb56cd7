#include "utilities/nlist_report.h"

#include "core/ascii_text.h"
#include "netware/directory_profile.h"

#include <algorithm>

namespace qv::utilities {

namespace {

std::string Trim(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    return std::string(text.substr(b, e - b));
}

constexpr const char* kUsage =
    "NLIST: Usage: NLIST User SHOW \"Default Server\", \"Last Name\" [/S] [/CO context]\n";

bool IsUser(const nds::DirectoryEntry& entry) {
    return UpperAscii(entry.baseClass) == "USER";
}

std::string Plural(std::size_t n) {
    return std::to_string(n) + (n == 1 ? " User object was" : " User objects were");
}

} // namespace

std::string TypelessName(std::string_view dn) {
    std::string out;
    std::size_t start = 0;
    while (start <= dn.size()) {
        std::size_t comma = dn.find(',', start);
        std::string_view part = dn.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        std::size_t eq = part.find('=');
        std::string value = Trim(eq == std::string_view::npos ? part : part.substr(eq + 1));
        if (!value.empty()) {
            if (!out.empty())
                out.push_back('.');
            out += value;
        }
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    return out;
}

Result<NlistRequest> ParseNlistArguments(const std::vector<std::string>& args) {
    NlistRequest request;
    if (args.size() < 2 || UpperAscii(args[0]) != "USER" || UpperAscii(args[1]) != "SHOW")
        return Failed(kUsage);
    // The property names up to the first option, however the blanks and
    // commas fell between the arguments.
    std::size_t i = 2;
    std::string properties;
    for (; i < args.size() && (args[i].empty() || args[i][0] != '/'); ++i)
        properties += args[i] + " ";
    std::size_t start = 0;
    bool any = false;
    while (start <= properties.size()) {
        std::size_t comma = properties.find(',', start);
        std::string name = UpperAscii(Trim(properties.substr(
            start, comma == std::string::npos ? std::string::npos : comma - start)));
        if (name == "DEFAULT SERVER") {
            request.showDefaultServer = true;
            any = true;
        } else if (name == "LAST NAME") {
            request.showLastName = true;
            any = true;
        } else if (!name.empty()) {
            return Failed("NLIST: The property \"" + name + "\" is not supported.\n");
        }
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (!any)
        return Failed(kUsage);
    for (; i < args.size(); ++i) {
        std::string option = UpperAscii(args[i]);
        if (option == "/S") {
            request.subtree = true;
        } else if (option == "/CO") {
            if (i + 1 >= args.size())
                return Failed("NLIST: /CO needs a context.\n");
            request.context = args[++i];
            request.contextGiven = true;
        } else {
            return Failed("NLIST: Unknown option " + args[i] + "\n" + kUsage);
        }
    }
    return request;
}

std::string NoDefaultServerText(std::string_view profile) {
    return std::string(kNoDefaultServerLead) + "default server information (profile " +
           std::string(profile) + ").";
}

Result<std::string> BuildNlistReport(const nds::DirectoryEntries& directory,
                                     const NlistRequest& request, std::string_view currentContext) {
    std::string name = request.contextGiven ? request.context : std::string(currentContext);
    if (request.contextGiven && !name.empty() && name[0] != '.' && UpperAscii(name) != "[ROOT]" &&
        !currentContext.empty())
        name += "." + std::string(currentContext);
    // A directory whose profile holds no default servers says so rather than
    // list users without them.
    const std::string& serverAttribute = directory.Profile().defaultServerAttribute;
    if (request.showDefaultServer && serverAttribute.empty())
        return Failed(NoDefaultServerText(directory.Profile().name) + "\n");
    std::int32_t start = directory.FindByFullName(name);
    if (start < 0 || !directory.At(static_cast<std::size_t>(start)).container)
        return Failed("NLIST: The context \"" + name + "\" was not found in this tree.\n");
    // A server DN that names no entry is still shown by its typeless name
    // below the tree root.
    const std::string rootSuffix = "." + TypelessName(directory.At(0).dn);
    auto serverName = [&](const std::string& dn) {
        std::int32_t s = directory.FindByDn(dn);
        if (s >= 0)
            return directory.At(static_cast<std::size_t>(s)).fullName;
        std::string name = TypelessName(dn);
        if (name.size() > rootSuffix.size() &&
            UpperAscii(name.substr(name.size() - rootSuffix.size())) == UpperAscii(rootSuffix))
            name.resize(name.size() - rootSuffix.size());
        return name;
    };
    std::string out;
    std::size_t total = 0;
    std::vector<std::int32_t> stack{start};
    while (!stack.empty()) {
        const nds::DirectoryEntry& container = directory.At(static_cast<std::size_t>(stack.back()));
        stack.pop_back();
        std::size_t count = 0;
        for (std::int32_t c : container.children) {
            const nds::DirectoryEntry& entry = directory.At(static_cast<std::size_t>(c));
            if (!IsUser(entry))
                continue;
            if (count++ == 0)
                out += "Object Class: User\nCurrent context: " +
                       (container.fullName.empty() ? std::string("[Root]") : container.fullName) +
                       "\n";
            out += "User: " + entry.rdnValue + "\n";
            if (request.showLastName)
                out += "        Last Name: " + entry.First("sn") + "\n";
            std::string server = entry.First(serverAttribute);
            if (request.showDefaultServer && !server.empty())
                out += "        Default Server: " + serverName(server) + "\n";
        }
        if (count > 0) {
            out += "A total of " + Plural(count) + " found in this context.\n\n";
            total += count;
        }
        if (request.subtree)
            for (auto it = container.children.rbegin(); it != container.children.rend(); ++it)
                if (directory.At(static_cast<std::size_t>(*it)).container)
                    stack.push_back(*it);
    }
    out += "A total of " + Plural(total) + " found.\n";
    return out;
}

} // namespace qv::utilities
