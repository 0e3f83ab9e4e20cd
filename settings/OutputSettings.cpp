#include "settings/OutputSettings.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace quavril {

namespace {

template <size_t N> int PositionOf(const std::array<int32_t, N>& values, int32_t value) {
    const auto it = std::find(values.begin(), values.end(), value);
    return it == values.end() ? -1 : static_cast<int>(it - values.begin());
}

// A stored position inside its list, else the list's default.
template <size_t N> int StoredPosition(const SettingsStore& store, const char* name, int fallback) {
    const auto position = store.ReadInt(name);
    return position && *position >= 0 && *position < static_cast<int32_t>(N) ? *position : fallback;
}

ScpiSettings LoadScpiSettings(const SettingsStore& store) {
    ScpiSettings s;
    s.On = store.ReadFlag(setting_names::ScpiServer).value_or(false);
    if (auto address = store.ReadText(setting_names::ScpiAddress); address && !address->empty())
        s.Address = *address;
    if (auto port = store.ReadInt(setting_names::ScpiPort); port && *port >= 1 && *port <= 65535)
        s.Port = *port;
    s.Allowed = store.ReadText(setting_names::ScpiAllowed).value_or("");
    return s;
}

} // namespace

int OutputSettings::FsPosition(int32_t hz) {
    return PositionOf(FsValues, hz);
}
int OutputSettings::BufferSizePosition(int32_t bytes) {
    return PositionOf(BufferSizeValues, bytes);
}
int OutputSettings::BuffersPosition(int32_t count) {
    return PositionOf(BuffersValues, count);
}

OutputSettings LoadOutputSettings(const SettingsStore& store) {
    OutputSettings s;
    s.Scpi = LoadScpiSettings(store);
    if (!store.Contains(setting_names::Fs))
        return s;
    s.Fs = StoredPosition<OutputSettings::FsValues.size()>(store, setting_names::Fs,
                                                           OutputSettings::DefaultFs);
    s.Buffers = StoredPosition<OutputSettings::BuffersValues.size()>(
        store, setting_names::Buffers, OutputSettings::DefaultBuffers);
    s.BufferSize = StoredPosition<OutputSettings::BufferSizeValues.size()>(
        store, setting_names::BufferSize, OutputSettings::DefaultBufferSize);
    return s;
}

bool SaveOutputSettings(SettingsStore& store, const OutputSettings& settings) {
    store.WriteInt(setting_names::Fs, settings.Fs);
    store.WriteInt(setting_names::Buffers, settings.Buffers);
    store.WriteInt(setting_names::BufferSize, settings.BufferSize);
    store.WriteFlag(setting_names::ScpiServer, settings.Scpi.On);
    store.WriteText(setting_names::ScpiAddress, settings.Scpi.Address);
    store.WriteInt(setting_names::ScpiPort, settings.Scpi.Port);
    store.WriteText(setting_names::ScpiAllowed, settings.Scpi.Allowed);
    return store.Sync();
}

} // namespace quavril
