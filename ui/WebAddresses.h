#pragma once

namespace quavril {

// The maker's web pages that the Help menu and the logo open in the desktop's browser.
struct WebAddresses {
    static constexpr const char* Home = "https://www.orvande.example/";
    static constexpr const char* MoreSoftware = "https://www.orvande.example/software/";
};

} // namespace quavril
