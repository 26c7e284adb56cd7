#include "core/entries.h"

#include <algorithm>

namespace qv {

namespace {

// 1-based position of the "*" that starts the type marker, or 0 when there is none.
std::size_t TypeStart(std::string_view entry) {
    std::size_t n = entry.size();
    if (n > 0 && entry[n - 1] == '*')
        --n;
    while (n > 0 && entry[n - 1] != '*')
        --n;
    return n;
}

} // namespace

std::string_view EntryName(std::string_view entry) {
    std::size_t n = TypeStart(entry);
    return n > 0 ? entry.substr(0, n - 1) : std::string_view{};
}

std::string_view EntryType(std::string_view entry) {
    std::size_t n = TypeStart(entry);
    std::size_t from = n > 0 ? n - 1 : 0;
    return entry.substr(from, kMaxStoredText);
}

bool IsReadable(std::string_view entry) {
    return EntryType(entry) != kSubRef;
}

std::string MakeReplicaEntry(std::string_view name, std::string_view type) {
    std::string s;
    s.reserve(name.size() + type.size());
    s.append(name);
    s.append(type);
    return s;
}

int FindEntryByName(const ReplicaList& list, std::string_view name) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (EntryName(list[i]) == name)
            return static_cast<int>(i);
    return -1;
}

int FindEntryExact(const ReplicaList& list, std::string_view text) {
    auto it = std::find(list.begin(), list.end(), text);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

std::string_view LastPathComponent(std::string_view path) {
    std::size_t pos = path.find_last_of("/\\");
    return pos == std::string_view::npos ? path : path.substr(pos + 1);
}

std::string MakeLeafEntry(std::string_view name, int classIndex) {
    std::string s;
    s.reserve(name.size() + 6);
    s.append(name);
    s.push_back(kLeafSep1);
    s.push_back(kLeafSep2);
    s.append(std::to_string(classIndex));
    return s;
}

namespace {

// Where the separator pair 0xBF 0xBC starts: the last pair, since a UTF-8
// name may hold either byte (and even the pair) itself; without a pair, the
// first 0xBF.
std::size_t LeafSeparator(std::string_view entry) {
    const char pair[] = {kLeafSep1, kLeafSep2};
    std::size_t pos = entry.rfind(std::string_view(pair, 2));
    return pos != std::string_view::npos ? pos : entry.find(kLeafSep1);
}

} // namespace

std::string_view LeafName(std::string_view entry) {
    std::size_t pos = LeafSeparator(entry);
    return pos == std::string_view::npos ? entry : entry.substr(0, pos);
}

long long LeafClassIndex(std::string_view entry) {
    std::size_t sep = LeafSeparator(entry);
    std::size_t pos =
        sep != std::string_view::npos && sep + 1 < entry.size() && entry[sep + 1] == kLeafSep2
            ? sep + 1
            : entry.find(kLeafSep2);
    if (pos == std::string_view::npos)
        return -1;
    std::string_view digits = entry.substr(pos + 1, 10);
    long long value = 0;
    bool any = false;
    for (char c : digits) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        any = true;
    }
    return any ? value : -1;
}

std::string_view TrimText(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return text.substr(b, e - b);
}

} // namespace qv
