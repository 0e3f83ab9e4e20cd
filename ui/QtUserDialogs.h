#pragma once
#include "ui/UserDialogs.h"

class QWidget;

namespace quavril {

// The real message boxes and file dialogs, modal to `parent`, titled with the application name.
class QtUserDialogs : public UserDialogs {
public:
    explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    void Information(const QString& text) override;
    void Error(const QString& text) override;
    bool Question(const QString& text) override;
    QString SaveFileName(const FileRequest& request) override;
    QString OpenFileName(const FileRequest& request) override;

private:
    QWidget* parent_;
};

} // namespace quavril
