// Compound texts of the model: replica entries ("FS1*MASTER*"), leaf entries
// (name, 0xBF, 0xBC, decimal class index) and the helpers that take them apart.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

using ReplicaList = std::vector<std::string>;
using LeafList = std::vector<std::string>;

inline constexpr std::string_view kMaster = "*MASTER*";
inline constexpr std::string_view kReadWrite = "*READ/WRITE*";
inline constexpr std::string_view kReadOnly = "*READ/ONLY*";
inline constexpr std::string_view kSubRef = "*SUB/REF*";
inline constexpr std::string_view kSparseWrite = "*SPARSE/WRITE*";
inline constexpr std::string_view kSparseRead = "*SPARSE/READ*";

inline constexpr char kLeafSep1 = '\xBF';
inline constexpr char kLeafSep2 = '\xBC';

// Longest name, entry or path a design file can hold.
inline constexpr std::size_t kMaxStoredText = 255;

// The name part of a replica entry: the text before its type marker.
std::string_view EntryName(std::string_view entry);
// The type marker of a replica entry (at most 255 characters).
std::string_view EntryType(std::string_view entry);
// A replica whose type is not "*SUB/REF*" is readable.
bool IsReadable(std::string_view entry);
std::string MakeReplicaEntry(std::string_view name, std::string_view type);

// Index of the first entry whose EntryName equals name, or -1.
int FindEntryByName(const ReplicaList& list, std::string_view name);
// Index of the first entry equal to the text, or -1.
int FindEntryExact(const ReplicaList& list, std::string_view text);

// The text after the last "/" or "\", or the whole text.
std::string_view LastPathComponent(std::string_view path);

std::string MakeLeafEntry(std::string_view name, int classIndex);
// The text before the last 0xBF 0xBC pair (else the first 0xBF; all without one).
std::string_view LeafName(std::string_view entry);
// The integer read from up to 10 characters after that pair's 0xBC (else the
// first 0xBC); -1 when there is no 0xBC or no digit follows it.
long long LeafClassIndex(std::string_view entry);

// Trims characters up to and including the space from both ends.
std::string_view TrimText(std::string_view text);

} // namespace qv
