// Fuzzes the design file reader: parsing and applying to a design must never
// crash, hang or allocate without bound, whatever the bytes.
#include "files/design_file.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qv::DesignFileContents contents;
    if (qv::ParseDesignFile(bytes, contents) != qv::ParseStatus::Ok)
        return 0;
    qv::TreeDesign design;
    design.ClearTree();
    if (!qv::ApplyDesignContents(design, contents))
        return 0;
    // A design that was read must write back and read again the same way.
    // A design that was written must read back as the same tree: the writer
    // refuses what would not (too deep, a second [ROOT], too long).
    if (const qv::Result<std::string> again = qv::SerializeDesign(design)) {
        qv::DesignFileContents second;
        if (qv::ParseDesignFile(*again, second) != qv::ParseStatus::Ok)
            __builtin_trap();
        qv::TreeDesign back;
        back.ClearTree();
        if (!qv::ApplyDesignContents(back, second))
            __builtin_trap();
        const qv::Result<std::string> third = qv::SerializeDesign(back);
        if (!third || *third != *again)
            __builtin_trap();
    }
    design.EnsureAllSubRefs();
    return 0;
}
