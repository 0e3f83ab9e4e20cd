#pragma once
// The entries of the output device list: entry 0 is the system's default device, then the
// back end's playback devices. The list shows a short text; opening uses the full name.
#include "audio/WaveOutPort.h"
#include <string>
#include <vector>

namespace quavril {

struct DeviceEntry {
    std::string Name;        // what the device is opened by ("default" for entry 0)
    std::string Description; // the back end's full description
    std::string Shown;       // the list text, at most MaxShownLength characters
};

class DeviceList {
public:
    static constexpr int MaxShownLength = 32; // characters of a list text
    static constexpr const char* DefaultEntryText = "Default output device";

    // Enumerates the devices of a port (the platform's back end when none is given).
    static DeviceList FromPort(const WaveOutPort& port);
    static DeviceList Enumerate();

    const std::vector<DeviceEntry>& Entries() const { return entries_; }
    // The list texts in order (entry 0 first).
    std::vector<std::string> ShownTexts() const;
    // Names of the devices 0..n-1 (entries 1..n): what TAudioOut::SetDeviceNames takes.
    std::vector<std::string> DeviceNames() const;
    // The back end reported no playback device at all: the window shows its message and
    // disables the start commands.
    bool NoUsableDevice() const { return entries_.size() <= 1; }

    // A description as one line of at most MaxShownLength characters (UTF-8 aware): line
    // breaks become ", ", longer texts are cut.
    static std::string ShownText(const std::string& description);

private:
    std::vector<DeviceEntry> entries_;
};

} // namespace quavril
