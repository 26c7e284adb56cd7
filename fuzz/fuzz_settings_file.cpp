// Fuzzes the settings file as every store reads it through the file access
// (warning settings, tree connections, utility path and drive mappings), and
// a change written back: any bytes are read or refused without a fault, and a
// change keeps what the other stores read.
#include "platform/settings_store.h"
#include "platform/tree_connections.h"
#include "platform/utility_settings.h"

#include "files/file_access.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& ScratchFolder() {
    static const std::string path = [] {
        char name[] = "/tmp/qv-fuzz-settings.XXXXXX";
        const char* made = mkdtemp(name);
        return std::string(made ? made : "/tmp");
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string ini = ScratchFolder() + "/Quorvane.ini";
    if (!qv::ReplaceFileAtomically(ini,
                                   std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    qv::IniSettingsStorage warnings(ini);
    warnings.Read();
    const qv::TreeConnectionStore trees(ini);
    const qv::StoredTreeConnections connections = trees.Read().value_or({});
    const qv::UtilitySettingsStore utilities(ini);
    const qv::UtilitySettings before = utilities.Read().value_or({});
    // A change of the tree connections keeps the utility settings.
    if (!trees.Write(connections))
        return 0;
    const qv::UtilitySettings after = utilities.Read().value_or({});
    if (after.drives != before.drives || after.utilityPath != before.utilityPath)
        __builtin_trap();
    return 0;
}
