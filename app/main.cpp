// Start-up of the generator: the command line (answered without a window system where it
// asks for no window), number format, application title, the windows in their order, then
// the message loop until the generator window closes.
#include "app/BatchRun.h"
#include "app/DisplayCheck.h"
#include "app/GeneratorBus.h"
#include "app/HotKey.h"
#include "app/MprisPlayer.h"
#include "app/OrderlyEnd.h"
#include "app/ScpiAnnouncer.h"
#include "app/ScpiServer.h"
#include "app/StartArguments.h"
#include "session/DataPaths.h"
#include "session/GeneratorSession.h"
#include "session/SessionScpiHost.h"
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
#include <QLocale>
#include <clocale>
#include <cstdio>

int main(int argc, char* argv[]) {
    using namespace quavril;
    const StartArguments start = StartArguments::Parse({argv + 1, argv + argc});
    switch (start.What) {
    case StartArguments::Action::Help:
        std::fputs(StartArguments::HelpText, stdout);
        return 0;
    case StartArguments::Action::Version:
        std::printf("quavril %s\n", ApplicationTitle::VersionText);
        return 0;
    case StartArguments::Action::Usage:
        std::fprintf(stderr, "quavril: %s (see quavril --help)\n", start.Problem.c_str());
        return 2;
    case StartArguments::Action::Batch:
        return RunBatch(argc, argv, start.File);
    case StartArguments::Action::Window:
        break;
    }
    const std::optional<ScpiEndpoint> scpiOption =
        start.Scpi ? ScpiEndpoint::FromOption(QString::fromStdString(start.ScpiEndpoint))
                   : std::nullopt;
    if (start.Scpi && !scpiOption) {
        std::fprintf(stderr, "quavril: --scpi=%s: expected ADDRESS, ADDRESS:PORT or :PORT\n",
                     start.ScpiEndpoint.c_str());
        return 2;
    }
    if (const auto problem = DisplayCheck::Problem({argv + 1, argv + argc})) {
        std::fprintf(stderr,
                     "quavril: the window cannot open: %s; a script runs without a window as "
                     "quavril --batch SCRIPT.qvs\n",
                     problem->c_str());
        return 1;
    }
    // Numbers are read and written with a full stop whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    // The toolkit has taken its own options out of argv: the file is the first argument left.
    const std::string argument = StartArguments::Parse({argv + 1, argv + argc}).File;
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
    // Everything the end of the program stores, written by one function: the end writes it
    // into the file, and Value() (other programs asking over the bus) reads from it.
    const auto writeSettings = [&](SettingsStore& target) {
        windowSettings.SaveMonitor(target);
        StoredSettings::Save(target, session.Controls(), windowSettings);
    };
    session.SetSettingsWriter(writeSettings);
    // Other programs and the other generators reach this one over the session bus. The
    // start's boxes come only after this (a box shown during the start would keep the
    // generator off the bus until it is answered).
    GeneratorBus bus(session);
    bus.Install();
    session.SetBroadcaster(bus.Broadcaster());
    // SCPI over the network: as the stored setting says, or as --scpi says for this run.
    SessionScpiHost scpiHost(session);
    ScpiServer scpi(scpiHost);
    ScpiAnnouncer announcer;
    QObject::connect(&scpi, &ScpiServer::StatusChanged, [&](const QString& status) {
        session.SetScpiStatus(status);
        bus.SetScpiPort(scpi.Port());
        if (scpi.Failed())
            std::fprintf(stderr, "quavril: SCPI server: %s\n", qPrintable(status));
        // Only a server that others can reach is announced.
        if (scpi.Listening() && !scpi.Address().isLoopback())
            announcer.Announce(scpi.Port(), scpi.Identity().section(',', 2, 2));
        else
            announcer.Withdraw();
    });
    const auto applyStoredScpi = [&] {
        if (session.Scpi().On)
            scpi.Start(ScpiEndpoint::FromSettings(session.Scpi()));
        else
            scpi.Stop();
    };
    QObject::connect(&session, &GeneratorSession::ScpiChanged, &scpi, applyStoredScpi);
    if (scpiOption)
        scpi.Start(*scpiOption);
    else
        applyStoredScpi();
    // Without an argument the memory slots come from the shipped presets, if they are there.
    // An argument counts only when it names an existing file; ".qvs" and ".qvl" are found
    // anywhere in it, case-sensitively, and a script is never loaded as a preset too.
    const StartFile kind = ClassifyStartFile(argument);
    if (kind == StartFile::None) {
        const QString examples = DataPaths::ShippedFile(QStringLiteral("Examples.qvl"));
        session.LoadPresets(examples.toStdString());
    } else if (kind == StartFile::Script) {
        const ScriptOutcome outcome = frmGenerator.Scripts().Run(argument);
        scpi.Stop();
        hotKey.Release();
        bus.Release();
        session.StopNow();
        return outcome == ScriptOutcome::Finished ? 0 : 1;
    } else if (kind == StartFile::Preset) {
        const PresetFileResult result = session.LoadPresets(argument);
        if (!result)
            dialogs.Error(QString::fromStdString(result.Error));
    }
    // The desktop's media controls, while the window runs.
    MprisPlayer mpris(session);
    mpris.Install();
    // The window's close, Exit, a signal, the media controls' Quit and the end of the desktop
    // session all end alike.
    OrderlyEnd end([&] {
        scpi.Stop();
        hotKey.Release();
        mpris.Release();
        session.StopNow();
        // The store says on stderr what kept the settings from being written.
        writeSettings(store);
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
