#pragma once
// One memory preset: the complete settings of the generator window under the names of its
// controls, as the memory buttons hold them and the preset files store them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quavril {

struct PresetSlot {
    // Bytes of one slot in a preset file: short texts of 256 bytes (length byte and up to 255
    // Windows-1252 characters), list indexes as signed 32-bit little-endian, flags of 1 byte.
    static constexpr std::size_t Size = 3868;
    // Characters a short text holds; longer texts are cut.
    static constexpr std::size_t TextLimit = 255;

    // Texts are UTF-8 here and at most TextLimit characters when stored by the program.
    std::string Name;           // caption of the memory button
    std::string fInitLeft;      // Hz, initial or constant frequency
    std::string fFinalLeft;     // Hz, final frequency of a sweep
    std::string fInitRight;     // Hz
    std::string fFinalRight;    // Hz
    std::string Duration;       // seconds
    std::string AmplitudeLeft;  // dBFS, -100..0
    std::string AmplitudeRight; // dBFS
    int32_t WaveFormLeft = 0;   // Waveform list index, 0..8
    int32_t WaveFormRight = 0;
    bool Loop = false;
    bool Mono = false; // channel list at item 0 (mono); false: stereo
    bool Lefttick = false;
    bool RightTick = false;
    std::string PhaseEdit; // degrees, right channel against the left
    bool LogarithmicLeft = false;
    bool BidirectionalLeft = false;
    bool LogarithmicRight = false;
    bool BidirectionalRight = false;
    bool chkConstantLeft = false; // constant frequency; false: sweep
    bool chkConstantRight = false;
    bool ModulationOnLeft = false;
    bool ModulationOnRight = false;
    std::string ModPeriodLeftEdit;  // seconds
    std::string ModPeriodRightEdit; // seconds
    std::string ModDepthLeftEdit;   // percent, 0..100
    std::string ModDepthRightEdit;  // percent
    int32_t ModFunctionLeft = 0;    // ModFunction list index, 0..3
    int32_t ModFunctionRight = 0;
    std::string ModPhaseLeftEdit;  // degrees
    std::string ModPhaseRightEdit; // degrees

    // Gives the slot a name (a rename or a new slot): cut to TextLimit characters, never in
    // the middle of a character.
    void SetName(std::string_view name);

    // Writes the slot's bytes. Texts are converted to Windows-1252 ('?' for characters it
    // lacks) and cut to 255 characters; the bytes after a text are zeros.
    void Encode(std::span<uint8_t, Size> out) const;
    // Reads a slot. Texts are converted to UTF-8; a flag byte other than 0 is true.
    static PresetSlot Decode(std::span<const uint8_t, Size> in);

    bool operator==(const PresetSlot&) const = default;
};

} // namespace quavril
