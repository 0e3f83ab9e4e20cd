// One hour of a looping back-and-forth log sweep (1 s, 20 Hz to 20 kHz, 48 kHz stereo sine)
// through the playback fill handler, in every sample format: prints the frequencies at which
// the first and the last round trip turn, and their difference in cents.
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
    q.Dither = format == SampleFormat::F32 ? DitherKind::None : DitherKind::Tpdf;
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
    return 0;
}
