#include "files/WaveFile.h"
#include "synth/Generator.h"
#include "tests/support/DeviceNodes.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

using namespace quavril;
namespace fs = std::filesystem;

namespace {

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}

std::vector<uint8_t> ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct TempDir {
    fs::path path;
    TempDir() {
        path = fs::temp_directory_path() /
               ("quavril-wave-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    size_t Entries() const {
        return std::distance(fs::directory_iterator(path), fs::directory_iterator());
    }
    static inline int counter = 0;
};

struct CancelAtFirstProgress : WaveExportObserver {
    WaveFileWriter* writer = nullptr;
    std::vector<int> progress;
    bool started = false, finished = false;
    bool cancel = true;
    void ExportStarted() override { started = true; }
    bool ProgressVisible() const override { return true; }
    void ExportProgress(int p) override {
        progress.push_back(p);
        if (cancel && progress.size() == 2)
            writer->ExportCancelled = true;
    }
    void ExportFinished() override { finished = true; }
};

} // namespace

TEST(WaveHeader, tenSecondsOfStereoCdAudio) {
    const auto h = WaveFileWriter::Header(441000, 2, 44100);
    const std::vector<uint8_t> b(h.begin(), h.end());
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(U32(b, 4), 1764036u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U32(b, 16), 16u);
    EXPECT_EQ(U16(b, 20), 1u);
    EXPECT_EQ(U16(b, 22), 2u);
    EXPECT_EQ(U32(b, 24), 44100u);
    EXPECT_EQ(U32(b, 28), 176400u);
    EXPECT_EQ(U16(b, 32), 4u);
    EXPECT_EQ(U16(b, 34), 16u);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(U32(b, 40), 1764000u);
}

TEST(WaveHeader, rateFieldsDropTheFourthByte) {
    const auto h = WaveFileWriter::Header(1, 2, 0x01020304);
    EXPECT_EQ(h[24], 0x04);
    EXPECT_EQ(h[25], 0x03);
    EXPECT_EQ(h[26], 0x02);
    EXPECT_EQ(h[27], 0x00);
}

TEST(WaveFileWriter, writesOnePeriodOfTheCurrentSignal) {
    TempDir dir;
    Generator g;
    g.SetSampleRate(22050);
    g.SetText(TextField::Duration, "0.1");
    g.SetText(TextField::fInitLeft, "440");
    ASSERT_TRUE(g.ResetGenerator(true));
    WaveFileWriter writer;
    const fs::path file = dir.path / "tone.wav";
    ASSERT_EQ(writer.WriteWaveFile(file.string(), g), WaveWriteResult::Written);
    const auto b = ReadAll(file);
    ASSERT_EQ(b.size(), 44u + 4410u);
    EXPECT_EQ(U32(b, 40), 4410u);
    EXPECT_EQ(U16(b, 32), 2u);
    EXPECT_EQ(U16(b, 22), 1u);

    Generator reference;
    reference.SetSampleRate(22050);
    reference.SetText(TextField::Duration, "0.1");
    reference.SetText(TextField::fInitLeft, "440");
    reference.ResetGenerator(true);
    std::vector<int16_t> expected(2205);
    reference.RenderFrames(expected.data(), 2205);
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(static_cast<int16_t>(U16(b, 44 + 2 * i)), expected[i]) << i;
    EXPECT_EQ(dir.Entries(), 1u) << "no temporary file left";
}

TEST(WaveFileWriter, frameCountRoundsHalfToEven) {
    TempDir dir;
    WaveFileWriter writer;
    for (auto [duration, frames] : {std::pair{"1.25", 2u}, std::pair{"1.75", 4u}}) {
        Generator g;
        g.SetSampleRate(2);
        g.SetText(TextField::fInitLeft, "0.5");
        g.SetText(TextField::fFinalLeft, "0.5");
        g.SetText(TextField::Duration, duration);
        g.ResetGenerator(true);
        const fs::path file = dir.path / "short.wav";
        ASSERT_EQ(writer.WriteWaveFile(file.string(), g), WaveWriteResult::Written);
        EXPECT_EQ(U32(ReadAll(file), 40), frames * 2) << duration;
    }
}

TEST(WaveFileWriter, stereoWithoutTheRightChannelWritesZerosThere) {
    TempDir dir;
    Generator g;
    g.SetIndex(IndexField::cboChannels, STEREO);
    g.SetText(TextField::Duration, "0.01");
    g.SetFlag(FlagField::RightTick, false);
    g.ResetGenerator(true);
    WaveFileWriter writer;
    const fs::path file = dir.path / "left.wav";
    ASSERT_EQ(writer.WriteWaveFile(file.string(), g), WaveWriteResult::Written);
    const auto b = ReadAll(file);
    ASSERT_EQ(b.size(), 44u + 441u * 4);
    bool leftSounds = false;
    for (size_t f = 0; f < 441; ++f) {
        leftSounds |= U16(b, 44 + 4 * f) != 0;
        ASSERT_EQ(U16(b, 44 + 4 * f + 2), 0u);
    }
    EXPECT_TRUE(leftSounds);
}

TEST(WaveFileWriter, cancelLeavesTheOldFileAndNoPartialFile) {
    TempDir dir;
    const fs::path file = dir.path / "keep.wav";
    std::ofstream(file) << "previous contents";
    Generator g;
    g.SetText(TextField::Duration, "1"); // 44100 frames: progress points 0, 10000, ...
    g.ResetGenerator(true);
    WaveFileWriter writer;
    CancelAtFirstProgress observer;
    observer.writer = &writer;
    EXPECT_EQ(writer.WriteWaveFile(file.string(), g, &observer), WaveWriteResult::Cancelled);
    EXPECT_FALSE(writer.ExportCancelled) << "cleared for the next export";
    EXPECT_TRUE(observer.started);
    EXPECT_TRUE(observer.finished);
    EXPECT_EQ(observer.progress, (std::vector<int>{0, 23}));
    const auto kept = ReadAll(file);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous contents");
    EXPECT_EQ(dir.Entries(), 1u);
}

TEST(WaveFileWriter, progressCoversTheWholeRender) {
    TempDir dir;
    Generator g;
    g.SetText(TextField::Duration, "1");
    g.ResetGenerator(true);
    WaveFileWriter writer;
    CancelAtFirstProgress observer;
    observer.writer = &writer;
    observer.cancel = false;
    ASSERT_EQ(writer.WriteWaveFile((dir.path / "p.wav").string(), g, &observer),
              WaveWriteResult::Written);
    EXPECT_EQ(observer.progress, (std::vector<int>{0, 23, 45, 68, 91}));
}

TEST(WaveFileWriter, failuresWriteNothing) {
    TempDir dir;
    Generator g;
    g.ResetGenerator(true);
    WaveFileWriter writer;
    CancelAtFirstProgress observer;
    observer.writer = &writer;
    EXPECT_EQ(writer.WriteWaveFile((dir.path / "missing" / "x.wav").string(), g, &observer),
              WaveWriteResult::Failed);
    EXPECT_TRUE(observer.finished) << "the wait window is always taken down";
    EXPECT_EQ(dir.Entries(), 0u);

    // A device that refuses the data: the failure is noticed, not reported as success.
    const test::DeviceNodes devices;
    if (devices.Made()) {
        EXPECT_EQ(writer.WriteWaveFile(devices.Full(), g), WaveWriteResult::Failed);
        // Writing into the null device works (the performance test does that).
        EXPECT_EQ(writer.WriteWaveFile(devices.Null(), g), WaveWriteResult::Written);
    }

    g.SetText(TextField::Duration, "soon");
    EXPECT_EQ(writer.WriteWaveFile((dir.path / "y.wav").string(), g), WaveWriteResult::BadDuration);
    g.SetIndex(IndexField::cboChannels, STEREO);
    g.SetText(TextField::Duration, "25000"); // 1.1e9 stereo frames: 4.4 GB of data
    EXPECT_EQ(writer.WriteWaveFile((dir.path / "z.wav").string(), g), WaveWriteResult::TooLong);
    EXPECT_EQ(dir.Entries(), 0u);
}

TEST(ProposedWaveFileName, monoNamesCarryTheDurationTwice) {
    Generator g;
    EXPECT_EQ(ProposedWaveFileName(g), "5s Sine 100Hz 5s 0dBFS mono.wav");
    g.SetIndex(IndexField::WaveFormLeft, SILENCE);
    EXPECT_EQ(ProposedWaveFileName(g), "5s Silence 5s 0dBFS mono.wav");
    g.SetIndex(IndexField::WaveFormLeft, WHITE);
    EXPECT_EQ(ProposedWaveFileName(g), "5s White noise 5s 0dBFS mono.wav");
    g.SetIndex(IndexField::WaveFormLeft, SINE);
    g.SetFlag(FlagField::chkConstantLeft, false);
    g.SetText(TextField::AmplitudeLeft, "-6");
    EXPECT_EQ(ProposedWaveFileName(g), "5s Sine sweep 100Hz to 1000Hz 5s -6dBFS mono.wav");
}

TEST(ProposedWaveFileName, stereoNamesTheChannelsAndThePhaseText) {
    Generator g;
    g.SetIndex(IndexField::cboChannels, STEREO);
    g.SetText(TextField::fInitRight, "440");
    EXPECT_EQ(ProposedWaveFileName(g),
              "5s Sine 100Hz 0dBFS on left channel and Sine 440Hz 0dBFS on right channel.wav");
    g.SetText(TextField::PhaseEdit, "0.0");
    g.SetFlag(FlagField::Lefttick, false);
    g.SetIndex(IndexField::WaveFormRight, PULSEPOS);
    EXPECT_EQ(ProposedWaveFileName(g),
              "5s Positive pulse 0dBFS on right channel 0.0 degrees out of phase.wav");
    g.SetFlag(FlagField::Lefttick, true);
    g.SetFlag(FlagField::RightTick, false);
    EXPECT_EQ(ProposedWaveFileName(g), "5s Sine 100Hz 0dBFS on left channel.wav");
}

// --- 24-bit and float files -----------------------------------------------------------------

namespace {
// The chunks of a RIFF/WAVE file as a reader walks them: identifier, body offset and size.
struct Chunk {
    std::string Id;
    size_t At;
    uint32_t Size;
};
std::vector<Chunk> Chunks(const std::vector<uint8_t>& b) {
    std::vector<Chunk> chunks;
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint32_t size = U32(b, at + 4);
        chunks.push_back({std::string(b.begin() + at, b.begin() + at + 4), at + 8, size});
        at += 8 + size + (size & 1);
    }
    return chunks;
}
} // namespace

// The header of every format as a RIFF reader sees it: 16 and 24-bit PCM in the canonical 44
// bytes, float as WAVE_FORMAT_IEEE_FLOAT with an 18-byte format chunk and a "fact" chunk; the
// sizes add up to the file.
TEST(WaveHeader, everyFormatReadsBackAsWritten) {
    const struct {
        SampleFormat Format;
        uint16_t Tag, Bits;
        uint32_t FmtSize;
        std::vector<std::string> Ids;
    } cases[] = {
        {SampleFormat::S16, 1, 16, 16, {"fmt ", "data"}},
        {SampleFormat::S24, 1, 24, 16, {"fmt ", "data"}},
        {SampleFormat::F32, 3, 32, 18, {"fmt ", "fact", "data"}},
    };
    for (const auto& c : cases)
        for (uint16_t channels : {1, 2}) {
            const uint32_t frames = 96000, rate = 192000;
            std::vector<uint8_t> b = WaveFileWriter::Header(frames, channels, rate, c.Format);
            const uint32_t align = channels * c.Bits / 8;
            b.resize(b.size() + size_t{frames} * align); // the data a file would hold
            EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
            EXPECT_EQ(U32(b, 4), b.size() - 8);
            const auto chunks = Chunks(b);
            std::vector<std::string> ids;
            for (const Chunk& ch : chunks)
                ids.push_back(ch.Id);
            ASSERT_EQ(ids, c.Ids);
            const Chunk& fmt = chunks.front();
            EXPECT_EQ(fmt.Size, c.FmtSize);
            EXPECT_EQ(U16(b, fmt.At), c.Tag);
            EXPECT_EQ(U16(b, fmt.At + 2), channels);
            EXPECT_EQ(U32(b, fmt.At + 4), rate);
            EXPECT_EQ(U32(b, fmt.At + 8), rate * align);
            EXPECT_EQ(U16(b, fmt.At + 12), align);
            EXPECT_EQ(U16(b, fmt.At + 14), c.Bits);
            if (c.FmtSize == 18) {
                EXPECT_EQ(U16(b, fmt.At + 16), 0u) << "no extension";
            }
            if (ids.size() == 3) {
                EXPECT_EQ(U32(b, chunks[1].At), frames) << "fact: frames per channel";
            }
            EXPECT_EQ(chunks.back().Size, frames * align);
            EXPECT_EQ(chunks.back().At, WaveFileWriter::HeaderBytes(c.Format));
        }
}

// The 4 GiB limit counts bytes: the longest file of each format fits, one frame more does not.
TEST(WaveHeader, theLimitIsInBytesForEveryFormat) {
    const struct {
        SampleFormat Format;
        int Channels;
        int64_t Most; // frames
    } cases[] = {
        {SampleFormat::S16, 1, 2147483629}, {SampleFormat::S16, 2, 1073741814},
        {SampleFormat::S24, 1, 1431655753}, {SampleFormat::S24, 2, 715827876},
        {SampleFormat::F32, 1, 1073741811}, {SampleFormat::F32, 2, 536870905},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(WaveFileWriter::Fits(c.Most, c.Channels, c.Format)) << c.Most;
        EXPECT_FALSE(WaveFileWriter::Fits(c.Most + 1, c.Channels, c.Format)) << c.Most;
        // A count whose byte size does not fit 64 bits is refused, not wrapped into range.
        EXPECT_FALSE(WaveFileWriter::Fits(int64_t{1} << 61, c.Channels, c.Format));
    }
    EXPECT_EQ(WaveLimitText(2, 48000, SampleFormat::S24),
              "at most 14913 s at 48000 Hz in 24-bit stereo");
}

// An export in 24-bit and float: the file holds the header of its format and the frames the
// generator renders in that format; a signal that fits 16-bit but not 24-bit is refused whole.
TEST(WaveFileWriter, exportsInTheGeneratorsFormat) {
    TempDir dir;
    for (SampleFormat f : {SampleFormat::S24, SampleFormat::F32}) {
        Generator g;
        g.SetQuality(SignalQuality{f, DitherKind::None, false, 2}); // 2 ms fades
        g.SetSampleRate(48000);
        g.SetIndex(IndexField::cboChannels, STEREO);
        g.SetText(TextField::Duration, "0.05");
        g.SetText(TextField::fInitLeft, "997");
        WaveFileWriter writer;
        const fs::path file = dir.path / "hi.wav";
        ASSERT_EQ(writer.Export(file.string(), g), WaveWriteResult::Written);
        const auto b = ReadAll(file);
        const uint32_t header = WaveFileWriter::HeaderBytes(f);
        ASSERT_EQ(b.size(), header + 2400u * 2 * BytesPerSample(f));
        ASSERT_TRUE(g.ResetGenerator(true)); // the same signal rendered again from its start
        std::vector<uint8_t> expected(2400u * g.FrameBytes());
        g.RenderBytes(expected.data(), 2400);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), b.begin() + header));

        g.SetText(TextField::Duration, "15000"); // 720,000,000 stereo frames: 2.9 GB in 16 bits
        const auto tooLong = writer.WriteWaveFile((dir.path / "long.wav").string(), g);
        EXPECT_EQ(tooLong, WaveWriteResult::TooLong) << static_cast<int>(f);
        EXPECT_EQ(dir.Entries(), 1u);
    }
}
