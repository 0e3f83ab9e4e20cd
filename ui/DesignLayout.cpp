#include "ui/DesignLayout.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>

namespace quavril {

namespace {
int Scaled(int v, double scale) {
    return static_cast<int>(std::lround(v * scale));
}

int GroupTitleWidth(const QWidget* widget) {
    const auto* group = qobject_cast<const QGroupBox*>(widget);
    if (!group || group->title().isEmpty())
        return 0;
    // The title starts a few pixels in from the frame and carries a little padding.
    return group->fontMetrics().horizontalAdvance(group->title()) + 14;
}
} // namespace

void DesignLayout::Place(QWidget* widget, int x, int y, int width, int height) {
    items_.push_back({widget, QRect(x, y, width, height)});
}

void DesignLayout::LimitTitle(QWidget* groupBox, int designWidth) {
    titles_.push_back({groupBox, designWidth});
}

int DesignLayout::TextWidthNeeded(const QWidget* widget) {
    if (const auto* button = qobject_cast<const QPushButton*>(widget))
        return button->text().isEmpty()
                   ? 0
                   : button->fontMetrics().horizontalAdvance(button->text()) + 8;
    if (qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QRadioButton*>(widget))
        return widget->sizeHint().width();
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->wordWrap() || label->text().isEmpty() ? 0 : label->sizeHint().width();
    return GroupTitleWidth(widget);
}

void DesignLayout::Apply(double scale) {
    scale_ = scale;
    for (const Item& item : items_) {
        const QSize hint = item.widget->sizeHint();
        const int w = item.design.width() > 0 ? Scaled(item.design.width(), scale) : hint.width();
        const int designH =
            item.design.height() > 0 ? Scaled(item.design.height(), scale) : hint.height();
        int h = designH;
        int y = Scaled(item.design.y(), scale);
        const bool textual = qobject_cast<QLabel*>(item.widget) ||
                             qobject_cast<QCheckBox*>(item.widget) ||
                             qobject_cast<QRadioButton*>(item.widget);
        if (textual && hint.height() > h) {
            y -= (hint.height() - h) / 2;
            h = hint.height();
        }
        item.widget->setGeometry(Scaled(item.design.x(), scale), std::max(0, y), w, h);
    }
}

double DesignLayout::RequiredScale(double scale) const {
    double required = scale;
    for (const Item& item : items_) {
        if (item.design.width() <= 0)
            continue;
        const int need = TextWidthNeeded(item.widget);
        required = std::max(required, static_cast<double>(need) / item.design.width());
    }
    for (const TitleLimit& limit : titles_)
        required =
            std::max(required, static_cast<double>(GroupTitleWidth(limit.group)) / limit.width);
    return required;
}

std::vector<QWidget*> DesignLayout::ClippedWidgets() const {
    std::vector<QWidget*> clipped;
    for (const Item& item : items_) {
        if (item.design.width() > 0 && TextWidthNeeded(item.widget) > item.widget->width())
            clipped.push_back(item.widget);
    }
    for (const TitleLimit& limit : titles_) {
        if (GroupTitleWidth(limit.group) > Scaled(limit.width, scale_))
            clipped.push_back(limit.group);
    }
    return clipped;
}

} // namespace quavril
