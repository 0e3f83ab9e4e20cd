// Start-up of the generator: number format, application title, the windows in their order,
// then the message loop until the generator window closes.
#include "app/GeneratorBus.h"
#include "app/HotKey.h"
#include "app/MprisPlayer.h"
#include "app/OrderlyEnd.h"
#include "session/DataPaths.h"
#include "session/GeneratorSession.h"
#include "settings/SettingsStore.h"
#include "settings/StoredSettings.h"
#include "ui/ApplicationTitle.h"
#include "ui/QtUserDialogs.h"
#include "ui/ScriptCommands.h"
#include "ui/TfrmFreqSlider.h"
#include "ui/TfrmFrequencyDisplay.h"
#include "ui/TfrmGenerator.h"
#include "ui/TfrmSettings.h"
#include "ui/TfrmSignalMonitor.h"
#include "ui/WindowSettings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <clocale>
#include <cstdio>

namespace {

const char* const Usage =
    "Usage: quavril [FILE]\n"
    "\n"
    "The Quavril test-signal generator window.\n"
    "\n"
    "  FILE.qvl   load the preset file into the four memory slots (no slot is applied)\n"
    "  FILE.qvs   run the script with the generator window hidden, then end; the exit\n"
    "             status is 0 after a normal end, 1 when the script could not be opened or\n"
    "             ended on an error\n"
    "  (none)     load the shipped Examples.qvl\n"
    "\n"
    "  --help     show this text\n"
    "  --version  show the version\n"
    "\n"
    "Running generators are reached on the session bus (see quavril-cli generators/send);\n"
    "the desktop's media controls (MPRIS, such as playerctl) start and stop each window.\n";

} // namespace

int main(int argc, char* argv[]) {
    using namespace quavril;
    // Numbers are read and written with a full stop whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    // The first argument after Qt's own options; further ones are ignored.
    const QStringList arguments = QCoreApplication::arguments();
    const QString argument = arguments.size() > 1 ? arguments[1] : QString();
    if (argument == "--help" || argument == "-h") {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (argument == "--version") {
        std::printf("quavril %s\n", ApplicationTitle::VersionText);
        return 0;
    }
    app.setQuitOnLastWindowClosed(false);
    ApplicationTitle::Set(QString::fromLatin1(ApplicationTitle::ProductName));

    SettingsStore store;
    GeneratorSession session(store);
    QtUserDialogs dialogs;
    TfrmGenerator frmGenerator(session, dialogs);
    dialogs.SetParent(&frmGenerator);
    QObject::connect(&frmGenerator, &TfrmGenerator::Closed, &app, &QCoreApplication::quit);
    TfrmFreqSlider frmFreqSlider(session, &frmGenerator);
    TfrmSettings frmSettings(session, &frmGenerator);
    frmGenerator.SetOutputSettingsWindow(&frmSettings);
    TfrmFrequencyDisplay frmFrequencyDisplay(session, &frmGenerator);
    frmGenerator.SetViewWindows(&frmFreqSlider, &frmFrequencyDisplay);
    TfrmSignalMonitor frmSignalMonitor(session, dialogs, &frmGenerator);
    frmGenerator.SetSignalMonitor(&frmSignalMonitor);
    // Ctrl+Insert from any application (X11); the first copy to grab it is the one that reacts.
    HotKey hotKey([&session] { session.Trigger(); });
    hotKey.Grab();

    // Every stored setting, or the defaults where they cannot be read; then the memory slots
    // all hold the settings the program starts with.
    WindowSettings windowSettings(session, frmGenerator);
    StoredSettings::Load(store, session.Controls(), windowSettings,
                         [&session] { session.ResetToDefaults(); });
    windowSettings.LoadMonitor(store);
    session.FillBank();
    // Other programs and the other generators reach this one over the session bus.
    GeneratorBus bus(session);
    bus.Install();
    session.SetBroadcaster(bus.Broadcaster());
    // Without an argument the memory slots come from the shipped presets, if they are there.
    // An argument counts only when it names an existing file; ".qvs" and ".qvl" are found
    // anywhere in it, case-sensitively, and a script is never loaded as a preset too.
    const QFileInfo file(argument);
    const bool existing = file.exists() && !file.isDir();
    if (argument.isEmpty()) {
        const QString examples = DataPaths::ShippedFile(QStringLiteral("Examples.qvl"));
        session.LoadPresets(examples.toStdString());
    } else if (existing && argument.contains(".qvs")) {
        const ScriptOutcome outcome = frmGenerator.Scripts().Run(argument);
        hotKey.Release();
        bus.Release();
        session.StopNow();
        return outcome == ScriptOutcome::Finished ? 0 : 1;
    } else if (existing && argument.contains(".qvl")) {
        const PresetFileResult result = session.LoadPresets(argument.toStdString());
        if (!result)
            dialogs.Error(QString::fromStdString(result.Error));
    }
    // The desktop's media controls, while the window runs.
    MprisPlayer mpris(session);
    mpris.Install();
    // The window's close, Exit, a signal, the media controls' Quit and the end of the desktop
    // session all end alike.
    OrderlyEnd end([&] {
        hotKey.Release();
        mpris.Release();
        session.StopNow();
        windowSettings.SaveMonitor(store);
        if (!StoredSettings::Save(store, session.Controls(), windowSettings))
            std::fprintf(stderr, "quavril: the settings could not be written to %s\n",
                         qPrintable(store.FilePath()));
        bus.Release();
    });
    end.WatchSignals();
    QObject::connect(&end, &OrderlyEnd::EndRequested, &frmGenerator, &TfrmGenerator::EndRequested);
    QObject::connect(&mpris, &MprisPlayer::QuitRequested, &frmGenerator,
                     &TfrmGenerator::EndRequested);
    QObject::connect(&mpris, &MprisPlayer::RaiseRequested, &frmGenerator, [&frmGenerator] {
        frmGenerator.setWindowState(frmGenerator.windowState() & ~Qt::WindowMinimized);
        frmGenerator.raise();
        frmGenerator.activateWindow();
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &end, &OrderlyEnd::Finish);
    frmGenerator.show();
    frmGenerator.raise();
    frmGenerator.activateWindow();
    app.exec();
    end.Finish();
    return 0;
}
