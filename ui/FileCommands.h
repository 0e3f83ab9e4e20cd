#pragma once
// The generator window's File menu commands that ask for a file: save the signal as a wave
// file (with the please-wait window), load and save preset files; and a new generator window.
#include <QObject>

namespace quavril {

class GeneratorSession;
class TfrmWait;
class UserDialogs;

class FileCommands : public QObject {
    Q_OBJECT
public:
    FileCommands(GeneratorSession& session, UserDialogs& dialogs, TfrmWait& wait, QObject* parent);

    void SaveWaveFile1Click();
    void LoadSweepSettings1Click();
    void SaveSweepSettingsAs1Click();
    void OpenNewGeneratorWindow1Click();

private:
    GeneratorSession& session_;
    UserDialogs& dialogs_;
    TfrmWait& wait_;
};

} // namespace quavril
