#pragma once
#include <QPixmap>

namespace quavril {

// The fifteen small pictures of the picture lists, drawn by program: waveforms as a light
// trace on a dark ground (16 x 16), modulation shapes as a dark trace on white (16 x 16), the
// channel modes as one ring (14 x 14) or two overlapping rings (15 x 14). Sizes are in
// device-independent pixels; `ratio` is the device pixel ratio to draw for.
class ListPictures {
public:
    // The table order by which the pictures are named.
    enum Id {
        SINE,
        SQUARE,
        TRIANGULAR,
        SAWTOOTH,
        WHITE,
        PINK,
        SILENCE,
        MODSINE,
        MODCOS,
        MODSQUARE,
        MODTRIANGLE,
        MONO,
        STEREO,
        PULSEPOS,
        PULSENEG,
    };
    static constexpr int Count = 15;

    static QPixmap Draw(Id id, qreal ratio = 1.0);
    // By list item: waveform 0..8, modulation function 0..3, channel mode 0..1.
    static QPixmap ForWaveform(int waveform, qreal ratio = 1.0);
    static QPixmap ForModFunction(int function, qreal ratio = 1.0);
    static QPixmap ForChannelMode(int mode, qreal ratio = 1.0);
    // The product logo (48 x 48): a sine wave across a dark disc in a light ring.
    static QPixmap Logo(qreal ratio = 1.0);
};

} // namespace quavril
