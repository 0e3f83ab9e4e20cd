#pragma once
#include <QColor>
#include <QComboBox>

namespace quavril {

// A drop-down list whose items show a small picture before their text (waveforms, modulation
// shapes, channel modes). The item texts are the keys other code searches, so they are kept
// exactly as given; the drawing shows only what fits.
class PictureList : public QComboBox {
    Q_OBJECT
public:
    // itemHeight: design height of one item in pixels at 96 dpi; dy: vertical offset of the
    // picture and the text inside the item.
    PictureList(int itemHeight, int dy, QWidget* parent = nullptr);

    void AddPictureItem(const QPixmap& picture, const QString& text);

    // Grey text (RGB 128,128,128) while the list's setting is out of use, else the window text.
    void SetGreyText(bool grey);
    bool GreyText() const { return grey_; }
    QColor TextColour() const;

    void SetScale(double scale);
    int ItemHeight() const;
    int Dy() const;

    // Paints one item (picture and text) into `rect`; used for the list and the closed box.
    // The picture stands `pictureDy` pixels below the rectangle's top.
    void PaintItem(QPainter& painter, const QRect& rect, int row, const QColor& text,
                   int pictureDy) const;

    // The open list is as wide as the closed one: the item texts' hidden keywords stay hidden.
    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int itemHeight_;
    int dy_;
    double scale_ = 1.0;
    bool grey_ = false;
};

} // namespace quavril
