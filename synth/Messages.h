#pragma once
// User-visible message texts of the generator. They are fixed English texts.

namespace quavril::messages {

inline constexpr const char* Performance =
    "There is an issue with performance. See help for details";
inline constexpr const char* Nyquist =
    "The output frequency can never be higher than half the sampling rate. If you would like "
    "to generate a higher frequency signal, please adjust the sampling rate in the 'Output "
    "Settings' via the 'Tools' menu.";
// %s is replaced by the offending text.
inline constexpr const char* InvalidFloat = "'%s' is not a valid floating point value";

} // namespace quavril::messages
