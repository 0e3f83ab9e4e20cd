// One hour of a looping back-and-forth log sweep (1 s, 20 Hz to 20 kHz, 48 kHz stereo sine)
// through the playback fill handler, in every sample format: prints the frequencies at which
// the first and the last round trip turn, and their difference in cents. 16-bit is the classic
// path (32-bit factor), 24-bit is dithered.
#include "synth/Generator.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

using namespace quavril;

namespace {

struct Turns {
    double top = 0, bottom = 0;
};

// The frequencies of the last frames of the upward and downward passes of round trip `trip`.
std::vector<Turns> Run(SampleFormat format, int roundTrips) {
    Generator g;
    SignalQuality q;
    q.Format = format;
    // The classic 16-bit path, 24-bit with dither, float.
    q.Dither = format == SampleFormat::S24 ? DitherKind::Tpdf : DitherKind::None;
    g.SetQuality(q);
    g.SetSampleRate(48000);
    g.SetIndex(IndexField::cboChannels, STEREO);
    g.ChannelsChange();
    for (Channel c : {Channel::Left, Channel::Right}) {
        g.SetFlag(ConstantOf(c), false);
        g.SetFlag(LogarithmicOf(c), true);
        g.SetFlag(c == Channel::Left ? FlagField::BidirectionalLeft : FlagField::BidirectionalRight,
                  true);
        g.SetText(fInitOf(c), "20");
        g.SetText(fFinalOf(c), "20000");
    }
    g.SetText(TextField::Duration, "1");
    g.SetFlag(FlagField::Loop, true);
    g.ResetGenerator(false);
    const int32_t frameBytes = g.FrameBytes();
    std::vector<uint8_t> buffer(static_cast<size_t>(47999) * frameBytes);
    auto fill = [&](int32_t frames) {
        g.AcknowledgeRender();
        int32_t size = frames * frameBytes;
        g.FillBuffer(buffer.data(), size);
    };
    auto hz = [&] {
        return g.State().Of(Channel::Left).Increment * 48000 / (2 * std::numbers::pi);
    };
    std::vector<Turns> turns;
    for (int trip = 0; trip < roundTrips; ++trip) {
        Turns t;
        fill(47999);
        t.top = hz();
        fill(1);
        fill(47999);
        t.bottom = hz();
        fill(1);
        turns.push_back(t);
    }
    return turns;
}

// The same hour under the earlier turn, which inverted the 32-bit factor at every turn and let
// the increment run on: the classic per-sample update alone, no rendering.
Turns EarlierTurnsLastTrip(int roundTrips) {
    const float init = static_cast<float>(20.0 / 48000), fin = static_cast<float>(20000.0 / 48000);
    float factor = static_cast<float>(std::exp(
        (std::log(static_cast<long double>(fin)) - std::log(static_cast<long double>(init))) /
        47999.0L));
    double increment = static_cast<double>(2.0L * std::numbers::pi_v<long double> * init);
    Turns t;
    for (int pass = 0; pass < 2 * roundTrips; ++pass) {
        for (int k = 0; k < 47999; ++k)
            increment = increment * factor;
        (pass % 2 ? t.bottom : t.top) = increment * 48000 / (2 * std::numbers::pi);
        increment = increment * factor; // the last frame's update, then the turn
        factor = static_cast<float>(1.0L / factor);
    }
    return t;
}

} // namespace

int main() {
    constexpr int Trips = 1800; // one hour of 1 s passes
    std::printf("%-8s %14s %14s %14s %14s %10s %10s\n", "format", "first_top_Hz", "last_top_Hz",
                "first_bot_Hz", "last_bot_Hz", "top_cent", "bot_cent");
    for (SampleFormat f : {SampleFormat::S16, SampleFormat::S24, SampleFormat::F32}) {
        const auto start = std::chrono::steady_clock::now();
        const std::vector<Turns> t = Run(f, Trips);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const Turns& a = t.front();
        const Turns& b = t.back();
        std::printf("%-8s %14.6f %14.6f %14.8f %14.8f %10.6f %10.6f  (%.1f s for one hour)\n",
                    f == SampleFormat::S16   ? "s16"
                    : f == SampleFormat::S24 ? "s24"
                                             : "f32",
                    a.top, b.top, a.bottom, b.bottom, 1200 * std::log2(b.top / a.top),
                    1200 * std::log2(b.bottom / a.bottom), seconds);
    }
    const Turns before = EarlierTurnsLastTrip(Trips);
    const std::vector<Turns> first = Run(SampleFormat::S16, 1);
    std::printf("%-8s %14.6f %14.6f %14.8f %14.8f %10.3f %10.3f  (the earlier turn)\n", "s16",
                first[0].top, before.top, first[0].bottom, before.bottom,
                1200 * std::log2(before.top / first[0].top),
                1200 * std::log2(before.bottom / first[0].bottom));
    return 0;
}
