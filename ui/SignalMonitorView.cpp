#include "ui/SignalMonitorView.h"

#include "analysis/SignalAnalysis.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace quavril {

namespace {

constexpr double MeterTopDb = 0.0, MeterBottomDb = LevelMeter::FloorDb;
constexpr int MeterTicks[] = {0, -6, -12, -20, -40, -60, -80, -100, -120};
constexpr double FrequencyTicks[] = {10,   20,   50,    100,   200,   500,   1000,
                                     2000, 5000, 10000, 20000, 50000, 100000};

QString HzText(double hz) {
    return hz >= 1000 ? QString::number(hz / 1000, 'g', 3) + "k" : QString::number(hz, 'g', 3);
}

// y of a level between `top` (0 dB) and `bottom` (floor) of `area`.
double LevelY(const QRect& area, double db, double floorDb) {
    const double t = std::clamp((MeterTopDb - db) / (MeterTopDb - floorDb), 0.0, 1.0);
    return area.top() + t * area.height();
}

} // namespace

SignalMonitorView::SignalMonitorView(const SignalAnalysis& analysis, QWidget* parent)
    : QWidget(parent), analysis_(analysis) {
    setObjectName("SignalMonitorView");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

bool SignalMonitorView::Dark() const {
    return palette().color(QPalette::Base).lightness() < 128;
}

QColor SignalMonitorView::ChannelColor(int channel) const {
    if (channel == 0)
        return Dark() ? QColor(100, 180, 255) : QColor(20, 90, 200);
    return Dark() ? QColor(255, 140, 90) : QColor(200, 50, 30);
}

QColor SignalMonitorView::GridColor() const {
    QColor c = palette().color(QPalette::Text);
    c.setAlpha(50);
    return c;
}

QString SignalMonitorView::PeakText(int channel) const {
    const auto peak = analysis_.SpectrumOf(channel).StrongestPeak(analysis_.Rate(), LowestHz);
    if (!peak || peak->LevelDb < SpectrumFloorDb)
        return tr("no peak");
    return QString("%1 Hz  %2 dBFS")
        .arg(peak->FrequencyHz, 0, 'f', 1)
        .arg(peak->LevelDb, 0, 'f', 1);
}

void SignalMonitorView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    const int margin = fontMetrics().height() / 2;
    // A bar per channel wide enough for its readouts ("-120.0").
    const int bar = std::max(24, fontMetrics().horizontalAdvance("-120.0") + 8);
    const int meterWidth =
        fontMetrics().horizontalAdvance("-120") + 4 + bar * analysis_.Channels() + 4;
    const QRect all = rect().adjusted(margin, margin, -margin, -margin);
    const QRect meters(all.left(), all.top(), meterWidth, all.height());
    const QRect right = all.adjusted(meterWidth + margin, 0, 0, 0);
    const int scopeHeight = right.height() * 2 / 5;
    PaintMeters(p, meters);
    PaintScope(p, QRect(right.left(), right.top(), right.width(), scopeHeight));
    PaintSpectrum(p, QRect(right.left(), right.top() + scopeHeight + margin, right.width(),
                           right.height() - scopeHeight - margin));
}

void SignalMonitorView::PaintFrame(QPainter& p, const QRect& area) const {
    p.fillRect(area, palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(area.adjusted(0, 0, -1, -1));
}

void SignalMonitorView::PaintMeters(QPainter& p, const QRect& area) const {
    const QFontMetrics fm = fontMetrics();
    const int labels = fm.horizontalAdvance("-120") + 4;
    const int line = fm.height();
    // Room at the top for the clip marks, at the bottom for the readouts (peak, RMS).
    const QRect scale(area.left() + labels, area.top() + line, area.width() - labels,
                      area.height() - 4 * line);
    PaintFrame(p, scale);
    p.setPen(palette().color(QPalette::WindowText));
    for (int db : MeterTicks) {
        const int y = static_cast<int>(LevelY(scale, db, MeterBottomDb));
        p.drawText(QRect(area.left(), y - line / 2, labels - 4, line),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(db));
        p.setPen(GridColor());
        p.drawLine(scale.left(), y, scale.right(), y);
        p.setPen(palette().color(QPalette::WindowText));
    }
    const int channels = analysis_.Channels();
    const int bar = (scale.width() - 4) / std::max(channels, 1);
    for (int c = 0; c < channels; ++c) {
        const MeterReading r = analysis_.Meter(c);
        const int x = scale.left() + 2 + c * bar;
        const QColor colour = ChannelColor(c);
        QColor light = colour;
        light.setAlpha(110);
        const auto top = [&](double db) {
            return static_cast<int>(LevelY(scale, db, MeterBottomDb));
        };
        p.fillRect(QRect(QPoint(x + 2, top(r.PeakDb)), QPoint(x + bar - 3, scale.bottom())), light);
        p.fillRect(QRect(QPoint(x + 2, top(r.RmsDb)), QPoint(x + bar - 3, scale.bottom())), colour);
        p.fillRect(QRect(x + 2, top(r.HoldDb) - 1, bar - 4, 2), palette().color(QPalette::Text));
        // The clip mark above the scale: lit red for 2 s after a sample at full scale.
        const QRect clip(x + 2, area.top() + 1, bar - 4, line - 3);
        p.fillRect(clip, r.Clipped ? QColor(230, 20, 20) : palette().color(QPalette::Base));
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(clip.adjusted(0, 0, -1, -1));
        // Readouts under the scale.
        p.setPen(colour);
        const QString name = channels == 1 ? tr("M") : c == 0 ? tr("L") : tr("R");
        p.drawText(QRect(x, scale.bottom() + 2, bar, line), Qt::AlignCenter, name);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(x - 4, scale.bottom() + 2 + line, bar + 8, line), Qt::AlignCenter,
                   QString::number(r.PeakDb, 'f', 1));
        p.drawText(QRect(x - 4, scale.bottom() + 2 + 2 * line, bar + 8, line), Qt::AlignCenter,
                   QString::number(r.RmsDb, 'f', 1));
    }
    p.drawText(QRect(area.left(), scale.bottom() + 2 + line, labels, line),
               Qt::AlignLeft | Qt::AlignVCenter, tr("pk"));
    p.drawText(QRect(area.left(), scale.bottom() + 2 + 2 * line, labels, line),
               Qt::AlignLeft | Qt::AlignVCenter, tr("rms"));
}

void SignalMonitorView::PaintScope(QPainter& p, const QRect& area) const {
    const int line = fontMetrics().height();
    const QRect plot = area.adjusted(0, 0, 0, -line - 2);
    PaintFrame(p, plot);
    p.setPen(GridColor());
    for (int i = 1; i < 8; ++i) {
        const int x = plot.left() + plot.width() * i / 8;
        p.drawLine(x, plot.top(), x, plot.bottom());
    }
    for (int i = 1; i < 4; ++i) {
        const int y = plot.top() + plot.height() * i / 4;
        p.drawLine(plot.left(), y, plot.right(), y);
    }
    const double span = static_cast<double>(analysis_.ScopeSpan());
    const int channels = analysis_.Channels();
    p.save();
    p.setClipRect(plot.adjusted(1, 1, -1, -1));
    p.setRenderHint(QPainter::Antialiasing, true);
    QPolygonF trace;
    for (int c = channels - 1; c >= 0; --c) {
        const std::vector<float>& s = analysis_.Scope(c);
        trace.resize(static_cast<qsizetype>(s.size()));
        const double dx = plot.width() / std::max(span, 1.0);
        const double mid = plot.top() + plot.height() / 2.0, half = plot.height() / 2.0 - 1;
        for (size_t i = 0; i < s.size(); ++i)
            trace[static_cast<qsizetype>(i)] =
                QPointF(plot.left() + (static_cast<double>(i) - analysis_.ScopeOffset()) * dx,
                        mid - std::clamp(s[i], -1.0f, 1.0f) * half);
        p.setPen(QPen(ChannelColor(c), 1.2));
        p.drawPolyline(trace);
    }
    p.restore();
    // Legend and time base under the plot.
    int x = plot.left();
    const int y = plot.bottom() + 2;
    for (int c = 0; c < channels; ++c) {
        p.fillRect(QRect(x, y + line / 2 - 2, 14, 4), ChannelColor(c));
        const QString name = channels == 1 ? tr("Mono") : c == 0 ? tr("Left") : tr("Right");
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(x + 18, y, 80, line), Qt::AlignLeft | Qt::AlignVCenter, name);
        x += 18 + fontMetrics().horizontalAdvance(name) + 14;
    }
    p.drawText(QRect(x, y, plot.right() - x, line), Qt::AlignRight | Qt::AlignVCenter, timeBase_);
}

void SignalMonitorView::PaintSpectrum(QPainter& p, const QRect& area) {
    const QFontMetrics fm = fontMetrics();
    const int line = fm.height();
    const int labels = fm.horizontalAdvance("-140") + 6;
    const QRect plot(area.left() + labels, area.top(), area.width() - labels,
                     area.height() - 2 * line - 4);
    PaintFrame(p, plot);
    const double fs = analysis_.Rate();
    const double high = fs / 2;
    const double logSpan = std::log(high / LowestHz);
    const auto xOf = [&](double hz) {
        return plot.left() + std::log(hz / LowestHz) / logSpan * plot.width();
    };
    const auto yOf = [&](double db) { return LevelY(plot, db, SpectrumFloorDb); };
    for (double db = 0; db >= SpectrumFloorDb; db -= 20) {
        const int y = static_cast<int>(yOf(db));
        p.setPen(GridColor());
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(area.left(), y - line / 2, labels - 4, line),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(db));
    }
    for (double hz : FrequencyTicks) {
        if (hz > high)
            break;
        const int x = static_cast<int>(xOf(hz));
        p.setPen(GridColor());
        p.drawLine(x, plot.top(), x, plot.bottom());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(x - 30, plot.bottom() + 2, 60, line), Qt::AlignCenter, HzText(hz));
    }
    const int channels = analysis_.Channels();
    p.save();
    p.setClipRect(plot.adjusted(1, 1, -1, -1));
    QPolygonF curve;
    for (int c = channels - 1; c >= 0; --c) {
        const Spectrum& s = analysis_.SpectrumOf(c);
        SpectrumColumns(s.LevelsDb(), s.BinHz(fs), LowestHz, high, plot.width(), columns_);
        curve.resize(static_cast<qsizetype>(columns_.size()));
        for (size_t x = 0; x < columns_.size(); ++x)
            curve[static_cast<qsizetype>(x)] =
                QPointF(plot.left() + static_cast<double>(x) + 0.5, yOf(columns_[x]));
        p.setPen(QPen(ChannelColor(c), 1));
        p.drawPolyline(curve);
    }
    p.restore();
    // The strongest peak of each channel, under the axis.
    int x = plot.left();
    const int y = plot.bottom() + line + 4;
    p.setPen(palette().color(QPalette::WindowText));
    const QString title = tr("Peak:");
    p.drawText(QRect(area.left(), y, labels + 60, line), Qt::AlignLeft | Qt::AlignVCenter, title);
    x = area.left() + fm.horizontalAdvance(title) + 8;
    for (int c = 0; c < channels; ++c) {
        const QString text = PeakText(c);
        p.setPen(ChannelColor(c));
        p.drawText(QRect(x, y, fm.horizontalAdvance(text) + 4, line),
                   Qt::AlignLeft | Qt::AlignVCenter, text);
        x += fm.horizontalAdvance(text) + 24;
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(x, y, std::max(plot.right() - x, 0), line), Qt::AlignRight | Qt::AlignVCenter,
               tr("FFT %1, %2 Hz per bin")
                   .arg(analysis_.FftSize())
                   .arg(fs / analysis_.FftSize(), 0, 'f', 2));
}

} // namespace quavril
