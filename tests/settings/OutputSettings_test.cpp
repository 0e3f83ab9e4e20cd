// The three output settings: values, defaults and their positions in the settings store.
#include "settings/OutputSettings.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quavril;

namespace {

struct OutputSettingsTest : ::testing::Test {
    QTemporaryDir dir;
    QByteArray savedConfig;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    }
    void TearDown() override {
        if (savedConfig.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", savedConfig);
    }
};

} // namespace

TEST_F(OutputSettingsTest, aFirstStartWithoutStoredValuesGivesTheDefaults) {
    const OutputSettings s = LoadOutputSettings(SettingsStore());
    EXPECT_EQ(s.SampleRate(), 11025);
    EXPECT_EQ(s.BufferBytes(), 16384);
    EXPECT_EQ(s.BufferCount(), 4);
    EXPECT_EQ(s, OutputSettings{});
}

TEST_F(OutputSettingsTest, savedPositionsComeBackAtTheNextStart) {
    OutputSettings s;
    s.Fs = OutputSettings::FsPosition(44100);
    s.BufferSize = OutputSettings::BufferSizePosition(64536);
    s.Buffers = OutputSettings::BuffersPosition(2);
    {
        SettingsStore store;
        ASSERT_TRUE(SaveOutputSettings(store, s));
    }
    // Positions are stored, not values, in the program's file under XDG_CONFIG_HOME.
    SettingsStore store;
    EXPECT_EQ(store.FilePath(), dir.path() + "/Orvande/Quavril.conf");
    EXPECT_TRUE(QFile::exists(dir.path() + "/Orvande/Quavril.conf"));
    EXPECT_EQ(store.ReadInt(setting_names::Fs), 3);
    EXPECT_EQ(store.ReadInt(setting_names::BufferSize), 4);
    EXPECT_EQ(store.ReadInt(setting_names::Buffers), 0);
    const OutputSettings loaded = LoadOutputSettings(store);
    EXPECT_EQ(loaded, s);
    EXPECT_EQ(loaded.SampleRate(), 44100);
    EXPECT_EQ(loaded.BufferBytes(), 64536);
    EXPECT_EQ(loaded.BufferCount(), 2);
}

TEST_F(OutputSettingsTest, savingUnchangedDefaultsWritesAllThreePositions) {
    SettingsStore store;
    ASSERT_TRUE(SaveOutputSettings(store, OutputSettings{}));
    EXPECT_EQ(store.ReadInt(setting_names::Fs), 1);
    EXPECT_EQ(store.ReadInt(setting_names::BufferSize), 2);
    EXPECT_EQ(store.ReadInt(setting_names::Buffers), 2);
}

TEST_F(OutputSettingsTest, sizesAndCountsWithoutARateAreIgnored) {
    SettingsStore store;
    store.WriteInt(setting_names::Buffers, 0);
    store.WriteInt(setting_names::BufferSize, 4);
    EXPECT_EQ(LoadOutputSettings(store), OutputSettings{});
    store.WriteInt(setting_names::Fs, 5);
    const OutputSettings s = LoadOutputSettings(store);
    EXPECT_EQ(s.SampleRate(), 96000);
    EXPECT_EQ(s.BufferCount(), 2);
    EXPECT_EQ(s.BufferBytes(), 64536);
}

TEST_F(OutputSettingsTest, aPositionOutsideItsListFallsBackToTheDefault) {
    SettingsStore store;
    store.WriteInt(setting_names::Fs, 9); // one past 192000 Hz
    store.WriteInt(setting_names::Buffers, -1);
    store.WriteText(setting_names::BufferSize, "big");
    EXPECT_EQ(LoadOutputSettings(store), OutputSettings{});
    store.WriteInt(setting_names::Fs, 0);
    store.WriteInt(setting_names::Buffers, 3);
    const OutputSettings s = LoadOutputSettings(store);
    EXPECT_EQ(s.SampleRate(), 8000);
    EXPECT_EQ(s.Buffers, OutputSettings::DefaultBuffers);
    EXPECT_EQ(s.BufferSize, OutputSettings::DefaultBufferSize);
}

TEST_F(OutputSettingsTest, theSignalQualityComesBackUnderItsOwnNames) {
    OutputSettings s;
    s.Quality.Format = SampleFormat::F32;
    s.Quality.Dither = DitherKind::Tpdf;
    s.Quality.BandLimited = true;
    s.Quality.FadeMs = SignalQuality::MaxFadeMs;
    {
        SettingsStore store;
        ASSERT_TRUE(SaveOutputSettings(store, s));
    }
    SettingsStore store;
    EXPECT_EQ(store.ReadInt("SampleFormat"), 2);
    EXPECT_EQ(store.ReadInt("Dither"), 1);
    EXPECT_EQ(store.ReadInt("BandLimited"), 1);
    EXPECT_EQ(store.ReadInt("FadeMs"), 1000);
    EXPECT_EQ(LoadOutputSettings(store), s);
    // Stored without a rate: the quality is read all the same.
    store.Remove(setting_names::Fs);
    EXPECT_EQ(LoadOutputSettings(store).Quality, s.Quality);
}

// A damaged value keeps its default; the other values load.
TEST_F(OutputSettingsTest, aDamagedQualityValueKeepsItsDefault) {
    const std::pair<const char*, const char*> damaged[] = {
        {"SampleFormat", "3"}, {"SampleFormat", "-1"}, {"SampleFormat", "24"},
        {"Dither", "2"},       {"Dither", "tpdf"},     {"BandLimited", "yes"},
        {"FadeMs", "1001"},    {"FadeMs", "-5"},       {"FadeMs", "10.5"}};
    for (const auto& [name, text] : damaged) {
        SCOPED_TRACE(std::string(name) + "=" + text);
        SettingsStore store;
        store.WriteInt(setting_names::SampleFormat, 1);
        store.WriteInt(setting_names::Dither, 1);
        store.WriteFlag(setting_names::BandLimited, true);
        store.WriteInt(setting_names::FadeMs, 20);
        store.WriteText(name, text);
        SignalQuality expected{SampleFormat::S24, DitherKind::Tpdf, true, 20};
        const SignalQuality defaults;
        const std::string n = name;
        if (n == "SampleFormat")
            expected.Format = defaults.Format;
        else if (n == "Dither")
            expected.Dither = defaults.Dither;
        else if (n == "BandLimited")
            expected.BandLimited = defaults.BandLimited;
        else
            expected.FadeMs = defaults.FadeMs;
        EXPECT_EQ(LoadOutputSettings(store).Quality, expected);
    }
}
