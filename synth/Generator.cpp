#include "synth/Generator.h"

#include "synth/NumberText.h"
#include "synth/Oscillator.h"

#include <cmath>
#include <limits>

namespace quavril {

namespace {
constexpr long double PiL = std::numbers::pi_v<long double>;
constexpr long double Infinity = std::numeric_limits<long double>::infinity();
} // namespace

Generator::Generator(GeneratorHost* host)
    : host_(host ? host : &defaultHost_), engine_(channels_, signal_) {}

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
    ChannelState& s = MutableState().Of(c);
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
            MutableState().PhaseOffset = static_cast<float>(*v * PiL / 180.0L);
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
    MutableState().Of(c).ModGain = 1.0f;
}

void Generator::TickClick() {
    const bool left = Settings(Channel::Left).Tick;
    const bool right = Settings(Channel::Right).Tick;
    MutableState().Of(Channel::Left).ChannelEnable = left ? 1 : 0;
    MutableState().Of(Channel::Right).ChannelEnable = right ? 1 : 0;
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
    if (f < SampleRate() * 0.5L)
        SetText(field, FormatGeneral(f));
}

void Generator::HertzStep(Channel c, bool up) {
    const TextField field = fInitOf(c);
    const auto v = ParsePlain(Text(field));
    if (!v)
        return;
    if (up && *v < SampleRate() * 0.5L)
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
            MutableState().Of(c).ModPeriodSeconds = static_cast<float>(*v);
            SetText(f, FormatGeneral(RoundEven(*v * 1000.0L) * 0.001L + 0.0L));
        } else {
            MutableState().Of(c).ModPeriodSeconds = 1.0f;
            SetText(f, "1");
        }
        break;
    case TextField::PhaseEdit:
        if (auto v = ParsePlain(text)) {
            float& offset = MutableState().PhaseOffset;
            offset = static_cast<float>(*v * PiL / 180.0L);
            const long double hundredths = RoundEven(18000.0L * offset / PiL);
            SetText(f, FormatGeneral(hundredths * 0.01L + 0.0L));
        } else {
            SetText(f, "0");
            MutableState().PhaseOffset = 0.0f;
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
    const long double half = SampleRate() * 0.5L;
    if (*v > half)
        host_->ShowNyquistMessage(f);
    SetText(f, ValidateEdit(Text(f), 0.1L, SampleRate() * 0.5L, 5, 1000));
}

// --- Sweep ---------------------------------------------------------------------------------

std::optional<int64_t> Generator::FramesOfDuration() const {
    const auto d = ParsePlain(signal_.Duration);
    if (!d)
        return std::nullopt;
    const long double frames = RoundEven(*d * SampleRate());
    // 2^63 is exact as a long double; the largest count below it converts exactly too.
    constexpr long double Limit = 9223372036854775808.0L;
    if (!(frames > -Limit && frames < Limit))
        return std::nullopt;
    return static_cast<int64_t>(frames);
}

DeriveResult Generator::DeriveSweep(Channel c) {
    const ChannelSettings& cs = Settings(c);
    const auto fInit = ParsePlain(cs.fInit);
    const auto fFinal = ParsePlain(cs.fFinal);
    if (!fInit || !fFinal) {
        host_->StopOutputNow();
        return DeriveResult::Failed;
    }
    const long double half = SampleRate() * 0.5L;
    if (!(*fInit > 0 && *fInit <= half && *fFinal > 0 && *fFinal <= half)) {
        if (host_->OutputPlaying())
            host_->StopOutputNow();
        return DeriveResult::Invalid;
    }
    host_->FrequencySliderMoved(c,
                                static_cast<int>(RoundEven(1000.0L * std::log10(*fInit * 0.5L))));
    // A period shorter than one frame is never started: it would end on every frame, which
    // turns the pulses into a constant level and holds sweeps at their start.
    const auto total = FramesOfDuration();
    if (!total || *total < 1 || !engine_.ApplySweep(c, *fInit, *fFinal, *total)) {
        host_->StopOutputNow();
        return DeriveResult::Failed;
    }
    return DeriveResult::Derived;
}

void Generator::RestartSweep(Channel c) {
    engine_.RestartSweep(c);
}

void Generator::PeriodEndTurn(Channel c) {
    engine_.PeriodEndTurn(c);
}

void Generator::SetSampleRate(int32_t hz) {
    engine_.SetSampleRate(hz);
    DeriveSweep(Channel::Left);
    DeriveSweep(Channel::Right);
}

// --- Signal --------------------------------------------------------------------------------

bool Generator::ResetGenerator(bool forExport) {
    DeriveSweep(Channel::Left);
    DeriveSweep(Channel::Right);
    engine_.RewindSignal();
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
    engine_.StartRightSawAndGains(rightSaw);
    ExitEdit(TextField::AmplitudeLeft);
    ExitEdit(TextField::AmplitudeRight);
    return true;
}

int64_t Generator::NextSample(Channel c, int waveform) {
    return engine_.NextSample(c, waveform);
}

bool Generator::FillBuffer(uint8_t* buffer, int32_t& size) {
    return engine_.FillBuffer(*host_, buffer, size);
}

void Generator::RenderFrames(int16_t* out, int32_t frames) {
    engine_.RenderFrames(out, frames);
}

void Generator::RenderBytes(uint8_t* out, int32_t frames) {
    engine_.RenderBytes(out, frames);
}

std::string Generator::FrequencyText() const {
    return engine_.FrequencyText();
}

} // namespace quavril
