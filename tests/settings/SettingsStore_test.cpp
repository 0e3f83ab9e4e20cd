// The settings store: typed values in an INI file under the program's key path.
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quavril;

namespace {

struct SettingsStoreTest : ::testing::Test {
    QTemporaryDir dir;
    QString file;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        file = dir.path() + "/Orvande/Quavril.conf";
    }
    QByteArray FileText() const {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
};

} // namespace

TEST_F(SettingsStoreTest, typedValuesSurviveAFreshStoreOnTheSameFile) {
    {
        SettingsStore store(file);
        EXPECT_FALSE(store.KeyExists());
        store.WriteText(setting_names::fInitLeft, "1000.5");
        store.WriteText(setting_names::PhaseEdit, "a, b = \"c\" \\ d; äö");
        store.WriteText(setting_names::Duration, "");
        store.WriteInt(setting_names::FormX, -295);
        store.WriteInt(setting_names::SliderW, 2147483647);
        store.WriteFlag(setting_names::Loop, true);
        store.WriteFlag(setting_names::LeftTick, false);
        ASSERT_TRUE(store.Sync());
    }
    SettingsStore store(file);
    EXPECT_TRUE(store.KeyExists());
    EXPECT_EQ(store.ReadText(setting_names::fInitLeft), "1000.5");
    EXPECT_EQ(store.ReadText(setting_names::PhaseEdit), "a, b = \"c\" \\ d; äö");
    EXPECT_EQ(store.ReadText(setting_names::Duration), "");
    EXPECT_EQ(store.ReadInt(setting_names::FormX), -295);
    EXPECT_EQ(store.ReadInt(setting_names::SliderW), 2147483647);
    EXPECT_EQ(store.ReadFlag(setting_names::Loop), true);
    EXPECT_EQ(store.ReadFlag(setting_names::LeftTick), false);
    EXPECT_EQ(store.ReadInt(setting_names::Loop), 1); // flags are integers
}

TEST_F(SettingsStoreTest, missingValuesAndValuesOfTheWrongKindReadAsNothing) {
    SettingsStore store(file);
    store.WriteText(setting_names::WaveFormLeft, "sine");
    store.WriteText(setting_names::FormY, "12.5");
    store.WriteText(setting_names::DisplayX, "99999999999");
    EXPECT_FALSE(store.ReadText(setting_names::txtRound).has_value());
    EXPECT_FALSE(store.ReadInt(setting_names::txtRound).has_value());
    EXPECT_FALSE(store.ReadFlag(setting_names::txtRound).has_value());
    EXPECT_FALSE(store.ReadInt(setting_names::WaveFormLeft).has_value());
    EXPECT_FALSE(store.ReadFlag(setting_names::WaveFormLeft).has_value());
    EXPECT_FALSE(store.ReadInt(setting_names::FormY).has_value());
    EXPECT_FALSE(store.ReadInt(setting_names::DisplayX).has_value());
    EXPECT_FALSE(store.Contains(setting_names::txtRound));
    EXPECT_TRUE(store.Contains(setting_names::FormY));
}

TEST_F(SettingsStoreTest, aFlagIsTrueForAnyNonZeroInteger) {
    SettingsStore store(file);
    store.WriteInt(setting_names::frmFreqSlider, 5);
    store.WriteInt(setting_names::frmFrequencyDisplay, -1);
    store.WriteInt(setting_names::PresetAutoStart, 0);
    EXPECT_EQ(store.ReadFlag(setting_names::frmFreqSlider), true);
    EXPECT_EQ(store.ReadFlag(setting_names::frmFrequencyDisplay), true);
    EXPECT_EQ(store.ReadFlag(setting_names::PresetAutoStart), false);
}

TEST_F(SettingsStoreTest, namesMatchWithoutRegardToCaseAndKeepTheirFirstSpelling) {
    {
        SettingsStore store(file);
        store.WriteFlag(setting_names::Mono, true); // written as "mono"
        store.WriteFlag("MONO", false);             // overwrites the same value
        ASSERT_TRUE(store.Sync());
    }
    SettingsStore store(file);
    EXPECT_EQ(store.ReadFlag("Mono"), false);
    EXPECT_EQ(store.ReadFlag("mono"), false);
    const QByteArray text = FileText();
    EXPECT_TRUE(text.contains("mono=0")) << text.constData();
    EXPECT_FALSE(text.contains("MONO")) << text.constData();
    store.Remove("Mono");
    EXPECT_FALSE(store.Contains(setting_names::Mono));
}

TEST_F(SettingsStoreTest, valuesLiveUnderTheProgramsKeyPath) {
    {
        SettingsStore store(file);
        store.WriteInt(setting_names::Fs, 3);
        ASSERT_TRUE(store.Sync());
    }
    QSettings raw(file, QSettings::IniFormat);
    EXPECT_EQ(raw.value("Software/Orvande/Quavril/Fs").toInt(), 3);
    EXPECT_FALSE(raw.contains("Fs"));
}

TEST(SettingsStorePath, theDefaultFileFollowsXdgConfigHome) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/quavril-config-test");
    EXPECT_EQ(SettingsStore::DefaultFilePath(), "/tmp/quavril-config-test/Orvande/Quavril.conf");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(SettingsStore::DefaultFilePath(), QDir::homePath() + "/.config/Orvande/Quavril.conf");
    if (!saved.isNull())
        qputenv("XDG_CONFIG_HOME", saved);
}

TEST_F(SettingsStoreTest, aFileThatCannotBeWrittenIsReported) {
    QFile blocker(dir.path() + "/Orvande");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    SettingsStore store(file);
    store.WriteInt(setting_names::Fs, 1);
    EXPECT_FALSE(store.Sync());
}
