// The SCPI fuzz entry: every line of the input runs through one instrument over a generator
// without any toolkit (memory slots and the reset as the program has them).
#include "fuzz/FuzzEntries.h"

#include "files/PresetBank.h"
#include "session/ScpiInstrument.h"
#include "settings/MemoryPresets.h"
#include "settings/OutputSettings.h"
#include "settings/ResetToDefaults.h"
#include "synth/NumberText.h"

#include <algorithm>
#include <string_view>

namespace quavril::fuzz {

namespace {

class PlainHost : public ScpiHost, private ResetToDefaults::WindowControls {
public:
    PlainHost() {
        ResetToDefaults::Run(generator_, *this);
        FillBankAtStart(generator_, bank_);
    }
    Generator& Controls() override { return generator_; }
    std::string On() override {
        playing_ = true;
        return {};
    }
    void Off() override { playing_ = false; }
    void Pause() override { paused_ = !paused_; }
    bool Playing() const override { return playing_; }
    bool Paused() const override { return paused_; }
    void Reset() override {
        playing_ = paused_ = false;
        ResetToDefaults::Run(generator_, *this);
    }
    // As the session does it: off, the new rate, the frequency fields lowered to its half.
    void SelectRate(int position) override {
        playing_ = false;
        const int32_t fs = OutputSettings::FsValues.at(static_cast<size_t>(position));
        generator_.SetSampleRate(fs);
        for (TextField f : {TextField::fInitLeft, TextField::fFinalLeft, TextField::fInitRight,
                            TextField::fFinalRight})
            if (auto lowered = LoweredFrequency(generator_.Text(f), fs))
                generator_.SetText(f, *lowered);
    }
    const SignalQuality& Quality() const override { return quality_; }
    void SetQuality(const SignalQuality& quality) override { quality_ = quality; }
    bool RecallSlot(int n) override { return quavril::RecallSlot(generator_, bank_, n); }
    bool StoreSlot(int n) override { return quavril::StoreSlot(generator_, bank_, n); }

private:
    void SelectDefaultDevice() override {}
    void SetSliderLimitTexts(const std::string&, const std::string&) override {}
    int32_t OutputFrameRate() const override { return 22050; }

    Generator generator_;
    PresetBank bank_;
    SignalQuality quality_;
    bool playing_ = false, paused_ = false;
};

bool Within(const std::string& text, long double low, long double high) {
    const auto v = ParsePlain(text);
    return v && *v >= low && *v <= high;
}

} // namespace

std::string ScpiLines(std::span<const uint8_t> bytes) {
    PlainHost host;
    ScpiInstrument scpi(host, "Orvande,Quavril,fuzz:5025,3.92");
    const std::string_view input(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    size_t start = 0;
    while (start <= input.size()) {
        const size_t end = std::min(input.find('\n', start), input.size());
        const std::string answer = scpi.Execute(input.substr(start, end - start));
        if (std::any_of(answer.begin(), answer.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
            return "an answer holds a control character";
        if (scpi.ErrorCount() > ScpiInstrument::QueueSize)
            return "the error queue grew past its size";
        start = end + 1;
    }
    // Refused values leave the settings as they were, so every setting stays in its range.
    const Generator& g = host.Controls();
    for (Channel c : {Channel::Left, Channel::Right}) {
        const long double half = g.SampleRate() * 0.5L;
        if (!Within(g.Text(fInitOf(c)), 0.1L, half) || !Within(g.Text(fFinalOf(c)), 0.1L, half))
            return "a frequency left its range";
        if (!Within(g.Text(AmplitudeOf(c)), -100, 0) || !Within(g.Text(ModDepthOf(c)), 0, 100))
            return "a level or depth left its range";
    }
    for (size_t i = 0; i < ScpiInstrument::QueueSize + 1; ++i) {
        const std::string e = scpi.NextError();
        if (e.size() < 4 || e.find(",\"") == std::string::npos || e.back() != '"')
            return "an error entry is not CODE,\"TEXT\"";
    }
    return scpi.ErrorCount() == 0 ? "" : "the error queue did not empty";
}

} // namespace quavril::fuzz
