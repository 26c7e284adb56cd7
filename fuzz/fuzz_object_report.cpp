// Fuzzes the object report reader on a new design: no crash or hang, a
// successful import leaves a design that can be saved, a failed one leaves the
// design exactly as it was.
#include "files/design_file.h"
#include "files/object_report.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    qv::TreeDesign design;
    qv::NewDesign(design, 1);
    std::string before;
    if (!qv::SerializeDesign(design, before))
        __builtin_trap();
    bool ok = qv::ReadObjectReportText(design, text);
    std::string after;
    bool storable = qv::SerializeDesign(design, after);
    if (ok) {
        if (!storable || design.servers.Size() != design.attributes.Size())
            __builtin_trap();
        design.EnsureAllSubRefs();
    } else if (after != before) {
        __builtin_trap();
    }
    return 0;
}
