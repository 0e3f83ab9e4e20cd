#include "session/PerformanceTest.h"

#include "session/EventLoopWait.h"
#include "session/GeneratorSession.h"
#include "synth/NumberText.h"

#include <QFileInfo>
#include <chrono>

namespace quavril {

namespace {

// Help topics of the boxes: the output settings, and the contents.
constexpr int SettingsHelp = 2;
constexpr int ContentsHelp = 0;

const char* const Intro =
    "This test will check the performance and compatibility of your computer. Please set your "
    "loudspeaker volume to a low but audible level. Press OK to start or cancel to abort.";
const char* const NotFound =
    "Preset file not found. Please re-install application before trying again.";
const char* const FirstTest =
    "First test: Measuring the time it takes to generate a stereo 10 second tone at 44.1kHz "
    "Sampling frequency (CD quality). If this is well under 10 seconds, your computer is fine "
    "for CD quality signals.";
const char* const SlowEnding =
    " seconds to generate a 10 second stereo CD quality signal. Your computer is not fast "
    "enough to run tests at full stereo CD quality. Check the help files for possible "
    "improvements.";
const char* const MarginalEnding =
    " seconds to generate a 10 second stereo CD quality signal. Your computer is marginally "
    "fast enough to run tests at full stereo CD quality. Check the help files for possible "
    "improvements.";
const char* const FastEnding =
    " seconds to generate a 10 second stereo CD quality signal. Your computer is fast enough to "
    "run tests at full stereo CD quality.";
const char* const MonoLowRate =
    "Next test: A 5 second, 1kHz mono sine wave signal at 22050Hz sampling frequency. Please do "
    "not touch any of the controls during play.";
const char* const Heard = "Did you hear any tone at all?";
const char* const Froze = "Did your computer stop to respond or freeze during playback?";
const char* const NotHeardLowRate = ") cannot play 16 bit files at 22.05kHz. You could try other "
                                    "sampling rates.";
const char* const MonoFullRate =
    "Last test: A 5 second, 1kHz MONO sine wave signal at 44.1 kHz sampling frequency. Check if "
    "your computer freezes or fails to respond during signal playback. Please try to move the "
    "Quavril window around on the desktop.";
const char* const NotHeardMono = ") cannot play 16 bit mono files at 44.1kHz, which is very "
                                 "unusual. You could try other sampling rates.";
const char* const TooSlowMono = "Your computer might be too slow for 44.1 kHz sampling frequency. "
                                "The program will be set to 22.05kHz samplingrate";
const char* const Stereo =
    "Next test: A 5 sec stereo wave at 44.1 kHz sampling rate. Check if your computer freezes or "
    "fails to respond during signal playback. Please do not touch any of the controls during "
    "play, but do try to move the Quavril window on the desktop.";
const char* const NotHeardStereo = ") cannot play 16 bit files at 44.1kHz, which is very "
                                   "unusual. You could try other sampling rates.";
const char* const TooSlowStereo =
    "Your computer might be too slow for 44.1 kHz sampling frequency stereo signals. Please "
    "choose a lower samplingrate in \"Compatibility settings\" when playing stereo signals";
const char* const Modulated =
    "Last test: A 5 second, 1kHz stereo MODULATED sine wave signal at 44.1 kHz sampling "
    "frequency. Check if your computer freezes or fails to respond during signal playback. "
    "Please try to move the Quavril window around on the desktop.";
const char* const TooSlowModulated =
    "Your computer might be too slow for 44.1 kHz sampling frequency modulated stereo signals. "
    "Please choose a lower samplingrate in \"Compatibility settings\" when playing modulated "
    "stereo signals";
const char* const Congratulations =
    "Congratulations, your computer can handle the most complex signal generation at CD quality "
    "and is perfectly suitable for use with this program.";
const char* const NotHeardStart = "If you did not hear anything, your sound card (";

constexpr int32_t FullRate = 44100;
constexpr int32_t LowRate = 22050;
constexpr int64_t SignalMs = 10000; // the timed signal's length

} // namespace

int64_t PerformanceTest::SteadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

PerformanceTest::PerformanceTest(GeneratorSession& session, Questions& questions,
                                 QString presetPath, Clock clock, QString sink)
    : session_(session), questions_(questions), presetPath_(std::move(presetPath)),
      clock_(std::move(clock)), sink_(std::move(sink)) {}

QString PerformanceTest::TimingNote(int64_t ms) {
    const char* ending = ms > SignalMs ? SlowEnding : ms > 9000 ? MarginalEnding : FastEnding;
    return "It took " + QString::fromStdString(FormatGeneral(ms * 0.001L)) +
           QString::fromLatin1(ending);
}

void PerformanceTest::Run() {
    measuredMs_ = -1;
    if (!questions_.Confirm(QString::fromLatin1(Intro), SettingsHelp))
        return;
    if (!QFileInfo(presetPath_).isFile()) {
        questions_.Note(QString::fromLatin1(NotFound));
        return;
    }
    const PresetBank userBank = session_.Bank();
    const bool autoStart = session_.AutoStart();
    // The test recalls its slots without starting them, whatever the option says.
    session_.SetAutoStart(false);
    if (LoadTestBank()) {
        savedRate_ = session_.Settings().Fs;
        ApplyRate(FullRate);
        session_.RecallSlot(4);
        if (!questions_.Confirm(QString::fromLatin1(FirstTest), SettingsHelp)) {
            RestoreRate();
        } else {
            session_.StopNow();
            const int64_t start = clock_();
            session_.WriteExport(sink_.toStdString());
            measuredMs_ = clock_() - start;
            questions_.Note(TimingNote(measuredMs_));
            // A time of exactly 10 s runs neither the slow nor the stereo path.
            if (measuredMs_ > SignalMs) {
                if (SlowPath())
                    StereoPath();
            } else if (measuredMs_ < SignalMs) {
                StereoPath();
            }
        }
    }
    session_.RestoreBank(userBank);
    session_.SetAutoStart(autoStart);
    session_.SaveOutputSettings();
}

bool PerformanceTest::LoadTestBank() {
    const PresetFileResult loaded = session_.LoadPresets(presetPath_.toStdString());
    if (loaded)
        return true;
    questions_.Note(QString::fromStdString(loaded.Error));
    return false;
}

// A computer too slow for the timed render: mono at 22050 Hz, then mono at 44100 Hz. True
// when the test goes on with the stereo signals.
bool PerformanceTest::SlowPath() {
    session_.RecallSlot(1);
    ApplyRate(LowRate);
    if (!questions_.Confirm(QString::fromLatin1(MonoLowRate), SettingsHelp)) {
        RestoreRate();
        return false;
    }
    PlayAndWait();
    if (!questions_.YesNo(QString::fromLatin1(Heard), true))
        questions_.Note(NotHeardStart + DeviceText() + QString::fromLatin1(NotHeardLowRate));
    ApplyRate(FullRate);
    if (!questions_.Confirm(QString::fromLatin1(MonoFullRate), SettingsHelp)) {
        RestoreRate();
        return false;
    }
    PlayAndWait();
    if (!questions_.YesNo(QString::fromLatin1(Heard), true)) {
        questions_.Note(NotHeardStart + DeviceText() + QString::fromLatin1(NotHeardMono));
        return true;
    }
    if (questions_.YesNo(QString::fromLatin1(Froze), false)) {
        questions_.Note(QString::fromLatin1(TooSlowMono));
        ApplyRate(LowRate);
        return false;
    }
    return true;
}

void PerformanceTest::StereoPath() {
    session_.RecallSlot(2);
    if (!questions_.Confirm(QString::fromLatin1(Stereo), SettingsHelp))
        return;
    PlayAndWait();
    if (!questions_.YesNo(QString::fromLatin1(Heard), true)) {
        questions_.Note(NotHeardStart + DeviceText() + QString::fromLatin1(NotHeardStereo));
    } else if (questions_.YesNo(QString::fromLatin1(Froze), false)) {
        questions_.Note(QString::fromLatin1(TooSlowStereo));
        ApplyRate(LowRate);
        return;
    }
    session_.RecallSlot(3);
    if (!questions_.Confirm(QString::fromLatin1(Modulated), ContentsHelp))
        return;
    PlayAndWait();
    if (questions_.YesNo(QString::fromLatin1(Froze), false)) {
        questions_.Note(QString::fromLatin1(TooSlowModulated));
        ApplyRate(LowRate);
    } else {
        questions_.Note(QString::fromLatin1(Congratulations));
    }
}

// A start failure has been reported by the session; nothing plays, so the wait ends at once.
void PerformanceTest::PlayAndWait() {
    EventLoopWait wait;
    const QMetaObject::Connection stopped = QObject::connect(
        &session_, &GeneratorSession::RunningChanged, &wait, [&wait](bool running) {
            if (!running)
                wait.Wake();
        });
    session_.StartPlayback();
    wait.WaitUntil([this] { return !session_.Playing(); });
    QObject::disconnect(stopped);
}

void PerformanceTest::ApplyRate(int32_t hz) {
    session_.SelectRate(OutputSettings::FsPosition(hz));
}

void PerformanceTest::RestoreRate() {
    session_.SelectRate(savedRate_);
}

QString PerformanceTest::DeviceText() const {
    const std::vector<std::string> texts = session_.Devices().ShownTexts();
    const auto position = static_cast<size_t>(session_.DevicePosition());
    return position < texts.size() ? QString::fromStdString(texts[position]) : QString();
}

} // namespace quavril
