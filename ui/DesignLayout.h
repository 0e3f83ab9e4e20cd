#pragma once
#include <QRect>
#include <QWidget>
#include <vector>

namespace quavril {

// Places widgets at their design coordinates (pixels at 96 dpi, relative to the parent) times
// one scale factor for the whole window, so that the arrangement stays as designed on any
// screen and with any font. A widget whose text needs more room than its design width makes
// the whole window larger instead of being clipped: RequiredScale finds the smallest factor at
// which every text fits.
class DesignLayout {
public:
    // A width or height of 0 means the widget's natural size (labels, check boxes). A widget
    // whose natural height exceeds its scaled design height grows about its design centre.
    void Place(QWidget* widget, int x, int y, int width = 0, int height = 0);
    // The group box's title must end before `designWidth` (a control covers the rest of the
    // caption line).
    void LimitTitle(QWidget* groupBox, int designWidth);

    void Apply(double scale);
    double Scale() const { return scale_; }
    double RequiredScale(double scale) const;

    // Widgets with a fixed design width whose text does not fit at the current geometry
    // (checked by tests).
    std::vector<QWidget*> ClippedWidgets() const;

private:
    struct Item {
        QWidget* widget;
        QRect design;
    };
    struct TitleLimit {
        QWidget* group;
        int width;
    };
    static int TextWidthNeeded(const QWidget* widget);

    std::vector<Item> items_;
    std::vector<TitleLimit> titles_;
    double scale_ = 1.0;
};

} // namespace quavril
