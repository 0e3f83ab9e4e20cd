#include "ui/StatusLamp.h"

#include <QPainter>

namespace quavril {

StatusLamp::StatusLamp(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StatusLamp::SetColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void StatusLamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal d = std::min(width(), height()) - 1.0;
    const QRectF circle((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(colour_);
    p.drawEllipse(circle);
    // The highlight: a 5 px dot up and right of the centre (18 px lamp), scaled with the lamp.
    const qreal unit = d / 18.0;
    const QRectF dot(circle.center().x() - 0.5 * unit, circle.center().y() - 5.5 * unit, 5 * unit,
                     5 * unit);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(192, 192, 192));
    p.drawEllipse(dot);
}

} // namespace quavril
