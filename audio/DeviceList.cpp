#include "audio/DeviceList.h"

namespace quavril {

namespace {

// Length of the UTF-8 sequence that starts with `lead` (1 for stray continuation bytes).
size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

} // namespace

std::string DeviceList::ShownText(const std::string& description) {
    // One line: line breaks (and the blanks around them) become ", ".
    std::string line;
    for (size_t i = 0; i < description.size(); ++i) {
        const char c = description[i];
        if (c == '\n' || c == '\r') {
            while (!line.empty() && line.back() == ' ')
                line.pop_back();
            while (i + 1 < description.size() &&
                   (description[i + 1] == '\n' || description[i + 1] == '\r' ||
                    description[i + 1] == ' '))
                ++i;
            if (!line.empty() && i + 1 < description.size())
                line += ", ";
            continue;
        }
        line += c;
    }
    // At most MaxShownLength characters, never cutting a character in two.
    std::string shown;
    int characters = 0;
    for (size_t i = 0; i < line.size() && characters < MaxShownLength; ++characters) {
        const size_t n =
            std::min(SequenceLength(static_cast<unsigned char>(line[i])), line.size() - i);
        shown.append(line, i, n);
        i += n;
    }
    while (!shown.empty() && shown.back() == ' ')
        shown.pop_back();
    return shown;
}

DeviceList DeviceList::FromPort(const WaveOutPort& port) {
    DeviceList list;
    list.entries_.push_back(
        {WaveOutPort::DefaultDeviceName, DefaultEntryText, ShownText(DefaultEntryText)});
    for (const WaveOutDevice& d : port.Devices()) {
        const std::string& text = d.Description.empty() ? d.Name : d.Description;
        list.entries_.push_back({d.Name, d.Description, ShownText(text)});
    }
    return list;
}

DeviceList DeviceList::Enumerate() {
    return FromPort(*CreateWaveOutPort());
}

std::vector<std::string> DeviceList::ShownTexts() const {
    std::vector<std::string> texts;
    for (const DeviceEntry& e : entries_)
        texts.push_back(e.Shown);
    return texts;
}

std::vector<std::string> DeviceList::DeviceNames() const {
    std::vector<std::string> names;
    for (size_t i = 1; i < entries_.size(); ++i)
        names.push_back(entries_[i].Name);
    return names;
}

} // namespace quavril
