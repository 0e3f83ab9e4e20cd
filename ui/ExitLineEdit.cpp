#include "ui/ExitLineEdit.h"

#include <QFocusEvent>

namespace quavril {

void ExitLineEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
        emit Exited();
}

} // namespace quavril
