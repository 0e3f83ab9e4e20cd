// The generator session without windows: the numbered messages other programs send, the
// read-only values they ask for, the transport with and without the sync box, and the one
// table of settings behind both.
#include "analysis/MonitorRing.h"
#include "audio/Playback.h"
#include "settings/StoredSettings.h"
#include "tests/session/SessionFixture.h"

#include <QTemporaryDir>
#include <climits>
#include <gtest/gtest.h>
#include <set>
#include <utility>

using namespace quavril;

namespace {

using SessionTest = test::SessionFixture;

struct MessageCase {
    MessageCode Code;
    int32_t W, L;
    const char* Setting; // stored name
    const char* Expected;
};

class MessageTable : public SessionTest, public ::testing::WithParamInterface<MessageCase> {};

// Numbers reach the edits as their shortest decimal text with a full stop; flags tick on > 0
// (1030 and 1027 on != 0); each write runs the control's own handler.
TEST_P(MessageTable, writesTheControlAsAUserWould) {
    const MessageCase& c = GetParam();
    G().SetIndex(IndexField::cboChannels, STEREO);
    G().ChannelsChange();
    session->Dispatch(c.Code, c.W, c.L);
    EXPECT_EQ(Value(c.Setting), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, MessageTable,
    ::testing::Values(MessageCase{MessageCode::LeftFrequency, 100050, 0, "fInitLeft", "1000.5"},
                      MessageCase{MessageCode::LeftFrequencyAlias, 44, 0, "fInitLeft", "0.44"},
                      MessageCase{MessageCode::LeftFinalFrequency, -150, 0, "fFinalLeft", "-1.5"},
                      MessageCase{MessageCode::Duration, 25, 0, "Duration", "2.5"},
                      MessageCase{MessageCode::Duration, INT_MIN, 0, "Duration", "-214748364.8"},
                      MessageCase{MessageCode::LeftAmplitude, -6, 0, "AmplitudeLeft", "-6"},
                      MessageCase{MessageCode::LeftSweep, -1, 0, "chkConstantLeft", "0"},
                      MessageCase{MessageCode::Loop, -1, 0, "Loop", "0"},
                      MessageCase{MessageCode::Loop, 2, 0, "Loop", "1"},
                      MessageCase{MessageCode::LeftLogarithmic, 0, 0, "LogarithmicLeft", "0"},
                      MessageCase{MessageCode::LeftModulationOn, 1, 0, "ModulationOnLeft", "1"},
                      MessageCase{MessageCode::ModulationPeriod, 3, 4, "ModPeriodRightEdit", "4"},
                      MessageCase{MessageCode::ModulationDepth, 50, 25, "ModDepthLeftEdit", "50"},
                      MessageCase{MessageCode::ModulationPhase, 90, -90, "ModPhaseRightEdit",
                                  "-90"},
                      MessageCase{MessageCode::ModulationFunction, 2, 3, "ModFunctionRight", "3"},
                      MessageCase{MessageCode::ModulationFunction, 2, 4, "ModFunctionLeft", "0"},
                      MessageCase{MessageCode::LeftWaveForm, 8, 0, "WaveFormLeft", "8"},
                      MessageCase{MessageCode::LeftWaveForm, 9, 0, "WaveFormLeft", "0"},
                      MessageCase{MessageCode::LeftWaveForm, -1, 0, "WaveFormLeft", "0"},
                      MessageCase{MessageCode::Phase, 45, 0, "PhaseEdit", "45"},
                      MessageCase{MessageCode::WaveDevice, 1, 0, "WaveDevice", "2"},
                      MessageCase{MessageCode::WaveDevice, -1, 0, "WaveDevice", "0"},
                      MessageCase{MessageCode::WaveDevice, 2, 0, "WaveDevice", "0"},
                      MessageCase{MessageCode::WaveDevice, -2, 0, "WaveDevice", "0"},
                      MessageCase{MessageCode::Channels, 0, 0, "mono", "1"},
                      MessageCase{MessageCode::Channels, 2, 0, "LeftTick", "0"},
                      MessageCase{MessageCode::Channels, 2, 0, "RightTick", "1"},
                      MessageCase{MessageCode::Channels, 1, 0, "MONO", "0"}));

// A frequency above half the sample rate (44100 Hz) is lowered to it, silently.
INSTANTIATE_TEST_SUITE_P(AboveHalfTheRate, MessageTable,
                         ::testing::Values(MessageCase{MessageCode::LeftFrequency, 3000000, 0,
                                                       "fInitLeft", "22050"},
                                           MessageCase{MessageCode::LeftFrequencyAlias, INT_MAX, 0,
                                                       "fInitLeft", "22050"},
                                           MessageCase{MessageCode::LeftFinalFrequency, 2205001, 0,
                                                       "fFinalLeft", "22050"}));

TEST_F(SessionTest, aWrittenFrequencyRunsItsChangeHandler) {
    session->Dispatch(MessageCode::LeftFrequency, 44000, 0);
    EXPECT_FLOAT_EQ(G().State().Of(Channel::Left).InitNorm, 440.0f / 44100);
}

TEST_F(SessionTest, thePhaseNeedsStereoWithBothChannels) {
    session->Dispatch(MessageCode::Phase, 90, 0); // mono
    EXPECT_EQ(Value("PhaseEdit"), "0");
    session->Dispatch(MessageCode::Channels, 1, 0); // stereo, right channel off
    session->Dispatch(MessageCode::Phase, 90, 0);
    EXPECT_EQ(Value("PhaseEdit"), "0");
    session->Dispatch(MessageCode::Channels, 3, 0);
    session->Dispatch(MessageCode::Phase, 90, 0);
    EXPECT_EQ(Value("PhaseEdit"), "90");
}

TEST_F(SessionTest, memoryMessagesRecallAndStoreOnlyWholeSlots) {
    session->Dispatch(MessageCode::LeftFrequency, 50000, 0);
    session->Dispatch(MessageCode::Memory, 1, 3); // store 500 Hz into slot 3
    session->Dispatch(MessageCode::LeftFrequency, 100000, 0);
    session->Dispatch(MessageCode::Memory, 2, 3); // neither recall nor store
    session->Dispatch(MessageCode::Memory, 1, 5); // no such slot
    EXPECT_EQ(session->Bank().Slot(3).fInitLeft, "500");
    session->Dispatch(MessageCode::Memory, 0, 3);
    EXPECT_EQ(Value("fInitLeft"), "500");
    session->Dispatch(MessageCode::Memory, 0, 0);
    EXPECT_EQ(Value("fInitLeft"), "500");
}

// Every code around the table with extreme parameters: nothing crashes, undefined codes do
// nothing, and a start that may follow is stopped again.
TEST_F(SessionTest, anyCodeWithAnyParametersIsSafe) {
    const int32_t extremes[] = {INT_MIN, -1, 0, 1, 3, INT_MAX};
    for (int32_t code = 1000; code <= 1110; ++code) {
        for (int32_t w : extremes)
            for (int32_t l : extremes) {
                session->Dispatch(static_cast<MessageCode>(code), w, l);
                session->StopNow();
            }
    }
    session->Dispatch(static_cast<MessageCode>(1028), 5, 5);
    EXPECT_FALSE(session->Playing());
}

TEST_F(SessionTest, syncSendsTransportCommandsThroughTheBroadcaster) {
    std::vector<int32_t> sent;
    int fronts = 0;
    QObject::connect(session.get(), &GeneratorSession::BringToFront, [&] { ++fronts; });
    session->SetBroadcaster([&](MessageCode code) {
        sent.push_back(CodeOf(code));
        session->Dispatch(code, 0, 0);
    });
    session->On(); // the sync box is off: local
    EXPECT_TRUE(sent.empty());
    session->StopNow();
    session->Dispatch(MessageCode::Sync, 7, 0);
    session->On();
    session->Pause();
    session->Trigger(); // playing: Off
    EXPECT_EQ(sent, (std::vector<int32_t>{1024, 1026, 1025}));
    EXPECT_EQ(fronts, 1);
    EXPECT_EQ(session->SyncCode(), MessageCode::Off);
    EXPECT_FALSE(session->Playing());
}

TEST_F(SessionTest, valuesAreReadByStoredNameWhateverTheCase) {
    EXPECT_EQ(Value("fInitLeft"), "1000");
    EXPECT_EQ(Value("finitleft"), "1000");
    EXPECT_EQ(Value("Mono"), "1");
    EXPECT_EQ(Value("LeftTick"), "1");
    EXPECT_EQ(Value("WaveFormRight"), "0");
    EXPECT_EQ(Value("MaxFreqEdit"), session->Slider().MaxFreqEdit);
    EXPECT_FALSE(session->Value("cboChannels").has_value()); // a control name, not a stored one
    EXPECT_FALSE(session->Value("barAmplitudeLeft").has_value());
    EXPECT_FALSE(session->Value("nothing").has_value());
}

// Nobody at the window waits for a message's answer: a start it makes that fails is its
// result and a notice, never a box. The user's own start shows the box the user answers.
TEST_F(SessionTest, aFailedStartIsTheMessagesResultAndANoticeOnly) {
    std::vector<std::string> told;
    for (auto [signal, kind] : {std::pair{&GeneratorSession::Information, "information"},
                                std::pair{&GeneratorSession::Error, "error"},
                                std::pair{&GeneratorSession::Notice, "notice"}})
        QObject::connect(session.get(), signal,
                         [&told, kind = std::string(kind)](const QString& t) {
                             told.push_back(kind + ": " + t.toStdString());
                         });
    device->FailOpen(VirtualWaveOut::VirtualFailure);
    const std::string failure =
        Playback::StartFailureMessage(device->ErrorText(VirtualWaveOut::VirtualFailure));
    const std::vector<std::string> notice{"notice: " + failure};
    EXPECT_EQ(session->Dispatch(MessageCode::On, 0, 0), failure);
    EXPECT_EQ(std::exchange(told, {}), notice);
    EXPECT_EQ(session->StartPlayback(), failure);
    EXPECT_EQ(std::exchange(told, {}), std::vector<std::string>{"information: " + failure});
    EXPECT_FALSE(session->Dispatch(MessageCode::LeftAmplitude, -6, 0).has_value());
    EXPECT_TRUE(std::exchange(told, {}).empty());
    session->SetAutoStart(true);
    EXPECT_EQ(session->Dispatch(MessageCode::Memory, 0, 1), failure);
    EXPECT_EQ(told, notice);
    EXPECT_FALSE(session->Playing());
}

// Value answers every stored setting as the end of the program would store it: the output
// settings, the device, the autostart option, the Sync box; the windows' places and
// visibility only where there are windows.
TEST_F(SessionTest, valueAnswersEveryStoredSettingAsItWouldBeStored) {
    session->SelectRate(OutputSettings::FsPosition(48000));
    session->SelectBuffers(OutputSettings::BuffersPosition(3));
    session->SelectDevice(2);
    session->SetAutoStart(true);
    session->SetSync(true);
    SignalQuality quality;
    quality.Format = SampleFormat::F32;
    quality.FadeMs = 25;
    session->SetQuality(quality);
    const std::pair<const char*, const char*> expected[] = {
        {"Fs", "4"},           {"Buffers", "1"},         {"BufferSize", "2"},
        {"WaveDevice", "2"},   {"PresetAutoStart", "1"}, {"chkSync", "1"},
        {"CHKSYNC", "1"},      {"txtRound", "1"},        {"ScpiServer", "0"},
        {"SampleFormat", "2"}, {"FadeMs", "25"},         {"Dither", "0"}};
    for (const auto& [name, value] : expected)
        EXPECT_EQ(Value(name), value) << name;
    EXPECT_FALSE(session->Value("FormX").has_value());
    EXPECT_FALSE(session->Value("frmFreqSlider").has_value());

    class Windows : public OutsideSettings {
    public:
        std::string Text(std::string_view) const override { return "7"; }
        int32_t Integer(std::string_view name) const override {
            return name == "WaveDevice" ? 1 : -5;
        }
        bool Flag(std::string_view) const override { return true; }
        void SetText(std::string_view, const std::string&) override {}
        void SetInteger(std::string_view, int32_t) override {}
        void SetFlag(std::string_view, bool) override {}
    } windows;
    session->SetSettingsWriter(
        [&](SettingsStore& s) { StoredSettings::Save(s, session->Controls(), windows); });
    EXPECT_EQ(Value("FormX"), "-5");
    EXPECT_EQ(Value("frmFreqSlider"), "1");
    EXPECT_EQ(Value("MinFreqEdit"), "7");
    for (const SettingRow& row : SettingsTable())
        if (!row.Stored.empty()) {
            EXPECT_TRUE(session->Value(row.Stored).has_value()) << row.Stored;
        }
}

// The monitor's ring gets exactly the bytes queued to the device, only while it is attached,
// and the frame it calls playing is the device's: the newest frame less the device's delay.
TEST_F(SessionTest, theMonitorRingIsAlignedWithTheDevicesDelay) {
    G().SetIndex(IndexField::cboChannels, STEREO);
    G().ChannelsChange();
    G().SetIndex(IndexField::WaveFormRight, SILENCE); // the channels differ
    MonitorRing ring;
    session->AttachMonitor(&ring);
    session->StartPlayback();
    ASSERT_TRUE(session->Playing());
    const int64_t buffer = 16384 / 4; // frames per buffer
    EXPECT_EQ(ring.Written(), 4 * buffer);
    EXPECT_EQ(ring.Channels(), 2);
    ASSERT_EQ(device->CompleteNext() + device->CompleteNext(), 2);
    test::DeliverNotices();
    ASSERT_EQ(ring.Written(), 6 * buffer);
    // Two buffers played and 1,000 frames of the third: the device reports the rest.
    const int64_t played = 2 * buffer + 1000;
    device->SetReportedDelay(ring.Written() - played);
    ASSERT_EQ(session->MonitorPlayingFrame(), played);
    const int64_t shown = 2 * buffer; // what the device handed back, ending 1,000 frames ago
    std::vector<float> left(static_cast<size_t>(shown)), right(left.size());
    ring.Read(0, played - 1000, shown, left.data());
    ring.Read(1, played - 1000, shown, right.data());
    const std::vector<uint8_t>& bytes = device->Played();
    ASSERT_EQ(bytes.size(), static_cast<size_t>(shown * 4));
    for (size_t i = 0; i < left.size(); ++i) {
        ASSERT_EQ(left[i], static_cast<float>(DecodeSample(&bytes[i * 4], SampleFormat::S16))) << i;
        ASSERT_EQ(right[i], 0.0f) << i;
    }
    EXPECT_NE(left[100], 0.0f);

    // Detached, nothing more is copied; stopped, nothing is left to hear.
    session->AttachMonitor(nullptr);
    ASSERT_TRUE(device->CompleteNext());
    test::DeliverNotices();
    EXPECT_EQ(ring.Written(), 6 * buffer);
    EXPECT_EQ(session->MonitorPlayingFrame(), 0);
    session->AttachMonitor(&ring);
    session->StopNow();
    EXPECT_EQ(session->MonitorPlayingFrame(), ring.Written());
}

// The table says where every control lives: each field finds its own row, stored names are
// unique, and writing through a row changes exactly that control.
TEST(SettingsTable, everyControlHasOneRowAndEveryStoredNameOneSetting) {
    std::set<std::string> stored;
    for (const SettingRow& row : SettingsTable()) {
        if (!row.Stored.empty()) {
            EXPECT_TRUE(stored.insert(std::string(row.Stored)).second) << row.Stored;
        }
    }
    EXPECT_EQ(stored.size(), 45u);
    Generator g;
    for (int i = 0; i < TextFieldCount; ++i) {
        const auto f = static_cast<TextField>(i);
        EXPECT_EQ(RowOf(f).Field, i);
        g.SetText(f, "x" + std::to_string(i));
    }
    for (int i = 0; i < TextFieldCount; ++i)
        EXPECT_EQ(g.Text(static_cast<TextField>(i)), "x" + std::to_string(i)) << i;
    for (int i = 0; i < FlagFieldCount; ++i)
        EXPECT_EQ(RowOf(static_cast<FlagField>(i)).Field, i);
    for (int i = 0; i < IndexFieldCount; ++i) {
        EXPECT_EQ(RowOf(static_cast<IndexField>(i)).Field, i);
        g.SetIndex(static_cast<IndexField>(i), 10 + i);
    }
    for (int i = 0; i < IndexFieldCount; ++i)
        EXPECT_EQ(g.Index(static_cast<IndexField>(i)), 10 + i);
    EXPECT_EQ(ChannelOf(TextField::PhaseEdit), Channel::Right);
    EXPECT_EQ(RowOfStoredName("MONO"), &RowOf(IndexField::cboChannels));
}

} // namespace
