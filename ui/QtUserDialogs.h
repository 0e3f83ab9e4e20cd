#pragma once
#include "ui/UserDialogs.h"

#include <QPointer>

class QMessageBox;
class QWidget;

namespace quavril {

// The real message boxes and file dialogs, modal to `parent` and standing
// over it, titled with the product name. Boxes never nest: a message that comes while a
// modal box or dialog is open (from a timer, the hot key, the device) is shown as the notice
// instead, a question then is answered No without being shown. The notice is one box that
// does not block: shown once, a repeated message counted in it, a new one replacing it.
class QtUserDialogs : public UserDialogs {
public:
    explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    ~QtUserDialogs() override;
    void SetParent(QWidget* parent) { parent_ = parent; }

    void Information(const QString& text) override;
    void Error(const QString& text) override;
    void Notice(const QString& text) override;
    bool Question(const QString& text, Answer preset = Answer::Yes) override;
    bool Confirm(const QString& text) override;
    // The notice box, while it is shown; null otherwise.
    QMessageBox* NoticeBox() const;
    // Every box's title.
    static QString BoxTitle();
    QString SaveFileName(const FileRequest& request) override;
    QString OpenFileName(const FileRequest& request) override;

private:
    // Whether a modal box or dialog is open; the guard marks one as open for its lifetime.
    bool ModalOpen() const { return modal_ > 0; }
    struct ModalScope {
        explicit ModalScope(int& depth) : depth_(depth) { ++depth_; }
        ~ModalScope() { --depth_; }
        int& depth_;
    };
    // True when the text went to the notice instead of a modal box of its own.
    bool ToNotice(const QString& text);

    QWidget* parent_;
    int modal_ = 0;
    QPointer<QMessageBox> notice_;
    int repeats_ = 0; // how often the notice's text came again while it was shown
};

} // namespace quavril
