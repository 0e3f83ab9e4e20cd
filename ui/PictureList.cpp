#include "ui/PictureList.h"

#include "ui/PictureItemDelegate.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <cmath>

namespace quavril {

PictureList::PictureList(int itemHeight, int dy, QWidget* parent)
    : QComboBox(parent), itemHeight_(itemHeight), dy_(dy) {
    setItemDelegate(new PictureItemDelegate(this));
    setEditable(false);
}

void PictureList::AddPictureItem(const QPixmap& picture, const QString& text) {
    addItem(QIcon(picture), text);
    setItemData(count() - 1, picture, Qt::UserRole);
}

void PictureList::SetGreyText(bool grey) {
    grey_ = grey;
    update();
    view()->viewport()->update();
}

QColor PictureList::TextColour() const {
    if (!isEnabled())
        return palette().color(QPalette::Disabled, QPalette::Text);
    return grey_ ? QColor(128, 128, 128) : palette().color(QPalette::Active, QPalette::Text);
}

void PictureList::SetScale(double scale) {
    scale_ = scale;
    updateGeometry();
}

int PictureList::ItemHeight() const {
    return static_cast<int>(std::lround(itemHeight_ * scale_));
}

int PictureList::Dy() const {
    return static_cast<int>(std::lround(dy_ * scale_));
}

void PictureList::PaintItem(QPainter& painter, const QRect& rect, int row, const QColor& text,
                            int pictureDy) const {
    painter.save();
    painter.setClipRect(rect);
    const QPixmap picture = itemData(row, Qt::UserRole).value<QPixmap>();
    int textOffset = static_cast<int>(std::lround(24 * scale_));
    const int top = rect.top() + pictureDy;
    if (!picture.isNull()) {
        const QSizeF size = picture.deviceIndependentSize();
        const QRectF target(rect.left() + 2 * scale_, top, size.width() * scale_,
                            size.height() * scale_);
        painter.drawPixmap(target, picture, QRectF(picture.rect()));
        textOffset = static_cast<int>(std::lround((size.width() + 8) * scale_));
    }
    painter.setPen(text);
    const QRect textRect(rect.left() + textOffset, rect.top(), rect.width() - textOffset,
                         rect.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     itemText(row));
    painter.restore();
}

void PictureList::showPopup() {
    QComboBox::showPopup();
    QWidget* popup = view()->window();
    if (popup == window() || popup->width() <= width())
        return;
    QRect area = popup->geometry();
    area.setLeft(mapToGlobal(QPoint(0, 0)).x());
    area.setWidth(width());
    popup->setGeometry(area);
}

void PictureList::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0)
        return;
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const bool focused = hasFocus() && !view()->isVisible();
    QColor text = TextColour();
    if (focused) {
        painter.fillRect(field, palette().highlight());
        text = palette().color(QPalette::HighlightedText);
    }
    const QPixmap picture = itemData(currentIndex(), Qt::UserRole).value<QPixmap>();
    const int pictureHeight =
        static_cast<int>(std::lround(picture.deviceIndependentSize().height() * scale_));
    PaintItem(painter, field, currentIndex(), text, (field.height() - pictureHeight) / 2);
}

} // namespace quavril
