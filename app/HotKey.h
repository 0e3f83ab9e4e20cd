#pragma once
// The system-wide hot key Ctrl+Insert on X11: Insert is grabbed with Control on the root
// window, also with Caps Lock and Num Lock on, so that the key works whatever the lock keys
// say. Only one client can hold a grab, so the first running copy is the only one that
// reacts. One press calls the callback once; the repeats of a held key are ignored. Where no
// grab is possible (another copy holds it, Wayland, offscreen) Grab() returns false and
// nothing is said.
//
// Use: construct with the action (the transport's Trigger), Grab() once the main window
// exists, Release() at the orderly end while the application still exists.
#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>
#include <vector>

struct xcb_connection_t;

namespace quavril {

class HotKey : public QAbstractNativeEventFilter {
public:
    explicit HotKey(std::function<void()> onPress);
    ~HotKey() override;
    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    // Needs a QGuiApplication on the xcb platform.
    bool Grab();
    // Gives the key back; harmless when not grabbed. Call before the application goes.
    void Release();
    bool Grabbed() const { return connection_ != nullptr; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool GrabAll(xcb_connection_t* connection, uint32_t root, uint8_t keycode);
    void Ungrab(xcb_connection_t* connection);

    std::function<void()> onPress_;
    xcb_connection_t* connection_ = nullptr;
    uint32_t root_ = 0;
    uint8_t keycode_ = 0;
    std::vector<uint16_t> modifiers_; // the grabbed modifier combinations
    bool held_ = false;               // a press was seen and its release not yet
    uint32_t lastRelease_ = 0;        // server time of the last release
};

} // namespace quavril
