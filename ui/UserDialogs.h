#pragma once
#include <QString>

namespace quavril {

// Every message box and file dialog of the windows goes through this interface, so that tests
// can answer them and headless code needs none.
class UserDialogs {
public:
    // A file dialog's set-up: title, the proposed file (name or path), the filter ("WAVE
    // file (*.wav)") and the extension added when the user types none ("wav").
    struct FileRequest {
        QString Title;
        QString Proposed;
        QString Filter;
        QString DefaultSuffix;
        // Save dialogs: ask before an existing file is replaced.
        bool ConfirmOverwrite = true;
    };

    virtual ~UserDialogs() = default;

    // A plain message with an OK button.
    virtual void Information(const QString& text) = 0;
    // A failure the user has to know about (invalid number, file access), OK button.
    virtual void Error(const QString& text) = 0;
    // A message that nothing waits for (another program's message failed, the device failed
    // while playing, no sound card at the start): shown without stopping the program, and
    // the same message again is folded into the one already shown.
    virtual void Notice(const QString& text) { Information(text); }
    // A question with Yes and No buttons; true for Yes. Enter gives `preset`.
    enum class Answer { Yes, No };
    virtual bool Question(const QString& text, Answer preset = Answer::Yes) = 0;
    // A confirmation with OK and Cancel buttons; true for OK.
    virtual bool Confirm(const QString& text) = 0;
    // The chosen path, or an empty text when the user cancelled.
    virtual QString SaveFileName(const FileRequest& request) = 0;
    virtual QString OpenFileName(const FileRequest& request) = 0;
};

} // namespace quavril
