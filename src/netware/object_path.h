// Object paths as the client layer hands them out: "\T=TREE\O=Acme\CN=Jo",
// top down, one component per RDN. A component is TYPE=VALUE, or several
// TYPE=VALUE joined by "+" for a multi-valued RDN. Values are kept exactly
// (UTF-8 as the directory sends them); only a backslash and a "+" inside a
// value are written with a backslash before them ("\\", "\+"), so that no
// value breaks a path. Any other character, "=", "," and quotes included,
// stands for itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv::nds {

// A value as it stands in a component.
inline std::string EscapePathValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c == '\\' || c == '+')
            out += '\\';
        out += c;
    }
    return out;
}

// The value again, from the text after "=".
inline std::string UnescapePathValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '+'))
            ++i;
        out += text[i];
    }
    return out;
}

// The components of a path (still escaped). A backslash followed by a
// backslash or "+" belongs to a value; any other backslash separates. A
// leading separator is dropped.
inline std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    std::size_t i = 0;
    if (!path.empty() && path[0] == '\\')
        start = i = 1;
    for (; i < path.size(); ++i) {
        if (path[i] != '\\')
            continue;
        if (i + 1 < path.size() && (path[i + 1] == '\\' || path[i + 1] == '+')) {
            ++i;
            continue;
        }
        parts.push_back(path.substr(start, i - start));
        start = i + 1;
    }
    if (start < path.size() || (start == path.size() && start > 0 && path.back() == '\\'))
        parts.push_back(path.substr(start));
    return parts;
}

// Splits a component at the "+" that join the values of a multi-valued RDN.
inline std::vector<std::string_view> SplitComponent(std::string_view component) {
    std::vector<std::string_view> avas;
    std::size_t start = 0;
    for (std::size_t i = 0; i < component.size(); ++i) {
        if (component[i] == '\\' && i + 1 < component.size()) {
            ++i;
            continue;
        }
        if (component[i] == '+') {
            avas.push_back(component.substr(start, i - start));
            start = i + 1;
        }
    }
    avas.push_back(component.substr(start));
    return avas;
}

// The name an object has in a design: the component after its first "=",
// unescaped ("CN=a\+b" gives "a+b"; "CN=Pat+SN=Two" gives "Pat+SN=Two").
inline std::string ComponentName(std::string_view component) {
    std::size_t eq = component.find('=');
    std::string_view rest = eq == std::string_view::npos ? component : component.substr(eq + 1);
    std::string out;
    out.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '\\' && i + 1 < rest.size() && (rest[i + 1] == '\\' || rest[i + 1] == '+'))
            ++i;
        out += rest[i];
    }
    return out;
}

// The last component of a path (still escaped).
inline std::string_view LastComponent(std::string_view path) {
    std::vector<std::string_view> parts = SplitPath(path);
    return parts.empty() ? std::string_view() : parts.back();
}

} // namespace qv::nds
