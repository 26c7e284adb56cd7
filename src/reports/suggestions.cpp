// The server, partition and object suggestion texts.
#include "reports/report_support.h"
#include "reports/reports.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>

namespace qv {

namespace {

constexpr std::string_view kZeroIpx = "IPX:00000000";

std::string_view AfterFirstColon(std::string_view text, bool& hasColon) {
    std::size_t p = text.find(':');
    hasColon = p != std::string_view::npos;
    return hasColon ? text.substr(p + 1) : std::string_view();
}

// A decimal integer with an optional sign, as the stored versions are written.
std::optional<long long> ParseDecimal(std::string_view t) {
    if (!t.empty() && t[0] == '+')
        t.remove_prefix(1);
    long long v = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || p != t.data() + t.size())
        return std::nullopt;
    return v;
}

} // namespace

int CountPartitionReadables(const ReplicaList& list) {
    int n = 0;
    for (const std::string& e : list) {
        std::string_view t = EntryType(e);
        if (t == kMaster || t == kReadWrite || t == kReadOnly)
            ++n;
    }
    return n;
}

int CountServerReadables(const ReplicaList& list) {
    int n = 0;
    for (const std::string& e : list)
        if (EntryType(e) != kSubRef)
            ++n;
    return n;
}

int CountSubRefs(const ReplicaList& list) {
    return static_cast<int>(list.size()) - CountServerReadables(list);
}

std::string DSVersionWarning(std::string_view item, const WarningSettings& s) {
    bool hasColon = false;
    std::string_view v = AfterFirstColon(item, hasColon);
    std::optional<long long> n = ParseDecimal(v);
    // Empty, missing or unreadable versions were never imported.
    if (!n)
        return "  Warning: DS VERSION has not been imported.";
    if (*n < s.Min4xDSVersion)
        return "  Warning: 4.X DS VERSION is less than " + std::to_string(s.Min4xDSVersion);
    if (*n >= 700 && *n <= 799 && *n < s.Min5xDSVersion)
        return "  Warning: 5.X DS VERSION is less than " + std::to_string(s.Min5xDSVersion);
    if (*n >= 800 && *n <= 899 && *n < s.MinSkadsVersion)
        return "  Warning: SKADS DS VERSION is less than " + std::to_string(s.MinSkadsVersion);
    return {};
}

bool IpxAddressMissing(const ReplicaList& addresses) {
    if (addresses.empty())
        return true;
    bool hasColon = false;
    std::string_view a = AfterFirstColon(addresses.front(), hasColon);
    if (a.empty())
        return true;
    bool zero = true;
    for (char c : a) {
        bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!hex)
            return true; // not a readable address: not imported
        if (c != '0')
            zero = false;
    }
    return zero;
}

// ---------------------------------------------------------------- servers

namespace {

// Which servers hold each address, so that shared addresses are found without
// comparing every pair of servers.
class AddressIndex {
public:
    explicit AddressIndex(const TreeDesign& d) {
        for (std::size_t i = 0; i < d.attributes.Size() && i < d.servers.Size(); ++i)
            for (const std::string& a : d.attributes.Entries(i))
                if (a != kZeroIpx) {
                    auto& holders = byAddress_[a];
                    if (holders.empty() || holders.back() != i)
                        holders.push_back(i);
                }
    }
    // Servers (ascending) other than s sharing an address with the list.
    std::vector<std::size_t> Partners(std::size_t s, const ReplicaList& addresses) const {
        std::vector<std::size_t> out;
        for (const std::string& a : addresses) {
            auto it = byAddress_.find(a);
            if (it == byAddress_.end())
                continue;
            for (std::size_t t : it->second)
                if (t != s)
                    out.push_back(t);
        }
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
        return out;
    }

private:
    std::unordered_map<std::string_view, std::vector<std::size_t>> byAddress_;
};

const ReplicaList& AddressesOf(const TreeDesign& d, std::size_t i) {
    static const ReplicaList kNone;
    return i < d.attributes.Size() ? d.attributes.Entries(i) : kNone;
}

} // namespace

bool BuildServerSuggestions(TreeDesign& d, const WarningSettings& s, TextSink& out) {
    out.Clear();
    out.Add("**SERVER SUGGESTION REPORT FOR TREE " + DesignTitleName(d) + "**");
    out.Add("");
    std::optional<AddressIndex> index;
    if (s.CheckDupAddr)
        index.emplace(d);
    for (std::size_t i = 0; i < d.servers.Size(); ++i) {
        if (PumpAborted(d))
            return false;
        const std::string& name = d.servers.Name(i);
        out.Add("Server: " + name);
        ShowStatus(d, "  Processing Server: " + name);
        const ReplicaList& list = d.servers.Entries(i);
        if (list.empty()) {
            if (s.CheckServerContainReplica) {
                out.Add("  Warning: No replicas are stored on this server.");
                out.Add("           This can result in unwanted authentications");
                out.Add("           to other servers.");
            }
        } else {
            int readables = CountServerReadables(list);
            int subRefs = static_cast<int>(list.size()) - readables;
            if (s.CheckMaxReadables && readables > s.MaxReadables) {
                out.Add("  Warning: This server contains " + std::to_string(readables));
                out.Add("           readable replicas.");
                out.Add("           Revise the replication of your tree.");
            }
            if (s.CheckMaxSubRefs && subRefs > s.MaxSubRefs) {
                out.Add("  Warning: This server contains " + std::to_string(subRefs) + " SubRefs.");
                out.Add("           The tree could have a flat design OR the");
                out.Add("           server has too many readable replicas.");
            }
        }
        if (s.CheckMinDSVersion) {
            std::string w =
                DSVersionWarning(i < d.attributes.Size() ? d.attributes.Name(i) : "", s);
            if (!w.empty())
                out.Add(w);
        }
        const ReplicaList& mine = AddressesOf(d, i);
        if (s.CheckIPXAddress && IpxAddressMissing(mine))
            out.Add("  Warning: IPX Address has not been imported.");
        if (PumpAborted(d))
            return false;
        if (index) {
            for (std::size_t t : index->Partners(i, mine)) {
                const std::string& other = d.servers.Name(t);
                if (other == name)
                    continue;
                if (PumpAborted(d))
                    return false;
                for (const std::string& x : mine)
                    for (const std::string& y : AddressesOf(d, t))
                        if (x == y && x != kZeroIpx) {
                            out.Add("  Warning: " + name + " and " + other);
                            out.Add("           have duplicate addresses.");
                            out.Add("           Address: " + x);
                        }
            }
        }
        out.Add("");
    }
    ShowStatus(d, "");
    return true;
}

// ---------------------------------------------------------------- partitions

bool BuildPartitionSuggestions(TreeDesign& d, const WarningSettings& s, TextSink& out) {
    out.Clear();
    out.Add("**PARTITION REPORT FOR TREE " + DesignTitleName(d) + "**");
    out.Add("");
    for (std::size_t i = 0; i < d.partitions.Size(); ++i) {
        if (PumpAborted(d))
            return false;
        const std::string& name = d.partitions.Name(i);
        out.Add("Partition: " + name);
        ShowStatus(d, "  Processing Partition: " + name);
        const ReplicaList& list = d.partitions.Entries(i);
        int readables = 0;
        bool master = false;
        for (const std::string& e : list) {
            std::string_view t = EntryType(e);
            if (t == kMaster || t == kReadWrite || t == kReadOnly)
                ++readables;
            if (t == kMaster) {
                if (master) {
                    out.Add("  Warning: There are duplicate Master");
                    out.Add("  replicas for this partition.");
                }
                master = true;
            }
            if (PumpAborted(d))
                return false;
        }
        if (!master) {
            out.Add("  Warning: There is no Master replica");
            out.Add("  for this partition.");
        }
        if (s.CheckMaxReplicasPerPartition && readables > s.MaxReplicasPerPartition) {
            out.Add("  Warning: There are " + std::to_string(readables) + " readable/writeable");
            out.Add("           replicas of this partition.");
            out.Add("           Check the partitioning strategy of the");
            out.Add("           tree.");
        } else if (s.CheckMinReplicasPerPartition && readables < s.MinReplicasPerPartition) {
            out.Add("  Warning: There are only " + std::to_string(readables) + " replicas of");
            out.Add("           this partition.  There should");
            out.Add("           be " + std::to_string(s.MinReplicasPerPartition) +
                    " to maintain the best fault");
            out.Add("           tolerance.");
        }
        out.Add("");
    }
    ShowStatus(d, "");
    return true;
}

// ---------------------------------------------------------------- objects

bool HasObjectReport(const TreeDesign& design) {
    return design.Root() && design.Root()->Leaves() != nullptr;
}

namespace {
// The node itself when it roots a partition, else its nearest such ancestor.
const ObjectNode* PartitionRootOf(const ObjectNode* n) {
    for (; n; n = n->Parent())
        if (n->IsPartitionRoot())
            return n;
    return nullptr;
}
} // namespace

bool BuildObjectSuggestions(TreeDesign& d, const WarningSettings& s, TextSink& out) {
    out.Clear();
    out.Add("**OBJECT SUGGESTIONS FOR TREE: " + DesignTitleName(d) + "**");
    out.Add("");
    int warnings = 0;
    if (s.CheckMaxObjsPerContainer) {
        bool finished = d.Walk(d.Root(), [&](ObjectNode* n) {
            if (d.Flags().abortRequested)
                return false;
            d.progress().Pump();
            ShowStatus(d, "Processing Object: " + n->Name());
            if (n->Leaves() &&
                static_cast<long long>(n->Leaves()->size()) > s.MaxObjsPerContainer) {
                const std::string k = std::to_string(n->Leaves()->size());
                const ObjectNode* root = PartitionRootOf(n);
                out.Add("WARNING!!  " + ClassName(n->ClassIndex()) + ": " + d.FullContext(n));
                out.Add("  Contained in partition: " + (root ? d.FullContext(root) : ""));
                out.Add("    Child Objects: " + k);
                out.Add(k + " child objects MIGHT cause slow DS performance.");
                out.Add("");
                ++warnings;
            }
            return true;
        });
        if (!finished)
            return false;
    }
    if (warnings == 0)
        out.Add("** NO SUGGESTIONS AT THIS TIME **");
    ShowStatus(d, "");
    return true;
}

} // namespace qv
