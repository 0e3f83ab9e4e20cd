#include "files/WaveFile.h"

#include "files/FileReplacement.h"
#include "synth/Generator.h"
#include "synth/ListItems.h"
#include "synth/NumberText.h"

#include <algorithm>
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
    const std::vector<uint8_t> v = Header(frames, channels, rate, SampleFormat::S16);
    std::copy(v.begin(), v.end(), h.begin());
    return h;
}

uint32_t WaveFileWriter::HeaderBytes(SampleFormat format) {
    return format == SampleFormat::F32 ? 58 : 44;
}

bool WaveFileWriter::Fits(int64_t frames, int channels, SampleFormat format) {
    // The RIFF size (everything after its first 8 bytes) and the data size have 32 bits. (The
    // first test keeps the product within 64 bits for any count.)
    if (frames < 0 || frames > int64_t{UINT32_MAX})
        return false;
    const int64_t data = frames * channels * BytesPerSample(format);
    return data + HeaderBytes(format) - 8 <= int64_t{UINT32_MAX};
}

std::vector<uint8_t> WaveFileWriter::Header(uint32_t frames, uint16_t channels, uint32_t rate,
                                            SampleFormat format) {
    const bool real = format == SampleFormat::F32;
    const uint32_t bytes = static_cast<uint32_t>(BytesPerSample(format));
    const uint32_t dataBytes = frames * bytes * channels;
    std::vector<uint8_t> h(HeaderBytes(format));
    uint8_t* p = h.data();
    auto text = [&p](const char* four) {
        std::memcpy(p, four, 4);
        p += 4;
    };
    auto u32 = [&p](uint32_t v) {
        Put32(p, v);
        p += 4;
    };
    auto u16 = [&p](uint16_t v) {
        Put16(p, v);
        p += 2;
    };
    text("RIFF");
    u32(HeaderBytes(format) - 8 + dataBytes);
    text("WAVE");
    text("fmt ");
    u32(real ? 18 : 16);
    u16(real ? 3 : 1); // WAVE_FORMAT_IEEE_FLOAT or WAVE_FORMAT_PCM
    u16(channels);
    PutRate(p, rate);
    p += 4;
    PutRate(p, rate * bytes * channels);
    p += 4;
    u16(static_cast<uint16_t>(bytes * channels));
    u16(static_cast<uint16_t>(8 * bytes));
    if (real) {
        u16(0); // no extension
        text("fact");
        u32(4);
        u32(frames); // frames per channel
    }
    text("data");
    u32(dataBytes);
    return h;
}

std::string WaveLimitText(int channels, int32_t rate, SampleFormat format) {
    const int64_t most = (int64_t{UINT32_MAX} - WaveFileWriter::HeaderBytes(format) + 8) /
                         (int64_t{channels} * BytesPerSample(format));
    const char* kind = format == SampleFormat::S16   ? "16-bit"
                       : format == SampleFormat::S24 ? "24-bit"
                                                     : "float";
    return "at most " + std::to_string(most / rate) + " s at " + std::to_string(rate) + " Hz in " +
           kind + (channels == 2 ? " stereo" : " mono");
}

bool WaveFileWriter::RenderToStream(FileReplacement& file, Generator& generator, int64_t frames,
                                    WaveExportObserver* observer) {
    const size_t frameBytes = static_cast<size_t>(generator.FrameBytes());
    // Without anyone to show progress to, render bigger blocks between the checks.
    const int64_t interval = observer ? ProgressInterval : 8 * ProgressInterval;
    std::vector<uint8_t> bytes(static_cast<size_t>(interval) * frameBytes);
    // Frame numbers and byte counts in 64 bits: a wave file holds up to 4 GiB of data, more
    // frames than a signed 32-bit number counts.
    for (int64_t i = 0; i < frames;) {
        // Render up to and including the next progress frame, then report.
        const int64_t next = i == 0 ? 0 : (i + interval - 1) / interval * interval;
        const int64_t end = std::min(frames, next + 1);
        const auto n = static_cast<int32_t>(end - i); // at most one interval
        generator.RenderBytes(bytes.data(), n);
        if (!file.Write(bytes.data(), static_cast<size_t>(n) * frameBytes))
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
    const SampleFormat format = generator.Quality().Format;
    if (!Fits(frames, channels, format))
        return WaveWriteResult::TooLong;

    if (observer)
        observer->ExportStarted();
    FileReplacement out;
    WaveWriteResult result = WaveWriteResult::Failed;
    if (out.Open(path, InputFile)) {
        const auto header = Header(static_cast<uint32_t>(frames), static_cast<uint16_t>(channels),
                                   static_cast<uint32_t>(generator.SampleRate()), format);
        out.Reserve(static_cast<off_t>(header.size()) + frames * channels * BytesPerSample(format));
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
