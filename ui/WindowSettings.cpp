#include "ui/WindowSettings.h"

#include "session/GeneratorSession.h"
#include "settings/SettingsStore.h"
#include "ui/GeneratorMenus.h"
#include "ui/TfrmFreqSlider.h"
#include "ui/TfrmFrequencyDisplay.h"
#include "ui/TfrmGenerator.h"
#include "ui/TfrmSignalMonitor.h"
#include "ui/WindowPlacement.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <optional>
#include <utility>

namespace quavril {

namespace {
// A cascaded window without a known title bar moves this far.
constexpr int CascadeStep = 24; // pixels
// Time the window manager has to frame a newly shown window.
constexpr int FramingTime = 500; // milliseconds

std::optional<QPoint> TakeCascadePlace() {
    const QByteArray text = qgetenv(WindowSettings::CascadeVariable);
    // Only the window started with it: not its own children.
    qunsetenv(WindowSettings::CascadeVariable);
    const QList<QByteArray> parts = text.split(',');
    bool xRead = false, yRead = false;
    if (parts.size() != 2)
        return std::nullopt;
    const int x = parts[0].toInt(&xRead);
    const int y = parts[1].toInt(&yRead);
    if (!xRead || !yRead)
        return std::nullopt;
    return QPoint(x, y);
}

// A new generator window waiting for its cascaded place.
std::optional<QPoint>& CascadePending() {
    static std::optional<QPoint> place;
    return place;
}
} // namespace

WindowSettings::WindowSettings(GeneratorSession& session, TfrmGenerator& window)
    : session_(session), window_(window) {
    AddPlace("Form", &window, {295, 162}, 0, false);
    AddPlace("Display", window.frmFrequencyDisplay(), {422, 147}, 224, true);
    AddPlace("Slider", window.frmFreqSlider(), {230, 577}, 1022, true);
    AddViewWindow("frmFreqSlider", window.Menus().FreqSlider1,
                  [&window] { window.FreqSlider1Click(); });
    AddViewWindow("frmFrequencyDisplay", window.Menus().FrequencyDisplay1,
                  [&window] { window.FrequencyDisplay1Click(); });
    if (TfrmSignalMonitor* monitor = window.frmSignalMonitor()) {
        AddPlace("Monitor", monitor, {480, 120}, TfrmSignalMonitor::DesignWidth, true, true,
                 TfrmSignalMonitor::DesignHeight);
        AddViewWindow("frmSignalMonitor", window.Menus().SignalMonitor1,
                      [&window] { window.SignalMonitor1Click(); });
    }
    CascadePending() = TakeCascadePlace();
}

void WindowSettings::AddPlace(const std::string& prefix, QWidget* window, QPoint designed,
                              int designedWidth, bool storesWidth, bool storesHeight,
                              int designedHeight) {
    Place place;
    place.Prefix = prefix;
    place.Window = window;
    place.StoresWidth = storesWidth;
    place.StoresHeight = storesHeight;
    place.Stored = designed;
    place.StoredSize = QSize(designedWidth, designedHeight);
    places_.push_back(place);
    if (window)
        window->installEventFilter(this);
}

void WindowSettings::AddViewWindow(const std::string& flag, QAction* item,
                                   std::function<void()> click) {
    ViewWindow view;
    view.Flag = flag;
    view.Item = item;
    view.Click = std::move(click);
    views_.push_back(view);
}

WindowSettings::Place* WindowSettings::PlaceOf(std::string_view name) {
    const std::string_view prefix = name.substr(0, name.size() - 1);
    for (Place& place : places_)
        if (place.Prefix == prefix)
            return &place;
    return nullptr;
}

const WindowSettings::Place* WindowSettings::PlaceOf(std::string_view name) const {
    return const_cast<WindowSettings*>(this)->PlaceOf(name);
}

const WindowSettings::ViewWindow* WindowSettings::ViewOf(std::string_view name) const {
    for (const ViewWindow& view : views_)
        if (view.Flag == name)
            return &view;
    return nullptr;
}

bool WindowSettings::PositionsKnown() {
    return !QGuiApplication::platformName().startsWith("wayland");
}

QPoint WindowSettings::CascadePlace(const QWidget& window) {
    const int titleBar = WindowPlacement::FrameMargins(&window).top();
    const int step = titleBar > 0 ? titleBar : CascadeStep;
    return window.pos() + QPoint(step, step);
}

void WindowSettings::Capture() {
    for (ViewWindow& view : views_) {
        view.Captured = view.Item != nullptr;
        view.Visible = view.Item && view.Item->isChecked();
    }
    for (Place& place : places_) {
        if (!place.Window)
            continue;
        place.Captured = true;
        place.CapturedPlace = place.Window->pos();
        place.CapturedSize = place.Window->size();
    }
}

std::string WindowSettings::Text(std::string_view name) const {
    const FrequencySliderModel& slider = session_.Slider();
    if (name == "MinFreqEdit")
        return slider.MinFreqEdit;
    if (name == "MaxFreqEdit")
        return slider.MaxFreqEdit;
    return slider.txtRound;
}

// Places are the frames' top-left corners, as a window is moved back to them: a window comes
// back exactly where it was, over any number of runs.
int32_t WindowSettings::Integer(std::string_view name) const {
    if (name == "WaveDevice")
        return session_.DevicePosition();
    const Place* place = PlaceOf(name);
    if (!place)
        return 0;
    const QWidget* window = place->Window;
    const QPoint at = place->Captured ? place->CapturedPlace : window ? window->pos() : QPoint();
    const QSize size = place->Captured ? place->CapturedSize : window ? window->size() : QSize();
    switch (name.back()) {
    case 'W':
        return window || place->Captured ? size.width() : place->StoredSize.width();
    case 'H':
        return window || place->Captured ? size.height() : place->StoredSize.height();
    case 'X':
        return (window || place->Captured) && PositionsKnown() ? at.x() : place->Stored.x();
    default:
        return (window || place->Captured) && PositionsKnown() ? at.y() : place->Stored.y();
    }
}

// The View menu's marks say whether the windows are open; once the program ends, as they were
// before the first window closed.
bool WindowSettings::Flag(std::string_view name) const {
    if (name == "PresetAutoStart")
        return session_.AutoStart();
    const ViewWindow* view = ViewOf(name);
    if (!view)
        return false;
    if (view->Captured)
        return view->Visible;
    return view->Item && view->Item->isChecked();
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
    Place* place = PlaceOf(name);
    if (!place)
        return;
    switch (name.back()) {
    case 'W':
        place->StoredSize.setWidth(value);
        break;
    case 'H':
        place->StoredSize.setHeight(value);
        break;
    case 'X':
        place->Stored.setX(value);
        break;
    default:
        place->Stored.setY(value);
        break;
    }
    QWidget* window = place->Window;
    if (!window)
        return;
    if (name.back() == 'W' || name.back() == 'H') {
        QSize wanted = place->WantedSize.value_or(QSize(0, 0));
        (name.back() == 'W' ? wanted.rwidth() : wanted.rheight()) = value;
        place->WantedSize = wanted;
        window->resize(wanted.width() ? wanted.width() : window->width(),
                       wanted.height() ? wanted.height() : window->height());
    } else {
        place->Wanted = place->Stored;
        WindowPlacement::MoveFrameTo(window, place->Stored);
    }
    // A window already on the screen stays wholly on it; others are kept there when shown.
    if (window->isVisible())
        WindowPlacement::KeepOnScreen(window);
}

void WindowSettings::SetFlag(std::string_view name, bool value) {
    if (name == "PresetAutoStart") {
        session_.SetAutoStart(value);
        return;
    }
    const ViewWindow* view = ViewOf(name);
    if (view && view->Click && value != Flag(name))
        view->Click();
}

// A window placed before its manager framed it may have been placed by its client area (a
// title bar lower): its frame goes where it was meant to be, then it is kept on a screen.
void WindowSettings::Framed(QWidget* window) {
    for (Place& place : places_) {
        if (place.Window != window)
            continue;
        const std::optional<QPoint> wanted = std::exchange(place.Wanted, std::nullopt);
        const std::optional<QSize> size = std::exchange(place.WantedSize, std::nullopt);
        if (!window->isVisible())
            return;
        // The manager's answer to the window's first showing can arrive after a stored size
        // was applied to the shown window, and take it back.
        if (size && ((size->width() && window->width() != size->width()) ||
                     (size->height() && window->height() != size->height())))
            window->resize(size->width() ? size->width() : window->width(),
                           size->height() ? size->height() : window->height());
        if (window->frameGeometry() == window->geometry())
            return;
        if (wanted && window->pos() != *wanted)
            window->move(*wanted);
        WindowPlacement::KeepOnScreen(window);
    }
}

void WindowSettings::ApplyCascade() {
    if (const std::optional<QPoint> place = CascadePending()) {
        CascadePending().reset();
        places_.front().Wanted = *place;
        WindowPlacement::MoveFrameTo(&window_, *place);
    }
}

// A window is kept wholly on a screen as it is shown (with the frame margins known so far),
// and once more when its window manager has framed it. The generator window's close takes
// what the end saves, before any other window closes with it.
bool WindowSettings::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Close)
        Capture();
    for (Place& place : places_) {
        if (watched != place.Window)
            continue;
        QWidget* window = place.Window;
        if (event->type() != QEvent::Show)
            continue;
        if (window == &window_)
            ApplyCascade();
        WindowPlacement::KeepOnScreen(window);
        // The manager reports passing places while it frames a window: the real frame is
        // checked once it has settled.
        if (window->frameGeometry() == window->geometry())
            QTimer::singleShot(FramingTime, window, [this, window] { Framed(window); });
    }
    return QObject::eventFilter(watched, event);
}

// The signal monitor's values are not in the table of settings: they are read and written here
// by their names, through the same places and View mark as the other windows.
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
