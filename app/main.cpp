// Start-up of the generator: number format, application title, the windows in their order,
// then the message loop until the generator window closes.
#include "app/DataPaths.h"
#include "session/GeneratorSession.h"
#include "settings/SettingsStore.h"
#include "ui/ApplicationTitle.h"
#include "ui/QtUserDialogs.h"
#include "ui/TfrmGenerator.h"
#include "ui/TfrmSettings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLocale>
#include <clocale>

int main(int argc, char* argv[]) {
    using namespace quavril;
    // Numbers are read and written with a full stop whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    app.setQuitOnLastWindowClosed(false);
    ApplicationTitle::Set(QString::fromLatin1(ApplicationTitle::ProductName));

    SettingsStore store;
    GeneratorSession session(store);
    QtUserDialogs dialogs;
    TfrmGenerator frmGenerator(session, dialogs);
    dialogs.SetParent(&frmGenerator);
    QObject::connect(&frmGenerator, &TfrmGenerator::Closed, &app, &QCoreApplication::quit);
    TfrmSettings frmSettings(session, &frmGenerator);
    frmGenerator.SetOutputSettingsWindow(&frmSettings);

    // The stored window settings are not read yet: start as after a failed read.
    session.ResetToDefaults();
    session.FillBank();
    // Without an argument the memory slots come from the shipped presets, if they are there.
    if (argc < 2) {
        const QString examples = DataPaths::ShippedFile(QStringLiteral("Examples.qvl"));
        session.LoadPresets(examples.toStdString());
    }
    frmGenerator.show();
    frmGenerator.raise();
    frmGenerator.activateWindow();
    return app.exec();
}
