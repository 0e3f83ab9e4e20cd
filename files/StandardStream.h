#pragma once
// Names that stand for a descriptor the process already holds: "/dev/stdin", "/dev/stdout",
// "/dev/stderr", "/dev/fd/N" and "/proc/self/fd/N". Reading or writing them through that
// descriptor keeps its position and works for sockets too, which cannot be opened by name.
#include <optional>
#include <string>

namespace quavril {

inline std::optional<int> StandardStreamOf(const std::string& path) {
    if (path == "/dev/stdin")
        return 0;
    if (path == "/dev/stdout")
        return 1;
    if (path == "/dev/stderr")
        return 2;
    for (const std::string prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0 ||
            path.size() - prefix.size() > 6)
            continue;
        int n = 0;
        for (std::size_t i = prefix.size(); i < path.size(); ++i) {
            if (path[i] < '0' || path[i] > '9')
                return std::nullopt;
            n = n * 10 + (path[i] - '0');
        }
        return n;
    }
    return std::nullopt;
}

} // namespace quavril
