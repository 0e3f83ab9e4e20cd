#include "app/HotKey.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <xcb/xcb.h>

namespace quavril {
namespace {

constexpr uint32_t KeysymInsert = 0xff63;
constexpr uint32_t KeysymNumLock = 0xff7f;

// Keycodes of the keyboard that produce `keysym` in any column (empty when none does).
std::vector<uint8_t> KeycodesOf(xcb_connection_t* c, uint32_t keysym) {
    std::vector<uint8_t> found;
    const xcb_setup_t* setup = xcb_get_setup(c);
    const uint8_t first = setup->min_keycode;
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* map =
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, first, count), nullptr);
    if (!map)
        return found;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    const int perCode = map->keysyms_per_keycode;
    for (int k = 0; k < count; ++k)
        for (int col = 0; col < perCode; ++col)
            if (syms[k * perCode + col] == keysym) {
                found.push_back(static_cast<uint8_t>(first + k));
                break;
            }
    free(map);
    return found;
}

// The modifier bit that Num Lock sets (Mod2 on nearly every keyboard map).
uint16_t NumLockMask(xcb_connection_t* c) {
    const std::vector<uint8_t> numLock = KeycodesOf(c, KeysymNumLock);
    xcb_get_modifier_mapping_reply_t* map =
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr);
    uint16_t mask = XCB_MOD_MASK_2;
    if (!map)
        return mask;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(map);
    const int perMod = map->keycodes_per_modifier;
    for (int mod = 0; mod < 8; ++mod)
        for (int i = 0; i < perMod; ++i)
            for (uint8_t n : numLock)
                if (codes[mod * perMod + i] == n)
                    mask = static_cast<uint16_t>(1u << mod);
    free(map);
    return mask;
}

} // namespace

HotKey::HotKey(std::function<void()> onPress) : onPress_(std::move(onPress)) {}

HotKey::~HotKey() {
    Release();
}

bool HotKey::Grab() {
    if (connection_)
        return true;
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = gui ? gui->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c)
        return false;
    const std::vector<uint8_t> insert = KeycodesOf(c, KeysymInsert);
    if (insert.empty())
        return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen || !GrabAll(c, screen->root, insert.front()))
        return false;
    connection_ = c;
    QCoreApplication::instance()->installNativeEventFilter(this);
    return true;
}

bool HotKey::GrabAll(xcb_connection_t* c, uint32_t root, uint8_t keycode) {
    const uint16_t numLock = NumLockMask(c);
    const uint16_t control = XCB_MOD_MASK_CONTROL;
    root_ = root;
    keycode_ = keycode;
    modifiers_.clear();
    for (uint16_t extra : {uint16_t(0), uint16_t(XCB_MOD_MASK_LOCK), numLock,
                           uint16_t(XCB_MOD_MASK_LOCK | numLock)}) {
        const uint16_t mods = control | extra;
        // Not owner_events: every press goes to the root window, so a window of this program
        // with the focus does not see the key a second time as its own shortcut.
        xcb_generic_error_t* error =
            xcb_request_check(c, xcb_grab_key_checked(c, 0, root, mods, keycode,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        if (error) {
            // BadAccess: another client holds the key. Give back what this one got.
            free(error);
            Ungrab(c);
            return false;
        }
        modifiers_.push_back(mods);
    }
    return true;
}

void HotKey::Ungrab(xcb_connection_t* c) {
    for (uint16_t mods : modifiers_)
        xcb_ungrab_key(c, keycode_, root_, mods);
    modifiers_.clear();
    xcb_flush(c);
}

void HotKey::Release() {
    if (!connection_)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    Ungrab(connection_);
    connection_ = nullptr;
    held_ = false;
}

bool HotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!connection_ || eventType != "xcb_generic_event_t")
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    if (key->detail != keycode_ || key->event != root_)
        return false;
    if (type == XCB_KEY_RELEASE) {
        held_ = false;
        lastRelease_ = key->time;
        return true;
    }
    // A held key repeats as further presses (detectable auto-repeat) or as release and press
    // pairs with the same server time; neither is a new press.
    const bool repeat = held_ || (lastRelease_ != 0 && key->time == lastRelease_);
    held_ = true;
    if (!repeat && onPress_)
        onPress_();
    return true;
}

} // namespace quavril
