#pragma once
#include <QColor>
#include <QWidget>

namespace quavril {

// The running lamp: a circle as wide as the widget, centred in its height, filled with the
// lamp colour, with a small grey highlight. Dark red while off, green while on.
class StatusLamp : public QWidget {
    Q_OBJECT
public:
    static inline const QColor Off{128, 0, 0}; // maroon
    static inline const QColor On{0, 128, 0};  // green

    explicit StatusLamp(QWidget* parent = nullptr);

    void SetColour(const QColor& colour);
    QColor Colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_ = Off;
};

} // namespace quavril
