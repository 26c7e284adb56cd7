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

namespace {

// The class as NLIST prints it: mixed case, at most 19 characters.
std::string PrintedClass(int classIndex) {
    std::string name = ClassName(classIndex).substr(0, 19);
    bool start = true;
    for (char& c : name) {
        if (!start && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        start = c == ' ';
    }
    return name;
}

} // namespace

TreeDesign& GeneratedLarge() {
    static TreeDesign* design = [] {
        auto* d = new TreeDesign;
        GenerateSyntheticDesign(*d, LargeOptions());
        return d;
    }();
    return *design;
}

std::string ObjectReportText(TreeDesign& d) {
    std::string out;
    std::size_t objects = 0;
    d.WalkSubtree(d.Root(), [&](ObjectNode* n) {
        if (!n->Leaves() || n->Leaves()->empty())
            return true;
        out += "Current context: " + d.FullContext(n) + "\n";
        // Names are read up to the class column, which lies past the
        // longest total line ("... was found in this context.").
        out += "Partial Name" + std::string(52, ' ') +
               "Object Class\n"
               "---------------------------------------------- ------------\n";
        for (const std::string& e : *n->Leaves()) {
            std::string name(LeafName(e));
            name.resize(64, ' ');
            out += name + PrintedClass(static_cast<int>(LeafClassIndex(e))) + "\n";
        }
        objects += n->Leaves()->size();
        out += "A total of " + std::to_string(n->Leaves()->size()) +
               " objects was found in this context.\n";
        return true;
    });
    out += "A total of " + std::to_string(objects) + " objects was found.\n";
    return out;
}

} // namespace qv::bench
