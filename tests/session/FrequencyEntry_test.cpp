// Frequencies as typed into the frequency fields: the suffixes in front of the generator's own
// number rules, and the rounding of long values for showing.
#include "session/FrequencyEntry.h"

#include <gtest/gtest.h>

using namespace quavril;

namespace {

struct Typed {
    const char* Text;
    const char* Plain; // what the generator's handlers read
};

class TypedFrequency : public ::testing::TestWithParam<Typed> {};

TEST_P(TypedFrequency, suffixesApplyToTheNumberAndEverythingElsePassesUnchanged) {
    EXPECT_EQ(FrequencyEntry::Plain(GetParam().Text), GetParam().Plain) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TypedFrequency,
    ::testing::Values(
        // Multipliers and the unit, in any spacing and case of "Hz".
        Typed{"1k", "1000"}, Typed{"1K", "1000"}, Typed{"1.5 kHz", "1500"}, Typed{"1.5kHz", "1500"},
        Typed{"22.05k", "22050"}, Typed{"0.5M", "500000"}, Typed{"2M", "2000000"},
        Typed{"440 Hz", "440"}, Typed{"440hz", "440"}, Typed{"440 HZ ", "440"},
        Typed{"1e3 Hz", "1e3"}, Typed{"-1k", "-1000"}, Typed{"0.0001k", "0.1"},
        Typed{"100.123456k", "100123.456"},
        // No suffix: the text as typed, for the generator's own rules.
        Typed{"1000", "1000"}, Typed{"123.4567891", "123.4567891"}, Typed{"", ""},
        Typed{" 5", " 5"}, Typed{"1,5", "1,5"},
        // A suffix without a readable number before it, or one that is not a suffix.
        Typed{"k", "k"}, Typed{"kHz", "kHz"}, Typed{"Hz", "Hz"}, Typed{"1,5k", "1,5k"},
        Typed{"1kk", "1kk"}, Typed{"1m", "1m"}, Typed{"1 Mhz x", "1 Mhz x"}, Typed{"abc", "abc"},
        Typed{"1Hzk", "1Hzk"}));

struct ShownCase {
    const char* Text;
    const char* Shown;
};

class ShownFrequency : public ::testing::TestWithParam<ShownCase> {};

TEST_P(ShownFrequency, longValuesShowRoundedToFiveDecimals) {
    EXPECT_EQ(FrequencyEntry::Shown(GetParam().Text), GetParam().Shown) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ShownFrequency,
    ::testing::Values(ShownCase{"466.163757324219", "466.16376"},
                      ShownCase{"415.3046875", "415.30469"}, ShownCase{"1000", "1000"},
                      ShownCase{"0.1", "0.1"}, ShownCase{"123.45679", "123.45679"},
                      ShownCase{"22049.999995", "22050"}, ShownCase{"0.000001234", "0"},
                      ShownCase{"1.5E-5", "1.5E-5"}, ShownCase{"abc.defghij", "abc.defghij"},
                      ShownCase{"", ""}));

} // namespace
