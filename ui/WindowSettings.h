#pragma once
// The stored settings outside the generator's controls, as the program's windows hold them:
// the output device and the autostart option (through the session), the main window's
// place, and the frequency slider and display windows (visibility, place, width, and the
// slider window's limits and rounding).
#include "settings/StoredSettings.h"

#include <map>
#include <string>

class QWidget;

namespace quavril {

class GeneratorSession;
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

private:
    GeneratorSession& session_;
    TfrmGenerator& window_;
    // The places as stored, starting at their designed values: what is kept where a window's
    // place cannot be read.
    std::map<std::string, int32_t, std::less<>> integers_;
};

} // namespace quavril
