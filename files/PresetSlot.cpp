#include "files/PresetSlot.h"

#include "files/AnsiText.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace quavril {

namespace {

constexpr std::size_t ShortTextSize = 256;

class SlotWriter {
public:
    explicit SlotWriter(std::span<uint8_t, PresetSlot::Size> out) : out_(out) {
        std::fill(out_.begin(), out_.end(), uint8_t{0});
    }
    void Text(const std::string& utf8) {
        const std::string ansi = Utf8ToAnsi(utf8);
        const std::size_t n = std::min(ansi.size(), PresetSlot::TextLimit);
        out_[at_] = static_cast<uint8_t>(n);
        std::memcpy(out_.data() + at_ + 1, ansi.data(), n);
        at_ += ShortTextSize;
    }
    void Index(int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        for (int k = 0; k < 4; ++k)
            out_[at_ + k] = static_cast<uint8_t>(u >> (8 * k));
        at_ += 4;
    }
    void Flag(bool v) { out_[at_++] = v ? 1 : 0; }

private:
    std::span<uint8_t, PresetSlot::Size> out_;
    std::size_t at_ = 0;
};

class SlotReader {
public:
    explicit SlotReader(std::span<const uint8_t, PresetSlot::Size> in) : in_(in) {}
    std::string Text() {
        const std::size_t n = in_[at_];
        const char* chars = reinterpret_cast<const char*>(in_.data() + at_ + 1);
        at_ += ShortTextSize;
        return AnsiToUtf8(std::string_view(chars, n));
    }
    int32_t Index() {
        uint32_t u = 0;
        for (int k = 0; k < 4; ++k)
            u |= static_cast<uint32_t>(in_[at_ + k]) << (8 * k);
        at_ += 4;
        return static_cast<int32_t>(u);
    }
    bool Flag() { return in_[at_++] != 0; }

private:
    std::span<const uint8_t, PresetSlot::Size> in_;
    std::size_t at_ = 0;
};

// The one description of the record's field order, used for both directions. `io` is a
// SlotWriter with a const slot or a SlotReader with a mutable one.
template <typename Slot, typename IO> void Fields(Slot& s, IO& io) {
    auto text = [&io](auto& field) {
        if constexpr (std::is_same_v<IO, SlotWriter>)
            io.Text(field);
        else
            field = io.Text();
    };
    auto index = [&io](auto& field) {
        if constexpr (std::is_same_v<IO, SlotWriter>)
            io.Index(field);
        else
            field = io.Index();
    };
    auto flag = [&io](auto& field) {
        if constexpr (std::is_same_v<IO, SlotWriter>)
            io.Flag(field);
        else
            field = io.Flag();
    };
    text(s.Name);               // 0
    text(s.fInitLeft);          // 256
    text(s.fFinalLeft);         // 512
    text(s.fInitRight);         // 768
    text(s.fFinalRight);        // 1024
    text(s.Duration);           // 1280
    text(s.AmplitudeLeft);      // 1536
    text(s.AmplitudeRight);     // 1792
    index(s.WaveFormLeft);      // 2048
    index(s.WaveFormRight);     // 2052
    flag(s.Loop);               // 2056
    flag(s.Mono);               // 2057
    flag(s.Lefttick);           // 2058
    flag(s.RightTick);          // 2059
    text(s.PhaseEdit);          // 2060
    flag(s.LogarithmicLeft);    // 2316
    flag(s.BidirectionalLeft);  // 2317
    flag(s.LogarithmicRight);   // 2318
    flag(s.BidirectionalRight); // 2319
    flag(s.chkConstantLeft);    // 2320
    flag(s.chkConstantRight);   // 2321
    flag(s.ModulationOnLeft);   // 2322
    flag(s.ModulationOnRight);  // 2323
    text(s.ModPeriodLeftEdit);  // 2324
    text(s.ModPeriodRightEdit); // 2580
    text(s.ModDepthLeftEdit);   // 2836
    text(s.ModDepthRightEdit);  // 3092
    index(s.ModFunctionLeft);   // 3348
    index(s.ModFunctionRight);  // 3352
    text(s.ModPhaseLeftEdit);   // 3356
    text(s.ModPhaseRightEdit);  // 3612
}

} // namespace

void PresetSlot::SetName(std::string_view name) {
    Name = CutText(name, TextLimit);
}

void PresetSlot::Encode(std::span<uint8_t, Size> out) const {
    SlotWriter writer(out);
    Fields(*this, writer);
}

PresetSlot PresetSlot::Decode(std::span<const uint8_t, Size> in) {
    PresetSlot slot;
    SlotReader reader(in);
    Fields(slot, reader);
    return slot;
}

} // namespace quavril
