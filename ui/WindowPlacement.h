#pragma once
// Where windows open: wholly on an available screen, dialogs and small windows centred over the
// window they belong to, and standing above it (a transient window of it).
#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>

class QWidget;

namespace quavril {

class WindowPlacement {
public:
    // The top-left corner that puts `frame` (a window with its title bar and borders) wholly
    // inside one of the `screens` (their available areas), moved as little as possible: a
    // frame already inside a screen stays, one that straddles two screens goes to the one that
    // needs the shorter move, and one larger than a screen keeps its top-left corner (title bar)
    // inside it. Without screens the frame stays.
    static QPoint KeptOnScreen(const QRect& frame, const QList<QRect>& screens);

    // The available areas of the screens, in the windows' coordinates.
    static QList<QRect> AvailableScreens();

    // The frame margins of `window` once its window manager has framed it; before that the
    // largest margins seen on any window of the program (no frame at all without a manager).
    static QMargins FrameMargins(const QWidget* window);

    // Puts the top-left corner of `window`'s frame at `place`, also for a window that has a
    // native window already but was never framed by the window manager (a plain move would
    // place its client area there, and the frame a title bar higher).
    static void MoveFrameTo(QWidget* window, QPoint place);

    // Moves `window` (shown or about to be) so that its frame lies wholly on a screen.
    static void KeepOnScreen(QWidget* window);

    // Centres `window` over `owner`'s frame (over the screen's centre when the owner is missing
    // or hidden), kept wholly on a screen.
    static void CentreOver(QWidget* window, const QWidget* owner);

    // Makes a window without a parent widget a transient window of `owner`, so that the window
    // manager keeps it above the owner (also while the owner is disabled), and centres it over
    // the owner. A hidden or missing owner only centres the window on the screen.
    static void StandOver(QWidget* window, QWidget* owner);
};

} // namespace quavril
