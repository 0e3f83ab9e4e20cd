#include "ui/PressButton.h"

#include <QMouseEvent>

namespace quavril {

void PressButton::mousePressEvent(QMouseEvent* event) {
    QPushButton::mousePressEvent(event);
    event->accept();
    if (isEnabled())
        emit Pressed();
}

} // namespace quavril
