#pragma once
// The output settings: sampling rate, bytes per buffer and number of buffers, each a position
// in a fixed list (the positions are what the settings store keeps: "Fs", "BufferSize",
// "Buffers"; the values are what the playback uses), the signal quality ("SampleFormat",
// "Dither", "BandLimited", "FadeMs") and the SCPI server's settings.
#include "settings/ScpiSettings.h"
#include "synth/SignalQuality.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quavril {

class SettingsStore;

struct OutputSettings {
    // FsList: sampling rates, Hz. The high rates came later and are appended, so that every
    // stored position keeps its rate; FsAscending lists the positions by rate.
    static constexpr std::array<int32_t, 9> FsValues{8000,  11025, 22050,  44100, 48000,
                                                     96000, 88200, 176400, 192000};
    static constexpr std::array<int, 9> FsAscending{0, 1, 2, 3, 4, 6, 5, 7, 8};
    // BufferSize: bytes per buffer (the last entry is 64536, every entry a multiple of 4).
    static constexpr std::array<int32_t, 5> BufferSizeValues{4096, 8192, 16384, 32768, 64536};
    // Buffers: number of buffers.
    static constexpr std::array<int32_t, 3> BuffersValues{2, 3, 4};

    static constexpr int DefaultFs = 1;         // 11025 Hz
    static constexpr int DefaultBufferSize = 2; // 16384 bytes
    static constexpr int DefaultBuffers = 2;    // 4 buffers

    // Selected positions.
    int Fs = DefaultFs;
    int BufferSize = DefaultBufferSize;
    int Buffers = DefaultBuffers;
    // Sample format, dither, band limits and fades of everything rendered.
    SignalQuality Quality;
    // The SCPI server (remote control over the network).
    ScpiSettings Scpi;

    int32_t SampleRate() const { return FsValues[static_cast<std::size_t>(Fs)]; }
    int32_t BufferBytes() const { return BufferSizeValues[static_cast<std::size_t>(BufferSize)]; }
    int32_t BufferCount() const { return BuffersValues[static_cast<std::size_t>(Buffers)]; }

    // Positions of a value in its list, or -1.
    static int FsPosition(int32_t hz);
    static int BufferSizePosition(int32_t bytes);
    static int BuffersPosition(int32_t count);

    bool operator==(const OutputSettings&) const = default;
};

// The defaults, then, when the store holds "Fs", the three stored positions ("Buffers" and
// "BufferSize" are read only together with "Fs"). A missing or out-of-range value keeps its
// default. The signal quality and the SCPI server's settings are read whether "Fs" is there or
// not; a damaged one keeps its default. The caller then sets the generator's SampleRate and
// derives both channels.
OutputSettings LoadOutputSettings(const SettingsStore& store);
// Writes the three positions as integers "Fs", "Buffers", "BufferSize", the signal quality and
// the SCPI server's settings. False when the store could not be written.
bool SaveOutputSettings(SettingsStore& store, const OutputSettings& settings);

} // namespace quavril
