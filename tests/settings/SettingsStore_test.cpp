// The settings store: typed values in an INI file under the program's key path.
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // What the store said, line by line.
    std::vector<std::string> told;
    SettingsStore::Reporter Tell() {
        return [this](const std::string& line) { told.push_back(line); };
    }
    static std::string Bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<none>";
    }
    static void Put(const QString& path, const std::string& bytes) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
};

} // namespace

TEST_F(SettingsStoreTest, typedValuesSurviveAFreshStoreOnTheSameFile) {
    {
        SettingsStore store(file.toStdString());
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
    SettingsStore store(file.toStdString());
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
    SettingsStore store(file.toStdString());
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
    SettingsStore store(file.toStdString());
    store.WriteInt(setting_names::frmFreqSlider, 5);
    store.WriteInt(setting_names::frmFrequencyDisplay, -1);
    store.WriteInt(setting_names::PresetAutoStart, 0);
    EXPECT_EQ(store.ReadFlag(setting_names::frmFreqSlider), true);
    EXPECT_EQ(store.ReadFlag(setting_names::frmFrequencyDisplay), true);
    EXPECT_EQ(store.ReadFlag(setting_names::PresetAutoStart), false);
}

TEST_F(SettingsStoreTest, namesMatchWithoutRegardToCaseAndKeepTheirFirstSpelling) {
    {
        SettingsStore store(file.toStdString());
        store.WriteFlag(setting_names::Mono, true); // written as "mono"
        store.WriteFlag("MONO", false);             // overwrites the same value
        ASSERT_TRUE(store.Sync());
    }
    SettingsStore store(file.toStdString());
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
        SettingsStore store(file.toStdString());
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
    EXPECT_EQ(SettingsStore::DefaultFilePath(),
              (QDir::homePath() + "/.config/Orvande/Quavril.conf").toStdString());
    if (!saved.isNull())
        qputenv("XDG_CONFIG_HOME", saved);
}

TEST_F(SettingsStoreTest, aFileThatCannotBeWrittenIsReported) {
    QFile blocker(dir.path() + "/Orvande");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    SettingsStore store(file.toStdString(), Tell());
    store.WriteInt(setting_names::Fs, 1);
    EXPECT_FALSE(store.Sync());
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(
        told.back().rfind("the settings could not be written to " + file.toStdString() + ": ", 0),
        0u)
        << told.back();
}

// A store without a file keeps its values in memory, and that is no failure.
TEST_F(SettingsStoreTest, aStoreWithoutAFileKeepsItsValuesInMemory) {
    SettingsStore memory("", Tell());
    memory.WriteInt(setting_names::Fs, 5);
    EXPECT_TRUE(memory.Sync());
    EXPECT_EQ(memory.ReadInt(setting_names::Fs), 5);
    EXPECT_TRUE(told.empty());
}

// Files of earlier versions were written by QSettings, and the file stays readable by it.
TEST_F(SettingsStoreTest, textsReadAndWriteAsQSettingsDoes) {
    const QString texts[] = {
        "1000.5", "1, 2", "  lead and trail  ", "a=b;c#d",          "\"q\" \\ e",
        "@at",    "",     "tab\there",          "caf\u00e9 \u20ac", "line\nend"};
    const int count = int(std::size(texts));
    const auto key = [](int i) { return QString("Software/Orvande/Quavril/t%1").arg(i); };
    {
        QSettings qt(file, QSettings::IniFormat);
        for (int i = 0; i < count; ++i)
            qt.setValue(key(i), texts[i]);
        qt.setValue("Software/Orvande/Quavril/n", 42);
    }
    SettingsStore ours(file.toStdString());
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(ours.ReadText("t" + std::to_string(i)), texts[i].toStdString()) << i;
    EXPECT_EQ(ours.ReadInt("n"), 42);

    // A file QSettings never saw: its cache of the first one could answer from memory when
    // both have the same size and time stamp.
    const QString written = dir.path() + "/written.conf";
    SettingsStore writer(written.toStdString());
    for (int i = 0; i < count; ++i)
        writer.WriteText("t" + std::to_string(i), texts[i].toStdString());
    writer.WriteInt("n", -7);
    ASSERT_TRUE(writer.Sync());
    QSettings qt(written, QSettings::IniFormat);
    EXPECT_EQ(qt.status(), QSettings::NoError);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(qt.value(key(i)).toString(), texts[i]) << i;
    EXPECT_EQ(qt.value("Software/Orvande/Quavril/n").toInt(), -7);
}

// A link to a regular file stays a link; the file it names gets the settings and keeps its
// permissions and (where the system lets the program set it) its owner.
TEST_F(SettingsStoreTest, aLinkIsFollowedAndKeptAndTheFileKeepsItsModeAndOwner) {
    const QString real = dir.path() + "/elsewhere.conf";
    Put(real, "[Software]\nOrvande\\Quavril\\Fs=1\n");
    ASSERT_EQ(::chmod(real.toLocal8Bit().constData(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(real.toLocal8Bit().constData(), 4321, 4321), 0);
    }
    QDir().mkpath(dir.path() + "/Orvande");
    ASSERT_TRUE(QFile::link(real, file));
    SettingsStore store(file.toStdString());
    EXPECT_EQ(store.ReadInt(setting_names::Fs), 1);
    store.WriteInt(setting_names::Fs, 4);
    ASSERT_TRUE(store.Sync());
    EXPECT_TRUE(QFileInfo(file).isSymLink());
    EXPECT_EQ(Bytes(real), "[Software]\nOrvande\\Quavril\\Fs=4\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).size(), 1)
        << "no temporary file is left beside the target";
}

struct Damaged {
    const char* Why; // how the report names the damage; "" for a sound file
    std::string Bytes;
    const char* MarkedValue; // a value the reading refused, or nullptr
};

class DamagedFile : public SettingsStoreTest, public ::testing::WithParamInterface<Damaged> {};

// A file that does not parse, or holds a refused value, is kept byte for byte beside the new
// one before it is first written over, and that is said once.
TEST_P(DamagedFile, isKeptAsideOnceBeforeItIsWrittenOver) {
    const Damaged& c = GetParam();
    Put(file, c.Bytes);
    SettingsStore store(file.toStdString(), Tell());
    if (c.MarkedValue)
        store.MarkDamaged(c.MarkedValue);
    store.WriteText(setting_names::fInitLeft, "440");
    ASSERT_TRUE(store.Sync());
    store.WriteText(setting_names::fInitLeft, "880");
    ASSERT_TRUE(store.Sync());
    const bool damaged = *c.Why != '\0';
    EXPECT_EQ(Bytes(file + ".damaged"), damaged ? c.Bytes : "<none>");
    ASSERT_EQ(told.size(), damaged ? 1u : 0u);
    if (damaged) {
        EXPECT_NE(told[0].find(c.Why), std::string::npos) << told[0];
        EXPECT_NE(told[0].find("Quavril.conf.damaged"), std::string::npos) << told[0];
    }
    EXPECT_EQ(SettingsStore(file.toStdString()).ReadText(setting_names::fInitLeft), "880");
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFile,
    ::testing::Values(Damaged{"", "[Software]\nOrvande\\Quavril\\Fs=1\n", nullptr},
                      Damaged{"line 2: not a name=value line", "[Software]\ngarbage\n", nullptr},
                      Damaged{"line 1: a section name without ']'", "[Software\nx=1\n", nullptr},
                      Damaged{"line 2: a NUL byte", std::string("[a]\nk=\0\n", 9), nullptr},
                      Damaged{"larger than 1 MiB", std::string(SettingsStore::FileLimit + 1, '#'),
                              nullptr},
                      Damaged{"fInitLeft 'nan'", "[Software]\nOrvande\\Quavril\\fInitLeft=nan\n",
                              "fInitLeft 'nan' is not a number it takes"},
                      // An empty file has nothing to keep.
                      Damaged{"", "", "WaveDevice is missing"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// When the damaged file cannot be kept, it is not written over either.
TEST_F(SettingsStoreTest, aDamagedFileThatCannotBeKeptIsNotWrittenOver) {
    Put(file, "junk\n");
    ASSERT_TRUE(QDir().mkdir(file + ".damaged"));
    SettingsStore store(file.toStdString(), Tell());
    store.WriteInt(setting_names::Fs, 2);
    EXPECT_FALSE(store.Sync());
    EXPECT_EQ(Bytes(file), "junk\n");
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("could not be kept"), std::string::npos) << told[0];
}

// Several generators share the file: what another wrote meanwhile stays unless this one
// wrote the same value; the one that writes last decides the values both wrote.
TEST_F(SettingsStoreTest, valuesAnotherCopyWroteStayUnlessThisOneWroteThem) {
    SettingsStore first(file.toStdString());
    SettingsStore second(file.toStdString());
    first.WriteInt(setting_names::Fs, 4);
    first.WriteText(setting_names::fInitLeft, "100");
    ASSERT_TRUE(first.Sync());
    second.WriteText(setting_names::fInitLeft, "200");
    second.WriteText(setting_names::Duration, "3");
    ASSERT_TRUE(second.Sync());
    SettingsStore after(file.toStdString());
    EXPECT_EQ(after.ReadInt(setting_names::Fs), 4);
    EXPECT_EQ(after.ReadText(setting_names::fInitLeft), "200");
    EXPECT_EQ(after.ReadText(setting_names::Duration), "3");
    after.Remove(setting_names::Fs);
    ASSERT_TRUE(after.Sync());
    EXPECT_FALSE(SettingsStore(file.toStdString()).Contains(setting_names::Fs));
}
