#pragma once
#include <QWidget>

class QLabel;

namespace quavril {

class GeneratorSession;

// The frequency display window: the frequency the generator produces at this moment, in large
// lime digits on black, one line per channel. Its text comes from the session, buffer by
// buffer and only while the window is visible; the window scales its font and its height to
// its width. Created hidden at start; closing only hides it.
class TfrmFrequencyDisplay : public QWidget {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 224;
    static constexpr int DesignHeight = 106;

    explicit TfrmFrequencyDisplay(GeneratorSession& session, QWidget* parent = nullptr);

    // The font size in points and the height for a width, in mono or stereo.
    static int FontPointsFor(int width);
    static int HeightFor(int width, bool stereo);

    QLabel* lblDisplay;

signals:
    // The user closed the window (the View item's check mark is cleared).
    void Closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowText(const QString& text);
    // Font and height follow the width (the height changes only here, so switching between
    // mono and stereo shows at the next resize).
    void FormResize(int width);

    GeneratorSession& session_;
};

} // namespace quavril
