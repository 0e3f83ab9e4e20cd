#pragma once
#include <QLineEdit>

namespace quavril {

// An edit that reports when the user leaves it for another control of the same window (its
// exit handler runs then). Switching to another window or opening a popup is not leaving.
class ExitLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

    // From now on a text wider than the edit is shown in a smaller font (down to 5 points), so
    // that it is never cut; the font set before this call is the largest.
    void FitTextToWidth();
    // The width the text may take.
    int TextRoom() const;
    // Fits a text the program set under a signal blocker (typing fits by itself).
    void FitText();

signals:
    void Exited();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    qreal largestPoints_ = 0; // 0: the font stays as set
};

} // namespace quavril
