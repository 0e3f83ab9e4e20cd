#include "ui/ExitLineEdit.h"

#include <QFocusEvent>
#include <QStyle>
#include <QStyleOptionFrame>

namespace quavril {

namespace {
constexpr qreal SmallestPoints = 5.0;
} // namespace

void ExitLineEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
        emit Exited();
}

void ExitLineEdit::FitTextToWidth() {
    if (largestPoints_ > 0)
        return;
    largestPoints_ = font().pointSizeF();
    connect(this, &QLineEdit::textChanged, this, &ExitLineEdit::FitText);
    FitText();
}

// The contents less the frame and the edit's fixed inner margins (2 pixels a side), and the
// cursor's pixel.
int ExitLineEdit::TextRoom() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect text = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QMargins margins = textMargins();
    return text.width() - margins.left() - margins.right() - 2 * 2 - 1;
}

void ExitLineEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    if (largestPoints_ > 0)
        FitText();
}

void ExitLineEdit::FitText() {
    if (largestPoints_ <= 0)
        return;
    QFont fitted = font();
    fitted.setPointSizeF(largestPoints_);
    const int room = TextRoom();
    while (fitted.pointSizeF() > SmallestPoints &&
           QFontMetrics(fitted).horizontalAdvance(text()) > room)
        fitted.setPointSizeF(fitted.pointSizeF() - 0.5);
    if (fitted != font())
        setFont(fitted);
}

} // namespace quavril
