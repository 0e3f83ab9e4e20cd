#include "app/BatchRun.h"

#include "app/GeneratorBus.h"
#include "app/OrderlyEnd.h"
#include "files/AnsiText.h"
#include "session/GeneratorSession.h"
#include "session/ScriptRun.h"
#include "session/ScriptView.h"
#include "session/SessionScriptHost.h"
#include "settings/SettingsStore.h"
#include "settings/StoredSettings.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocale>
#include <QSocketNotifier>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <unistd.h>

namespace quavril {

namespace {

// The text on one line: each line break, with the blanks around it, becomes one blank.
std::string OneLine(const std::string& text) {
    std::string out;
    bool broken = false;
    for (const char c : text) {
        if (c == '\r' || c == '\n') {
            while (!out.empty() && out.back() == ' ')
                out.pop_back();
            broken = !out.empty();
            continue;
        }
        if (broken && c == ' ')
            continue;
        if (broken)
            out += ' ';
        broken = false;
        out += c;
    }
    return out;
}

// The stored settings outside the generator's controls as a run without windows uses them:
// the output device and the autostart option; the windows' places and the slider window's
// fields have nothing to apply to.
class SessionOnlySettings : public OutsideSettings {
public:
    explicit SessionOnlySettings(GeneratorSession& session) : session_(session) {}

    std::string Text(std::string_view) const override { return {}; }
    int32_t Integer(std::string_view name) const override {
        return name == "WaveDevice" ? session_.DevicePosition() : 0;
    }
    bool Flag(std::string_view name) const override {
        return name == "PresetAutoStart" && session_.AutoStart();
    }
    void SetText(std::string_view, const std::string&) override {}
    void SetInteger(std::string_view name, int32_t value) override {
        if (name != "WaveDevice")
            return;
        // A device that is gone since (a position beyond today's list) gives the default.
        const bool listed =
            value >= 0 && static_cast<size_t>(value) < session_.Devices().Entries().size();
        session_.SelectDevice(listed ? value : 0);
    }
    void SetFlag(std::string_view name, bool value) override {
        if (name == "PresetAutoStart")
            session_.SetAutoStart(value);
    }

private:
    GeneratorSession& session_;
};

// The script's messages on stderr, one line each, and `pause` on the terminal.
class BatchConsole : public ScriptView {
public:
    explicit BatchConsole(const std::string& script) : script_(EscapedName(script)) {}

    void Follow(const ScriptRunner& runner) { runner_ = &runner; }

    void SetMainWindowEnabled(bool) override {}
    void ShowPopup() override {}
    void HidePopup() override {}
    void SetLabel(const std::string&) override {}
    // `pause`: goes on at once unless a person can answer.
    void ShowInformation(const std::string& text) override {
        const bool person = ::isatty(STDIN_FILENO) == 1;
        Print(person ? text + " (press Enter to go on)" : text);
        if (person)
            WaitForEnter();
    }
    void ShowError(const std::string& text) override { Print(text); }

    // A signal ends a wait for Enter.
    void Interrupt() {
        interrupted_ = true;
        if (enter_)
            enter_->quit();
    }
    bool Interrupted() const { return interrupted_; }

    void Print(const std::string& text) const {
        const int line = runner_ ? runner_->LineNumber() : 0;
        std::string message = "quavril: " + script_;
        if (line > 0)
            message += ":" + std::to_string(line);
        message += ": " + OneLine(text) + "\n";
        std::fputs(message.c_str(), stderr);
        std::fflush(stderr);
    }

private:
    // Serves events (the output, the bus, signals) until a line or the end of input arrives.
    void WaitForEnter() {
        if (interrupted_)
            return;
        QEventLoop loop;
        QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(&input, &QSocketNotifier::activated, &loop, [&loop] {
            char chunk[256];
            const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                return;
            if (n <= 0 || std::string_view(chunk, static_cast<size_t>(n)).find('\n') !=
                              std::string_view::npos)
                loop.quit();
        });
        enter_ = &loop;
        loop.exec();
        enter_ = nullptr;
    }

    std::string script_;
    const ScriptRunner* runner_ = nullptr;
    QEventLoop* enter_ = nullptr;
    bool interrupted_ = false;
};

} // namespace

int RunBatch(int& argc, char** argv, const std::string& script) {
    // Numbers are read and written with a full stop whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    SettingsStore store;
    GeneratorSession session(store);
    SessionOnlySettings outside(session);
    StoredSettings::Load(store, session.Controls(), outside,
                         [&session] { session.ResetToDefaults(); });
    session.FillBank();
    GeneratorBus bus(session);
    bus.Install();
    session.SetBroadcaster(bus.Broadcaster());

    BatchConsole console(script);
    SessionScriptHost host(session);
    ScriptRun run(host, console);
    console.Follow(run.Runner());
    // The generator's own messages (a failed start, a device lost while playing) on the line
    // that was running.
    QObject::connect(&session, &GeneratorSession::Information, &app,
                     [&console](const QString& text) { console.Print(text.toStdString()); });
    QObject::connect(&session, &GeneratorSession::Error, &app,
                     [&console](const QString& text) { console.Print(text.toStdString()); });
    QObject::connect(&session, &GeneratorSession::Notice, &app,
                     [&console](const QString& text) { console.Print(text.toStdString()); });
    OrderlyEnd end([] {});
    end.WatchSignals();
    QObject::connect(&end, &OrderlyEnd::EndRequested, &app, [&] {
        if (console.Interrupted())
            return;
        console.Interrupt();
        console.Print("ended by a signal");
        run.StopRequested();
        session.StopNow();
    });

    const ScriptOutcome outcome = run.Run(script);
    bus.Release();
    session.StopNow();
    return outcome == ScriptOutcome::Finished && !console.Interrupted() ? 0 : 1;
}

} // namespace quavril
