#include "ui/WindowSettings.h"

#include "session/GeneratorSession.h"
#include "ui/TfrmGenerator.h"

#include <QGuiApplication>

namespace quavril {

WindowSettings::WindowSettings(GeneratorSession& session, TfrmGenerator& window)
    : session_(session),
      window_(window), integers_{{"FormX", 295},    {"FormY", 162},    {"DisplayX", 422},
                                 {"DisplayY", 147}, {"DisplayW", 224}, {"SliderX", 230},
                                 {"SliderY", 577},  {"SliderW", 1022}},
      flags_{{"frmFreqSlider", false}, {"frmFrequencyDisplay", false}} {}

bool WindowSettings::PositionsKnown() {
    return !QGuiApplication::platformName().startsWith("wayland");
}

std::string WindowSettings::Text(std::string_view name) const {
    const FrequencySliderModel& slider = session_.Slider();
    if (name == "MinFreqEdit")
        return slider.MinFreqEdit;
    if (name == "MaxFreqEdit")
        return slider.MaxFreqEdit;
    return slider.txtRound;
}

int32_t WindowSettings::Integer(std::string_view name) const {
    if (name == "WaveDevice")
        return session_.DevicePosition();
    if (PositionsKnown() && name == "FormX")
        return window_.x();
    if (PositionsKnown() && name == "FormY")
        return window_.y();
    const auto it = integers_.find(name);
    return it == integers_.end() ? 0 : it->second;
}

bool WindowSettings::Flag(std::string_view name) const {
    if (name == "PresetAutoStart")
        return session_.AutoStart();
    const auto it = flags_.find(name);
    return it != flags_.end() && it->second;
}

void WindowSettings::SetText(std::string_view name, const std::string& text) {
    FrequencySliderModel& slider = session_.Slider();
    if (name == "MinFreqEdit")
        slider.MinFreqEdit = text;
    else if (name == "MaxFreqEdit")
        slider.MaxFreqEdit = text;
    else
        slider.txtRound = text;
}

void WindowSettings::SetInteger(std::string_view name, int32_t value) {
    if (name == "WaveDevice") {
        // A device that is gone since (a position beyond today's list) gives the default.
        const bool listed =
            value >= 0 && static_cast<size_t>(value) < session_.Devices().Entries().size();
        session_.SelectDevice(listed ? value : 0);
        return;
    }
    integers_.insert_or_assign(std::string(name), value);
    if (name == "FormX" || name == "FormY")
        window_.move(integers_["FormX"], integers_["FormY"]);
}

void WindowSettings::SetFlag(std::string_view name, bool value) {
    if (name == "PresetAutoStart")
        session_.SetAutoStart(value);
    else
        flags_.insert_or_assign(std::string(name), value);
}

} // namespace quavril
