#include "files/WaveFile.h"
#include "synth/Generator.h"

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
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(writer.WriteWaveFile("/dev/full", g), WaveWriteResult::Failed);
    }
    // Writing into the null device works (the performance test does that).
    EXPECT_EQ(writer.WriteWaveFile("/dev/null", g), WaveWriteResult::Written);

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
