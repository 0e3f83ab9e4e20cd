#include "synth/Generator.h"

#include "synth/NumberText.h"
#include "synth/Oscillator.h"
#include "synth/Sine.h"
#include "synth/SineBlock.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <emmintrin.h>
#include <immintrin.h>
#include <limits>

namespace quavril {

namespace {
constexpr long double PiL = std::numbers::pi_v<long double>;
constexpr long double Infinity = std::numeric_limits<long double>::infinity();
constexpr double TwoPiBelow = 2.0 * std::numbers::pi; // the double just below 2 pi
static_assert(TwoPiBelow < TwoPiL);
// The rest of the extended-precision 2 pi (it has few enough bits to be exact as a double).
constexpr double TwoPiRest = static_cast<double>(TwoPiL - TwoPiBelow);
static_assert(TwoPiBelow + static_cast<long double>(TwoPiRest) == TwoPiL);

// Phase - 2 pi, rounded once to a double, as extended precision would give it: for a phase
// between 2 pi and 4 pi the first subtraction is exact, so only the second one rounds.
inline double WrapPhase(double phase) {
    if (phase < 2.0 * TwoPiBelow)
        return (phase - TwoPiBelow) - TwoPiRest;
    return static_cast<double>(phase - TwoPiL);
}

int16_t Low16(int64_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>(v));
}

void PutLE16(uint8_t* p, int16_t v) {
    const auto u = static_cast<uint16_t>(v);
    p[0] = static_cast<uint8_t>(u & 0xFF);
    p[1] = static_cast<uint8_t>(u >> 8);
}
} // namespace

Generator::Generator(GeneratorHost* host) : host_(host ? host : &defaultHost_) {}

void Generator::SetHost(GeneratorHost* host) {
    host_ = host ? host : &defaultHost_;
}

// --- Controls ------------------------------------------------------------------------------

// Where each control's value lives is said once, by the table of settings.
std::string* Generator::TextSlot(TextField f) {
    const SettingRow& row = RowOf(f);
    return row.ChannelText ? &(Mutable(row.Side).*row.ChannelText) : &(signal_.*row.SignalText);
}

bool* Generator::FlagSlot(FlagField f) {
    const SettingRow& row = RowOf(f);
    return row.ChannelFlag ? &(Mutable(row.Side).*row.ChannelFlag) : &(signal_.*row.SignalFlag);
}

int* Generator::IndexSlot(IndexField f) {
    const SettingRow& row = RowOf(f);
    return row.ChannelPosition ? &(Mutable(row.Side).*row.ChannelPosition)
                               : &(signal_.*row.SignalPosition);
}

const std::string& Generator::Text(TextField f) const {
    return *const_cast<Generator*>(this)->TextSlot(f);
}
bool Generator::Flag(FlagField f) const {
    return *const_cast<Generator*>(this)->FlagSlot(f);
}
int Generator::Index(IndexField f) const {
    return *const_cast<Generator*>(this)->IndexSlot(f);
}

void Generator::SetText(TextField f, const std::string& text) {
    *TextSlot(f) = text;
    host_->TextWritten(f, text);
    TextChanged(f);
}

void Generator::SetFlag(FlagField f, bool value) {
    bool* slot = FlagSlot(f);
    if (*slot == value)
        return;
    *slot = value;
    host_->FlagWritten(f, value);
    FlagClicked(f);
}

void Generator::SetIndex(IndexField f, int value) {
    *IndexSlot(f) = value;
    host_->IndexWritten(f, value);
}

// --- Change and click handlers -------------------------------------------------------------

void Generator::TextChanged(TextField f) {
    const Channel c = ChannelOf(f);
    ChannelState& s = State.Of(c);
    const std::string& text = Text(f);
    switch (f) {
    case TextField::fInitLeft:
    case TextField::fFinalLeft:
    case TextField::fInitRight:
    case TextField::fFinalRight:
        DeriveSweep(c);
        break;
    case TextField::Duration:
        DeriveSweep(Channel::Left);
        break;
    case TextField::AmplitudeLeft:
    case TextField::AmplitudeRight:
        // Only whole numbers: "-3.5" keeps the previous level until the exit handler rounds it.
        if (auto dB = ParseWhole(text))
            s.AmplitudeGain = static_cast<float>(std::pow(10.0L, *dB * 0.05L));
        break;
    case TextField::ModDepthLeftEdit:
    case TextField::ModDepthRightEdit:
        if (auto v = ParsePlain(text))
            s.ModDepthFraction = static_cast<float>(*v * 0.01L);
        break;
    case TextField::ModPeriodLeftEdit:
    case TextField::ModPeriodRightEdit:
        if (auto v = ParsePlain(text)) {
            s.ModPeriodSeconds = static_cast<float>(*v);
            if (*v == 0 && host_->OutputPlaying()) {
                host_->StopOutputNow();
                SetText(f, "1");
            }
        }
        break;
    case TextField::ModPhaseLeftEdit:
    case TextField::ModPhaseRightEdit:
        if (auto v = ParsePlain(text))
            s.ModPhaseRadians = static_cast<float>(*v * PiL / 180.0L);
        break;
    case TextField::PhaseEdit:
        if (auto v = ParsePlain(text))
            State.PhaseOffset = static_cast<float>(*v * PiL / 180.0L);
        break;
    }
}

void Generator::FlagClicked(FlagField f) {
    const Channel c = ChannelOf(f);
    switch (f) {
    case FlagField::Loop:
        LoopClick();
        break;
    case FlagField::Lefttick:
    case FlagField::RightTick:
        TickClick();
        break;
    case FlagField::chkConstantLeft:
    case FlagField::chkConstantRight:
        ConstantClick(c);
        break;
    case FlagField::LogarithmicLeft:
    case FlagField::LogarithmicRight:
        RestartSweep(c);
        break;
    case FlagField::BidirectionalLeft:
    case FlagField::BidirectionalRight:
        break; // read at the period ends only
    case FlagField::ModulationOnLeft:
    case FlagField::ModulationOnRight:
        ModulationOnClick(c);
        break;
    }
}

void Generator::ChannelsChange() {
    if (Mode() == MONO) {
        SetFlag(FlagField::Lefttick, true);
        SetFlag(FlagField::RightTick, true);
        TickClick();
        SetText(TextField::PhaseEdit, "0");
    }
    host_->ChannelsChanged();
    LoopClick();
}

void Generator::WaveFormChange(Channel c) {
    host_->WaveFormChanged(c);
    LoopClick();
}

void Generator::LoopClick() {
    host_->LoopChanged();
    DeriveSweep(Channel::Left);
}

void Generator::ConstantClick(Channel c) {
    host_->ConstantChanged(c);
    LoopClick();
}

void Generator::ModulationOnClick(Channel c) {
    host_->ModulationOnChanged(c);
    if (c == Channel::Left)
        ExitEdit(TextField::AmplitudeLeft);
    ExitEdit(TextField::AmplitudeRight);
    State.Of(c).ModGain = 1.0f;
}

void Generator::TickClick() {
    const bool left = Settings(Channel::Left).Tick;
    const bool right = Settings(Channel::Right).Tick;
    State.Of(Channel::Left).ChannelEnable = left ? 1 : 0;
    State.Of(Channel::Right).ChannelEnable = right ? 1 : 0;
    if (!left && !right)
        host_->StopOutputNow();
    host_->TicksChanged();
}

void Generator::AmplitudeBarChange(Channel c) {
    SetText(AmplitudeOf(c), std::to_string(-Index(AmplitudeBarOf(c))));
}

void Generator::SemitoneStep(Channel c, bool up) {
    const TextField field = fInitOf(c);
    const auto v = ParsePlain(Text(field));
    if (!v) {
        host_->ShowInvalidNumber(Text(field));
        return;
    }
    const long double k = std::pow(2.0L, 1.0L / 12.0L);
    const float f = static_cast<float>(up ? *v * k : *v / k);
    if (f < SampleRate * 0.5L)
        SetText(field, FormatGeneral(f));
}

void Generator::HertzStep(Channel c, bool up) {
    const TextField field = fInitOf(c);
    const auto v = ParsePlain(Text(field));
    if (!v)
        return;
    if (up && *v < SampleRate * 0.5L)
        SetText(field, FormatGeneral(*v + 1.0L));
    else if (!up && *v > 0)
        SetText(field, FormatGeneral(*v - 1.0L));
}

// --- Exit handlers -------------------------------------------------------------------------

void Generator::ExitEdit(TextField f) {
    const Channel c = ChannelOf(f);
    const std::string text = Text(f);
    switch (f) {
    case TextField::AmplitudeLeft:
    case TextField::AmplitudeRight: {
        SetText(f, ValidateEdit(text, -100, 0, 0, 0));
        const int dB = ParseWhole(Text(f)).value_or(0);
        SetIndex(AmplitudeBarOf(c), -dB);
        break;
    }
    case TextField::Duration:
        SetText(f, ValidateEdit(text, 0.1L, Infinity, 4, 1));
        ExitFrequency(TextField::fInitLeft);
        ExitFrequency(TextField::fInitRight);
        break;
    case TextField::ModDepthLeftEdit:
    case TextField::ModDepthRightEdit:
        SetText(f, ValidateEdit(text, 0, 100, 4, 100));
        break;
    case TextField::ModPhaseLeftEdit:
    case TextField::ModPhaseRightEdit:
        SetText(f, ValidateEdit(text, 0, Infinity, 4, 0));
        break;
    case TextField::fInitLeft:
    case TextField::fFinalLeft:
    case TextField::fInitRight:
    case TextField::fFinalRight:
        ExitFrequency(f);
        break;
    case TextField::ModPeriodLeftEdit:
    case TextField::ModPeriodRightEdit:
        if (auto v = ParsePlain(text)) {
            State.Of(c).ModPeriodSeconds = static_cast<float>(*v);
            SetText(f, FormatGeneral(RoundEven(*v * 1000.0L) * 0.001L + 0.0L));
        } else {
            State.Of(c).ModPeriodSeconds = 1.0f;
            SetText(f, "1");
        }
        break;
    case TextField::PhaseEdit:
        if (auto v = ParsePlain(text)) {
            State.PhaseOffset = static_cast<float>(*v * PiL / 180.0L);
            const long double hundredths = RoundEven(18000.0L * State.PhaseOffset / PiL);
            SetText(f, FormatGeneral(hundredths * 0.01L + 0.0L));
        } else {
            SetText(f, "0");
            State.PhaseOffset = 0.0f;
        }
        break;
    }
}

void Generator::ExitFrequency(TextField f) {
    const std::string text = Text(f);
    const auto v = ParsePlain(text);
    if (!v) {
        host_->ShowInvalidNumber(text); // the edit keeps its text
        return;
    }
    const long double half = SampleRate * 0.5L;
    if (*v > half)
        host_->ShowNyquistMessage(f);
    SetText(f, ValidateEdit(Text(f), 0.1L, SampleRate * 0.5L, 5, 1000));
}

// --- Sweep ---------------------------------------------------------------------------------

std::optional<int32_t> Generator::FramesOfDuration() const {
    const auto d = ParsePlain(signal_.Duration);
    if (!d)
        return std::nullopt;
    const long double frames = RoundEven(*d * SampleRate);
    if (frames < std::numeric_limits<int32_t>::min() ||
        frames > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(frames);
}

// Factor and step of a sweep from the stored normalised frequencies. The callers rule out what
// the arithmetic cannot take: a period of one frame, or a frequency that underflowed to zero.
void Generator::ComputeSweepShape(ChannelState& s, bool logarithmic) const {
    const long double steps = static_cast<long double>(State.TotalSamples) - 1.0L;
    if (logarithmic) {
        s.SweepFactor =
            static_cast<float>(std::exp((std::log(static_cast<long double>(s.FinalNorm)) -
                                         std::log(static_cast<long double>(s.InitNorm))) /
                                        steps));
        s.SweepStep = 0.0f;
    } else {
        s.SweepFactor = 1.0f;
        s.SweepStep = static_cast<float>((static_cast<long double>(s.FinalNorm) - s.InitNorm) *
                                         TwoPiL / steps);
    }
}

DeriveResult Generator::DeriveSweep(Channel c) {
    const ChannelSettings& cs = Settings(c);
    ChannelState& s = State.Of(c);
    const auto fInit = ParsePlain(cs.fInit);
    const auto fFinal = ParsePlain(cs.fFinal);
    if (!fInit || !fFinal) {
        host_->StopOutputNow();
        return DeriveResult::Failed;
    }
    const long double half = SampleRate * 0.5L;
    if (!(*fInit > 0 && *fInit <= half && *fFinal > 0 && *fFinal <= half)) {
        if (host_->OutputPlaying())
            host_->StopOutputNow();
        return DeriveResult::Invalid;
    }
    host_->FrequencySliderMoved(c,
                                static_cast<int>(RoundEven(1000.0L * std::log10(*fInit * 0.5L))));
    const auto total = FramesOfDuration();
    if (!total) {
        host_->StopOutputNow();
        return DeriveResult::Failed;
    }
    State.TotalSamples = *total;
    s.InitNorm = static_cast<float>(*fInit / SampleRate);
    s.TargetIncrement = static_cast<double>(TwoPiL * s.InitNorm);
    if (cs.Constant) {
        // Increment is left alone: a playing tone glides to the new frequency.
        s.FinalNorm = s.InitNorm;
        s.SweepStep = 0.0f;
        s.SweepFactor = 1.0f;
    } else {
        s.FinalNorm = static_cast<float>(*fFinal / SampleRate);
        s.Increment = static_cast<double>(TwoPiL * s.InitNorm);
        if (State.TotalSamples == 1 || s.InitNorm <= 0 || s.FinalNorm <= 0) {
            host_->StopOutputNow(); // division by zero, or a logarithm of zero
            return DeriveResult::Failed;
        }
        ComputeSweepShape(s, cs.Logarithmic);
    }
    State.FillBusy = false;
    return DeriveResult::Derived;
}

void Generator::RestartSweep(Channel c) {
    ChannelState& s = State.Of(c);
    State.SampleCounter = 0;
    s.TargetIncrement = static_cast<double>(TwoPiL * s.InitNorm);
    s.Increment = s.TargetIncrement;
    // Before the first derivation there is nothing to compute a sweep from.
    if (State.TotalSamples != 1 && s.InitNorm > 0 && s.FinalNorm > 0)
        ComputeSweepShape(s, Settings(c).Logarithmic);
}

void Generator::PeriodEndTurn(Channel c) {
    const ChannelSettings& cs = Settings(c);
    ChannelState& s = State.Of(c);
    if (cs.Constant)
        return;
    if (cs.Bidirectional) {
        s.SweepFactor = static_cast<float>(1.0L / s.SweepFactor);
        s.SweepStep = -s.SweepStep;
    } else {
        s.TargetIncrement = static_cast<double>(TwoPiL * s.InitNorm);
        s.Increment = s.TargetIncrement;
    }
}

// --- Signal --------------------------------------------------------------------------------

bool Generator::ResetGenerator(bool forExport) {
    DeriveSweep(Channel::Left);
    DeriveSweep(Channel::Right);
    State.FillBusy = false;
    State.PinkRows.fill(0.0f);
    State.SampleCounter = 0;
    for (ChannelState& s : State.Channels) {
        s.Increment = static_cast<double>(TwoPiL * s.InitNorm);
        s.Phase = 0;
    }
    State.Of(Channel::Left).SawValue = 0;
    float rightSaw = 0;
    if (forExport) {
        const auto degrees = ParsePlain(signal_.PhaseEdit);
        if (!degrees)
            return false;
        long double v = *degrees / 180.0L;
        if (v > 1)
            v -= 2;
        rightSaw = static_cast<float>(v);
    }
    State.Of(Channel::Right).SawValue = rightSaw;
    for (ChannelState& s : State.Channels)
        s.ModGain = 1.0f;
    ExitEdit(TextField::AmplitudeLeft);
    ExitEdit(TextField::AmplitudeRight);
    return true;
}

namespace {
// The gain for the shape value m in -1..1: 1 - depth * 0.5 * (m + 1), in 32-bit stages.
inline float GainOfShape(float depth, float m) {
    const float m1 = m + 1.0f;
    const float half = static_cast<float>(0.5 * depth * m1);
    return static_cast<float>(1.0 - half);
}
} // namespace

// The modulation phase in radians at frame `counter` of the period.
[[gnu::always_inline]] inline double Generator::ModulationPhase(const ChannelState& s,
                                                                int32_t counter) const {
    // A period of 0 cannot be played (the edit refuses it while playing); a signal started
    // with it modulates at the 1 s the edit would substitute.
    const double period = s.ModPeriodSeconds != 0.0f ? s.ModPeriodSeconds : 1.0;
    return static_cast<double>(counter) / SampleRate * (2.0 * std::numbers::pi) / period +
           s.ModPhaseRadians;
}

[[gnu::always_inline]] inline float Generator::ModulationGain(Channel c, const ChannelState& s,
                                                              int32_t counter) const {
    const double x = ModulationPhase(s, counter);
    float m;
    switch (Settings(c).ModFunction) {
    case MODSINE:
        m = static_cast<float>(Sine(x));
        break;
    case MODCOS:
        m = static_cast<float>(Cosine(x));
        break;
    case MODSQUARE:
        m = SignOf(static_cast<float>(Sine(x)));
        break;
    case MODTRIANGLE:
        m = TriangleOf(static_cast<float>(x));
        break;
    default:
        m = -1.0f; // an unknown shape does not modulate
        break;
    }
    return GainOfShape(s.ModDepthFraction, m);
}

// ModulationGain for the frames n0 .. n0 + count - 1 (count <= 256), the sines taken together.
void Generator::ModulationGains(Channel c, const ChannelState& s, int32_t n0, int count,
                                float* gains) const {
    double x[256] = {}, sines[256];
    const int function = Settings(c).ModFunction;
    for (int i = 0; i < count; ++i) {
        x[i] = ModulationPhase(s, n0 + i);
        if (function == MODTRIANGLE)
            x[i] = static_cast<float>(x[i]); // the triangle starts from a 32-bit phase
    }
    if (function >= MODSINE && function <= MODTRIANGLE)
        SineBlock(x, sines, count, function == MODCOS ? 1 : 0);
    for (int i = 0; i < count; ++i) {
        float m;
        switch (function) {
        case MODSINE:
        case MODCOS:
            m = static_cast<float>(sines[i]);
            break;
        case MODSQUARE:
            m = SignOf(static_cast<float>(sines[i]));
            break;
        case MODTRIANGLE:
            m = TriangleOfSine(static_cast<float>(sines[i]));
            break;
        default:
            m = -1.0f;
            break;
        }
        gains[i] = GainOfShape(s.ModDepthFraction, m);
    }
}

// Steps 1 to 4 of a sample: phase, frequency (glide or sweep), wrap, modulation gain.
[[gnu::always_inline]] inline void Generator::Advance(Channel c, ChannelState& s,
                                                      const ChannelSettings& cs, int32_t counter,
                                                      const float* gain) {
    s.Phase += s.Increment;
    if (cs.Constant) {
        if (s.Increment != s.TargetIncrement)
            s.Increment = static_cast<double>(0.995L * s.Increment + 0.005L * s.TargetIncrement);
    } else {
        // One of factor and step is always neutral, so double arithmetic rounds exactly as
        // extended precision would.
        s.Increment = s.Increment * s.SweepFactor + s.SweepStep;
    }
    // The phase wraps when it exceeds 2 pi; no double lies between the double nearest below
    // 2 pi and the extended-precision 2 pi, so comparing with that double is exact.
    if (s.Phase > TwoPiBelow)
        s.Phase = WrapPhase(s.Phase);
    if (cs.ModulationOn)
        s.ModGain = gain ? *gain : ModulationGain(c, s, counter);
}

// Advance for a channel at a constant frequency that has finished gliding, without
// modulation: only the phase moves.
[[gnu::always_inline]] inline void Generator::AdvanceSteady(ChannelState& s) {
    s.Phase += s.Increment;
    if (s.Phase > TwoPiBelow)
        s.Phase = WrapPhase(s.Phase);
}

bool Generator::Steady(Channel c) const {
    const ChannelSettings& cs = Settings(c);
    const ChannelState& s = State.Of(c);
    return cs.Constant && s.Increment == s.TargetIncrement && !cs.ModulationOn;
}

namespace {
// Nearest integer, ties to even (the processor's default rounding), in one instruction.
inline int64_t RoundSample(double v) {
    if (!(std::fabs(v) < 9.0e18))
        return 0; // only reachable with absurd gains typed into a level edit
    return _mm_cvtsd_si64(_mm_set_sd(v));
}
} // namespace

template <int W>
[[gnu::always_inline]] inline int64_t
Generator::SampleOf(Channel c, ChannelState& s, const ChannelSettings& cs, int32_t counter) {
    Advance(c, s, cs, counter);
    if constexpr (W == PULSEPOS)
        return counter == 0 ? 32767 : 0;
    else if constexpr (W == PULSENEG)
        return counter == 0 ? -32767 : 0;
    else if constexpr (W < SINE || W > PINK)
        return 0; // SILENCE and anything unknown
    else {
        const double theta = c == Channel::Right ? s.Phase + State.PhaseOffset : s.Phase;
        const double scale = 32767.0 * s.AmplitudeGain * s.ModGain;
        double v;
        if constexpr (W == SINE) {
            v = Sine(theta) * scale;
        } else if constexpr (W == SQUARE) {
            v = SignOf(static_cast<float>(Sine(theta))) * scale;
        } else if constexpr (W == TRIANGULAR) {
            v = TriangleOf(static_cast<float>(theta)) * scale;
        } else if constexpr (W == SAWTOOTH) {
            s.SawValue = static_cast<float>(s.SawValue + 2.0L * s.Increment / TwoPiL);
            if (s.SawValue > 1.0f)
                s.SawValue = static_cast<float>(s.SawValue - 2.0);
            v = s.SawValue * scale;
        } else if constexpr (W == WHITE) {
            v = (2.0 * NextRandom(State.NoiseSeed) - 1.0) * scale;
        } else {
            v = PinkNoise(counter, State.PinkRows, State.NoiseSeed) * scale;
        }
        return RoundSample(v);
    }
}

int64_t Generator::NextSample(Channel c, int waveform) {
    ChannelState& s = State.Of(c);
    const ChannelSettings& cs = Settings(c);
    const int32_t n = State.SampleCounter;
    switch (waveform) {
    case SINE:
        return SampleOf<SINE>(c, s, cs, n);
    case SQUARE:
        return SampleOf<SQUARE>(c, s, cs, n);
    case TRIANGULAR:
        return SampleOf<TRIANGULAR>(c, s, cs, n);
    case SAWTOOTH:
        return SampleOf<SAWTOOTH>(c, s, cs, n);
    case WHITE:
        return SampleOf<WHITE>(c, s, cs, n);
    case PINK:
        return SampleOf<PINK>(c, s, cs, n);
    case PULSEPOS:
        return SampleOf<PULSEPOS>(c, s, cs, n);
    case PULSENEG:
        return SampleOf<PULSENEG>(c, s, cs, n);
    default:
        return SampleOf<SILENCE>(c, s, cs, n);
    }
}

// One channel over `frames` frames starting at counter n0, every `stride` samples.
template <int W>
void Generator::ChannelRun(Channel c, int16_t* out, int stride, int32_t frames, int32_t n0) {
    ChannelState& s = State.Of(c);
    const ChannelSettings& cs = Settings(c);
    if constexpr (W == SINE || W == SQUARE) {
        // The sample steps of SampleOf, with the sines of a block taken together.
        constexpr int Block = 256;
        double theta[Block], scale[Block], sines[Block];
        float gains[Block];
        const double offset = c == Channel::Right ? State.PhaseOffset : 0.0;
        for (int32_t done = 0; done < frames;) {
            const int n = std::min<int32_t>(Block, frames - done);
            if (cs.ModulationOn)
                ModulationGains(c, s, n0 + done, n, gains);
            for (int i = 0; i < n; ++i) {
                Advance(c, s, cs, n0 + done + i, &gains[i]);
                theta[i] = c == Channel::Right ? s.Phase + offset : s.Phase;
                scale[i] = 32767.0 * s.AmplitudeGain * s.ModGain;
            }
            SineBlock(theta, sines, n);
            int16_t* o = out + static_cast<ptrdiff_t>(done) * stride;
            for (int i = 0; i < n; ++i) {
                const double v = W == SINE ? sines[i] * scale[i]
                                           : SignOf(static_cast<float>(sines[i])) * scale[i];
                o[static_cast<ptrdiff_t>(i) * stride] = Low16(RoundSample(v));
            }
            done += n;
        }
    } else {
        for (int32_t i = 0; i < frames; ++i)
            out[static_cast<ptrdiff_t>(i) * stride] = Low16(SampleOf<W>(c, s, cs, n0 + i));
    }
}

void Generator::ChannelRun(Channel c, int waveform, int16_t* out, int stride, int32_t frames,
                           int32_t n0) {
    switch (waveform) {
    case SINE:
        return ChannelRun<SINE>(c, out, stride, frames, n0);
    case SQUARE:
        return ChannelRun<SQUARE>(c, out, stride, frames, n0);
    case TRIANGULAR:
        return ChannelRun<TRIANGULAR>(c, out, stride, frames, n0);
    case SAWTOOTH:
        return ChannelRun<SAWTOOTH>(c, out, stride, frames, n0);
    case WHITE:
        return ChannelRun<WHITE>(c, out, stride, frames, n0);
    case PINK:
        return Steady(c) ? PinkRun<false, true>(out, stride, frames, n0, c)
                         : PinkRun<false, false>(out, stride, frames, n0, c);
    case PULSEPOS:
        return ChannelRun<PULSEPOS>(c, out, stride, frames, n0);
    case PULSENEG:
        return ChannelRun<PULSENEG>(c, out, stride, frames, n0);
    default:
        return ChannelRun<SILENCE>(c, out, stride, frames, n0);
    }
}

namespace {
// Fills [first, last) with v, four floats per store.
inline void FillFloats(float* first, float* last, float v) {
#if defined(__SSE2__)
    const __m128 four = _mm_set1_ps(v);
    for (; last - first >= 4; first += 4)
        _mm_storeu_ps(first, four);
#endif
    for (; first < last; ++first)
        *first = v;
}
} // namespace

namespace {
// sums[j] = rows[0][j] + rows[1][j] + ... + rows[12][j], added in that order in single
// precision, for j < count (a multiple of 8); row r starts at rows + r * pitch.
#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("avx2")]] void SumPinkRowsWide(const float* rows, int pitch, float* sums, int count) {
    for (int j = 0; j < count; j += 8) {
        __m256 sum = _mm256_loadu_ps(rows + j);
#pragma GCC unroll 12
        for (int r = 1; r < 13; ++r)
            sum = _mm256_add_ps(sum, _mm256_loadu_ps(rows + r * pitch + j));
        _mm256_storeu_ps(sums + j, sum);
    }
}
#endif

void SumPinkRows(const float* rows, int pitch, float* sums, int count) {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool wide = __builtin_cpu_supports("avx2");
    if (wide)
        return SumPinkRowsWide(rows, pitch, sums, count);
#endif
#if defined(__SSE2__)
    for (int j = 0; j < count; j += 4) {
        __m128 sum = _mm_loadu_ps(rows + j);
#pragma GCC unroll 12
        for (int r = 1; r < 13; ++r)
            sum = _mm_add_ps(sum, _mm_loadu_ps(rows + r * pitch + j));
        _mm_storeu_ps(sums + j, sum);
    }
#else
    for (int j = 0; j < count; ++j) {
        float sum = rows[j];
        for (int r = 1; r < 13; ++r)
            sum += rows[r * pitch + j];
        sums[j] = sum;
    }
#endif
}
} // namespace

// Pink noise of one channel, or of both (left first in every frame: they share the rows and
// the random sequence). Each sample's thirteen rows are still added in row order in single
// precision, but the sums of many samples are formed side by side, four at a time, instead of
// each waiting for the previous one.
template <bool Both, bool SteadyPhase>
void Generator::PinkRun(int16_t* out, int stride, int32_t frames, int32_t n0, Channel first) {
    constexpr int Block = 512; // samples per block
    constexpr int PerFrame = Both ? 2 : 1;
    alignas(16) float rows[13][Block];
    alignas(16) float sums[Block];
    double scales[Block];
    // Work on copies, so that the compiler can keep them in registers while it stores rows.
    std::array<float, 13> current = State.PinkRows;
    uint32_t seed = State.NoiseSeed;
    const Channel second = Channel::Right;
    ChannelState a = State.Of(first);
    ChannelState b = State.Of(second);
    const ChannelSettings& as = Settings(first);
    const ChannelSettings& bs = Settings(second);
    // Rows 0 to 2 change every few samples and are stored at every sample; the slower rows
    // are written out in stretches when they change.
    constexpr int Stored = 3;
    auto draw = [&](int32_t counter, int call, int* since) {
        current[0] = static_cast<float>(NextRandom(seed));
        for (unsigned bits = pink_detail::Rows.rows[static_cast<uint32_t>(counter) & 2047];
             bits != 0; bits &= bits - 1) {
            const int r = 1 + __builtin_ctz(bits);
            if (r >= Stored) {
                FillFloats(&rows[r][since[r]], &rows[r][call], current[r]);
                since[r] = call;
            }
            current[r] = static_cast<float>(NextRandom(seed));
        }
        for (int r = 0; r < Stored; ++r)
            rows[r][call] = current[r];
    };
    for (int32_t frame = 0; frame < frames;) {
        const int32_t n = std::min<int32_t>(frames - frame, Block / PerFrame);
        // Row r holds current[r] from sample since[r] of the block on.
        int since[13] = {};
        int calls = 0;
        for (int32_t i = 0; i < n; ++i) {
            const int32_t counter = n0 + frame + i;
            if constexpr (SteadyPhase)
                AdvanceSteady(a);
            else
                Advance(first, a, as, counter);
            scales[calls] = 32767.0 * a.AmplitudeGain * a.ModGain;
            draw(counter, calls++, since);
            if constexpr (Both) {
                if constexpr (SteadyPhase)
                    AdvanceSteady(b);
                else
                    Advance(second, b, bs, counter);
                scales[calls] = 32767.0 * b.AmplitudeGain * b.ModGain;
                draw(counter, calls++, since);
            }
        }
        const int padded = (calls + 7) & ~7;
        for (int r = 0; r < Stored; ++r)
            FillFloats(&rows[r][calls], &rows[r][padded], 0.0f);
        for (int r = Stored; r < 13; ++r)
            FillFloats(&rows[r][since[r]], &rows[r][padded], current[r]);
        SumPinkRows(rows[0], Block, sums, padded);
        // Samples go out in call order: interleaved left/right for both, every `stride` else.
        int16_t* o = out + static_cast<ptrdiff_t>(frame) * stride;
        const int step = Both ? 1 : stride;
        int j = 0;
#if defined(__SSE2__)
        // Two at a time while the products stay within 32 bits, as they do for every level
        // the amplitude edit accepts; the scalar path below handles anything else.
        for (; j + 2 <= calls && std::fabs(scales[j]) < 1.0e9 && std::fabs(scales[j + 1]) < 1.0e9;
             j += 2) {
            const __m128d sum = _mm_cvtps_pd(
                _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&sums[j]))));
            const __m128d mapped =
                _mm_sub_pd(_mm_mul_pd(sum, _mm_set1_pd(2.0 / 13.0)), _mm_set1_pd(1.0));
            const __m128d pink = _mm_cvtps_pd(_mm_cvtpd_ps(mapped)); // rounded to 32 bits
            const __m128i v = _mm_cvtpd_epi32(_mm_mul_pd(pink, _mm_loadu_pd(&scales[j])));
            o[static_cast<ptrdiff_t>(j) * step] = static_cast<int16_t>(_mm_cvtsi128_si32(v));
            o[static_cast<ptrdiff_t>(j + 1) * step] =
                static_cast<int16_t>(_mm_cvtsi128_si32(_mm_srli_si128(v, 4)));
        }
#endif
        for (; j < calls; ++j)
            o[static_cast<ptrdiff_t>(j) * step] =
                Low16(RoundSample(PinkFromSum(sums[j]) * scales[j]));
        frame += n;
    }
    State.PinkRows = current;
    State.NoiseSeed = seed;
    State.Of(first) = a;
    if constexpr (Both)
        State.Of(second) = b;
}

// `frames` frames of signal without a period end inside. The channels do not share any state
// unless both draw from the random generator, so apart from that case each channel is
// rendered on its own, which keeps the per-sample loops free of dispatch.
template <bool Stereo> void Generator::SignalRun(int16_t* out, int32_t frames) {
    const int32_t n0 = State.SampleCounter;
    const int waveLeft = Settings(Channel::Left).WaveForm;
    const int waveRight = Settings(Channel::Right).WaveForm;
    auto random = [](int w) { return w == WHITE || w == PINK; };
    if (!Stereo) {
        ChannelRun(Channel::Left, waveLeft, out, 1, frames, n0);
    } else if (!(random(waveLeft) && random(waveRight))) {
        ChannelRun(Channel::Left, waveLeft, out, 2, frames, n0);
        ChannelRun(Channel::Right, waveRight, out + 1, 2, frames, n0);
    } else if (waveLeft == PINK && waveRight == PINK) {
        if (Steady(Channel::Left) && Steady(Channel::Right))
            PinkRun<true, true>(out, 2, frames, n0, Channel::Left);
        else
            PinkRun<true, false>(out, 2, frames, n0, Channel::Left);
    } else {
        // Left, then right, frame by frame: both draw from the one random sequence.
        for (int32_t i = 0; i < frames; ++i) {
            State.SampleCounter = n0 + i;
            out[2 * i] = Low16(NextSample(Channel::Left, waveLeft));
            out[2 * i + 1] = Low16(NextSample(Channel::Right, waveRight));
        }
    }
    if (Stereo) {
        const int16_t enableLeft = static_cast<int16_t>(State.Channels[0].ChannelEnable);
        const int16_t enableRight = static_cast<int16_t>(State.Channels[1].ChannelEnable);
        if (enableLeft != 1 || enableRight != 1) {
            for (int32_t i = 0; i < frames; ++i) {
                out[2 * i] = static_cast<int16_t>(out[2 * i] * enableLeft);
                out[2 * i + 1] = static_cast<int16_t>(out[2 * i + 1] * enableRight);
            }
        }
    }
    State.SampleCounter = n0 + frames;
}

// The per-frame rule: a frame of signal while looping or before the end of the period (every
// frame for the export), zeros after the end; the counter advances by one per frame; with
// looping, a counter at or past the period length restarts at 0 and turns the sweeps.
template <bool Stereo>
void Generator::RenderSpan(int16_t* out, int32_t frames, bool loop, bool always) {
    constexpr int channels = Stereo ? 2 : 1;
    int32_t done = 0;
    while (done < frames) {
        const int32_t counter = State.SampleCounter;
        const int32_t total = State.TotalSamples;
        int64_t run = frames - done;
        if (!always && !loop) {
            if (counter >= total) {
                std::fill(out + done * channels, out + frames * channels, int16_t{0});
                State.SampleCounter = counter + (frames - done);
                return;
            }
            run = std::min<int64_t>(run, int64_t{total} - counter);
        }
        if (loop)
            run = std::min<int64_t>(run, std::max<int64_t>(1, int64_t{total} - counter));
        SignalRun<Stereo>(out + done * channels, static_cast<int32_t>(run));
        done += static_cast<int32_t>(run);
        // Greater-or-equal: a period shortened while looping still ends.
        if (loop && State.SampleCounter >= total) {
            State.SampleCounter = 0;
            PeriodEndTurn(Channel::Left);
            if constexpr (Stereo)
                PeriodEndTurn(Channel::Right);
        }
    }
}

void Generator::RenderFrames(int16_t* out, int32_t frames) {
    if (Mode() == STEREO)
        RenderSpan<true>(out, frames, false, true);
    else
        RenderSpan<false>(out, frames, false, true);
}

std::string Generator::FrequencyText() const {
    auto hz = [this](Channel c) {
        const long double f = RoundEven(SampleRate * State.Of(c).Increment / TwoPiL);
        return FormatGeneral(f) + " Hz";
    };
    if (Mode() == MONO)
        return hz(Channel::Left);
    return hz(Channel::Left) + "\r" + hz(Channel::Right);
}

bool Generator::FillBuffer(uint8_t* buffer, int32_t& size) {
    if (!State.RenderAcknowledged) {
        host_->StopOutputNow();
        host_->ReportPerformanceIssue();
        State.FillBusy = false;
        return false;
    }
    State.RenderAcknowledged = false;
    host_->AcknowledgeRender(State);
    const bool loop = signal_.Loop;
    if (State.FillBusy) {
        host_->StopOutputNow();
        host_->ReportPerformanceIssue();
        State.FillBusy = false;
        return false;
    }
    State.FillBusy = true;
    if (host_->DisplayVisible())
        host_->ShowFrequencyText(FrequencyText());

    const bool stereo = Mode() == STEREO;
    const int32_t frameBytes = stereo ? 4 : 2;
    const int32_t frames = size / frameBytes;
    const int32_t startCounter = State.SampleCounter;
    // Render in chunks through a stack buffer, then store little-endian.
    int16_t chunk[4096];
    const int32_t chunkFrames = stereo ? 2048 : 4096;
    uint8_t* p = buffer;
    for (int32_t done = 0; done < frames;) {
        const int32_t n = std::min(chunkFrames, frames - done);
        if (stereo)
            RenderSpan<true>(chunk, n, loop, false);
        else
            RenderSpan<false>(chunk, n, loop, false);
        const int32_t samples = n * (stereo ? 2 : 1);
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(p, chunk, static_cast<size_t>(samples) * 2);
            p += samples * 2;
        } else {
            for (int32_t i = 0; i < samples; ++i, p += 2)
                PutLE16(p, chunk[i]);
        }
        done += n;
    }
    std::memset(p, 0, static_cast<size_t>(size - frames * frameBytes));

    bool result;
    if (signal_.Loop || loop) {
        result = true;
    } else {
        // Every frame of the signal is played: the buffer that holds the last frames goes out
        // shortened to them, and only a buffer without any signal frame ends the playback.
        const int64_t signalFrames =
            std::clamp<int64_t>(int64_t{State.TotalSamples} - startCounter, 0, frames);
        result = signalFrames > 0;
        if (signalFrames < frames)
            size = static_cast<int32_t>(signalFrames * frameBytes);
    }
    State.FillBusy = false;
    return result;
}

} // namespace quavril
