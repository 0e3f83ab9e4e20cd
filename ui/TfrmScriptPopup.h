#pragma once
#include "session/ScriptView.h"

#include <QWidget>

class QLabel;
class QPushButton;

namespace quavril {

class UserDialogs;

// The small window shown while a script runs: the current line ("Line 2: play") and two ways
// to stop. The first button (and the title-bar close) closes the window and lets the current
// command finish; the second ends the current wait at once, leaving a playback running. The
// window locks the main window while the script runs and answers the runner's messages
// through the program's dialogs.
class TfrmScriptPopup : public QWidget, public ScriptView {
    Q_OBJECT
public:
    // `mainWindow` may be null or never shown (a script started from the command line).
    TfrmScriptPopup(UserDialogs& dialogs, QWidget* mainWindow);

    QLabel* Label1;
    QPushButton* Button1; // end after the current line
    QPushButton* Button2; // end now

    void SetMainWindowEnabled(bool enabled) override;
    void ShowPopup() override;
    void HidePopup() override;
    void SetLabel(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    void ShowError(const std::string& text) override;

signals:
    // The user closed the window (first button or title bar).
    void CloseRequested();
    // The second button.
    void StopRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    UserDialogs& dialogs_;
    QWidget* mainWindow_;
};

} // namespace quavril
