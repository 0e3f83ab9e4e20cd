#include "session/FrequencySliderModel.h"

#include "synth/Generator.h"
#include "synth/NumberText.h"

#include <cmath>

namespace quavril {

namespace {

// A limit field's number: unreadable or empty texts give nothing.
std::optional<float> ReadLimit(const std::string& text) {
    const auto v = ParsePlain(text);
    if (!v || !std::isfinite(static_cast<float>(*v)))
        return std::nullopt;
    return static_cast<float>(*v);
}

std::string WholeHertz(int position) {
    return std::to_string(
        static_cast<long long>(RoundEven(FrequencySliderModel::FrequencyAt(position))));
}

} // namespace

long double FrequencySliderModel::FrequencyAt(int position) {
    return 2.0L * std::pow(10.0L, position * 0.001L);
}

int FrequencySliderModel::PositionOf(long double hz) {
    return static_cast<int>(RoundEven(1000.0L * std::log10(hz * 0.5L)));
}

int FrequencySliderModel::MaximumFor(int32_t fs) {
    return static_cast<int>(RoundEven(std::log10(static_cast<long double>(fs / 4)) * 1000.0L));
}

std::string FrequencySliderModel::LeftFrequencyText(int position, std::string_view roundText) {
    float f = static_cast<float>(FrequencyAt(position));
    const auto step = ParsePlain(roundText);
    const float r = step ? static_cast<float>(*step) : 0.0f;
    if (r > 0.0f && std::isfinite(r)) {
        const long double n = RoundEven(static_cast<long double>(f) / r);
        f = static_cast<float>(n * r);
    }
    return FormatGeneral(f, 7);
}

std::string FrequencySliderModel::RightFrequencyText(int position) {
    return WholeHertz(position);
}

std::string FrequencySliderModel::NormalisedRound(std::string_view text) {
    const auto v = ParsePlain(text);
    return v ? FormatGeneral(*v) : std::string("1");
}

int FrequencySliderModel::Clamp(int position) const {
    return position < Minimum ? Minimum : position > Maximum ? Maximum : position;
}

void FrequencySliderModel::Open(int32_t fs) {
    Maximum = MaximumFor(fs);
    MaxFreqEdit = std::to_string(fs / 2);
    for (int& p : Position)
        p = Clamp(p);
}

FrequencySliderModel::ExitOutcome FrequencySliderModel::LeaveMin(Generator& g) {
    ExitOutcome outcome;
    const auto v = ReadLimit(MinFreqEdit);
    if (v && *v > 0) {
        const auto max = ReadLimit(MaxFreqEdit);
        if (!max) {
            outcome.InvalidNumber = MaxFreqEdit;
            return outcome;
        }
        if (*max > *v) {
            Minimum = PositionOf(*v);
            for (int& p : Position)
                p = Clamp(p);
            outcome.InvalidNumber = MoveFrequenciesInside(g, *v, true);
            outcome.Applied = true;
            return outcome;
        }
    }
    MinFreqEdit = WholeHertz(Minimum);
    return outcome;
}

FrequencySliderModel::ExitOutcome FrequencySliderModel::LeaveMax(Generator& g) {
    ExitOutcome outcome;
    const auto v = ReadLimit(MaxFreqEdit);
    if (v && *v < g.SampleRate() * 0.5L) {
        const auto min = ReadLimit(MinFreqEdit);
        if (!min) {
            outcome.InvalidNumber = MinFreqEdit;
            return outcome;
        }
        if (*min < *v) {
            Maximum = PositionOf(*v);
            for (int& p : Position)
                p = Clamp(p);
            outcome.InvalidNumber = MoveFrequenciesInside(g, *v, false);
            outcome.Applied = true;
            return outcome;
        }
    }
    MaxFreqEdit = WholeHertz(Maximum);
    return outcome;
}

std::optional<std::string> FrequencySliderModel::MoveFrequenciesInside(Generator& g, float limit,
                                                                       bool lower) {
    for (Channel c : {Channel::Left, Channel::Right}) {
        const std::string& text = g.Text(fInitOf(c));
        const auto f = ParsePlain(text);
        if (!f)
            return text;
        if (lower ? *f < limit : *f > limit)
            g.SetText(fInitOf(c), FormatGeneral(limit));
    }
    return std::nullopt;
}

} // namespace quavril
