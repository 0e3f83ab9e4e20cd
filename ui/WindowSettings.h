#pragma once
// The stored settings outside the generator's controls, as the program's windows hold them:
// the output device and the autostart option (through the session), the main window's
// place, the frequency slider and display windows (visibility, place, width, and the slider
// window's limits and rounding), and the signal monitor (visibility, place, size and its
// choices).
#include "settings/StoredSettings.h"

#include <map>
#include <string>

class QWidget;

namespace quavril {

class GeneratorSession;
class SettingsStore;
class TfrmGenerator;

class WindowSettings : public OutsideSettings {
public:
    WindowSettings(GeneratorSession& session, TfrmGenerator& window);

    std::string Text(std::string_view name) const override;
    int32_t Integer(std::string_view name) const override;
    bool Flag(std::string_view name) const override;
    void SetText(std::string_view name, const std::string& text) override;
    void SetInteger(std::string_view name, int32_t value) override;
    void SetFlag(std::string_view name, bool value) override;

    // Where a window's position can be neither set nor read (Wayland), the stored one is kept.
    static bool PositionsKnown();

    // The signal monitor's values, which the table of settings does not hold: its place and
    // size, FFT size and averaging, then its visibility. Read after the stored settings at
    // start, each missing or damaged value keeping the window's own; written before them at
    // the end, so that the same write of the file keeps them.
    void LoadMonitor(const SettingsStore& store);
    void SaveMonitor(SettingsStore& store) const;

private:
    GeneratorSession& session_;
    TfrmGenerator& window_;
    // The places as stored, starting at their designed values: what is kept where a window's
    // place cannot be read.
    std::map<std::string, int32_t, std::less<>> integers_;
};

} // namespace quavril
