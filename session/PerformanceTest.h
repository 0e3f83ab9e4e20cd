#pragma once
// The guided performance test of the Tools menu: it times the rendering of a 10 second
// stereo CD-quality tone into the null device, then plays the test signals of the shipped
// "Compatibility Test.qvl" and asks the user what was heard. It drives the generator session
// as a user would and waits on the event loop while a signal plays.
#include <QString>

#include <cstdint>
#include <functional>

namespace quavril {

class GeneratorSession;

class PerformanceTest {
public:
    // How the test talks to the user; tests answer it from a script.
    class Questions {
    public:
        virtual ~Questions() = default;
        // OK and Cancel; true for OK. `helpContext` is the help topic of the box.
        virtual bool Confirm(const QString& text, int helpContext) = 0;
        // Yes and No; true for Yes. Enter answers Yes when `yesIsDefault`, else No.
        virtual bool YesNo(const QString& text, bool yesIsDefault) = 0;
        // A plain message.
        virtual void Note(const QString& text) = 0;
    };
    // Milliseconds of a monotonic clock.
    using Clock = std::function<int64_t()>;
    static int64_t SteadyMilliseconds();

    // `presetPath` the test's preset file; `sink` where the timed render is written.
    PerformanceTest(GeneratorSession& session, Questions& questions, QString presetPath,
                    Clock clock = SteadyMilliseconds, QString sink = QStringLiteral("/dev/null"));

    // Runs the whole test; returns when it has ended.
    void Run();
    // The measured render time of the last run (ms), -1 before the timing.
    int64_t MeasuredMs() const { return measuredMs_; }

    // The ending of the timing note for a time T in milliseconds.
    static QString TimingNote(int64_t ms);

private:
    // False when the test ends there.
    bool LoadTestBank();
    bool SlowPath();
    void StereoPath();
    // Starts the current signal and serves events until it has stopped.
    void PlayAndWait();
    void ApplyRate(int32_t hz);
    void RestoreRate();
    QString DeviceText() const;

    GeneratorSession& session_;
    Questions& questions_;
    QString presetPath_;
    Clock clock_;
    QString sink_;
    int savedRate_ = -1;
    int64_t measuredMs_ = -1;
};

} // namespace quavril
