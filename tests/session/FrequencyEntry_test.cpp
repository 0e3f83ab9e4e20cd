// Frequencies as typed into the frequency fields: the suffixes in front of the generator's own
// number rules, and the rounding of long values for showing.
#include "session/FrequencyEntry.h"

#include <gtest/gtest.h>

using namespace quavril;

namespace {

using Case = std::pair<const char*, const char*>; // the text, what comes out

TEST(FrequencyEntry, suffixesApplyToTheNumberAndEverythingElsePassesUnchanged) {
    const Case cases[] = {
        // Multipliers and the unit, in any spacing and case of "Hz".
        Case{"1k", "1000"}, Case{"1K", "1000"}, Case{"1.5 kHz", "1500"}, Case{"1.5kHz", "1500"},
        Case{"22.05k", "22050"}, Case{"0.5M", "500000"}, Case{"2M", "2000000"},
        Case{"440 Hz", "440"}, Case{"440hz", "440"}, Case{"440 HZ ", "440"}, Case{"1e3 Hz", "1e3"},
        Case{"-1k", "-1000"}, Case{"0.0001k", "0.1"}, Case{"100.123456k", "100123.456"},
        // No suffix: the text as typed, for the generator's own rules.
        Case{"1000", "1000"}, Case{"123.4567891", "123.4567891"}, Case{"", ""}, Case{" 5", " 5"},
        Case{"1,5", "1,5"},
        // A suffix without a readable number before it, or one that is not a suffix.
        Case{"k", "k"}, Case{"kHz", "kHz"}, Case{"Hz", "Hz"}, Case{"1,5k", "1,5k"},
        Case{"1kk", "1kk"}, Case{"1m", "1m"}, Case{"1 Mhz x", "1 Mhz x"}, Case{"abc", "abc"},
        Case{"1Hzk", "1Hzk"}};
    for (const auto& [text, plain] : cases)
        EXPECT_EQ(FrequencyEntry::Plain(text), plain) << text;
}

TEST(FrequencyEntry, longValuesShowRoundedToFiveDecimals) {
    for (const auto& [text, shown] :
         {Case{"466.163757324219", "466.16376"}, Case{"415.3046875", "415.30469"},
          Case{"1000", "1000"}, Case{"0.1", "0.1"}, Case{"123.45679", "123.45679"},
          Case{"22049.999995", "22050"}, Case{"0.000001234", "0"}, Case{"1.5E-5", "1.5E-5"},
          Case{"abc.defghij", "abc.defghij"}, Case{"", ""}})
        EXPECT_EQ(FrequencyEntry::Shown(text), shown) << text;
}

} // namespace
