#pragma once
// Whether the window can open at all, asked before the window toolkit starts: without a
// display the toolkit ends the program with an abort, a core and no word on what to do.
#include <optional>
#include <string>
#include <vector>

namespace quavril {

class DisplayCheck {
public:
    // Why no window can open, or nothing when one can (or when the user chose the toolkit's
    // platform: QT_QPA_PLATFORM or -platform, which the toolkit answers for itself).
    static std::optional<std::string> Problem(const std::vector<std::string>& args);
};

} // namespace quavril
