// The LDIF reader of the console utilities (the directory as plain entries):
// any text must load or be refused without a fault, and whatever loads must
// answer the lookups the utilities make.
#include "netware/directory_entries.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qv::nds::DirectoryEntries entries;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (entries.LoadLdif(text) != qv::nds::kOk)
        return 0;
    for (std::size_t i = 0; i < entries.Size() && i < 256; ++i) {
        const qv::nds::DirectoryEntry& e = entries.At(i);
        if (entries.FindByDn(e.dn) < 0 && !e.dn.empty())
            continue; // a DN the directory cannot name again is still no fault
        entries.FindByFullName(e.fullName);
        for (std::int32_t c : e.children)
            if (c < 0 || static_cast<std::size_t>(c) >= entries.Size())
                __builtin_trap();
        if (e.parent >= static_cast<std::int32_t>(entries.Size()))
            __builtin_trap();
    }
    return 0;
}
