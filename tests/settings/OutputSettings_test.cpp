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
    EXPECT_EQ(store.FilePath(), (dir.path() + "/Orvande/Quavril.conf").toStdString());
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

// The signal quality comes back under its own names, also without a rate stored; a damaged
// value keeps its default while the others load.
TEST_F(OutputSettingsTest, theSignalQualityComesBackAndADamagedValueKeepsItsDefault) {
    OutputSettings s;
    s.Quality = {SampleFormat::F32, DitherKind::Tpdf, true, SignalQuality::MaxFadeMs};
    SettingsStore store;
    ASSERT_TRUE(SaveOutputSettings(store, s));
    EXPECT_EQ(SettingsStore().ReadText("SampleFormat"), "2");
    store.Remove(setting_names::Fs);
    EXPECT_EQ(LoadOutputSettings(store).Quality, s.Quality);
    const SignalQuality stored{SampleFormat::S24, DitherKind::Tpdf, true, 20}, defaults;
    using P = std::pair<const char*, const char*>;
    for (const auto& [name, text] :
         {P{"SampleFormat", "3"}, P{"SampleFormat", "-1"}, P{"Dither", "2"}, P{"Dither", "tpdf"},
          P{"BandLimited", "yes"}, P{"FadeMs", "1001"}, P{"FadeMs", "10.5"}}) {
        SCOPED_TRACE(std::string(name) + "=" + text);
        s.Quality = stored;
        SaveOutputSettings(store, s);
        store.WriteText(name, text);
        const SignalQuality q = LoadOutputSettings(store).Quality;
        const std::string n = name;
        EXPECT_EQ(q.Format, n == "SampleFormat" ? defaults.Format : stored.Format);
        EXPECT_EQ(q.Dither, n == "Dither" ? defaults.Dither : stored.Dither);
        EXPECT_EQ(q.BandLimited, n == "BandLimited" ? defaults.BandLimited : stored.BandLimited);
        EXPECT_EQ(q.FadeMs, n == "FadeMs" ? defaults.FadeMs : stored.FadeMs);
    }
}

// The SCPI server's settings come back as saved, whether "Fs" is stored or not; a damaged
// stored value keeps its default (off, loopback, port 5025, every client).
TEST_F(OutputSettingsTest, scpiSettingsRoundTripAndDamagedValuesKeepDefaults) {
    OutputSettings s;
    s.Scpi = {true, "0.0.0.0", 6000, "127.0.0.1, 192.168.1.0/24"};
    {
        SettingsStore store;
        ASSERT_TRUE(SaveOutputSettings(store, s));
    }
    EXPECT_EQ(LoadOutputSettings(SettingsStore()).Scpi, s.Scpi);

    struct Case {
        const char* Name;
        const char* Stored;
        ScpiSettings Expected;
    };
    const ScpiSettings d;
    const Case cases[] = {
        {setting_names::ScpiServer, "yes", d},
        {setting_names::ScpiServer, "1", {true, d.Address, d.Port, d.Allowed}},
        {setting_names::ScpiPort, "0", d},
        {setting_names::ScpiPort, "65536", d},
        {setting_names::ScpiPort, "5030x", d},
        {setting_names::ScpiPort, "65535", {false, d.Address, 65535, d.Allowed}},
        {setting_names::ScpiAddress, "", d},
        {setting_names::ScpiAddress, "::1", {false, "::1", d.Port, d.Allowed}},
    };
    for (const Case& c : cases) {
        QFile::remove(dir.path() + "/Orvande/Quavril.conf");
        SettingsStore store;
        store.WriteText(c.Name, c.Stored);
        EXPECT_EQ(LoadOutputSettings(store).Scpi, c.Expected) << c.Name << "=" << c.Stored;
    }
}
