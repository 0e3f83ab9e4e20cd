#include "ui/FileCommands.h"

#include "session/GeneratorSession.h"
#include "ui/TfrmWait.h"
#include "ui/UserDialogs.h"
#include "ui/WindowSettings.h"

#include <QCoreApplication>
#include <QProcess>
#include <QWidget>

namespace quavril {

FileCommands::FileCommands(GeneratorSession& session, UserDialogs& dialogs, TfrmWait& wait,
                           QObject* parent)
    : QObject(parent), session_(session), dialogs_(dialogs), wait_(wait) {}

void FileCommands::SaveWaveFile1Click() {
    if (!session_.PrepareExport())
        return;
    UserDialogs::FileRequest request;
    request.Title = tr("Save as wave file");
    request.Proposed = QString::fromStdString(session_.ProposedExportName());
    request.Filter = tr("WAVE file (*.wav)");
    request.DefaultSuffix = "wav";
    const QString path = dialogs_.SaveFileName(request);
    if (!path.isEmpty())
        session_.WriteExport(path.toStdString(), &wait_);
}

// Loading replaces the four slots and the buttons' captions; nothing is applied.
void FileCommands::LoadSweepSettings1Click() {
    session_.StopNow();
    UserDialogs::FileRequest request;
    request.Title = tr("Load preset file");
    request.Filter = tr("Quavril Presets (*.qvl)");
    request.DefaultSuffix = "qvl";
    const QString path = dialogs_.OpenFileName(request);
    if (path.isEmpty())
        return;
    const PresetFileResult result = session_.LoadPresets(path.toStdString());
    if (!result)
        dialogs_.Error(QString::fromStdString(result.Error));
}

void FileCommands::SaveSweepSettingsAs1Click() {
    session_.StopNow();
    UserDialogs::FileRequest request;
    request.Title = tr("Save preset file");
    request.Filter = tr("QVL presets (*.qvl)");
    request.DefaultSuffix = "qvl";
    request.ConfirmOverwrite = false;
    const QString path = dialogs_.SaveFileName(request);
    if (path.isEmpty())
        return;
    const PresetFileResult result = session_.SavePresets(path.toStdString());
    if (!result)
        dialogs_.Error(QString::fromStdString(result.Error));
}

// Another generator is another copy of this program; its window opens cascaded from this one
// instead of exactly over it (both start from the same stored place).
void FileCommands::OpenNewGeneratorWindow1Click() {
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (const auto* window = qobject_cast<const QWidget*>(parent())) {
        const QPoint place = WindowSettings::CascadePlace(*window);
        environment.insert(WindowSettings::CascadeVariable,
                           QStringLiteral("%1,%2").arg(place.x()).arg(place.y()));
    }
    process.setProcessEnvironment(environment);
    process.startDetached();
}

} // namespace quavril
