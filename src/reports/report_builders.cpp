// The report by server, the report by partition, the partition relation report
// and the schema distribution list report.
#include "reports/reports.h"

#include "reports/report_support.h"

#include <algorithm>

namespace qv {

std::string DesignTitleName(const TreeDesign& design) {
    return std::string(LastPathComponent(design.designFileName));
}

std::size_t LongestEntryName(const ReplicaList& list, std::size_t atLeast) {
    for (const std::string& e : list)
        atLeast = std::max(atLeast, EntryName(e).size());
    return atLeast;
}

std::string PaddedEntry(std::string_view prefix, std::string_view entry, std::size_t width) {
    std::string_view name = EntryName(entry);
    std::string line;
    line.reserve(prefix.size() + width + 1 + 16);
    line += prefix;
    line += name;
    line.append(width >= name.size() ? width - name.size() + 1 : 1, ' ');
    line += EntryType(entry);
    return line;
}

bool PumpAborted(TreeDesign& design) {
    design.progress().Pump();
    return design.Flags().abortRequested;
}

void ShowStatus(TreeDesign& design, std::string_view text) {
    design.progress().Show(ProgressChannel::Status, text);
}

// ---------------------------------------------------------------- by server

bool BuildServerReport(TreeDesign& d, TextSink& out) {
    out.Clear();
    out.Add("**SERVER REPORT FOR TREE " + DesignTitleName(d) + "**");
    out.Add("");
    std::size_t width = 0;
    for (std::size_t i = 0; i < d.servers.Size(); ++i)
        width = LongestEntryName(d.servers.Entries(i), width);
    for (std::size_t i = 0; i < d.servers.Size(); ++i) {
        const std::string& name = d.servers.Name(i);
        out.Add("Server: " + name);
        if (PumpAborted(d))
            return false;
        ShowStatus(d, "  Processing Server: " + name);
        if (i < d.attributes.Size())
            for (const std::string& a : d.attributes.Entries(i))
                out.Add(" Address " + a);
        out.Add(" REPLICA LIST");
        const ReplicaList& list = d.servers.Entries(i);
        for (const std::string& e : list)
            out.Add(PaddedEntry("  Partition: ", e, width));
        out.Add(i < d.attributes.Size() ? d.attributes.Name(i) : std::string());
        out.Add("Replica Count: " + std::to_string(list.size()));
        out.Add("");
        if (PumpAborted(d))
            return false;
    }
    out.Add("Partition Count: " + std::to_string(d.partitions.Size()));
    out.Add("Server Count: " + std::to_string(d.servers.Size()));
    ShowStatus(d, "");
    return true;
}

// ---------------------------------------------------------------- by partition

bool BuildPartitionReport(TreeDesign& d, TextSink& out) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < d.partitions.Size(); ++i)
        width = LongestEntryName(d.partitions.Entries(i), width);
    out.Clear();
    out.Add("**PARTITION REPORT FOR TREE " + DesignTitleName(d) + "**");
    out.Add("");
    for (std::size_t i = 0; i < d.partitions.Size(); ++i) {
        if (PumpAborted(d))
            return false;
        const std::string& name = d.partitions.Name(i);
        out.Add("Partition: " + name);
        const ReplicaList& list = d.partitions.Entries(i);
        for (const std::string& e : list)
            out.Add(PaddedEntry("  Server: ", e, width));
        out.Add("Replica Count: " + std::to_string(list.size()));
        out.Add("");
        if (PumpAborted(d))
            return false;
        ShowStatus(d, "  Processing Partition: " + name);
    }
    out.Add("Server Count: " + std::to_string(d.servers.Size()));
    out.Add("Partition Count: " + std::to_string(d.partitions.Size()));
    ShowStatus(d, "");
    return true;
}

// ---------------------------------------------------------------- relations

int WriteChildPartitions(TreeDesign& d, ObjectNode* partitionRoot, TextSink& out) {
    int count = 0;
    // The child-partition walk: partition roots are listed, not descended into.
    d.Walk(
        partitionRoot->FirstChild(),
        [&](ObjectNode* n) {
            if (n->IsPartitionRoot()) {
                out.Add("  Child Partition: " + d.FullContext(n));
                ++count;
            }
            return true;
        },
        true);
    return count;
}

bool BuildPartitionRelationReport(TreeDesign& d, TextSink& out) {
    out.Clear();
    out.Add("**PARTITION RELATION REPORT FOR " + DesignTitleName(d) + "**");
    out.Add("");
    bool finished = d.Walk(d.Root(), [&](ObjectNode* n) {
        if (PumpAborted(d))
            return false;
        d.progress().Pump();
        const std::string context = d.FullContext(n);
        ShowStatus(d, "  Processing Partition: " + context);
        if (n->IsPartitionRoot()) {
            out.Add("Partition: " + context);
            int count = WriteChildPartitions(d, n, out);
            out.Add("Child Partition Count: " + std::to_string(count));
            out.Add("");
        }
        return true;
    });
    if (!finished)
        return false;
    out.Add("Total Partitions: " + std::to_string(d.partitions.Size()));
    ShowStatus(d, "");
    return true;
}

// ---------------------------------------------------------------- schema

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return LowerAscii(x) < LowerAscii(y);
    });
}

bool WriteSchemaBlock(TreeDesign& d, std::size_t i, TextSink& out) {
    const std::string name = d.servers.Name(i);
    out.Add("SERVER: " + name);
    if (d.servers.Size() == 1)
        return true;
    const int depth = d.ServerDepth(i);
    SortedNames names;
    // Copy: the server's list is only read, but pumping may let the host run.
    const ReplicaList list = d.servers.Entries(i);
    for (const std::string& e : list) {
        int pi = d.partitions.FindFirst(EntryName(e));
        if (PumpAborted(d))
            return false;
        if (pi < 0)
            continue;
        for (const std::string& f : d.partitions.Entries(static_cast<std::size_t>(pi))) {
            if (PumpAborted(d))
                return false;
            if (EntryType(f) == kSubRef)
                continue;
            std::string_view other = EntryName(f);
            if (other == name)
                continue;
            int ti = d.servers.FindFirst(other);
            if (ti < 0 || d.ServerDepth(static_cast<std::size_t>(ti)) < depth)
                continue;
            names.insert(std::string(other));
        }
    }
    for (const std::string& n : names)
        out.Add("  Server: " + n);
    out.Add("Replica Depth: " + std::to_string(depth == 255 ? -1 : depth));
    out.Add("");
    return true;
}

bool BuildSchemaReport(TreeDesign& d, TextSink& out) {
    out.Clear();
    out.Add("**SCHEMA DISTRIBUTION LIST REPORT FOR TREE " + DesignTitleName(d) + "**");
    out.Add("");
    for (std::size_t i = 0; i < d.servers.Size(); ++i)
        if (!WriteSchemaBlock(d, i, out))
            return false;
    out.Add("NOTE: Any server with replica depth of -1 will request");
    out.Add("to be added to the distribution list of a server that holds");
    out.Add("a real replica of the partition in which it resides.");
    return true;
}

} // namespace qv
