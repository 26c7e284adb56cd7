// Fuzzes the comparison with an arbitrary design file as the second design,
// against a new design and against itself: no crash or hang; a design equals
// itself; the plan's check and its comment lines agree.
#include "edit/design_compare.h"
#include "files/design_file.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

bool Load(qv::TreeDesign& design, std::string_view bytes) {
    qv::DesignFileContents contents;
    if (qv::ParseDesignFile(bytes, contents) != qv::ParseStatus::Ok)
        return false;
    design.ClearTree();
    design.partitions.Clear();
    design.servers.Clear();
    design.attributes.Clear();
    return qv::ApplyDesignContents(design, contents).ok();
}

void Plan(qv::TreeDesign& from, qv::TreeDesign& to) {
    qv::TreeDesign working;
    if (!qv::CopyDesign(from, working))
        return;
    qv::DesignPlan plan = qv::PlanDesignChanges(working, to);
    for (const std::string& u : plan.unmade)
        if (std::find(plan.lines.begin(), plan.lines.end(), "# not made by this plan: " + u) ==
                plan.lines.end() &&
            u.find_first_of("\r\n") == std::string::npos)
            __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qv::TreeDesign fuzzed;
    if (!Load(fuzzed, bytes))
        return 0;
    if (!qv::CompareDesigns(fuzzed, fuzzed).empty() ||
        !qv::DesignMismatches(fuzzed, fuzzed).empty())
        __builtin_trap();
    qv::TreeDesign fresh;
    qv::NewDesign(fresh, 1);
    qv::CompareDesigns(fresh, fuzzed);
    qv::CompareDesigns(fuzzed, fresh);
    Plan(fresh, fuzzed);
    Plan(fuzzed, fresh);
    return 0;
}
