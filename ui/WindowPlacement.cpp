#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QLayout>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <limits>

namespace quavril {

namespace {

// The largest frame margins seen so far: a window that is not framed yet is assumed to get
// the same decoration as the others.
QMargins& LargestMargins() {
    static QMargins margins;
    return margins;
}

int Clamped(int value, int low, int length, int room) {
    // A frame longer than the room keeps its start at the room's start.
    return std::max(low, std::min(value, low + room - length));
}

} // namespace

QPoint WindowPlacement::KeptOnScreen(const QRect& frame, const QList<QRect>& screens) {
    QPoint best = frame.topLeft();
    long long bestDistance = std::numeric_limits<long long>::max();
    for (const QRect& screen : screens) {
        const QPoint kept(Clamped(frame.x(), screen.x(), frame.width(), screen.width()),
                          Clamped(frame.y(), screen.y(), frame.height(), screen.height()));
        const long long dx = kept.x() - frame.x();
        const long long dy = kept.y() - frame.y();
        const long long distance = dx * dx + dy * dy;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = kept;
        }
    }
    return best;
}

QList<QRect> WindowPlacement::AvailableScreens() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

QMargins WindowPlacement::FrameMargins(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    const QMargins own(client.left() - frame.left(), client.top() - frame.top(),
                       frame.right() - client.right(), frame.bottom() - client.bottom());
    QMargins& largest = LargestMargins();
    if (!own.isNull()) {
        largest = QMargins(std::max(largest.left(), own.left()), std::max(largest.top(), own.top()),
                           std::max(largest.right(), own.right()),
                           std::max(largest.bottom(), own.bottom()));
        return own;
    }
    return largest;
}

void WindowPlacement::MoveFrameTo(QWidget* window, QPoint place) {
    const bool unframed = window->frameGeometry() == window->geometry();
    const bool native = window->testAttribute(Qt::WA_WState_Created) && window->windowHandle();
    if (!unframed || !native) {
        window->move(place);
        return;
    }
    // Shown but not framed yet (before the event loop ran): shown again from the new place.
    const bool shown = window->isVisible();
    if (shown)
        window->hide();
    window->move(place);
    window->windowHandle()->setFramePosition(place);
    if (shown)
        window->show();
}

void WindowPlacement::KeepOnScreen(QWidget* window) {
    const QRect frame(window->pos(), window->size().grownBy(FrameMargins(window)));
    const QPoint kept = KeptOnScreen(frame, AvailableScreens());
    if (kept != frame.topLeft())
        MoveFrameTo(window, kept);
}

void WindowPlacement::CentreOver(QWidget* window, const QWidget* owner) {
    // A window never shown has its layout's size only once the layout ran.
    if (QLayout* layout = window->layout())
        layout->activate();
    const QSize frame = window->size().grownBy(FrameMargins(window));
    QPoint centre;
    if (owner && owner->isVisible())
        centre = owner->frameGeometry().center();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        centre = screen->availableGeometry().center();
    MoveFrameTo(window, centre - QPoint(frame.width() / 2, frame.height() / 2));
    KeepOnScreen(window);
}

void WindowPlacement::StandOver(QWidget* window, QWidget* owner) {
    if (owner && owner->isVisible() && owner->windowHandle()) {
        window->winId(); // the window's own handle, to be tied to the owner's
        if (QWindow* handle = window->windowHandle())
            handle->setTransientParent(owner->windowHandle());
    }
    CentreOver(window, owner);
}

} // namespace quavril
