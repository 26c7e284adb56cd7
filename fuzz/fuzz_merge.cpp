// Fuzzes Merge Trees with an arbitrary second file merged into a new design:
// no crash or hang; a merge that does not complete leaves the design exactly
// as it was, and one that completes leaves servers and attributes aligned.
#include "files/design_file.h"
#include "files/merge_trees.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qv::TreeDesign design;
    qv::NewDesign(design, 1);
    const qv::Result<std::string> saved = qv::SerializeDesign(design);
    if (!saved)
        __builtin_trap();
    const std::string& before = *saved;
    qv::MergeOutcome outcome;
    bool ok = qv::MergeDesignBytes(design, bytes, "FUZZ.QVD", &outcome);
    if (ok) {
        if (design.servers.Size() != design.attributes.Size())
            __builtin_trap();
        (void)qv::SerializeDesign(design);
        design.EnsureAllSubRefs();
    } else {
        const std::string after = qv::SerializeDesign(design).value_or("");
        if (after != before)
            __builtin_trap();
    }
    return 0;
}
