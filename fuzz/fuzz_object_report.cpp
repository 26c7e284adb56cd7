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
    const qv::Result<std::string> saved = qv::SerializeDesign(design);
    if (!saved)
        __builtin_trap();
    const std::string& before = *saved;
    bool ok = qv::ReadObjectReportText(design, text);
    const qv::Result<std::string> again = qv::SerializeDesign(design);
    const bool storable = again.ok();
    const std::string after = again.value_or("");
    if (ok) {
        if (!storable || design.servers.Size() != design.attributes.Size())
            __builtin_trap();
        design.EnsureAllSubRefs();
    } else if (after != before) {
        __builtin_trap();
    }
    return 0;
}
