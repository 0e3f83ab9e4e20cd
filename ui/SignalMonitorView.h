#pragma once
#include <QPixmap>
#include <QPolygonF>
#include <QWidget>

#include <vector>

namespace quavril {

class SignalAnalysis;

// The signal monitor's picture: a peak and RMS meter per channel (dBFS, -120..0, with the
// 2 s hold and the clip mark), the oscilloscope of both channels with its legend, and the
// spectrum of each channel on a logarithmic frequency axis from 10 Hz to half the rate with
// the strongest peak's readout. It paints what an analysis holds, in the desktop's colours.
// Scales, grids and labels are drawn once into a picture that is kept until the size, the
// palette, the rate, the channels or the FFT size change; each renewal draws only the levels,
// traces and readouts over it, with opaque colours and without antialiasing, which keeps the
// painter on its fastest paths.
class SignalMonitorView : public QWidget {
    Q_OBJECT
public:
    static constexpr double LowestHz = 10.0;
    static constexpr double SpectrumFloorDb = -140.0;

    explicit SignalMonitorView(const SignalAnalysis& analysis, QWidget* parent = nullptr);

    // The trace colour of a channel (0 left, 1 right) for the current palette.
    QColor ChannelColor(int channel) const;
    // The text under the oscilloscope ("4 periods of 1000.0 Hz, 4 ms" / "free run, 20 ms").
    void SetTimeBaseText(const QString& text) { timeBase_ = text; }
    // The readout of the strongest peak of a channel, as shown ("1000.0 Hz  -20.0 dBFS").
    QString PeakText(int channel) const;

    QSize sizeHint() const override { return {760, 520}; }
    QSize minimumSizeHint() const override { return {360, 280}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Where everything goes for the current size and font.
    struct Areas {
        QRect MeterScale, MeterLabels, Scope, ScopeLegend, Spectrum, SpectrumLabels, PeakLine;
        int Bar = 0, Line = 0;
    };
    Areas Arrange() const;
    void PaintBackground(const Areas& a);
    void PaintMeterScale(QPainter& p, const Areas& a) const;
    void PaintScopeGrid(QPainter& p, const Areas& a) const;
    void PaintSpectrumGrid(QPainter& p, const Areas& a) const;
    void PaintMeters(QPainter& p, const Areas& a) const;
    void PaintScope(QPainter& p, const Areas& a);
    void PaintSpectrum(QPainter& p, const Areas& a);
    void RenewCurves(const Areas& a);
    void PaintFrame(QPainter& p, const QRect& area) const;
    bool Dark() const;
    // `colour` laid over the plots' background with `opacity` (0..1), as an opaque colour.
    QColor OverBase(const QColor& colour, double opacity) const;
    double SpectrumX(const Areas& a, double hz) const;

    const SignalAnalysis& analysis_;
    QString timeBase_;
    QPixmap background_;
    QString backgroundKey_; // what background_ was drawn for
    // The spectra's curves and peak readouts, renewed when the analysis renews the spectra.
    std::vector<float> columns_;
    QPolygonF curves_[2];
    QString peaks_[2];
    QString curvesKey_;
    QPolygonF trace_;
};

} // namespace quavril
