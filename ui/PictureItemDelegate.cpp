#include "ui/PictureItemDelegate.h"

#include "ui/PictureList.h"

#include <QPainter>

namespace quavril {

PictureItemDelegate::PictureItemDelegate(PictureList* list)
    : QStyledItemDelegate(list), list_(list) {}

void PictureItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    painter->fillRect(option.rect, selected ? pal.highlight() : pal.base());
    const QColor text = selected ? pal.color(QPalette::HighlightedText) : list_->TextColour();
    list_->PaintItem(*painter, option.rect, index.row(), text, list_->Dy());
}

QSize PictureItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(list_->ItemHeight(), option.fontMetrics.height() + 2));
    return size;
}

} // namespace quavril
