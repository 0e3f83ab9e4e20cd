#pragma once
// The null, zero and full devices as the test's own nodes in a temporary folder: tests never
// point a file at the system's devices, where a fault in the program under test would hit the
// real ones. Making a node needs root; Made() says whether it worked, and callers skip without.
#include "tests/support/TempFolder.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace quavril::test {

class DeviceNodes {
public:
    DeviceNodes() : made_(Make("null", 3) && Make("zero", 5) && Make("full", 7)) {}

    bool Made() const { return made_; }
    std::string Null() const { return (folder_.Path() / "null").string(); }
    std::string Zero() const { return (folder_.Path() / "zero").string(); }
    std::string Full() const { return (folder_.Path() / "full").string(); }

private:
    bool Make(const char* name, unsigned minor) const {
        return ::mknod((folder_.Path() / name).c_str(), S_IFCHR | 0666, ::makedev(1, minor)) == 0;
    }

    TempFolder folder_{"quavril-devices"};
    bool made_;
};

} // namespace quavril::test
