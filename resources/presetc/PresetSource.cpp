#include "resources/presetc/PresetSource.h"

#include "files/AnsiText.h"
#include "synth/Enumerations.h"
#include "synth/NumberText.h"

#include <array>
#include <charconv>
#include <functional>
#include <map>
#include <optional>
#include <set>

namespace quavril {

namespace {

enum class Kind { Name, Number, Flag, Waveform, ModFunction };

struct Key {
    std::string_view Name;
    Kind Type;
    std::function<void(PresetSlot&, const std::string&, int32_t, bool)> Set;
};

// Every setting of a slot, in the order of the record.
const std::vector<Key>& Keys() {
    using S = PresetSlot;
    auto text = [](std::string S::*f) {
        return [f](S& s, const std::string& v, int32_t, bool) { s.*f = v; };
    };
    auto index = [](int32_t S::*f) {
        return [f](S& s, const std::string&, int32_t v, bool) { s.*f = v; };
    };
    auto flag = [](bool S::*f) {
        return [f](S& s, const std::string&, int32_t, bool v) { s.*f = v; };
    };
    static const std::vector<Key> keys = {
        {"Name", Kind::Name, text(&S::Name)},
        {"fInitLeft", Kind::Number, text(&S::fInitLeft)},
        {"fFinalLeft", Kind::Number, text(&S::fFinalLeft)},
        {"fInitRight", Kind::Number, text(&S::fInitRight)},
        {"fFinalRight", Kind::Number, text(&S::fFinalRight)},
        {"Duration", Kind::Number, text(&S::Duration)},
        {"AmplitudeLeft", Kind::Number, text(&S::AmplitudeLeft)},
        {"AmplitudeRight", Kind::Number, text(&S::AmplitudeRight)},
        {"WaveFormLeft", Kind::Waveform, index(&S::WaveFormLeft)},
        {"WaveFormRight", Kind::Waveform, index(&S::WaveFormRight)},
        {"Loop", Kind::Flag, flag(&S::Loop)},
        {"Mono", Kind::Flag, flag(&S::Mono)},
        {"Lefttick", Kind::Flag, flag(&S::Lefttick)},
        {"RightTick", Kind::Flag, flag(&S::RightTick)},
        {"PhaseEdit", Kind::Number, text(&S::PhaseEdit)},
        {"LogarithmicLeft", Kind::Flag, flag(&S::LogarithmicLeft)},
        {"BidirectionalLeft", Kind::Flag, flag(&S::BidirectionalLeft)},
        {"LogarithmicRight", Kind::Flag, flag(&S::LogarithmicRight)},
        {"BidirectionalRight", Kind::Flag, flag(&S::BidirectionalRight)},
        {"chkConstantLeft", Kind::Flag, flag(&S::chkConstantLeft)},
        {"chkConstantRight", Kind::Flag, flag(&S::chkConstantRight)},
        {"ModulationOnLeft", Kind::Flag, flag(&S::ModulationOnLeft)},
        {"ModulationOnRight", Kind::Flag, flag(&S::ModulationOnRight)},
        {"ModPeriodLeftEdit", Kind::Number, text(&S::ModPeriodLeftEdit)},
        {"ModPeriodRightEdit", Kind::Number, text(&S::ModPeriodRightEdit)},
        {"ModDepthLeftEdit", Kind::Number, text(&S::ModDepthLeftEdit)},
        {"ModDepthRightEdit", Kind::Number, text(&S::ModDepthRightEdit)},
        {"ModFunctionLeft", Kind::ModFunction, index(&S::ModFunctionLeft)},
        {"ModFunctionRight", Kind::ModFunction, index(&S::ModFunctionRight)},
        {"ModPhaseLeftEdit", Kind::Number, text(&S::ModPhaseLeftEdit)},
        {"ModPhaseRightEdit", Kind::Number, text(&S::ModPhaseRightEdit)},
    };
    return keys;
}

constexpr std::array<std::string_view, WaveformCount> WaveformNames = {
    "SINE", "SQUARE", "TRIANGULAR", "SAWTOOTH", "WHITE", "PINK", "SILENCE", "PULSEPOS", "PULSENEG"};
constexpr std::array<std::string_view, ModFunctionCount> ModFunctionNames = {
    "MODSINE", "MODCOS", "MODSQUARE", "MODTRIANGLE"};

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

template <std::size_t N>
std::optional<int32_t> ListIndex(std::string_view v, const std::array<std::string_view, N>& names) {
    for (std::size_t i = 0; i < N; ++i)
        if (v == names[i])
            return static_cast<int32_t>(i);
    int32_t n = 0;
    const auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (v.empty() || ec != std::errc() || ptr != v.data() + v.size() || n < 0 ||
        n >= static_cast<int32_t>(N))
        return std::nullopt;
    return n;
}

class Parser {
public:
    bool Run(std::string_view text, PresetBank& bank, std::string& error) {
        std::size_t at = 0;
        while (at <= text.size() && error_.empty()) {
            const std::size_t end = std::min(text.find('\n', at), text.size());
            ++line_;
            Line(Trim(text.substr(at, end - at)));
            at = end + 1;
        }
        if (error_.empty())
            FinishSlot();
        if (error_.empty())
            for (int n = PresetBank::FirstSlot; n <= PresetBank::LastSlot; ++n)
                if (!done_.count(n))
                    error_ = "slot " + std::to_string(n) + " is missing";
        if (!error_.empty()) {
            error = error_;
            return false;
        }
        bank = bank_;
        return true;
    }

private:
    void Fail(const std::string& what) { error_ = "line " + std::to_string(line_) + ": " + what; }

    void Line(std::string_view l) {
        if (l.empty() || l.front() == '#')
            return;
        if (l.front() == '[')
            return Header(l);
        const auto eq = l.find('=');
        if (eq == std::string_view::npos)
            return Fail("expected \"Control = value\"");
        if (slot_ == 0)
            return Fail("a setting before the first [slot N]");
        Setting(Trim(l.substr(0, eq)), Trim(l.substr(eq + 1)));
    }

    void Header(std::string_view l) {
        constexpr std::string_view Open = "[slot ";
        if (l.size() != Open.size() + 2 || l.substr(0, Open.size()) != Open || l.back() != ']' ||
            l[Open.size()] < '1' || l[Open.size()] > '4')
            return Fail("expected [slot 1] .. [slot 4]");
        FinishSlot();
        if (!error_.empty())
            return;
        slot_ = l[Open.size()] - '0';
        if (done_.count(slot_))
            return Fail("slot " + std::to_string(slot_) + " appears twice");
        seen_.clear();
        slotLine_ = line_;
    }

    // Checks that the slot just read named every setting.
    void FinishSlot() {
        if (slot_ == 0)
            return;
        std::string missing;
        for (const Key& k : Keys())
            if (!seen_.count(std::string(k.Name)))
                missing += (missing.empty() ? "" : ", ") + std::string(k.Name);
        if (!missing.empty()) {
            error_ = "line " + std::to_string(slotLine_) + ": slot " + std::to_string(slot_) +
                     " lacks " + missing;
            return;
        }
        done_.insert(slot_);
    }

    void Setting(std::string_view name, std::string_view value) {
        const Key* key = nullptr;
        for (const Key& k : Keys())
            if (k.Name == name)
                key = &k;
        if (!key)
            return Fail("unknown setting \"" + std::string(name) + "\"");
        if (!seen_.insert(std::string(name)).second)
            return Fail(std::string(name) + " is given twice in this slot");
        const std::string v(value);
        if (AnsiToUtf8(Utf8ToAnsi(v)) != v)
            return Fail("\"" + v + "\" has characters a preset file cannot store");
        if (Utf8ToAnsi(v).size() > PresetSlot::TextLimit)
            return Fail("longer than 255 characters");
        int32_t index = 0;
        bool flag = false;
        switch (key->Type) {
        case Kind::Name:
            break;
        case Kind::Number:
            if (!ParsePlain(v))
                return Fail(std::string(name) + " needs a number, not \"" + v + "\"");
            break;
        case Kind::Flag:
            if (v != "true" && v != "false")
                return Fail(std::string(name) + " is true or false, not \"" + v + "\"");
            flag = v == "true";
            break;
        case Kind::Waveform:
        case Kind::ModFunction: {
            const auto i = key->Type == Kind::Waveform ? ListIndex(v, WaveformNames)
                                                       : ListIndex(v, ModFunctionNames);
            if (!i)
                return Fail(std::string(name) + " has no list entry \"" + v + "\"");
            index = *i;
            break;
        }
        }
        key->Set(bank_.Slot(slot_), v, index, flag);
    }

    PresetBank bank_;
    int line_ = 0;
    int slot_ = 0;     // the slot being read, 0 before the first header
    int slotLine_ = 0; // line of its header
    std::set<std::string> seen_;
    std::set<int> done_;
    std::string error_;
};

} // namespace

bool PresetSource::Parse(std::string_view text, PresetBank& bank, std::string& error) {
    return Parser().Run(text, bank, error);
}

} // namespace quavril
