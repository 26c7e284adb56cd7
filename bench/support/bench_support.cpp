#include "support/bench_support.h"

#include "files/design_file.h"

#include <cstdlib>
#include <stdexcept>
#include <sys/stat.h>

namespace qv::bench {

SyntheticOptions LargeOptions() {
    long long scale = 1;
    if (const char* s = std::getenv("QV_BENCH_SCALE"))
        scale = std::max(1LL, std::atoll(s));
    SyntheticOptions o;
    o.containers = static_cast<int>(20000 / scale);
    o.servers = static_cast<int>(5000 / scale);
    o.partitions = static_cast<int>(10000 / scale);
    o.leaves = 1000000 / scale;
    o.seed = 7;
    return o;
}

std::string GeneratedDesignFile(const SyntheticOptions& o) {
    std::string path = "/tmp/quorvane-bench-" + std::to_string(o.containers) + "-" +
                       std::to_string(o.servers) + "-" + std::to_string(o.partitions) + "-" +
                       std::to_string(o.leaves) + "-" + std::to_string(o.seed) + ".qvd";
    struct stat st {};
    if (stat(path.c_str(), &st) == 0)
        return path;
    TreeDesign d;
    GenerateSyntheticDesign(d, o);
    d.designFileName = path;
    if (!WriteDesignFile(d))
        throw std::runtime_error("cannot write " + path);
    return path;
}

} // namespace qv::bench
