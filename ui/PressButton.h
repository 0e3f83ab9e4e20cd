#pragma once
#include <QPushButton>

namespace quavril {

// A button that acts on the press of any mouse button, once per press, and has no click
// action: activating it from the keyboard does nothing (the 1 Hz step buttons). A right
// press steps too and opens no context menu of the panel below.
class PressButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

signals:
    void Pressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

} // namespace quavril
