#include "core/synthetic_design.h"

#include "core/design_change.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace qv {

namespace {

// A small generator with the same sequence on every platform.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    std::uint64_t Next() {
        std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n).
    std::size_t Below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(Next() % n); }

private:
    std::uint64_t s_;
};

struct LeafClass {
    int index;
    const char* prefix;
    int weight;
};

// Leaf classes with their share of the generated objects.
constexpr std::array<LeafClass, 16> kLeafClasses{{
    {44, "U", 60},  // USER
    {16, "G", 8},   // GROUP
    {34, "P", 4},   // PRINTER
    {36, "Q", 3},   // QUEUE
    {45, "V", 3},   // VOLUME
    {8, "A", 3},    // ALIAS
    {31, "R", 3},   // ORGANIZATIONAL ROLE
    {62, "APP", 4}, // APP:APPLICATION
    {82, "WS", 4},  // WORKSTATION
    {13, "C", 2},   // COMPUTER
    {26, "NP", 1},  // NDPS PRINTER
    {33, "PS", 1},  // PRINT SERVER
    {15, "DM", 1},  // DIRECTORY MAP
    {35, "PR", 1},  // PROFILE
    {56, "W95", 1}, // WIN95 USER PACKAGE
    {42, "T", 1},   // TEMPLATE
}};

const LeafClass& PickLeafClass(Rng& rng) {
    int total = 0;
    for (const auto& c : kLeafClasses)
        total += c.weight;
    int r = static_cast<int>(rng.Below(static_cast<std::size_t>(total)));
    for (const auto& c : kLeafClasses) {
        if (r < c.weight)
            return c;
        r -= c.weight;
    }
    return kLeafClasses[0];
}

std::string Hex8(std::uint64_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(v & 0xFFFFFFFFu));
    return buf;
}

// What the generation keeps between its steps.
struct Generation {
    Generation(TreeDesign& d, std::uint64_t seed) : design(d), rng(seed) {}
    TreeDesign& design;
    Rng rng;
    std::vector<ObjectNode*> containers;
    std::vector<std::string> serverNames;
    std::vector<int> held; // replicas per server

    // A server with room for another replica and none of the partition's
    // yet: a few random tries, then the first such; -1 for none.
    int PickServer(std::size_t partition) {
        const ReplicaList& pl = design.partitions.Entries(partition);
        for (int attempt = 0; attempt < 64; ++attempt) {
            std::size_t s = rng.Below(serverNames.size());
            if (held[s] < 10 && FindEntryByName(pl, serverNames[s]) < 0)
                return static_cast<int>(s);
        }
        for (std::size_t s = 0; s < serverNames.size(); ++s)
            if (held[s] < 10 && FindEntryByName(pl, serverNames[s]) < 0)
                return static_cast<int>(s);
        return -1;
    }
    void AddReplica(std::size_t partition, std::size_t server, std::string_view type) {
        design.partitions.Entries(partition).push_back(MakeReplicaEntry(serverNames[server], type));
        design.servers.Entries(server).push_back(
            MakeReplicaEntry(design.partitions.Name(partition), type));
        ++held[server];
    }
};

constexpr std::array<std::string_view, 4> kExtraTypes{kReadWrite, kReadOnly, kSparseWrite,
                                                      kSparseRead};

// A few organizations, then organizational units hung under earlier
// containers, so that the tree is a few levels deep.
void AddContainers(Generation& g, int containerCount) {
    Rng& rng = g.rng;
    std::vector<ObjectNode*>& containers = g.containers;
    containers.reserve(static_cast<std::size_t>(containerCount));
    const int orgs = std::max(1, std::min(4, containerCount / 50));
    for (int i = 0; i < containerCount; ++i) {
        if (i < orgs) {
            containers.push_back(g.design.AddChild(g.design.Root(), "ORG" + std::to_string(i + 1),
                                                   kClassOrganization));
            continue;
        }
        // Prefer recent containers as parents: deeper, bushier trees.
        std::size_t n = containers.size();
        std::size_t window = std::min<std::size_t>(n, 64);
        ObjectNode* parent =
            rng.Below(4) == 0 ? containers[rng.Below(n)] : containers[n - 1 - rng.Below(window)];
        if (parent->Level() >= 8)
            parent = containers[rng.Below(static_cast<std::size_t>(orgs))];
        containers.push_back(
            g.design.AddChild(parent, "OU" + std::to_string(i + 1), kClassOrgUnit));
    }
}

// Servers, each in a random container, with a DS version and addresses.
void AddServers(Generation& g, int serverCount) {
    Rng& rng = g.rng;
    TreeDesign& design = g.design;
    for (int i = 0; i < serverCount; ++i) {
        ObjectNode* parent = g.containers[rng.Below(g.containers.size())];
        std::string name = "FS" + std::to_string(i + 1);
        design.AddChild(parent, name, kClassServer);
        design.servers.Append(name);
        std::string version = "DS VERSION:" + std::to_string(500 + rng.Below(400));
        ReplicaList addresses{"IPX:" + Hex8(rng.Next())};
        std::size_t tcp = rng.Below(3);
        for (std::size_t k = 0; k < tcp; ++k)
            addresses.push_back("TCPIP:10." + std::to_string(rng.Below(256)) + "." +
                                std::to_string(rng.Below(256)) + "." +
                                std::to_string(1 + rng.Below(254)));
        design.attributes.Append(std::move(version), std::move(addresses));
        g.serverNames.push_back(std::move(name));
    }
}

// The root and distinct containers chosen at random; the table in walk
// order, as an import would list it.
void AddPartitions(Generation& g, int partitionCount) {
    TreeDesign& design = g.design;
    ObjectNode* root = design.Root();
    std::vector<ObjectNode*> partitionRoots{root};
    std::vector<std::size_t> order(g.containers.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[g.rng.Below(i)]);
    for (int i = 0; i < partitionCount - 1; ++i)
        partitionRoots.push_back(g.containers[order[static_cast<std::size_t>(i)]]);
    for (std::size_t i = 1; i < partitionRoots.size(); ++i)
        design.SetPartitionMark(partitionRoots[i], kPartitionRootMark);
    design.WalkSubtree(root, [&](ObjectNode* n) {
        if (n->IsPartitionRoot())
            design.partitions.Append(design.FullContext(n));
        return true;
    });
}

// One master each, then every server gets at least one, then extras.
void AddReplicas(Generation& g) {
    Rng& rng = g.rng;
    TreeDesign& design = g.design;
    g.held.assign(g.serverNames.size(), 0);
    const std::size_t pcount = design.partitions.Size();
    for (std::size_t p = 0; p < pcount; ++p) {
        int s = g.PickServer(p);
        if (s >= 0)
            g.AddReplica(p, static_cast<std::size_t>(s), kMaster);
    }
    for (std::size_t s = 0; s < g.serverNames.size(); ++s) {
        if (g.held[s] > 0)
            continue;
        for (int attempt = 0; attempt < 64; ++attempt) {
            std::size_t p = rng.Below(pcount);
            if (FindEntryByName(design.partitions.Entries(p), g.serverNames[s]) < 0) {
                g.AddReplica(p, s, kExtraTypes[rng.Below(2)]);
                break;
            }
        }
    }
    for (std::size_t p = 0; p < pcount; ++p) {
        std::size_t extras = rng.Below(3);
        for (std::size_t k = 0; k < extras; ++k) {
            int s = g.PickServer(p);
            if (s < 0)
                break;
            std::size_t t = rng.Below(10);
            g.AddReplica(p, static_cast<std::size_t>(s),
                         kExtraTypes[t < 5   ? 0
                                     : t < 8 ? 1
                                     : t < 9 ? 2
                                             : 3]);
        }
    }
}

// How many leaves each container gets: a few hold tens of thousands, the
// rest spread out.
std::vector<long long> SpreadLeaves(Generation& g, long long leaves) {
    const std::size_t count = g.containers.size();
    std::vector<long long> perContainer(count, 0);
    const std::size_t big = std::min<std::size_t>(3, count);
    long long bigShare = leaves >= 100000 ? 40000 : leaves / 10;
    long long left = leaves;
    for (std::size_t i = 0; i < big && left > 0; ++i) {
        std::size_t c = count - 1 - i * (count / (big + 1));
        long long take = std::min(left, bigShare);
        perContainer[c] += take;
        left -= take;
    }
    while (left > 0) {
        long long chunk = std::min<long long>(left, 1 + static_cast<long long>(g.rng.Below(200)));
        perContainer[g.rng.Below(count)] += chunk;
        left -= chunk;
    }
    return perContainer;
}

void AddLeaves(Generation& g, long long leaves) {
    const std::vector<long long> perContainer = SpreadLeaves(g, leaves);
    for (std::size_t c = 0; c < g.containers.size(); ++c) {
        if (perContainer[c] == 0)
            continue;
        ObjectNode* container = g.containers[c];
        auto list =
            std::make_unique<LeafList>(container->Leaves() ? *container->Leaves() : LeafList{});
        list->reserve(list->size() + static_cast<std::size_t>(perContainer[c]) +
                      container->ChildCount());
        for (long long k = 0; k < perContainer[c]; ++k) {
            const LeafClass& lc = PickLeafClass(g.rng);
            list->push_back(
                MakeLeafEntry(std::string(lc.prefix) + std::to_string(k + 1), lc.index));
            g.design.NoteClass(lc.index);
        }
        g.design.ReplaceLeaves(container, std::move(list));
    }
}

} // namespace

void GenerateSyntheticDesign(TreeDesign& design, const SyntheticOptions& options) {
    Generation g(design, options.seed);
    const int containerCount = std::max(1, options.containers);
    const int serverCount = std::max(1, options.servers);
    int partitionCount = std::max(1, options.partitions);
    partitionCount = std::min({partitionCount, containerCount + 1, serverCount * 10});

    design.ClearTree();
    design.partitions.Clear();
    design.servers.Clear();
    design.attributes.Clear();
    AddContainers(g, containerCount);
    AddServers(g, serverCount);
    AddPartitions(g, partitionCount);
    AddReplicas(g);
    AddLeaves(g, std::max(0LL, options.leaves));
    design.AddSubordinateEntries(design.Root());
    DesignChange(design, kTouchAll).Commit();
}

} // namespace qv
