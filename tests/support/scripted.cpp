#include "support/scripted.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace qv::test {

std::vector<std::string> ScriptedInteraction::Texts(const std::string& kind) const {
    std::vector<std::string> out;
    for (const Box& b : boxes)
        if (b.kind == kind)
            out.push_back(b.text);
    return out;
}

std::vector<std::string> RecordingProgress::Texts(ProgressChannel c) const {
    std::vector<std::string> out;
    for (const Shown& s : shown)
        if (s.channel == c)
            out.push_back(s.text);
    return out;
}

bool RecordingProgress::Saw(const std::string& text) const {
    for (const Shown& s : shown)
        if (s.text == text)
            return true;
    return false;
}

void MakeEmpty(TreeDesign& d) {
    d.ClearTree();
    d.partitions.Clear();
    d.servers.Clear();
    d.attributes.Clear();
    d.partitions.Append(kRootName);
}

void AddReplica(TreeDesign& d, const std::string& partition, const std::string& server,
                std::string_view type) {
    ReplicaList* pl = d.partitions.EntriesOf(partition);
    ReplicaList* sl = d.servers.EntriesOf(server);
    if (!pl || !sl)
        throw std::logic_error("AddReplica: unknown partition or server");
    pl->push_back(MakeReplicaEntry(server, type));
    sl->push_back(MakeReplicaEntry(partition, type));
}

ObjectNode* AddServer(TreeDesign& d, ObjectNode* parent, const std::string& name) {
    ObjectNode* n = d.AddChild(parent, name, kClassServer);
    d.servers.Append(name);
    d.attributes.Append("DS VERSION:0", {"IPX:00000000"});
    return n;
}

void MakePartition(TreeDesign& d, ObjectNode* node) {
    d.SetPartitionMark(node, kPartitionRootMark);
    d.partitions.Append(d.FullContext(node));
}

std::string TempDir() {
    std::string tmpl = "/tmp/qvtest.XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    return std::string(buf.data());
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace qv::test
