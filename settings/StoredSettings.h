#pragma once
// The settings that survive a restart: every generator control, the output device, the
// autostart option, the two auxiliary windows (visible, place, width), the main window's
// place and the slider window's limits, each under its stored name and of its kind (text,
// flag, position or integer), read once at start and written once at the end.
#include "synth/Generator.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quavril {

class SettingsStore;

// The stored settings that are not generator controls (the rows of the table of settings
// without a field): the output device, the autostart option, the windows and the slider
// window's edits. Applying a value acts as the start does: a window's visibility shows or
// hides it with its menu mark, an edit's text runs its exit handler, the device position
// selects the device.
class OutsideSettings {
public:
    virtual ~OutsideSettings() = default;
    virtual std::string Text(std::string_view name) const = 0;
    virtual int32_t Integer(std::string_view name) const = 0; // positions and integers
    virtual bool Flag(std::string_view name) const = 0;
    virtual void SetText(std::string_view name, const std::string& text) = 0;
    virtual void SetInteger(std::string_view name, int32_t value) = 0;
    virtual void SetFlag(std::string_view name, bool value) = 0;
};

class StoredSettings {
public:
    // Reads and applies every value in the start order. A missing or unreadable integer or
    // flag, a list position outside its list, or a text its field refuses (not a number the
    // field reads, beyond a 32-bit float, longer than 255 characters, not UTF-8, a list) stops
    // the reading: `reset` then runs (reset to defaults) and what was applied before and is
    // not reset stays. A missing text reads as the empty text. A value that is there but
    // damaged is told to the store, which keeps the file aside before writing over it. Then
    // both channels are derived and their modulation refreshed. Returns whether every value
    // was read.
    static bool Load(SettingsStore& store, Generator& generator, OutsideSettings& outside,
                     const std::function<void()>& reset);

    // Writes every value in table order and the file at once. False when the file could not
    // be written.
    static bool Save(SettingsStore& store, const Generator& generator,
                     const OutsideSettings& outside);
};

} // namespace quavril
