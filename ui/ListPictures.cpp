#include "ui/ListPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <cmath>
#include <numbers>

namespace quavril {

namespace {

const QColor Ground(24, 32, 56);
const QColor Trace(140, 255, 170);
const QColor Ink(16, 16, 96);

// One period of a shape over the 16-pixel width, y in -1..1 mapped to the middle 12 pixels.
template <typename Shape> QPainterPath PeriodPath(Shape shape, qreal width, qreal height) {
    QPainterPath path;
    const qreal mid = height / 2.0;
    const qreal amplitude = height / 2.0 - 2.5;
    for (int i = 0; i <= 60; ++i) {
        const qreal t = i / 60.0;
        const QPointF p(1.0 + t * (width - 2.0), mid - amplitude * shape(t));
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    return path;
}

qreal SineAt(qreal t) {
    return std::sin(2 * std::numbers::pi * t);
}
qreal CosineAt(qreal t) {
    return std::cos(2 * std::numbers::pi * t);
}
qreal SquareAt(qreal t) {
    return t < 0.5 ? 1.0 : -1.0;
}
qreal TriangleAt(qreal t) {
    return t < 0.25 ? 4 * t : t < 0.75 ? 2 - 4 * t : 4 * t - 4;
}
qreal SawAt(qreal t) {
    return t < 0.5 ? 2 * t : 2 * t - 2;
}

QPainterPath ShapePath(ListPictures::Id id, qreal w, qreal h) {
    switch (id) {
    case ListPictures::SINE:
    case ListPictures::MODSINE:
        return PeriodPath(SineAt, w, h);
    case ListPictures::MODCOS:
        return PeriodPath(CosineAt, w, h);
    case ListPictures::SQUARE:
    case ListPictures::MODSQUARE:
        return PeriodPath(SquareAt, w, h);
    case ListPictures::TRIANGULAR:
    case ListPictures::MODTRIANGLE:
        return PeriodPath(TriangleAt, w, h);
    case ListPictures::SAWTOOTH:
        return PeriodPath(SawAt, w, h);
    default:
        return {};
    }
}

void DrawSpeckle(QPainter& p, bool pink) {
    // A fixed seed: the picture is the same at every start.
    QRandomGenerator random(pink ? 7 : 3);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < (pink ? 34 : 60); ++i) {
        const int x = 1 + static_cast<int>(random.bounded(14));
        const int y = 1 + static_cast<int>(random.bounded(14));
        QColor dot = pink ? QColor(255, 170, 200) : Trace;
        dot.setAlpha(120 + static_cast<int>(random.bounded(136)));
        p.fillRect(QRectF(x, y, 1, 1), dot);
    }
}

void DrawPulse(QPainter& p, bool positive) {
    p.setPen(QPen(Trace, 1.2));
    const qreal mid = 8.0;
    p.drawLine(QPointF(1, mid), QPointF(15, mid));
    p.drawLine(QPointF(5, mid), QPointF(5, positive ? 2.0 : 14.0));
}

void DrawWaveform(QPainter& p, ListPictures::Id id) {
    p.fillRect(QRectF(0, 0, 16, 16), Ground);
    switch (id) {
    case ListPictures::WHITE:
    case ListPictures::PINK:
        DrawSpeckle(p, id == ListPictures::PINK);
        return;
    case ListPictures::SILENCE:
        p.setPen(QPen(Trace, 1.2));
        p.drawLine(QPointF(1, 8), QPointF(15, 8));
        return;
    case ListPictures::PULSEPOS:
    case ListPictures::PULSENEG:
        DrawPulse(p, id == ListPictures::PULSEPOS);
        return;
    default:
        p.setPen(QPen(Trace, 1.3));
        p.drawPath(ShapePath(id, 16, 16));
        return;
    }
}

void DrawModulation(QPainter& p, ListPictures::Id id) {
    p.fillRect(QRectF(0, 0, 16, 16), Qt::white);
    p.setPen(QPen(QColor(200, 200, 200), 1));
    p.drawRect(QRectF(0.5, 0.5, 15, 15));
    p.setPen(QPen(Ink, 1.3));
    p.drawPath(ShapePath(id, 16, 16));
}

void DrawRings(QPainter& p, bool stereo) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(40, 40, 40), 1.4));
    if (!stereo) {
        p.drawEllipse(QRectF(1.5, 1.5, 11, 11));
        return;
    }
    p.drawEllipse(QRectF(1, 2.5, 9, 9));
    p.setPen(QPen(QColor(150, 20, 20), 1.4));
    p.drawEllipse(QRectF(5, 2.5, 9, 9));
}

QSize SizeOf(ListPictures::Id id) {
    if (id == ListPictures::MONO)
        return {14, 14};
    if (id == ListPictures::STEREO)
        return {15, 14};
    return {16, 16};
}

} // namespace

QPixmap ListPictures::Draw(Id id, qreal ratio) {
    const QSize size = SizeOf(id);
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (id) {
    case MODSINE:
    case MODCOS:
    case MODSQUARE:
    case MODTRIANGLE:
        DrawModulation(p, id);
        break;
    case MONO:
    case STEREO:
        DrawRings(p, id == STEREO);
        break;
    default:
        DrawWaveform(p, id);
        break;
    }
    return pixmap;
}

QPixmap ListPictures::ForWaveform(int waveform, qreal ratio) {
    static constexpr Id Ids[] = {SINE, SQUARE,  TRIANGULAR, SAWTOOTH, WHITE,
                                 PINK, SILENCE, PULSEPOS,   PULSENEG};
    return waveform >= 0 && waveform < 9 ? Draw(Ids[waveform], ratio) : QPixmap();
}

QPixmap ListPictures::ForModFunction(int function, qreal ratio) {
    static constexpr Id Ids[] = {MODSINE, MODCOS, MODSQUARE, MODTRIANGLE};
    return function >= 0 && function < 4 ? Draw(Ids[function], ratio) : QPixmap();
}

QPixmap ListPictures::ForChannelMode(int mode, qreal ratio) {
    return Draw(mode == 1 ? STEREO : MONO, ratio);
}

QPixmap ListPictures::Logo(qreal ratio) {
    QPixmap pixmap(QSize(48, 48) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient ground(QPointF(18, 16), 34);
    ground.setColorAt(0, QColor(60, 90, 150));
    ground.setColorAt(1, QColor(16, 24, 56));
    p.setBrush(ground);
    p.setPen(QPen(QColor(200, 210, 230), 1.5));
    p.drawEllipse(QRectF(2, 2, 44, 44));
    QPainterPath wave;
    for (int i = 0; i <= 64; ++i) {
        const qreal x = 7 + i * 34.0 / 64;
        const qreal y = 24 - 11 * std::sin(i * 2 * 3.14159265358979 / 32.0);
        i == 0 ? wave.moveTo(x, y) : wave.lineTo(x, y);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(140, 255, 170), 2.2));
    p.drawPath(wave);
    return pixmap;
}

} // namespace quavril
