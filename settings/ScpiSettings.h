#pragma once
// The SCPI server's settings, kept with the output settings: off by default, on the loopback
// address at port 5025 (copies of the program started alike take the next free ports).
#include <string>

namespace quavril {

struct ScpiSettings {
    static constexpr int DefaultPort = 5025;
    static constexpr const char* DefaultAddress = "127.0.0.1";

    bool On = false;
    // An IPv4 or IPv6 address of this computer; 0.0.0.0 or :: for all of them.
    std::string Address = DefaultAddress;
    int Port = DefaultPort; // 1..65535: the first port tried
    // Client addresses or subnets ("192.168.1.0/24") separated by commas or blanks; empty:
    // every client that reaches the address.
    std::string Allowed;

    bool operator==(const ScpiSettings&) const = default;
};

} // namespace quavril
