#pragma once
#include <QWidget>

#include <vector>

namespace quavril {

class SignalAnalysis;

// The signal monitor's picture: a peak and RMS meter per channel (dBFS, -120..0, with the
// 2 s hold and the clip mark), the oscilloscope of both channels with its legend, and the
// spectrum of each channel on a logarithmic frequency axis from 10 Hz to half the rate with
// the strongest peak's readout. It paints what an analysis holds, in the desktop's colours;
// painting computes nothing but the picture.
class SignalMonitorView : public QWidget {
    Q_OBJECT
public:
    static constexpr double LowestHz = 10.0;
    static constexpr double SpectrumFloorDb = -140.0;

    explicit SignalMonitorView(const SignalAnalysis& analysis, QWidget* parent = nullptr);

    // The trace colour of a channel (0 left, 1 right) for the current palette.
    QColor ChannelColor(int channel) const;
    // The text under the oscilloscope ("4 periods, 4 ms" / "free run, 20 ms").
    void SetTimeBaseText(const QString& text) { timeBase_ = text; }
    // The readout of the strongest peak of a channel, as shown ("1000.0 Hz  -20.0 dBFS").
    QString PeakText(int channel) const;

    QSize sizeHint() const override { return {760, 520}; }
    QSize minimumSizeHint() const override { return {360, 280}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintMeters(QPainter& p, const QRect& area) const;
    void PaintScope(QPainter& p, const QRect& area) const;
    void PaintSpectrum(QPainter& p, const QRect& area);
    void PaintFrame(QPainter& p, const QRect& area) const;
    bool Dark() const;
    QColor GridColor() const;

    const SignalAnalysis& analysis_;
    QString timeBase_;
    std::vector<float> columns_; // per pixel column of the spectrum
};

} // namespace quavril
