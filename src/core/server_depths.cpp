// The depth of every server: the level of the highest partition it holds a
// readable replica of.
#include "core/tree_design.h"

#include <algorithm>

namespace qv {

int TreeDesign::ServerMinDepth(const ReplicaList& list) {
    int depth = 255;
    for (const std::string& e : list) {
        if (IsReadable(e)) {
            if (ObjectNode* n = FindNodeByNameOrContext(EntryName(e), true))
                depth = std::min(depth, n->Level());
            if (depth == 0)
                break;
        }
        progress_->Pump();
        if (flags_.abortRequested)
            break;
    }
    return depth;
}

int TreeDesign::ServerMinLevel(std::string_view serverName) {
    const ReplicaList* list = servers.EntriesOf(serverName);
    if (!list || list->empty())
        return -1;
    int best = -1;
    for (const std::string& e : *list) {
        ObjectNode* n = FindNodeByNameOrContext(EntryName(e), true);
        if (n && (best < 0 || n->Level() < best))
            best = n->Level();
    }
    return best;
}

bool TreeDesign::ComputeServerDepths() {
    const std::size_t count = servers.Size();
    progress_->Show(ProgressChannel::Label1, "  Total Servers: " + std::to_string(count));
    if (count == 1)
        return true;
    if (serverDepthTable.size() < std::max(count, kServerDepthTableMin))
        serverDepthTable.resize(std::max(count, kServerDepthTableMin), 255);
    for (std::size_t i = 0; i < count; ++i) {
        progress_->Pump();
        if (flags_.abortRequested)
            return false;
        progress_->Show(ProgressChannel::Label2, "  Current Server: " + servers.Name(i));
        serverDepthTable[i] = static_cast<std::uint8_t>(ServerMinDepth(servers.Entries(i)));
        progress_->Show(ProgressChannel::Label3,
                        "  Remaining Servers: " + std::to_string(count - 1 - i));
    }
    return true;
}

int TreeDesign::ServerDepth(std::size_t i) const {
    return i < serverDepthTable.size() ? serverDepthTable[i] : 255;
}

} // namespace qv
