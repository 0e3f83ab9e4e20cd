#include "ui/WindowSettings.h"

#include "session/GeneratorSession.h"
#include "settings/SettingsStore.h"
#include "ui/GeneratorMenus.h"
#include "ui/TfrmFreqSlider.h"
#include "ui/TfrmFrequencyDisplay.h"
#include "ui/TfrmGenerator.h"
#include "ui/TfrmSignalMonitor.h"

#include <QAction>
#include <QGuiApplication>

namespace quavril {

namespace {
// Which window a geometry value belongs to, and which of its values it is.
QWidget* WindowOf(std::string_view name, TfrmGenerator& main) {
    if (name.starts_with("Form"))
        return &main;
    if (name.starts_with("Display"))
        return main.frmFrequencyDisplay();
    if (name.starts_with("Monitor"))
        return main.frmSignalMonitor();
    return main.frmFreqSlider();
}
} // namespace

WindowSettings::WindowSettings(GeneratorSession& session, TfrmGenerator& window)
    : session_(session),
      window_(window), integers_{{"FormX", 295},    {"FormY", 162},    {"DisplayX", 422},
                                 {"DisplayY", 147}, {"DisplayW", 224}, {"SliderX", 230},
                                 {"SliderY", 577},  {"SliderW", 1022}, {"MonitorX", 480},
                                 {"MonitorY", 120}} {}

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
    const QWidget* window = WindowOf(name, window_);
    if (window && name.ends_with('W'))
        return window->width();
    if (window && name.ends_with('H'))
        return window->height();
    if (window && PositionsKnown())
        return name.ends_with('X') ? window->x() : window->y();
    const auto it = integers_.find(name);
    return it == integers_.end() ? 0 : it->second;
}

// The View menu's marks say whether the windows are open, also once the program is ending.
bool WindowSettings::Flag(std::string_view name) const {
    if (name == "PresetAutoStart")
        return session_.AutoStart();
    if (name == "frmFreqSlider")
        return window_.Menus().FreqSlider1->isChecked();
    if (name == "frmSignalMonitor")
        return window_.Menus().SignalMonitor1->isChecked();
    return window_.Menus().FrequencyDisplay1->isChecked();
}

// The slider window's fields, applied as if each had been left (the rounding comes last).
void WindowSettings::SetText(std::string_view name, const std::string& text) {
    FrequencySliderModel& slider = session_.Slider();
    if (name == "MinFreqEdit") {
        slider.MinFreqEdit = text;
    } else if (name == "MaxFreqEdit") {
        slider.MaxFreqEdit = text;
    } else {
        slider.txtRound = text;
        session_.MinFreqEditExit();
        session_.MaxFreqEditExit();
        session_.txtRoundExit();
    }
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
    QWidget* window = WindowOf(name, window_);
    if (!window)
        return;
    const std::string prefix(name.substr(0, name.size() - 1));
    if (name.ends_with('W'))
        window->resize(value, window->height());
    else if (name.ends_with('H'))
        window->resize(window->width(), value);
    else
        window->move(integers_[prefix + "X"], integers_[prefix + "Y"]);
}

void WindowSettings::SetFlag(std::string_view name, bool value) {
    if (name == "PresetAutoStart")
        session_.SetAutoStart(value);
    else if (name == "frmFreqSlider" && value != Flag(name))
        window_.FreqSlider1Click();
    else if (name == "frmFrequencyDisplay" && value != Flag(name))
        window_.FrequencyDisplay1Click();
    else if (name == "frmSignalMonitor" && value != Flag(name))
        window_.SignalMonitor1Click();
}

void WindowSettings::LoadMonitor(const SettingsStore& store) {
    using namespace setting_names;
    TfrmSignalMonitor* monitor = window_.frmSignalMonitor();
    if (!monitor)
        return;
    for (const char* name : {MonitorX, MonitorY, MonitorW, MonitorH})
        if (const auto value = store.ReadInt(name))
            SetInteger(name, *value);
    if (const auto size = store.ReadInt(MonitorFftSize))
        monitor->SetFftSize(*size);
    if (const auto averaging = store.ReadFlag(MonitorAveraging))
        monitor->SetAveraging(*averaging);
    if (const auto visible = store.ReadFlag(frmSignalMonitor))
        SetFlag(frmSignalMonitor, *visible);
}

void WindowSettings::SaveMonitor(SettingsStore& store) const {
    using namespace setting_names;
    const TfrmSignalMonitor* monitor = window_.frmSignalMonitor();
    if (!monitor)
        return;
    store.WriteFlag(frmSignalMonitor, Flag(frmSignalMonitor));
    for (const char* name : {MonitorX, MonitorY, MonitorW, MonitorH})
        store.WriteInt(name, Integer(name));
    store.WriteInt(MonitorFftSize, monitor->FftSize());
    store.WriteFlag(MonitorAveraging, monitor->Averaging());
}

} // namespace quavril
