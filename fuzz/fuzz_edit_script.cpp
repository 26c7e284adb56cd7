// Fuzzes the edit script reader and runner: any text must parse or be
// rejected, and any command sequence run on a small design must leave it
// consistent: both halves of every replica present, one attribute item per
// server, a partition item for every partition root, and a design that
// writes and reads back.
#include "core/tree_design.h"
#include "edit/edit_script.h"
#include "files/design_file.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <tuple>

namespace {

using qv::ObjectNode;
using qv::TreeDesign;

void AddServer(TreeDesign& d, ObjectNode* parent, const std::string& name) {
    d.AddChild(parent, name, qv::kClassServer);
    d.servers.Append(name);
    d.attributes.Append("DS VERSION:0", {"IPX:00000000"});
}

void Pair(TreeDesign& d, const std::string& partition, const std::string& server,
          std::string_view type) {
    d.partitions.EntriesOf(partition)->push_back(qv::MakeReplicaEntry(server, type));
    d.servers.EntriesOf(server)->push_back(qv::MakeReplicaEntry(partition, type));
}

// [ROOT] > CORP (FS1, SALES (FS2, EAST, users), FS3), and US > ACME.
void Build(TreeDesign& d) {
    d.ClearTree();
    d.partitions.Clear();
    d.servers.Clear();
    d.attributes.Clear();
    d.partitions.Append(qv::kRootName);
    ObjectNode* root = d.Root();
    ObjectNode* corp = d.AddChild(root, "CORP", qv::kClassOrganization);
    AddServer(d, corp, "FS1");
    ObjectNode* sales = d.AddChild(corp, "SALES", qv::kClassOrgUnit);
    AddServer(d, sales, "FS2");
    ObjectNode* east = d.AddChild(sales, "EAST", qv::kClassOrgUnit);
    AddServer(d, corp, "FS3");
    ObjectNode* us = d.AddChild(root, "US", qv::kClassCountry);
    ObjectNode* acme = d.AddChild(us, "ACME", qv::kClassOrganization);
    for (ObjectNode* p : {sales, east, acme}) {
        d.SetPartitionMark(p, qv::kPartitionRootMark);
        d.partitions.Append(d.FullContext(p));
    }
    Pair(d, "[ROOT]", "FS1", qv::kMaster);
    Pair(d, "[ROOT]", "FS2", qv::kReadWrite);
    Pair(d, "SALES.CORP", "FS2", qv::kMaster);
    Pair(d, "SALES.CORP", "FS1", qv::kReadWrite);
    Pair(d, "SALES.CORP", "FS3", qv::kSparseRead);
    Pair(d, "EAST.SALES.CORP", "FS2", qv::kMaster);
    Pair(d, "ACME.US", "FS3", qv::kMaster);
    Pair(d, "ACME.US", "FS1", qv::kSparseWrite);
    d.AddSubordinateEntries(root);
    d.AppendLeaf(sales, qv::MakeLeafEntry("JSMITH", qv::kClassUser));
    d.AppendLeaf(sales, qv::MakeLeafEntry("PRN", 34));
}

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

void CheckConsistent(TreeDesign& d) {
    Check(d.attributes.Size() == d.servers.Size());
    using Replica = std::tuple<std::string, std::string, std::string>; // partition, server, type
    std::multiset<Replica> fromPartitions, fromServers;
    for (const qv::TableItem& p : d.partitions)
        for (const std::string& e : p.entries)
            fromPartitions.emplace(p.name, std::string(qv::EntryName(e)),
                                   std::string(qv::EntryType(e)));
    for (const qv::TableItem& s : d.servers)
        for (const std::string& e : s.entries)
            fromServers.emplace(std::string(qv::EntryName(e)), s.name,
                                std::string(qv::EntryType(e)));
    Check(fromPartitions == fromServers);
    d.WalkSubtree(d.Root(), [&](ObjectNode* n) {
        if (n->IsPartitionRoot())
            Check(d.partitions.FindLast(d.FullContext(n)) >= 0);
        if (n->ClassIndex() == qv::kClassServer)
            Check(d.servers.FindLast(n->Name()) >= 0);
        return true;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<qv::ScriptLine> lines;
    if (qv::ParseEditScript(text, lines))
        return 0;
    qv::OperationLog::SetRecording(true);
    TreeDesign design;
    Build(design);
    qv::RunEditScript(design, lines, nullptr);
    CheckConsistent(design);
    if (const qv::Result<std::string> bytes = qv::SerializeDesign(design)) {
        qv::DesignFileContents contents;
        Check(qv::ParseDesignFile(*bytes, contents) == qv::ParseStatus::Ok);
    }
    design.EnsureAllSubRefs();
    CheckConsistent(design);
    return 0;
}
