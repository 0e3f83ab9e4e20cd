#pragma once
#include <QLabel>

namespace quavril {

// A label that acts like a link: a left click on it (press and release inside) is reported.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace quavril
