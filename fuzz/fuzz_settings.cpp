// Fuzzes the stored settings record and the settings dialog's OK rules: any
// stored value and any typed text must be read or refused cleanly.
#include "reports/warning_settings.h"

#include <cstddef>
#include <cstdint>

namespace {

class FixedStorage : public qv::SettingsStorage {
public:
    qv::StoredSettings stored;
    qv::StoredSettings Read() override { return stored; }
    bool Write(std::int32_t, const qv::WarningConfigBytes&) override { return true; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    FixedStorage storage;
    storage.stored.versionPresent = size > 0;
    storage.stored.version = size > 0 ? (data[0] & 1 ? 500 : data[0]) : 0;
    storage.stored.configPresent = true;
    storage.stored.configBinary = size < 2 || (data[1] & 1) == 0;
    storage.stored.config = std::string(bytes);
    qv::WarningSettings settings;
    std::int32_t version = qv::kSettingsVersion;
    qv::ReadRegistry(storage, qv::TheNullInteraction(), settings, version);
    qv::WarningConfigBytes encoded = qv::EncodeWarningSettings(settings);
    qv::WarningSettings again;
    qv::DecodeWarningSettings(
        std::string_view(reinterpret_cast<const char*>(encoded.data()), encoded.size()), again);
    if (!(again == settings))
        __builtin_trap();

    // The same bytes typed into the eight boxes, split at each 0 byte.
    qv::SettingsDialogState state = qv::SettingsDialogShow(settings);
    std::size_t field = 0;
    std::string current;
    for (char c : bytes) {
        if (c == '\0') {
            if (field < state.edits.size())
                state.edits[field++] = current;
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (field < state.edits.size())
        state.edits[field] = current;
    qv::SettingsOkResult r = qv::SettingsDialogOk(state, settings);
    if (r.accepted.has_value() == !r.warning.empty())
        __builtin_trap();
    return 0;
}
