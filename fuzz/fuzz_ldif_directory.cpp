// The LDIF reader of the ldif: tree connections: any text must load or be
// refused without a fault, and whatever loads must list and read.
#include "netware/ldif_backend.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto dir = std::make_shared<qv::nds::LdifDirectory>();
    if (dir->Load(reinterpret_cast<const char*>(data), size, "FUZZ_TREE") != qv::nds::kOk)
        return 0;
    qv::nds::LdifBackend backend(dir);
    std::vector<qv::nds::ListedObject> children;
    std::vector<qv::nds::AttributeValues> values;
    std::vector<std::string> names = {"Replica", "DS Revision", "Network Address", "Version"};
    // Walk the first levels as discovery does: list, then read each object.
    std::vector<std::string> queue = {"\\T=FUZZ_TREE"};
    for (std::size_t i = 0; i < queue.size() && i < 64; ++i) {
        backend.Read(queue[i], names, values);
        if (backend.List(queue[i], children) != qv::nds::kOk)
            continue;
        for (const auto& c : children)
            if (queue.size() < 256)
                queue.push_back(queue[i] + "\\" + c.name);
    }
    return 0;
}
