#include "ui/ScriptCommands.h"

#include "session/GeneratorSession.h"
#include "ui/TfrmScriptPopup.h"
#include "ui/UserDialogs.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace quavril {

namespace {
const char* const ScriptFilter = "QVL Script (*.qvs);;All Files (*)";
} // namespace

ScriptCommands::ScriptCommands(GeneratorSession& session, UserDialogs& dialogs, QWidget* mainWindow)
    : QObject(mainWindow), session_(session), dialogs_(dialogs), host_(session),
      popup_(std::make_unique<TfrmScriptPopup>(dialogs, mainWindow)),
      run_(std::make_unique<ScriptRun>(host_, *popup_)) {
    connect(popup_.get(), &TfrmScriptPopup::CloseRequested, run_.get(), &ScriptRun::CloseRequested);
    connect(popup_.get(), &TfrmScriptPopup::StopRequested, run_.get(), &ScriptRun::StopRequested);
}

ScriptCommands::~ScriptCommands() = default;

ScriptOutcome ScriptCommands::Run(const std::string& path) {
    emit RunningChanged(true);
    const ScriptOutcome outcome = run_->Run(path);
    emit RunningChanged(false);
    return outcome;
}

void ScriptCommands::RunScript1Click() {
    if (Running())
        return;
    session_.StopNow();
    UserDialogs::FileRequest request;
    request.Title = tr("Run script");
    request.Filter = tr(ScriptFilter);
    request.DefaultSuffix = "qvs";
    const QString path = dialogs_.OpenFileName(request);
    if (!path.isEmpty())
        Run(QFile::encodeName(path).toStdString());
}

// There is no companion editor here: the desktop's handler for text files edits scripts.
void ScriptCommands::OpenSkrivel1Click() {
    UserDialogs::FileRequest request;
    request.Title = tr("Open the script editor");
    request.Filter = tr(ScriptFilter);
    request.DefaultSuffix = "qvs";
    request.ConfirmOverwrite = false;
    const QString path = dialogs_.SaveFileName(request);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.exists() && !file.open(QIODevice::WriteOnly)) {
        dialogs_.Error(tr("Cannot create the script %1: %2").arg(path, file.errorString()));
        return;
    }
    file.close();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        dialogs_.Error(tr("No program to edit %1 was found.").arg(path));
}

} // namespace quavril
