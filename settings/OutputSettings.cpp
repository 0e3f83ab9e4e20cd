#include "settings/OutputSettings.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace quavril {

namespace {

template <size_t N> int PositionOf(const std::array<int32_t, N>& values, int32_t value) {
    const auto it = std::find(values.begin(), values.end(), value);
    return it == values.end() ? -1 : static_cast<int>(it - values.begin());
}

// A stored integer within lo..hi, else `fallback`.
int StoredInRange(const SettingsStore& store, const char* name, int lo, int hi, int fallback) {
    const auto v = store.ReadInt(name);
    return v && *v >= lo && *v <= hi ? *v : fallback;
}

// A stored position inside its list, else the list's default.
template <size_t N> int StoredPosition(const SettingsStore& store, const char* name, int fallback) {
    return StoredInRange(store, name, 0, static_cast<int>(N) - 1, fallback);
}

// Each value on its own: a damaged one keeps its default, the others load.
SignalQuality LoadQuality(const SettingsStore& store) {
    SignalQuality q;
    q.Format = static_cast<SampleFormat>(StoredInRange(
        store, setting_names::SampleFormat, 0, SampleFormatCount - 1, static_cast<int>(q.Format)));
    q.Dither = static_cast<DitherKind>(StoredInRange(
        store, setting_names::Dither, 0, DitherKindCount - 1, static_cast<int>(q.Dither)));
    q.BandLimited = store.ReadFlag(setting_names::BandLimited).value_or(q.BandLimited);
    q.FadeMs = StoredInRange(store, setting_names::FadeMs, 0, SignalQuality::MaxFadeMs, q.FadeMs);
    return q;
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
    s.Quality = LoadQuality(store);
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
    const SignalQuality& q = settings.Quality;
    store.WriteInt(setting_names::SampleFormat, static_cast<int>(q.Format));
    store.WriteInt(setting_names::Dither, static_cast<int>(q.Dither));
    store.WriteFlag(setting_names::BandLimited, q.BandLimited);
    store.WriteInt(setting_names::FadeMs, q.FadeMs);
    store.WriteFlag(setting_names::ScpiServer, settings.Scpi.On);
    store.WriteText(setting_names::ScpiAddress, settings.Scpi.Address);
    store.WriteInt(setting_names::ScpiPort, settings.Scpi.Port);
    store.WriteText(setting_names::ScpiAllowed, settings.Scpi.Allowed);
    return store.Sync();
}

} // namespace quavril
