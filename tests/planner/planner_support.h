// Random small designs for the planner's tests: a tree of containers, some
// of them partition roots, servers among them and random replicas of every
// type (no Master, two Masters, sparse, too many), and random settings.
#pragma once

#include "core/tree_design.h"
#include "reports/warning_settings.h"
#include "support/scripted.h"

#include <cstdint>
#include <random>

namespace qv::test {

struct RandomDesignShape {
    int maxPartitions = 20;
    int maxServers = 8;
    int maxMasters = 3; // per partition
};

inline void RandomDesign(TreeDesign& d, std::uint64_t seed, const RandomDesignShape& shape) {
    std::mt19937_64 rng(seed);
    auto below = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    MakeEmpty(d);
    ObjectNode* root = d.Root();
    std::vector<ObjectNode*> containers{root};
    const int partitions = 1 + below(shape.maxPartitions);
    const int extra = partitions - 1 + below(4);
    for (int i = 0; i < extra; ++i) {
        ObjectNode* parent =
            containers[static_cast<std::size_t>(below(static_cast<int>(containers.size())))];
        containers.push_back(d.AddChild(parent, "OU" + std::to_string(i + 1),
                                        parent == root ? kClassOrganization : kClassOrgUnit));
    }
    const int servers = 1 + below(shape.maxServers);
    std::vector<std::string> names;
    for (int i = 0; i < servers; ++i) {
        names.push_back("FS" + std::to_string(i + 1));
        AddServer(d,
                  containers[static_cast<std::size_t>(below(static_cast<int>(containers.size())))],
                  names.back());
    }
    // Partition roots: distinct containers after the root.
    std::vector<ObjectNode*> order(containers.begin() + 1, containers.end());
    std::shuffle(order.begin(), order.end(), rng);
    for (int i = 0; i < partitions - 1 && i < static_cast<int>(order.size()); ++i)
        MakePartition(d, order[static_cast<std::size_t>(i)]);
    const std::string_view others[] = {kReadWrite, kReadWrite, kReadOnly, kSparseWrite,
                                       kSparseRead};
    for (std::size_t p = 0; p < d.partitions.Size(); ++p) {
        const std::string pname = d.partitions.Name(p);
        std::vector<int> srv(static_cast<std::size_t>(servers));
        for (int i = 0; i < servers; ++i)
            srv[static_cast<std::size_t>(i)] = i;
        std::shuffle(srv.begin(), srv.end(), rng);
        const int count = below(std::min(servers, 5) + 1);
        int masters = below(8) == 0 ? 0 : below(8) == 0 ? std::min(2, shape.maxMasters) : 1;
        if (below(20) == 0)
            masters = shape.maxMasters;
        for (int i = 0; i < count; ++i) {
            std::string_view type =
                i < masters ? kMaster : others[static_cast<std::size_t>(below(5))];
            AddReplica(d, pname, names[static_cast<std::size_t>(srv[static_cast<std::size_t>(i)])],
                       type);
        }
    }
    d.AddSubordinateEntries(root);
    d.designFileName = "RANDOM" + std::to_string(seed) + ".qvd";
}

inline WarningSettings RandomSettings(std::uint64_t seed) {
    std::mt19937_64 rng(seed * 7919 + 13);
    auto in = [&](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
    WarningSettings w;
    w.MaxSubRefs = in(0, 6);
    w.MaxReadables = in(1, 8);
    w.MinReplicasPerPartition = in(1, 4);
    w.MaxReplicasPerPartition = w.MinReplicasPerPartition + in(0, 4);
    w.CheckMaxSubRefs = in(0, 5) != 0;
    w.CheckMaxReadables = in(0, 5) != 0;
    w.CheckMinReplicasPerPartition = in(0, 7) != 0;
    w.CheckMaxReplicasPerPartition = in(0, 7) != 0;
    w.CheckServerContainReplica = in(0, 5) != 0;
    return w;
}

} // namespace qv::test
