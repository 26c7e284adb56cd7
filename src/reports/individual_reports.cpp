#include "reports/individual_reports.h"

#include "core/replica_vocabulary.h"
#include "reports/report_support.h"
#include "reports/reports.h"

#include <algorithm>

namespace qv {

namespace {

void ShowImport(TreeDesign& d, std::string_view text) {
    d.progress().Show(ProgressChannel::Import, text);
}

} // namespace

const ReplicaList* ReplicaListOfNode(TreeDesign& d, const ObjectNode* node) {
    if (!node)
        return nullptr;
    if (node->ClassIndex() == kClassServer)
        return d.servers.EntriesOf(node->Name());
    return d.partitions.EntriesOf(d.FullContext(node));
}

bool BuildIndividualReport(TreeDesign& d, const WarningSettings& s, ObjectNode* selected,
                           TextSink& out) {
    if (!selected)
        return false;
    // The tree page's three information labels make room for the progress line.
    d.view().SetObjectLabelsVisible(false);
    bool done = selected->ClassIndex() == kClassServer
                    ? BuildIndividualServerReport(d, s, selected, out)
                    : BuildIndividualPartitionReport(d, s, selected, out);
    d.view().SetObjectLabelsVisible(true);
    ShowImport(d, "");
    return done;
}

bool BuildIndividualPartitionReport(TreeDesign& d, const WarningSettings& s, ObjectNode* node,
                                    TextSink& out) {
    out.Clear();
    const std::string name = d.FullContext(node);
    static const ReplicaList kNone;
    const ReplicaList* found = d.partitions.EntriesOf(name);
    const ReplicaList list = found ? *found : kNone;
    out.Add("***INDIVIDUAL PARTITION REPORT***");
    out.Add("");
    out.Add("Partition: " + name);
    ShowImport(d, "  Creating Partition Report..");
    const std::size_t width = LongestEntryName(list);
    for (const std::string& e : list)
        out.Add(PaddedEntry(" Server: ", e, width));
    out.Add("Total Replicas: " + std::to_string(list.size()));

    ShowImport(d, "  Creating Partition Relation Report..");
    out.Add("");
    out.Add("*PARTITION RELATION REPORT*");
    out.Add("");
    if (node->IsPartitionRoot()) {
        out.Add("Partition: " + name);
        int count = WriteChildPartitions(d, node, out);
        out.Add("Child Partition Count: " + std::to_string(count));
        out.Add("");
    }

    out.Add("");
    out.Add("*SUGGESTIONS*");
    out.Add("");
    ShowImport(d, "  Creating Suggestion Report..");
    const int readables = CountPartitionReadables(list);
    bool master = false;
    for (const std::string& e : list) {
        if (EntryType(e) != kMaster)
            continue;
        if (master) {
            out.Add("  Warning: There are duplicate Master");
            out.Add("           replicas for this partition.");
        }
        master = true;
    }
    if (!master)
        out.Add("  Warning: There is no Master replica for this partition.");
    if (s.CheckMaxReplicasPerPartition && readables > s.MaxReplicasPerPartition) {
        out.Add("  Warning: There are " + std::to_string(readables) + " readable replicas");
        out.Add("           of this partition.  Check the");
        out.Add("           partitioning strategy of the tree.");
    } else if (s.CheckMinReplicasPerPartition && readables < s.MinReplicasPerPartition) {
        out.Add("  Warning: There are only " + std::to_string(readables) + " replicas");
        out.Add("           of this partition.  There ");
        out.Add("           should be " + std::to_string(s.MinReplicasPerPartition) +
                " to maintain the best");
        out.Add("           fault tolerance.");
    }
    return true;
}

namespace {

// The server a report is written for, as the tables hold it.
struct ServerReport {
    ServerReport(TreeDesign& design, const WarningSettings& settings, ObjectNode* node,
                 TextSink& sink)
        : d(design), s(settings), out(sink), name(node->Name()), found(d.servers.FindLast(name)),
          list(found >= 0 ? d.servers.Entries(static_cast<std::size_t>(found)) : ReplicaList{}),
          index(found >= 0 ? static_cast<std::size_t>(found) : 0),
          hasAttributes(found >= 0 && index < d.attributes.Size()),
          addresses(hasAttributes ? d.attributes.Entries(index) : ReplicaList{}),
          versionItem(hasAttributes ? d.attributes.Name(index) : std::string()) {}
    TreeDesign& d;
    const WarningSettings& s;
    TextSink& out;
    const std::string name;
    const int found;
    const ReplicaList list;
    const std::size_t index;
    const bool hasAttributes;
    const ReplicaList addresses;
    const std::string versionItem;
};

// The addresses and the replicas of the server.
void WriteServerReplicas(ServerReport& r) {
    TreeDesign& d = r.d;
    TextSink& out = r.out;
    out.Add("***INDIVIDUAL SERVER REPORT***");
    out.Add("");
    out.Add("Server: " + r.name);
    ShowImport(d, "  Finding Addresses..");
    const std::size_t width = LongestEntryName(r.list);
    for (const std::string& a : r.addresses)
        out.Add(" Address " + a);
    out.Add(" REPLICA LIST");
    for (const std::string& e : r.list) {
        out.Add(PaddedEntry("  Partition: ", e, width));
        ShowImport(d, "  Reporting Replica: " + e);
        d.progress().Pump();
    }
    out.Add(r.versionItem);
    out.Add("Replica Count: " + std::to_string(r.list.size()));
}

// A server of replica depth 0: every other server holding a readable
// replica of one of its partitions. False when aborted.
bool WriteDepthZeroSchemaList(ServerReport& r) {
    TreeDesign& d = r.d;
    SortedNames names;
    for (const std::string& e : r.list) {
        const ReplicaList* partition = d.partitions.EntriesOf(EntryName(e));
        if (PumpAborted(d))
            return false;
        if (!partition)
            continue;
        const ReplicaList members = *partition;
        for (const std::string& f : members) {
            if (PumpAborted(d))
                return false;
            if (EntryType(f) != kSubRef && EntryName(f) != r.name)
                names.insert(std::string(EntryName(f)));
        }
    }
    for (const std::string& n : names)
        r.out.Add("  Server: " + n);
    r.out.Add("Replica Depth: 0");
    return true;
}

// The depth of the server, and of each server sharing a partition with it
// whose depth is not known yet, into the depth table.
void FillReplicaDepths(ServerReport& r, int depth) {
    TreeDesign& d = r.d;
    if (d.serverDepthTable.size() < std::max(d.servers.Size(), kServerDepthTableMin))
        d.serverDepthTable.resize(std::max(d.servers.Size(), kServerDepthTableMin), 255);
    d.serverDepthTable[r.index] = static_cast<std::uint8_t>(depth);
    for (const std::string& e : r.list) {
        const std::string partitionName(EntryName(e));
        ShowImport(d, "  Scanning Replica: " + partitionName);
        d.progress().Pump();
        const ReplicaList* partition = d.partitions.EntriesOf(partitionName);
        if (!partition)
            continue;
        const ReplicaList members = *partition;
        for (const std::string& f : members) {
            std::string_view other = EntryName(f);
            if (other == r.name)
                continue;
            int ti = d.servers.FindFirst(other);
            if (ti < 0 || d.ServerDepth(static_cast<std::size_t>(ti)) != 255)
                continue;
            ShowImport(d, "  ScanningReplica: " + partitionName +
                              ",  Finding Replica Depth for Server: " + std::string(other));
            d.serverDepthTable[static_cast<std::size_t>(ti)] = static_cast<std::uint8_t>(
                d.ServerMinDepth(d.servers.Entries(static_cast<std::size_t>(ti))));
        }
    }
}

// False when aborted.
bool WriteSchemaDistribution(ServerReport& r) {
    TreeDesign& d = r.d;
    ShowImport(d, "  Verifying Subordinate References...");
    d.EnsureAllSubRefs();
    ShowImport(d, "  Finding Replica Depth...");
    r.out.Add("");
    r.out.Add("*SCHEMA DISTRIBUTION LIST*");
    const int depth = d.ServerMinDepth(r.list);
    if (depth == 0)
        return WriteDepthZeroSchemaList(r);
    if (depth != 255 && r.found >= 0) {
        FillReplicaDepths(r, depth);
        return WriteSchemaBlock(d, r.index, r.out);
    }
    return true;
}

// The warnings on the server's replicas, DS version and IPX address.
void WriteServerWarnings(ServerReport& r) {
    const WarningSettings& s = r.s;
    TextSink& out = r.out;
    if (s.CheckServerContainReplica && r.list.empty()) {
        out.Add("  Warning: No replicas are stored on this server.");
        out.Add("           This can result in unwanted authentications");
        out.Add("           to other servers.");
        return;
    }
    const int readables = CountServerReadables(r.list);
    const int subRefs = static_cast<int>(r.list.size()) - readables;
    if (s.CheckMaxReadables && readables > s.MaxReadables) {
        const std::string n = std::to_string(readables);
        out.Add("  Warning: This server contains " + n + " readable/writeable replicas.");
        out.Add("           Revise the replication of your tree.  " + n +
                " replicas are too many!!!");
    }
    if (s.CheckMaxSubRefs && subRefs > s.MaxSubRefs) {
        out.Add("  Warning: This server contains " + std::to_string(subRefs) + " SubRefs.");
        out.Add("           The tree has a flat design.  A more");
        out.Add("           \"pyramid\" design will remedy the problem.");
    }
    if (s.CheckMinDSVersion) {
        std::string w = DSVersionWarning(r.versionItem, s);
        if (!w.empty())
            out.Add(w);
    }
    if (s.CheckIPXAddress && IpxAddressMissing(r.addresses))
        out.Add("  Warning: IPX Address has not been imported.");
}

// Each other server with one of this server's addresses.
void WriteDuplicateAddresses(ServerReport& r) {
    TreeDesign& d = r.d;
    TextSink& out = r.out;
    out.Add("");
    out.Add("Checking for duplicate addresses..");
    out.Add("");
    for (std::size_t t = 0; t < d.servers.Size(); ++t) {
        const std::string& other = d.servers.Name(t);
        if (other == r.name)
            continue;
        d.progress().Pump();
        ShowImport(d, "  Comparing Addresses to: " + other);
        if (t >= d.attributes.Size())
            continue;
        for (const std::string& x : d.attributes.Entries(t))
            for (const std::string& y : r.addresses)
                if (x == y && x != "IPX:00000000") {
                    out.Add("Warning: " + r.name + " and " + other);
                    out.Add("          have duplicate addresses.");
                    out.Add("          Address:" + x);
                }
    }
}

} // namespace

bool BuildIndividualServerReport(TreeDesign& d, const WarningSettings& s, ObjectNode* node,
                                 TextSink& out) {
    out.Clear();
    ServerReport r(d, s, node, out);
    WriteServerReplicas(r);
    if (!WriteSchemaDistribution(r))
        return false;
    out.Add("");
    out.Add("*SUGGESTIONS*");
    out.Add("");
    out.Add("Server: " + r.name);
    ShowImport(d, "  Creating Suggestion Report..");
    WriteServerWarnings(r);
    if (s.CheckDupAddr)
        WriteDuplicateAddresses(r);
    return true;
}

ReplicaReportTexts BuildReplicaReport(TreeDesign& d, const ObjectNode* node) {
    ReplicaReportTexts r;
    std::array<int, kReplicaTypes.size()> n{};
    if (const ReplicaList* list = ReplicaListOfNode(d, node)) {
        for (const std::string& e : *list)
            if (const ReplicaTypeNames* t = ReplicaTypeOfMarker(EntryType(e)))
                ++n[static_cast<std::size_t>(t->type)];
    }
    r.label1 = node && node->IsPartitionRoot() ? "Replica Report For Partition: "
                                               : "Replica Report For Server: ";
    r.edit1 = node ? d.FullContext(node) : std::string();
    for (std::size_t i = 0; i < kReplicaTypes.size(); ++i)
        r.panels[i] = kReplicaTypes[i].reportCaption + std::to_string(n[i]);
    return r;
}

} // namespace qv
