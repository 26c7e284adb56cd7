#include "netware/ldif_records.h"

#include "files/file_access.h"

#include <strings.h>

#include <cstring>

namespace qv::nds {

namespace {

constexpr std::uint64_t kMaxUrlValueBytes = 64ull * 1024 * 1024;

} // namespace

std::string Base64(std::string_view bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                     static_cast<unsigned char>(bytes[i + 1]) << 8 |
                     static_cast<unsigned char>(bytes[i + 2]);
        out += digits[v >> 18];
        out += digits[v >> 12 & 63];
        out += digits[v >> 6 & 63];
        out += digits[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += digits[v >> 18];
        out += digits[v >> 12 & 63];
        out += i + 1 < bytes.size() ? digits[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

bool LdifRecordWellFormed(const char* record) {
    if (!record)
        return false;
    bool change = false;
    std::string logical;
    for (const char* line = record; *line;) {
        // One logical line: the lines after it that start with a space go on it.
        logical.clear();
        const char* end = line;
        for (bool first = true;; first = false) {
            const char* nl = std::strchr(end, '\n');
            const char* stop = nl ? nl : end + std::strlen(end);
            logical.append(first ? end : end + 1, stop);
            end = nl ? nl + 1 : stop;
            if (!nl || *end != ' ')
                break;
        }
        line = end;
        if (logical.empty() || logical[0] == '#')
            continue;
        // An empty type, also behind white space of any kind ("\f\t:x").
        const std::size_t type = logical.find_first_not_of(" \t\v\f\r");
        if (type != std::string::npos && logical[type] == ':')
            return false;
        if (strncasecmp(logical.c_str(), "changetype:", 11) == 0)
            change = true;
        if (!change && (logical == "-" || logical == "-\r"))
            return false;
    }
    return true;
}

Result<std::optional<std::string>> ResolveLdifUrlValues(const char* record,
                                                        unsigned long firstLine) {
    bool changed = false;
    std::string resolved;
    unsigned long lineNo = firstLine;
    for (const char* line = record; *line;) {
        // One logical line: continuation lines start with a space.
        const char* end = line;
        std::string logical;
        unsigned long lines = 0;
        while (true) {
            const char* nl = std::strchr(end, '\n');
            const char* stop = nl ? nl : end + std::strlen(end);
            std::string_view piece(end, static_cast<std::size_t>(stop - end));
            if (!piece.empty() && piece.back() == '\r')
                piece.remove_suffix(1);
            if (lines > 0)
                piece.remove_prefix(1);
            logical += piece;
            ++lines;
            end = nl ? nl + 1 : stop;
            if (!nl || *end != ' ')
                break;
        }
        std::size_t colon = logical.find(':');
        if (line[0] != '#' && colon != std::string::npos && colon + 1 < logical.size() &&
            logical[colon + 1] == '<') {
            const std::string attr = logical.substr(0, colon);
            std::size_t at = logical.find_first_not_of(' ', colon + 2);
            const std::string url = at == std::string::npos ? std::string() : logical.substr(at);
            const std::string where = "Line " + std::to_string(lineNo) + ": the value of " + attr +
                                      " given by URL " + url;
            std::string path;
            if (url.rfind("file:///", 0) == 0)
                path = url.substr(7);
            else if (url.rfind("file://localhost/", 0) == 0)
                path = url.substr(16);
            if (path.empty())
                return Failed(where + " cannot be read: only file:/// URLs are read.");
            Result<std::string> bytes = ReadWholeFile(path, kMaxUrlValueBytes);
            if (!bytes)
                return Failed(where + " cannot be read: " + bytes.error());
            resolved += attr + ":: " + Base64(*bytes) + "\n";
            changed = true;
        } else {
            resolved.append(line, static_cast<std::size_t>(end - line));
            if (resolved.empty() || resolved.back() != '\n')
                resolved += '\n';
        }
        lineNo += lines;
        line = end;
    }
    if (!changed)
        return std::optional<std::string>();
    return std::optional<std::string>(std::move(resolved));
}

} // namespace qv::nds
