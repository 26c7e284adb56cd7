// The replica types and every way the program spells them: the marker a
// replica entry ends with ("*MASTER*"), the bitmap the lists, the dialogs, the
// printouts and the PDFs show, the word an edit script, a plan and a replica
// ring report use, the caption of the replica dialog's radio button and the
// caption of the replica report's counters. One row a type, in one order.
#pragma once

#include "core/entries.h"

#include <array>
#include <string_view>

namespace qv {

// The values are the replica type numbers the directory stores and lists.
enum class ReplicaType {
    Master = 0,
    ReadWrite = 1,
    ReadOnly = 2,
    SubRef = 3,
    SparseWrite = 4,
    SparseRead = 5,
};

struct ReplicaTypeNames {
    ReplicaType type;
    std::string_view marker;
    // The resource name of its bitmap.
    const char* picture;
    // The word of add-replica, change-type and a plan; nullptr: a script
    // cannot name it.
    const char* scriptWord;
    // The type column of a replica ring report; nullptr: the reader records
    // no replica for it.
    const char* ringReportWord;
    // The radio button of the replica dialog; nullptr: there is none.
    const char* radioCaption;
    // The replica report's counter panel, before the count.
    const char* reportCaption;
};

inline constexpr std::array<ReplicaTypeNames, 6> kReplicaTypes = {{
    {ReplicaType::Master, kMaster, "MASTER", "M", "M", "Master", "Master: "},
    {ReplicaType::ReadWrite, kReadWrite, "RW", "RW", "RW", "Read Write", "Read/Write: "},
    {ReplicaType::ReadOnly, kReadOnly, "RO", "RO", "RO", "Read Only", "Read/Only: "},
    {ReplicaType::SubRef, kSubRef, "SR", nullptr, nullptr, nullptr, "Sub/Ref: "},
    {ReplicaType::SparseWrite, kSparseWrite, "SPRW", "SPRW", nullptr, "Sparse Read Write",
     "Sparse Write: "},
    {ReplicaType::SparseRead, kSparseRead, "SPRO", "SPRO", nullptr, "Sparse Read Only",
     "Sparse Read: "},
}};

// A type's row is the type's value: counters and panels are indexed by it.
constexpr bool RowsInTypeOrder() {
    for (std::size_t i = 0; i < kReplicaTypes.size(); ++i)
        if (static_cast<std::size_t>(kReplicaTypes[i].type) != i)
            return false;
    return true;
}
static_assert(RowsInTypeOrder());

// The script word of a type; nullptr for one a script cannot name.
constexpr const char* ScriptWordOf(ReplicaType type) {
    return kReplicaTypes[static_cast<std::size_t>(type)].scriptWord;
}
// The words the plans write for a new master and for a read/write replica.
inline constexpr const char* kMasterWord = ScriptWordOf(ReplicaType::Master);
inline constexpr const char* kReadWriteWord = ScriptWordOf(ReplicaType::ReadWrite);

const ReplicaTypeNames& NamesOf(ReplicaType type);
// The row of a type marker, nullptr for any other text.
const ReplicaTypeNames* ReplicaTypeOfMarker(std::string_view marker);
// The row of a script word, nullptr for a word no type has.
const ReplicaTypeNames* ReplicaTypeOfScriptWord(std::string_view word);
// The row of a ring report's type word, nullptr for a word the reader skips.
const ReplicaTypeNames* ReplicaTypeOfRingReportWord(std::string_view word);

// The resource name of the bitmap of a replica type marker ("MASTER", "RW",
// "RO", "SPRW", "SPRO"); "SR" for any other text, as the replica list shows it.
const char* ReplicaPictureName(std::string_view typeMarker);

} // namespace qv
