#include "ui/SignalMonitorView.h"

#include "analysis/SignalAnalysis.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace quavril {

namespace {

constexpr int MeterTicks[] = {0, -6, -12, -20, -40, -60, -80, -100, -120};
constexpr double FrequencyTicks[] = {10,   20,   50,    100,   200,   500,   1000,
                                     2000, 5000, 10000, 20000, 50000, 100000};

QString HzText(double hz) {
    return hz >= 1000 ? QString::number(hz / 1000, 'g', 3) + "k" : QString::number(hz, 'g', 3);
}

// y of a level from 0 dB at the top of `area` to `floorDb` at its bottom.
double LevelY(const QRect& area, double db, double floorDb) {
    const double t = std::clamp(db / floorDb, 0.0, 1.0);
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

QColor SignalMonitorView::OverBase(const QColor& colour, double opacity) const {
    const QColor base = palette().color(QPalette::Base);
    const auto mix = [opacity](int over, int under) {
        return static_cast<int>(std::lround(over * opacity + under * (1 - opacity)));
    };
    return QColor(mix(colour.red(), base.red()), mix(colour.green(), base.green()),
                  mix(colour.blue(), base.blue()));
}

QString SignalMonitorView::PeakText(int channel) const {
    const auto peak = analysis_.SpectrumOf(channel).StrongestPeak(analysis_.Rate(), LowestHz);
    if (!peak || peak->LevelDb < SpectrumFloorDb)
        return tr("no peak");
    return QString("%1 Hz  %2 dBFS")
        .arg(peak->FrequencyHz, 0, 'f', 1)
        .arg(peak->LevelDb, 0, 'f', 1);
}

SignalMonitorView::Areas SignalMonitorView::Arrange() const {
    const QFontMetrics fm = fontMetrics();
    Areas a;
    a.Line = fm.height();
    const int margin = a.Line / 2;
    const int labels = fm.horizontalAdvance("-120") + 6;
    // A bar per channel wide enough for its readouts ("-120.0").
    a.Bar = std::max(24, fm.horizontalAdvance("-120.0") + 8);
    const QRect all = rect().adjusted(margin, margin, -margin, -margin);
    const int meterWidth = labels + a.Bar * analysis_.Channels() + 4;
    // The meters: clip marks above the scale, readouts (name, peak, RMS) under it.
    a.MeterLabels = QRect(all.left(), all.top() + a.Line, labels, all.height() - 4 * a.Line);
    a.MeterScale = QRect(all.left() + labels, all.top() + a.Line, meterWidth - labels,
                         all.height() - 4 * a.Line);
    const QRect right = all.adjusted(meterWidth + margin, 0, 0, 0);
    const int scopeHeight = right.height() * 2 / 5;
    a.Scope = QRect(right.left(), right.top(), right.width(), scopeHeight - a.Line - 2);
    a.ScopeLegend = QRect(right.left(), a.Scope.bottom() + 2, right.width(), a.Line);
    const int top = right.top() + scopeHeight + margin;
    a.SpectrumLabels = QRect(right.left(), top, labels, right.bottom() - top);
    a.Spectrum = QRect(right.left() + labels, top, right.width() - labels,
                       right.bottom() - top - 2 * a.Line - 4);
    a.PeakLine = QRect(right.left(), a.Spectrum.bottom() + a.Line + 4, right.width(), a.Line);
    return a;
}

void SignalMonitorView::paintEvent(QPaintEvent*) {
    const Areas a = Arrange();
    const QString key = QString("%1x%2 %3 %4 %5 %6 %7")
                            .arg(width())
                            .arg(height())
                            .arg(devicePixelRatioF())
                            .arg(palette().cacheKey())
                            .arg(analysis_.Channels())
                            .arg(analysis_.Rate())
                            .arg(analysis_.FftSize());
    if (key != backgroundKey_) {
        PaintBackground(a);
        backgroundKey_ = key;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, background_);
    PaintMeters(p, a);
    PaintScope(p, a);
    PaintSpectrum(p, a);
}

void SignalMonitorView::PaintBackground(const Areas& a) {
    background_ = QPixmap(size() * devicePixelRatioF());
    background_.setDevicePixelRatio(devicePixelRatioF());
    background_.fill(palette().color(QPalette::Window));
    QPainter p(&background_);
    p.setFont(font());
    PaintMeterScale(p, a);
    PaintScopeGrid(p, a);
    PaintSpectrumGrid(p, a);
}

void SignalMonitorView::PaintFrame(QPainter& p, const QRect& area) const {
    p.fillRect(area, palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(area.adjusted(0, 0, -1, -1));
}

void SignalMonitorView::PaintMeterScale(QPainter& p, const Areas& a) const {
    const QRect& scale = a.MeterScale;
    PaintFrame(p, scale);
    const QColor grid = OverBase(palette().color(QPalette::Text), 0.2);
    for (int db : MeterTicks) {
        const int y = static_cast<int>(LevelY(scale, db, LevelMeter::FloorDb));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(a.MeterLabels.left(), y - a.Line / 2, a.MeterLabels.width() - 4, a.Line),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(db));
        p.setPen(grid);
        p.drawLine(scale.left() + 1, y, scale.right() - 1, y);
    }
    const int channels = analysis_.Channels();
    for (int c = 0; c < channels; ++c) {
        const int x = scale.left() + 2 + c * a.Bar;
        p.setPen(ChannelColor(c));
        const QString name = channels == 1 ? tr("M") : c == 0 ? tr("L") : tr("R");
        p.drawText(QRect(x, scale.bottom() + 2, a.Bar, a.Line), Qt::AlignCenter, name);
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(
        QRect(a.MeterLabels.left(), scale.bottom() + 2 + a.Line, a.MeterLabels.width(), a.Line),
        Qt::AlignLeft | Qt::AlignVCenter, tr("pk"));
    p.drawText(
        QRect(a.MeterLabels.left(), scale.bottom() + 2 + 2 * a.Line, a.MeterLabels.width(), a.Line),
        Qt::AlignLeft | Qt::AlignVCenter, tr("rms"));
}

void SignalMonitorView::PaintScopeGrid(QPainter& p, const Areas& a) const {
    const QRect& plot = a.Scope;
    PaintFrame(p, plot);
    p.setPen(OverBase(palette().color(QPalette::Text), 0.2));
    for (int i = 1; i < 8; ++i) {
        const int x = plot.left() + plot.width() * i / 8;
        p.drawLine(x, plot.top() + 1, x, plot.bottom() - 1);
    }
    for (int i = 1; i < 4; ++i) {
        const int y = plot.top() + plot.height() * i / 4;
        p.drawLine(plot.left() + 1, y, plot.right() - 1, y);
    }
    const int channels = analysis_.Channels();
    int x = a.ScopeLegend.left();
    for (int c = 0; c < channels; ++c) {
        p.fillRect(QRect(x, a.ScopeLegend.top() + a.Line / 2 - 2, 14, 4), ChannelColor(c));
        const QString name = channels == 1 ? tr("Mono") : c == 0 ? tr("Left") : tr("Right");
        p.setPen(palette().color(QPalette::WindowText));
        const int w = fontMetrics().horizontalAdvance(name);
        p.drawText(QRect(x + 18, a.ScopeLegend.top(), w + 2, a.Line),
                   Qt::AlignLeft | Qt::AlignVCenter, name);
        x += 18 + w + 14;
    }
}

double SignalMonitorView::SpectrumX(const Areas& a, double hz) const {
    const double high = analysis_.Rate() / 2;
    return a.Spectrum.left() +
           std::log(hz / LowestHz) / std::log(high / LowestHz) * a.Spectrum.width();
}

void SignalMonitorView::PaintSpectrumGrid(QPainter& p, const Areas& a) const {
    const QRect& plot = a.Spectrum;
    PaintFrame(p, plot);
    const QColor grid = OverBase(palette().color(QPalette::Text), 0.2);
    const QColor text = palette().color(QPalette::WindowText);
    for (double db = 0; db >= SpectrumFloorDb; db -= 20) {
        const int y = static_cast<int>(LevelY(plot, db, SpectrumFloorDb));
        p.setPen(grid);
        p.drawLine(plot.left() + 1, y, plot.right() - 1, y);
        p.setPen(text);
        p.drawText(
            QRect(a.SpectrumLabels.left(), y - a.Line / 2, a.SpectrumLabels.width() - 4, a.Line),
            Qt::AlignRight | Qt::AlignVCenter, QString::number(db));
    }
    for (double hz : FrequencyTicks) {
        if (hz > analysis_.Rate() / 2)
            break;
        const int x = static_cast<int>(SpectrumX(a, hz));
        p.setPen(grid);
        p.drawLine(x, plot.top() + 1, x, plot.bottom() - 1);
        p.setPen(text);
        p.drawText(QRect(x - 30, plot.bottom() + 2, 60, a.Line), Qt::AlignCenter, HzText(hz));
    }
    const double fs = analysis_.Rate();
    p.drawText(a.PeakLine, Qt::AlignRight | Qt::AlignVCenter,
               tr("FFT %1, %2 Hz per bin")
                   .arg(analysis_.FftSize())
                   .arg(fs / analysis_.FftSize(), 0, 'f', 2));
    p.drawText(a.PeakLine, Qt::AlignLeft | Qt::AlignVCenter, tr("Peak:"));
}

void SignalMonitorView::PaintMeters(QPainter& p, const Areas& a) const {
    const QRect& scale = a.MeterScale;
    const auto top = [&](double db) {
        return static_cast<int>(LevelY(scale, db, LevelMeter::FloorDb));
    };
    for (int c = 0; c < analysis_.Channels(); ++c) {
        const MeterReading r = analysis_.Meter(c);
        const int x = scale.left() + 2 + c * a.Bar;
        const QColor colour = ChannelColor(c);
        const int bottom = scale.bottom() - 1;
        p.fillRect(QRect(QPoint(x + 2, top(r.PeakDb)), QPoint(x + a.Bar - 3, bottom)),
                   OverBase(colour, 0.45));
        p.fillRect(QRect(QPoint(x + 2, top(r.RmsDb)), QPoint(x + a.Bar - 3, bottom)), colour);
        p.fillRect(QRect(x + 2, top(r.HoldDb) - 1, a.Bar - 4, 2), palette().color(QPalette::Text));
        // The clip mark above the scale: lit red for 2 s after a sample at full scale.
        const QRect clip(x + 2, scale.top() - a.Line + 1, a.Bar - 4, a.Line - 3);
        p.fillRect(clip, r.Clipped ? QColor(230, 20, 20) : palette().color(QPalette::Base));
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(clip.adjusted(0, 0, -1, -1));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(x - 4, scale.bottom() + 2 + a.Line, a.Bar + 4, a.Line), Qt::AlignCenter,
                   QString::number(r.PeakDb, 'f', 1));
        p.drawText(QRect(x - 4, scale.bottom() + 2 + 2 * a.Line, a.Bar + 4, a.Line),
                   Qt::AlignCenter, QString::number(r.RmsDb, 'f', 1));
    }
}

void SignalMonitorView::PaintScope(QPainter& p, const Areas& a) {
    const QRect& plot = a.Scope;
    const double span = std::max(static_cast<double>(analysis_.ScopeSpan()), 1.0);
    const double dx = plot.width() / span;
    const double mid = plot.top() + plot.height() / 2.0, half = plot.height() / 2.0 - 2;
    p.save();
    p.setClipRect(plot.adjusted(1, 1, -1, -1));
    for (int c = analysis_.Channels() - 1; c >= 0; --c) {
        const std::vector<float>& s = analysis_.Scope(c);
        trace_.resize(static_cast<qsizetype>(s.size()));
        for (size_t i = 0; i < s.size(); ++i)
            trace_[static_cast<qsizetype>(i)] =
                QPointF(plot.left() + (static_cast<double>(i) - analysis_.ScopeOffset()) * dx,
                        mid - std::clamp(s[i], -1.0f, 1.0f) * half);
        p.setPen(ChannelColor(c));
        p.drawPolyline(trace_);
    }
    p.restore();
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(a.ScopeLegend, Qt::AlignRight | Qt::AlignVCenter, timeBase_);
}

void SignalMonitorView::RenewCurves(const Areas& a) {
    const QRect& plot = a.Spectrum;
    const double fs = analysis_.Rate();
    for (int c = 0; c < analysis_.Channels(); ++c) {
        const FftAnalyser& s = analysis_.SpectrumOf(c);
        SpectrumColumns(s.Power(), s.BinHz(fs), LowestHz, fs / 2, plot.width(), columns_);
        QPolygonF& curve = curves_[c];
        curve.resize(static_cast<qsizetype>(columns_.size()));
        for (size_t x = 0; x < columns_.size(); ++x)
            curve[static_cast<qsizetype>(x)] = QPointF(plot.left() + static_cast<double>(x),
                                                       LevelY(plot, columns_[x], SpectrumFloorDb));
        peaks_[c] = PeakText(c);
    }
}

void SignalMonitorView::PaintSpectrum(QPainter& p, const Areas& a) {
    const QString key = QString("%1 %2").arg(analysis_.SpectrumCount()).arg(backgroundKey_);
    if (key != curvesKey_) {
        RenewCurves(a);
        curvesKey_ = key;
    }
    p.save();
    p.setClipRect(a.Spectrum.adjusted(1, 1, -1, -1));
    for (int c = analysis_.Channels() - 1; c >= 0; --c) {
        p.setPen(ChannelColor(c));
        p.drawPolyline(curves_[c]);
    }
    p.restore();
    // The strongest peak of each channel, after "Peak:".
    int x = a.PeakLine.left() + fontMetrics().horizontalAdvance(tr("Peak:")) + 8;
    for (int c = 0; c < analysis_.Channels(); ++c) {
        const int w = fontMetrics().horizontalAdvance(peaks_[c]);
        p.setPen(ChannelColor(c));
        p.drawText(QRect(x, a.PeakLine.top(), w + 4, a.Line), Qt::AlignLeft | Qt::AlignVCenter,
                   peaks_[c]);
        x += w + 24;
    }
}

} // namespace quavril
