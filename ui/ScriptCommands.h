#pragma once
// The generator window's script commands: Run script (the script window shows the line and
// the stop buttons while the session plays the script's slots) and the script editor.
#include "session/ScriptRun.h"
#include "session/SessionScriptHost.h"

#include <QObject>
#include <memory>
#include <string>

class QWidget;

namespace quavril {

class GeneratorSession;
class TfrmScriptPopup;
class UserDialogs;

class ScriptCommands : public QObject {
    Q_OBJECT
public:
    // `mainWindow` is locked while a script runs; it may never be shown (a script start).
    ScriptCommands(GeneratorSession& session, UserDialogs& dialogs, QWidget* mainWindow);
    ~ScriptCommands() override;

    // Runs a script (its path as bytes, as the system names the file) to its end while the
    // event loop goes on.
    ScriptOutcome Run(const std::string& path);
    bool Running() const { return run_->Running(); }
    TfrmScriptPopup& Popup() const { return *popup_; }

    // File menu: asks for a script and runs it; opens a script in the desktop's text editor
    // (a new name creates an empty script).
    void RunScript1Click();
    void OpenSkrivel1Click();

signals:
    void RunningChanged(bool running);

private:
    GeneratorSession& session_;
    UserDialogs& dialogs_;
    SessionScriptHost host_;
    std::unique_ptr<TfrmScriptPopup> popup_;
    std::unique_ptr<ScriptRun> run_;
};

} // namespace quavril
