#include "session/FrequencyEntry.h"

#include "synth/NumberText.h"

#include <cctype>

namespace quavril {

namespace {
std::string_view TrimmedRight(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

bool EndsWithHz(std::string_view text) {
    return text.size() >= 2 &&
           std::tolower(static_cast<unsigned char>(text[text.size() - 2])) == 'h' &&
           std::tolower(static_cast<unsigned char>(text.back())) == 'z';
}
} // namespace

std::string FrequencyEntry::Plain(std::string_view typed) {
    std::string_view number = TrimmedRight(typed);
    bool suffix = false;
    if (EndsWithHz(number)) {
        number = TrimmedRight(number.substr(0, number.size() - 2));
        suffix = true;
    }
    long double factor = 1;
    if (!number.empty() && (number.back() == 'k' || number.back() == 'K' || number.back() == 'M')) {
        factor = number.back() == 'M' ? 1e6L : 1e3L;
        number = TrimmedRight(number.substr(0, number.size() - 1));
        suffix = true;
    }
    const std::optional<long double> value = suffix ? ParsePlain(number) : std::nullopt;
    if (!value)
        return std::string(typed);
    if (factor == 1)
        return std::string(number);
    return FormatGeneral(*value * factor + 0.0L);
}

std::string FrequencyEntry::Shown(const std::string& text) {
    const std::optional<long double> value = ParsePlain(text);
    const size_t point = text.find('.');
    if (!value || point == std::string::npos || text.find_first_of("eE") != std::string::npos ||
        text.size() - point - 1 <= 5)
        return text;
    return FormatGeneral(RoundEven(*value * 1e5L) / 1e5L + 0.0L);
}

} // namespace quavril
