#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quavril {

// Number texts always use a full stop, whatever the locale.

// Plain conversion of a decimal text: optional blanks, sign, digits with an optional full
// stop, optional exponent. Empty, malformed or out-of-range texts give nothing.
std::optional<long double> ParsePlain(std::string_view text);

// A whole number (optional sign, decimal digits) that fits 32 bits.
std::optional<int32_t> ParseWhole(std::string_view text);

// Lenient conversion of the validated edits: a text holding a comma has every comma and every
// full stop read as the decimal mark (so "1,5" is 1.5 and "1.000,5" is unreadable). The result
// is a 32-bit float; values beyond its range are unreadable.
std::optional<float> ParseNumber(std::string_view text);

// Nearest integer, ties to even, in extended precision.
long double RoundEven(long double x);

// General decimal text with up to `digits` significant digits: no trailing zeros, an exponent
// ("1E-5", "1.5E20") only for very small or very large magnitudes.
std::string FormatGeneral(long double value, int digits = 15);

// The validation every numeric edit runs when it is left: parse (fallback when unreadable),
// clamp to maximum then minimum, round to `decimals` places (ties to even), format.
std::string ValidateEdit(std::string_view text, long double minimum, long double maximum,
                         int decimals, long double fallback);

} // namespace quavril
