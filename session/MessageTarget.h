#pragma once
#include "session/MessageCode.h"
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
namespace quavril {
// What other programs reach of a running generator: its title, its one message entry, and
// read-only views of its state.
class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual std::string Title() const = 0;
    // Acts on a message and returns once the action is done: nothing when it went through,
    // else the text of the failure it met (a start that failed), as the user is shown it.
    virtual std::optional<std::string> Dispatch(MessageCode code, int32_t wParam,
                                                int32_t lParam) = 0;
    virtual bool Playing() const = 0;
    // The pause state (the Pause button's bold caption): also true for a pause given while
    // off, which the next start applies.
    virtual bool Paused() const = 0;
    // A stored setting's current value by its stored name, as the settings file would hold
    // it now (a text, a list position or a check state as 0 or 1); empty for an unknown name.
    virtual std::optional<std::string> Value(std::string_view storedName) const = 0;
};
} // namespace quavril
