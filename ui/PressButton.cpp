#include "ui/PressButton.h"

#include <QContextMenuEvent>
#include <QMouseEvent>

namespace quavril {

void PressButton::mousePressEvent(QMouseEvent* event) {
    QPushButton::mousePressEvent(event);
    event->accept();
    if (isEnabled())
        emit Pressed();
}

void PressButton::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}

} // namespace quavril
