#pragma once
#include <QLineEdit>

namespace quavril {

// An edit that reports when the user leaves it for another control of the same window (its
// exit handler runs then). Switching to another window or opening a popup is not leaving.
class ExitLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    void Exited();

protected:
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace quavril
