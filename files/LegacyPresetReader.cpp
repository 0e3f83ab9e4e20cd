#include "files/LegacyPresetReader.h"

#include "files/AnsiText.h"

#include <charconv>

namespace quavril {

namespace {
// The mode line that makes both channels constant; only its first 20 characters count.
constexpr std::string_view ConstantMode = "Constant";
constexpr std::size_t ModeCharacters = 20;
} // namespace

bool LegacyPresetReader::Fail(const std::string& what) {
    error_ = what;
    return false;
}

std::optional<std::string> LegacyPresetReader::Line(std::size_t limit) {
    std::string line;
    bool any = false;
    bool ended = false; // a CR was seen: the value is complete, skip to the LF
    while (at_ < text_.size()) {
        const char c = text_[at_++];
        any = true;
        if (c == '\n')
            break;
        if (c == '\r')
            ended = true;
        if (!ended && line.size() < limit)
            line += static_cast<char>(c);
    }
    if (!any)
        return std::nullopt;
    ++lineNumber_;
    return AnsiToUtf8(line);
}

bool LegacyPresetReader::Text(std::string& out) {
    auto line = Line(PresetSlot::TextLimit);
    if (!line)
        return Fail("the file ends before line " + std::to_string(lineNumber_ + 1));
    out = std::move(*line);
    return true;
}

// A decimal integer after optional blanks; whatever follows a blank is skipped.
bool LegacyPresetReader::Number(int32_t& out) {
    std::string line;
    if (!Text(line))
        return false;
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos)
        i = line.size();
    std::size_t end = line.find_first_of(" \t", i);
    if (end == std::string::npos)
        end = line.size();
    const char* first = line.data() + i;
    const char* last = line.data() + end;
    if (last - first > 1 && *first == '+' && first[1] != '-')
        ++first;
    int32_t v = 0;
    const auto [ptr, ec] = std::from_chars(first, last, v);
    if (first == last || ec != std::errc() || ptr != last)
        return Fail("invalid number in line " + std::to_string(lineNumber_));
    out = v;
    return true;
}

bool LegacyPresetReader::Flag(bool& out) {
    int32_t v;
    if (!Number(v))
        return false;
    out = v != 0;
    return true;
}

bool LegacyPresetReader::ReadSlot(PresetSlot& s) {
    std::string ignored, constant, mode;
    int32_t wave;
    bool logarithmic, bidirectional, modulation;
    const bool ok =                                                // line
        Text(ignored) && Text(s.Name) &&                           // 1, 2
        Text(s.fInitLeft) && Text(s.fFinalLeft) &&                 // 3, 4
        Text(constant) && Text(s.Duration) &&                      // 5, 6
        Text(s.AmplitudeLeft) && Number(wave) &&                   // 7, 8
        Flag(s.Loop) && Flag(s.Mono) &&                            // 9, 10
        Flag(s.Lefttick) && Flag(s.RightTick) &&                   // 11, 12
        Text(s.PhaseEdit) && Flag(logarithmic) &&                  // 13, 14
        Flag(bidirectional) && Text(mode) &&                       // 15, 16
        Flag(modulation) &&                                        // 17
        Text(s.ModPeriodLeftEdit) && Text(s.ModPeriodRightEdit) && // 18, 19
        Text(s.ModDepthLeftEdit) && Text(s.ModDepthRightEdit) &&   // 20, 21
        Number(s.ModFunctionLeft) && Number(s.ModFunctionRight) && // 22, 23
        Text(s.ModPhaseLeftEdit) && Text(s.ModPhaseRightEdit);     // 24, 25
    if (!ok)
        return false;
    // Mode and line 5 are compared in the file's own characters; "Constant" is plain ASCII.
    s.chkConstantLeft = s.chkConstantRight = mode.substr(0, ModeCharacters) == ConstantMode;
    if (s.chkConstantLeft)
        s.fInitLeft = constant;
    s.fInitRight = s.fInitLeft;
    s.fFinalRight = s.fFinalLeft;
    s.AmplitudeRight = s.AmplitudeLeft;
    s.WaveFormLeft = s.WaveFormRight = wave;
    s.LogarithmicLeft = s.LogarithmicRight = logarithmic;
    s.BidirectionalLeft = s.BidirectionalRight = bidirectional;
    s.ModulationOnLeft = s.ModulationOnRight = modulation;
    return true;
}

bool LegacyPresetReader::ReadBank(PresetBank& bank) {
    PresetBank read;
    for (int n = PresetBank::FirstSlot; n <= PresetBank::LastSlot; ++n)
        if (!ReadSlot(read.Slot(n)))
            return false;
    bank = std::move(read);
    return true;
}

} // namespace quavril
