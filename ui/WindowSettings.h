#pragma once
// The stored settings outside the generator's controls, as the program's windows hold them:
// the output device and the autostart option (through the session), the places of the
// windows, and the View windows (visibility, place, width, and the slider window's limits and
// rounding; the signal monitor's size and choices).
#include "settings/StoredSettings.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QWidget;

namespace quavril {

class GeneratorSession;
class SettingsStore;
class TfrmGenerator;

class WindowSettings : public QObject, public OutsideSettings {
    Q_OBJECT
public:
    // Registers the generator window ("Form"), the frequency display ("Display") and the
    // frequency slider ("Slider") and, where there is one, the signal monitor ("Monitor") with
    // their designed places, and the View windows.
    WindowSettings(GeneratorSession& session, TfrmGenerator& window);

    // A window whose place is stored as <prefix>X and <prefix>Y (its frame's top-left corner),
    // its width as <prefix>W where `storesWidth`, its height as <prefix>H where `storesHeight`;
    // the designed values stand where a place cannot be read. Every such window is kept wholly
    // on an available screen when it is shown.
    void AddPlace(const std::string& prefix, QWidget* window, QPoint designed, int designedWidth,
                  bool storesWidth, bool storesHeight = false, int designedHeight = 0);
    // A View window whose visibility is stored under `flag`: its menu item's check mark says
    // whether it is open, `click` toggles it (the View item's handler).
    void AddViewWindow(const std::string& flag, QAction* item, std::function<void()> click);

    // What the windows show now (View marks, places, sizes), taken before any window closes:
    // the end of the program saves these. Taken by itself when the generator window closes.
    void Capture();

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

    // A new generator window started from this one opens one title-bar height below and right
    // of this window: the place is handed to it in this environment variable ("X,Y").
    static constexpr const char* CascadeVariable = "QUAVRIL_CASCADE_PLACE";
    // The place for a new generator window started from `window`.
    static QPoint CascadePlace(const QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Place {
        std::string Prefix;
        QPointer<QWidget> Window;
        bool StoresWidth = false;
        bool StoresHeight = false;
        QPoint Stored; // as read, or designed: kept where a place cannot be read
        QSize StoredSize;
        bool Captured = false;
        QPoint CapturedPlace;
        QSize CapturedSize;
        std::optional<QPoint> Wanted; // where its frame goes once the manager framed it
        // The stored width and height (0: as it is) it keeps once the manager framed it.
        std::optional<QSize> WantedSize;
    };
    struct ViewWindow {
        std::string Flag;
        QPointer<QAction> Item;
        std::function<void()> Click;
        bool Captured = false;
        bool Visible = false;
    };
    Place* PlaceOf(std::string_view name);
    const Place* PlaceOf(std::string_view name) const;
    const ViewWindow* ViewOf(std::string_view name) const;
    void ApplyCascade();
    void Framed(QWidget* window);

    GeneratorSession& session_;
    TfrmGenerator& window_;
    std::vector<Place> places_;
    std::vector<ViewWindow> views_;
};

} // namespace quavril
