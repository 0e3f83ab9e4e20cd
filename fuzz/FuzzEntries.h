#pragma once
// What each fuzz target does with one input. The libFuzzer targets (built with
// -DQUAVRIL_FUZZ=ON) and the regression test over the saved crashing inputs (every build) call
// the same functions. Each returns an empty text when the input was handled soundly, else a
// description of the broken rule; memory errors are the sanitizers' part.
#include <cstdint>
#include <span>
#include <string>

namespace quavril::fuzz {

// The bytes as a preset file of whatever format they announce (usually binary V3.6): a
// failed load leaves the bank unchanged; a loaded bank saves and loads back to itself.
std::string PresetFile(std::span<const uint8_t> bytes);

// The bytes as the body of a text preset file (V3.2, after its magic line): as above, and
// the right channel receives the left channel's shared settings.
std::string LegacyPresetFile(std::span<const uint8_t> bytes);

// The wave header writer's inputs: a frame count, channel count and rate straight into the
// header; then a rate the output settings offer, the channel mode and a duration text through
// the export, whose file must match the header it wrote.
std::string WaveHeader(std::span<const uint8_t> bytes);

// The bytes as the settings file: the start loads it (the reset where it must), the end saves
// it, and the next start loads the same controls from it; every text read is UTF-8, and a
// file found damaged is kept aside byte for byte.
std::string SettingsFile(std::span<const uint8_t> bytes);

// The bytes after the first two as a script file, run against a fake generator, window and
// clock; the first two choose the tick of the stop button (and whether the window is closed
// before), the Loop box, the autostart option, the signal length and a failing start. The run
// ends within a bounded number of ticks after the stop button, every message and label is
// valid UTF-8, and the Loop box, the main window and the script window are as before.
std::string Script(std::span<const uint8_t> bytes);

// The bytes as lines sent to the SCPI instrument (over a generator without a toolkit): no
// answer holds a control character (it would break the line framing), the error queue keeps
// its size and its form, and every refused value leaves its setting in range.
std::string ScpiLines(std::span<const uint8_t> bytes);

} // namespace quavril::fuzz
