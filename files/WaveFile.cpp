#include "files/WaveFile.h"

#include "files/FileReplacement.h"
#include "synth/Generator.h"
#include "synth/ListItems.h"
#include "synth/NumberText.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

namespace quavril {

namespace {

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v & 0xFF);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>((v >> (8 * i)) & 0xFF);
}

// The two rate fields go out as value mod 256, (value mod 65536) div 256,
// (value mod 16777216) div 65536 and a zero byte: the plain little-endian value for every rate
// below 16.7 MHz, which covers all rates the output settings offer.
void PutRate(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v % 256);
    p[1] = static_cast<uint8_t>((v % 65536) / 256);
    p[2] = static_cast<uint8_t>((v % 16777216) / 65536);
    p[3] = 0;
}

// One progress point every 10000 frames: frame 0, 10000, 20000, ...
constexpr int64_t ProgressInterval = 10000;

} // namespace

std::array<uint8_t, 44> WaveFileWriter::Header(uint32_t frames, uint16_t channels, uint32_t rate) {
    std::array<uint8_t, 44> h{};
    const uint32_t dataBytes = frames * 2u * channels;
    std::memcpy(&h[0], "RIFF", 4);
    Put32(&h[4], 36u + dataBytes);
    std::memcpy(&h[8], "WAVE", 4);
    std::memcpy(&h[12], "fmt ", 4);
    Put32(&h[16], 16);
    Put16(&h[20], 1);
    Put16(&h[22], channels);
    PutRate(&h[24], rate);
    PutRate(&h[28], rate * 2u * channels);
    Put16(&h[32], static_cast<uint16_t>(2u * channels));
    Put16(&h[34], 16);
    std::memcpy(&h[36], "data", 4);
    Put32(&h[40], dataBytes);
    return h;
}

bool WaveFileWriter::RenderToStream(FileReplacement& file, Generator& generator, int64_t frames,
                                    WaveExportObserver* observer) {
    const int channels = generator.ChannelCount();
    // Without anyone to show progress to, render bigger blocks between the checks.
    const int64_t interval = observer ? ProgressInterval : 8 * ProgressInterval;
    std::vector<int16_t> samples(static_cast<size_t>(interval) * channels);
    std::vector<uint8_t> bytes(std::endian::native == std::endian::little ? 0 : samples.size() * 2);
    // Frame numbers and byte counts in 64 bits: a wave file holds up to 4 GiB of data, more
    // frames than a signed 32-bit number counts.
    for (int64_t i = 0; i < frames;) {
        // Render up to and including the next progress frame, then report.
        const int64_t next = i == 0 ? 0 : (i + interval - 1) / interval * interval;
        const int64_t end = std::min(frames, next + 1);
        const auto n = static_cast<int32_t>(end - i); // at most one interval
        generator.RenderFrames(samples.data(), n);
        const size_t count = static_cast<size_t>(n) * static_cast<size_t>(channels);
        const void* data = samples.data();
        if constexpr (std::endian::native != std::endian::little) {
            for (size_t k = 0; k < count; ++k)
                Put16(&bytes[2 * k], static_cast<uint16_t>(samples[k]));
            data = bytes.data();
        }
        if (!file.Write(data, 2 * count))
            return false;
        i = end;
        const int64_t last = end - 1;
        if (last % ProgressInterval == 0 && observer && observer->ProgressVisible()) {
            const long double percent =
                100.0L * static_cast<long double>(last) / static_cast<long double>(frames);
            observer->ExportProgress(static_cast<int>(RoundEven(percent)));
        }
        if (ExportCancelled)
            break;
    }
    return true;
}

WaveWriteResult WaveFileWriter::Export(const std::string& path, Generator& generator,
                                       WaveExportObserver* observer) {
    generator.SetFlag(FlagField::Loop, false);
    if (!generator.ResetGenerator(true))
        return WaveWriteResult::BadPhase;
    return WriteWaveFile(path, generator, observer);
}

WaveWriteResult WaveFileWriter::WriteWaveFile(const std::string& path, Generator& generator,
                                              WaveExportObserver* observer) {
    Reason.clear();
    generator.DeriveSweep(Channel::Left);
    generator.DeriveSweep(Channel::Right);
    const int channels = generator.ChannelCount();
    const auto counted = generator.FramesOfDuration();
    if (!counted || *counted < 0)
        return WaveWriteResult::BadDuration;
    const auto frames = static_cast<int64_t>(*counted);
    // The RIFF size field has 32 bits; a longer signal cannot be described by the header.
    if (36 + 2 * static_cast<int64_t>(channels) * frames > int64_t{UINT32_MAX})
        return WaveWriteResult::TooLong;

    if (observer)
        observer->ExportStarted();
    FileReplacement out;
    WaveWriteResult result = WaveWriteResult::Failed;
    if (out.Open(path, InputFile)) {
        const auto header = Header(static_cast<uint32_t>(frames), static_cast<uint16_t>(channels),
                                   static_cast<uint32_t>(generator.SampleRate()));
        const bool written = out.Write(header.data(), header.size()) &&
                             RenderToStream(out, generator, frames, observer);
        if (ExportCancelled) {
            ExportCancelled = false;
            out.Discard();
            result = WaveWriteResult::Cancelled;
        } else if (written && out.Commit()) {
            result = WaveWriteResult::Written;
        } else {
            out.Discard();
        }
    }
    if (result == WaveWriteResult::Failed)
        Reason = out.Reason();
    if (observer)
        observer->ExportFinished();
    return result;
}

std::string ProposedWaveFileName(const Generator& g) {
    const std::string& duration = g.Text(TextField::Duration);
    auto isNoise = [&](Channel c) {
        return WaveformItemText(g.Settings(c).WaveForm).find("oise") != std::string::npos;
    };
    auto waveName = [&](Channel c) {
        return std::string(WaveformName(g.Settings(c).WaveForm)) + " ";
    };
    // The frequency piece of a channel: nothing for noises, "F0Hz " or "sweep F0Hz to F1Hz ".
    auto piece = [&](Channel c) {
        const ChannelSettings& s = g.Settings(c);
        std::string p = waveName(c);
        if (isNoise(c))
            return p;
        if (s.Constant)
            return p + s.fInit + "Hz ";
        return p + "sweep " + s.fInit + "Hz to " + s.fFinal + "Hz ";
    };

    std::string name = duration + "s ";
    const ChannelSettings& left = g.Settings(Channel::Left);
    const ChannelSettings& right = g.Settings(Channel::Right);
    if (g.Mode() == MONO) {
        name += piece(Channel::Left) + duration + "s " + left.Amplitude + "dBFS mono";
    } else {
        if (left.Tick)
            name += piece(Channel::Left) + left.Amplitude + "dBFS on left channel";
        if (left.Tick && right.Tick)
            name += " and ";
        if (right.Tick) {
            name += piece(Channel::Right) + right.Amplitude + "dBFS on right channel";
            const std::string& phase = g.Text(TextField::PhaseEdit);
            if (phase != "0")
                name += " " + phase + " degrees out of phase";
        }
    }
    return name + ".wav";
}

} // namespace quavril
