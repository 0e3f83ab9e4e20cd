#pragma once
#include "ui/UserDialogs.h"

class QWidget;

namespace quavril {

// The real message boxes and file dialogs, modal to `parent` and standing
// over it, titled with the product name.
class QtUserDialogs : public UserDialogs {
public:
    explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void Information(const QString& text) override;
    void Error(const QString& text) override;
    bool Question(const QString& text, Answer preset = Answer::Yes) override;
    bool Confirm(const QString& text) override;
    // Every box's title.
    static QString BoxTitle();
    QString SaveFileName(const FileRequest& request) override;
    QString OpenFileName(const FileRequest& request) override;

private:
    QWidget* parent_;
};

} // namespace quavril
