#pragma once
// The four memory slots: storing the generator's settings into a slot, recalling a slot into
// the generator as a user would set the controls, and the bank the program starts with.
#include "files/PresetBank.h"
#include "files/PresetSlot.h"
#include "synth/Generator.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quavril {

// Copies the current settings into `slot`: every text (cut to 255 characters), list position
// and check state, and Mono = the channel list at item 0. The slot's name is kept.
void StoreSlot(const Generator& generator, PresetSlot& slot);

// Applies `slot` to the generator in the order the memory buttons use, so that every change
// and click handler runs as for a user's change: a playing output is stopped first; the
// channel mode comes before the enable boxes and the phase (mono sets both boxes and resets the
// phase); the amplitudes are validated; the frequencies come last, lowered to half the sample
// rate where they are above it, and derive both sweeps.
// Switching on afterwards (the autostart option) is the caller's.
void RecallSlot(Generator& generator, const PresetSlot& slot);

// A frequency text that reads above half the sample rate `fs`, lowered to half of it as a
// change of the sample rate lowers the fields; nothing for any other text (unreadable ones are
// left to the handlers).
std::optional<std::string> LoweredFrequency(const std::string& text, int32_t fs);

// Writes a frequency edit (fInit/fFinal of either channel) from a stored or sent value: a
// recalled slot or a control message. A value above half the current sample rate is lowered
// to it, silently, so that the signal can be derived and played; the slot keeps its text.
void ApplyFrequency(Generator& generator, TextField field, const std::string& text);

// Slot n of `bank`; a number outside 1..4 (possible only in a message from another program)
// is ignored and gives false.
bool StoreSlot(const Generator& generator, PresetBank& bank, int n);
bool RecallSlot(Generator& generator, const PresetBank& bank, int n);

// "Memory 1" .. "Memory 4": a slot's name, and its button's caption, until a preset file is
// loaded or the slot is renamed.
std::string DefaultSlotName(int n);

// The bank at program start: every slot holds the current settings under its default name.
void FillBankAtStart(const Generator& generator, PresetBank& bank);

} // namespace quavril
