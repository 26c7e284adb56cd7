// Fuzzes the ReportReader in both modes. The first byte picks the mode; the
// rest is the report. Whatever the text: no crash or hang, a successful import
// leaves a design that can be saved, and a failed import into an open design
// leaves it exactly as it was.
#include "files/design_file.h"
#include "files/report_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const bool ringMode = (data[0] & 1) != 0;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    qv::TreeDesign design;
    qv::NewDesign(design, 1);
    const qv::Result<std::string> saved = qv::SerializeDesign(design);
    if (!saved)
        __builtin_trap();
    const std::string& before = *saved;
    bool ok = qv::ReadReportText(design, text, "FUZZ.RPT", ringMode);
    const qv::Result<std::string> again = qv::SerializeDesign(design);
    const bool storable = again.ok();
    const std::string after = again.value_or("");
    if (ok) {
        if (!storable || design.servers.Size() != design.attributes.Size())
            __builtin_trap();
        design.EnsureAllSubRefs();
    } else if (!ringMode && after != before) {
        __builtin_trap();
    }
    return 0;
}
