#include "core/replica_vocabulary.h"

namespace qv {

namespace {

template <typename Column> const ReplicaTypeNames* Find(Column column, std::string_view text) {
    for (const ReplicaTypeNames& t : kReplicaTypes) {
        const char* name = t.*column;
        if (name && text == name)
            return &t;
    }
    return nullptr;
}

} // namespace

const ReplicaTypeNames& NamesOf(ReplicaType type) {
    return kReplicaTypes[static_cast<std::size_t>(type)];
}

const ReplicaTypeNames* ReplicaTypeOfMarker(std::string_view marker) {
    for (const ReplicaTypeNames& t : kReplicaTypes)
        if (t.marker == marker)
            return &t;
    return nullptr;
}

const ReplicaTypeNames* ReplicaTypeOfScriptWord(std::string_view word) {
    return Find(&ReplicaTypeNames::scriptWord, word);
}

const ReplicaTypeNames* ReplicaTypeOfRingReportWord(std::string_view word) {
    return Find(&ReplicaTypeNames::ringReportWord, word);
}

const char* ReplicaPictureName(std::string_view typeMarker) {
    const ReplicaTypeNames* t = ReplicaTypeOfMarker(typeMarker);
    return t ? t->picture : NamesOf(ReplicaType::SubRef).picture;
}

} // namespace qv
