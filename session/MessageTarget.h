// session/MessageTarget.h
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
    virtual void Dispatch(MessageCode code, int32_t wParam, int32_t lParam) = 0;
    virtual bool Playing() const = 0;
    // A setting's current text, list position or check state by its stored name; empty for an
    // unknown name.
    virtual std::optional<std::string> Value(std::string_view storedName) const = 0;
};
} // namespace quavril
