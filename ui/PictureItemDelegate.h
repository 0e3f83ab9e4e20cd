#pragma once
#include <QStyledItemDelegate>

namespace quavril {

class PictureList;

// Draws one item of a picture list: the item rectangle filled (highlight for the selected
// item), the picture at (left + 2, top + dy), the text at left + picture width + 8 (24 without a
// picture), clipped to the item so that text past the list's width is never seen.
class PictureItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit PictureItemDelegate(PictureList* list);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    PictureList* list_;
};

} // namespace quavril
