// The stored settings: every value round trip through the file under its stored name, the
// start order's failure rule, and the values that are damaged or missing.
#include "settings/SettingsStore.h"
#include "settings/StoredSettings.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

using namespace quavril;

namespace {

// The windows' part as plain values; records which names were applied.
class FakeOutside : public OutsideSettings {
public:
    std::map<std::string, std::string, std::less<>> texts;
    std::map<std::string, int32_t, std::less<>> integers;
    std::vector<std::string> applied;

    std::string Text(std::string_view name) const override {
        return Find(texts, name, std::string());
    }
    int32_t Integer(std::string_view name) const override { return Find(integers, name, 0); }
    bool Flag(std::string_view name) const override { return Find(integers, name, 0) != 0; }
    void SetText(std::string_view name, const std::string& text) override {
        texts.insert_or_assign(std::string(name), text);
        applied.emplace_back(name);
    }
    void SetInteger(std::string_view name, int32_t value) override {
        integers.insert_or_assign(std::string(name), value);
        applied.emplace_back(name);
    }
    void SetFlag(std::string_view name, bool value) override { SetInteger(name, value); }

private:
    template <typename M, typename V> static V Find(const M& m, std::string_view k, V fallback) {
        const auto it = m.find(k);
        return it == m.end() ? fallback : it->second;
    }
};

class StoredSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        store = std::make_unique<SettingsStore>(dir.filePath("Quavril.conf").toStdString());
        g.SetSampleRate(44100);
    }
    // Every setting away from its default, each value different.
    void ChangeEverything() {
        g.SetText(TextField::Duration, "2.5");
        g.SetFlag(FlagField::Loop, true);
        g.SetIndex(IndexField::cboChannels, STEREO);
        g.ChannelsChange();
        g.SetFlag(FlagField::Lefttick, false);
        g.SetText(TextField::PhaseEdit, "45");
        for (Channel c : {Channel::Left, Channel::Right}) {
            const bool right = c == Channel::Right;
            g.SetFlag(ConstantOf(c), false);
            g.SetText(fInitOf(c), right ? "300" : "200");
            g.SetText(fFinalOf(c), right ? "3000" : "2000");
            g.SetFlag(LogarithmicOf(c), !right);
            g.SetFlag(BidirectionalOf(c), right);
            g.SetText(AmplitudeOf(c), right ? "-7" : "-6");
            g.SetFlag(ModulationOnOf(c), true);
            g.SetIndex(WaveFormOf(c), right ? 8 : 3);
            g.SetIndex(ModFunctionOf(c), right ? 3 : 2);
            g.SetText(ModPeriodOf(c), right ? "0.5" : "2");
            g.SetText(ModDepthOf(c), right ? "25" : "50");
            g.SetText(ModPhaseOf(c), right ? "90" : "180");
        }
        int i = 0;
        for (const char* name :
             {"WaveDevice", "PresetAutoStart", "frmFreqSlider", "frmFrequencyDisplay", "FormX",
              "FormY", "DisplayX", "DisplayY", "DisplayW", "SliderX", "SliderY", "SliderW"})
            outside.integers[name] = name[0] == 'P' || name[0] == 'f' ? 1 : -3 + 7 * ++i;
        outside.texts = {{"MinFreqEdit", "30"}, {"MaxFreqEdit", "9000"}, {"txtRound", "0.1"}};
    }

    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
    Generator g;
    FakeOutside outside;
    int resets = 0;
    std::function<void()> reset = [this] { ++resets; };
};

// Every row of the table of settings comes back as it was written.
TEST_F(StoredSettingsTest, everyValueSurvivesARoundTripThroughTheFile) {
    ChangeEverything();
    ASSERT_TRUE(StoredSettings::Save(*store, g, outside));
    SettingsStore reread(dir.filePath("Quavril.conf").toStdString());
    Generator loaded;
    loaded.SetSampleRate(44100);
    FakeOutside windows;
    EXPECT_TRUE(StoredSettings::Load(reread, loaded, windows, reset));
    EXPECT_EQ(resets, 0);
    int rows = 0;
    for (const SettingRow& row : SettingsTable()) {
        if (row.Stored.empty())
            continue;
        ++rows;
        const std::string name(row.Stored);
        if (row.Field < 0 && row.Kind == SettingKind::Text)
            EXPECT_EQ(windows.Text(name), outside.Text(name)) << name;
        else if (row.Field < 0)
            EXPECT_EQ(windows.Integer(name), outside.Integer(name)) << name;
        else if (row.Kind == SettingKind::Text)
            EXPECT_EQ(loaded.Text(static_cast<TextField>(row.Field)),
                      g.Text(static_cast<TextField>(row.Field)))
                << name;
        else if (row.Kind == SettingKind::Flag)
            EXPECT_EQ(loaded.Flag(static_cast<FlagField>(row.Field)),
                      g.Flag(static_cast<FlagField>(row.Field)))
                << name;
        else
            EXPECT_EQ(loaded.Index(static_cast<IndexField>(row.Field)),
                      g.Index(static_cast<IndexField>(row.Field)))
                << name;
    }
    EXPECT_EQ(rows, 45);
    // The channel mode is the flag "mono"; flags and positions are integers.
    EXPECT_EQ(reread.ReadInt("mono"), 0);
    EXPECT_EQ(reread.ReadText("WaveFormRight"), "8");
}

struct Damage {
    const char* Name;
    std::string Text; // "<removed>": the value is removed
    bool Fails;       // the reading stops and the reset runs
};

class DamagedValue : public StoredSettingsTest, public ::testing::WithParamInterface<Damage> {};

// A missing or unreadable integer or flag, a position outside its list and a text its field
// refuses stop the reading: the reset runs and nothing after the damaged value is applied. A
// missing text is empty. A value that is there but damaged makes the store keep the file
// aside; a missing one does not.
TEST_P(DamagedValue, stopsTheReadingOnlyWhereItMust) {
    const Damage& d = GetParam();
    ChangeEverything();
    ASSERT_TRUE(StoredSettings::Save(*store, g, outside));
    const bool removed = d.Text == "<removed>";
    if (removed)
        store->Remove(d.Name);
    else
        store->WriteText(d.Name, d.Text);
    ASSERT_TRUE(store->Sync());
    SettingsStore reread(dir.filePath("Quavril.conf").toStdString());
    Generator loaded;
    loaded.SetSampleRate(44100);
    FakeOutside windows;
    EXPECT_EQ(StoredSettings::Load(reread, loaded, windows, reset), !d.Fails);
    EXPECT_EQ(resets, d.Fails ? 1 : 0);
    // The slider window's rounding comes after every value but the four frequencies.
    const bool laterApplied = std::find(windows.applied.begin(), windows.applied.end(),
                                        "txtRound") != windows.applied.end();
    const std::string_view name = d.Name;
    const bool readLast = name.starts_with("fInit") || name.starts_with("fFinal");
    EXPECT_EQ(laterApplied, !d.Fails || readLast);
    EXPECT_EQ(reread.Damage().empty(), !d.Fails || removed) << reread.Damage();
}

const std::string Digits300(300, '7');
const std::string TenMegabytes(10 * 1000 * 1000, '1');

INSTANTIATE_TEST_SUITE_P(
    Values, DamagedValue,
    ::testing::Values(Damage{"WaveFormRight", "<removed>", true}, Damage{"WaveFormLeft", "9", true},
                      Damage{"ModFunctionRight", "-1", true}, Damage{"mono", "yes", true},
                      Damage{"WaveDevice", "<removed>", true}, Damage{"FormY", "12.5", true},
                      Damage{"txtRound", "<removed>", false},
                      Damage{"fInitLeft", "<removed>", false}, Damage{"MaxFreqEdit", "", false},
                      // Texts their fields refuse.
                      Damage{"fInitLeft", "nan", true}, Damage{"fFinalLeft", "inf", true},
                      Damage{"fInitLeft", "1000, 2000", true}, Damage{"fInitRight", "1,5", true},
                      Damage{"fInitLeft", "caf\xff", true}, Damage{"fFinalRight", Digits300, true},
                      Damage{"PhaseEdit", "a, b", true}, Damage{"Duration", "inf", true},
                      Damage{"Duration", "1e300", true}, Damage{"Duration", "nan", true},
                      Damage{"ModPeriodLeftEdit", "3.5e38", true}, Damage{"txtRound", "x", true},
                      Damage{"MinFreqEdit", "1e39", true}, Damage{"Duration", TenMegabytes, true},
                      // Texts their fields take as they are or correct when left.
                      Damage{"Duration", "1,5", false}, Damage{"AmplitudeLeft", "-200", false},
                      Damage{"ModPeriodRightEdit", "3.4e38", false},
                      Damage{"fInitLeft", "30000", false},
                      Damage{"fFinalLeft", std::string(254, '0') + "1", false}));

// Values as a user may leave them after editing the file by hand: a missing text is empty;
// an unquoted comma makes a list, which no text setting takes.
TEST_F(StoredSettingsTest, handEditedValuesAMissingTextAndAList) {
    ChangeEverything();
    ASSERT_TRUE(StoredSettings::Save(*store, g, outside));
    store.reset();
    const auto edit = [&](const QString& from, const QString& to) {
        QFile file(dir.filePath("Quavril.conf"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(file.readAll());
        file.close();
        text.replace(QRegularExpression(from), to);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    };
    edit("[^\\n]*txtRound=[^\\n]*\\n", "");
    {
        SettingsStore edited(dir.filePath("Quavril.conf").toStdString());
        Generator loaded;
        FakeOutside windows;
        EXPECT_TRUE(StoredSettings::Load(edited, loaded, windows, reset));
        EXPECT_EQ(windows.Text("txtRound"), "");
        EXPECT_EQ(edited.Damage(), "");
    }
    edit("ModPhaseLeftEdit=180", "ModPhaseLeftEdit=1, 2");
    SettingsStore edited(dir.filePath("Quavril.conf").toStdString());
    Generator loaded;
    FakeOutside windows;
    EXPECT_FALSE(StoredSettings::Load(edited, loaded, windows, reset));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(edited.Damage(), "ModPhaseLeftEdit is not a text");
}

} // namespace
