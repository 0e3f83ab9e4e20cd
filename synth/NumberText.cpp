#include "synth/NumberText.h"

#include <cctype>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace quavril {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Checks the shape of a decimal number so that strtold never sees hex, inf or nan forms.
bool IsDecimalShape(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        size_t expDigits = 0;
        while (i < s.size() && IsDigit(s[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    return i == s.size();
}
} // namespace

std::optional<long double> ParsePlain(std::string_view text) {
    std::string_view s = Trim(text);
    if (!IsDecimalShape(s))
        return std::nullopt;
    // from_chars reads a full stop whatever the process locale is, and takes no '+'.
    if (s.front() == '+')
        s.remove_prefix(1);
    long double v = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<int32_t> ParseWhole(std::string_view text) {
    std::string_view s = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i == s.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < s.size(); ++i) {
        if (!IsDigit(s[i]))
            return std::nullopt;
        value = value * 10 + (s[i] - '0');
        if (value > int64_t{1} << 32)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

std::optional<float> ParseNumber(std::string_view text) {
    std::string s(text);
    if (s.find(',') != std::string::npos) {
        for (char& c : s)
            if (c == ',' || c == '.')
                c = '.';
    }
    auto v = ParsePlain(s);
    if (!v || std::fabs(*v) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<float>(*v);
}

long double RoundEven(long double x) {
    // The default rounding mode is to nearest, ties to even; nothing in the program changes it.
    return std::nearbyint(x);
}

std::string FormatGeneral(long double value, int digits) {
    if (value == 0)
        return "0"; // also for negative zero
    char buf[64];
    // Like "%.15Lg", but independent of the process locale.
    const auto result =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits);
    std::string s(buf, result.ptr);
    // "%g" writes exponents as e+20 / e-05; show them as E20 / E-5.
    auto e = s.find('e');
    if (e == std::string::npos)
        return s;
    std::string mantissa = s.substr(0, e);
    std::string exponent = s.substr(e + 1);
    bool negative = !exponent.empty() && exponent[0] == '-';
    size_t start = (!exponent.empty() && (exponent[0] == '-' || exponent[0] == '+')) ? 1 : 0;
    while (start + 1 < exponent.size() && exponent[start] == '0')
        ++start;
    return mantissa + "E" + (negative ? "-" : "") + exponent.substr(start);
}

std::string ValidateEdit(std::string_view text, long double minimum, long double maximum,
                         int decimals, long double fallback) {
    auto parsed = ParseNumber(text);
    long double value = parsed ? static_cast<long double>(*parsed) : fallback;
    if (value > maximum)
        value = maximum;
    if (value < minimum)
        value = minimum;
    long double scale = std::pow(10.0L, static_cast<long double>(decimals));
    value = RoundEven(value * scale) / scale;
    return FormatGeneral(value + 0.0L);
}

} // namespace quavril
