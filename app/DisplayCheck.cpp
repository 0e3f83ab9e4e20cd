#include "app/DisplayCheck.h"

#include <algorithm>
#include <cstdlib>
#include <xcb/xcb.h>

namespace quavril {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

std::optional<std::string> DisplayCheck::Problem(const std::vector<std::string>& args) {
    if (!Environment("QT_QPA_PLATFORM").empty() ||
        std::find(args.begin(), args.end(), "-platform") != args.end())
        return std::nullopt;
    if (!Environment("WAYLAND_DISPLAY").empty())
        return std::nullopt;
    // The toolkit's own -display option names the X display before DISPLAY does.
    const auto option = std::find(args.begin(), args.end(), "-display");
    const std::string display =
        option != args.end() && option + 1 != args.end() ? *(option + 1) : Environment("DISPLAY");
    if (display.empty())
        return "there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    // One short connection, closed at once: the toolkit opens its own.
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (!reached)
        return "the display " + display + " cannot be reached";
    return std::nullopt;
}

} // namespace quavril
