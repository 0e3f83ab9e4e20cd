#include "synth/NumberText.h"

#include <gtest/gtest.h>
#include <limits>

using namespace quavril;

namespace {
constexpr long double Inf = std::numeric_limits<long double>::infinity();
std::string Amplitude(const std::string& t) {
    return ValidateEdit(t, -100, 0, 0, 0);
}
std::string Duration(const std::string& t) {
    return ValidateEdit(t, 0.1L, Inf, 4, 1);
}
std::string Depth(const std::string& t) {
    return ValidateEdit(t, 0, 100, 4, 100);
}
std::string Frequency(const std::string& t, long double fs) {
    return ValidateEdit(t, 0.1L, fs * 0.5L, 5, 1000);
}
} // namespace

TEST(ParsePlain, readsDecimalTextsWithAFullStopOnly) {
    EXPECT_EQ(ParsePlain("1000"), 1000.0L);
    EXPECT_EQ(ParsePlain(" -2.5 "), -2.5L);
    EXPECT_EQ(ParsePlain(".5"), 0.5L);
    EXPECT_EQ(ParsePlain("1e3"), 1000.0L);
    EXPECT_FALSE(ParsePlain(""));
    EXPECT_FALSE(ParsePlain("1,5"));
    EXPECT_FALSE(ParsePlain("12abc"));
    EXPECT_FALSE(ParsePlain("0x10"));
    EXPECT_FALSE(ParsePlain("inf"));
    EXPECT_FALSE(ParsePlain("nan"));
    EXPECT_FALSE(ParsePlain("1e99999"));
    EXPECT_FALSE(ParsePlain("-"));
    EXPECT_FALSE(ParsePlain("1e"));
}

TEST(ParseWhole, acceptsOnlySignedDigitsThatFit32Bits) {
    EXPECT_EQ(ParseWhole("-40"), -40);
    EXPECT_EQ(ParseWhole("+6"), 6);
    EXPECT_FALSE(ParseWhole("-3.5"));
    EXPECT_FALSE(ParseWhole(""));
    EXPECT_FALSE(ParseWhole("-"));
    EXPECT_EQ(ParseWhole("2147483647"), 2147483647);
    EXPECT_FALSE(ParseWhole("2147483648"));
    EXPECT_FALSE(ParseWhole("99999999999999999999"));
}

TEST(ParseNumber, readsCommaAndPointAlikeWhenACommaIsPresent) {
    EXPECT_EQ(ParseNumber("1,5"), 1.5f);
    EXPECT_EQ(ParseNumber("1.5"), 1.5f);
    EXPECT_FALSE(ParseNumber("1.000,5")); // becomes 1.000.5
    EXPECT_FALSE(ParseNumber("1e39"));    // beyond a 32-bit float
    // Only 32-bit precision survives.
    EXPECT_EQ(ParseNumber("1000.12345"), 1000.12345f);
}

TEST(RoundEven, breaksTiesTowardsEven) {
    EXPECT_EQ(RoundEven(0.5L), 0.0L);
    EXPECT_EQ(RoundEven(1.5L), 2.0L);
    EXPECT_EQ(RoundEven(2.5L), 2.0L);
    EXPECT_EQ(RoundEven(-2.5L), -2.0L);
    EXPECT_EQ(RoundEven(-3.6L), -4.0L);
}

TEST(FormatGeneral, writesShortestTextsWithAFullStop) {
    EXPECT_EQ(FormatGeneral(1000), "1000");
    EXPECT_EQ(FormatGeneral(44.1L), "44.1");
    EXPECT_EQ(FormatGeneral(-0.0L), "0");
    EXPECT_EQ(FormatGeneral(static_cast<long double>(466.163757324219f)), "466.163757324219");
    EXPECT_EQ(FormatGeneral(1e20L), "1E20");
    EXPECT_EQ(FormatGeneral(0.00001L), "1E-5");
    EXPECT_EQ(FormatGeneral(123456789012345.0L), "123456789012345");
}

TEST(ValidateEdit, amplitudeRoundsToWholeDecibelsWithinRange) {
    EXPECT_EQ(Amplitude("-3.6"), "-4");
    EXPECT_EQ(Amplitude("-2.5"), "-2");
    EXPECT_EQ(Amplitude("7"), "0");
    EXPECT_EQ(Amplitude("-0.4"), "0");
    EXPECT_EQ(Amplitude("-150"), "-100");
    EXPECT_EQ(Amplitude("loud"), "0");
    EXPECT_EQ(Amplitude("1.000,5"), "0");
}

TEST(ValidateEdit, durationHasALowerLimitAndFourDecimals) {
    EXPECT_EQ(Duration("0"), "0.1");
    EXPECT_EQ(Duration("123456"), "123456");
    EXPECT_EQ(Duration("2.123456"), "2.1235");
    EXPECT_EQ(Duration("x"), "1");
}

TEST(ValidateEdit, depthAndPhaseClampAndFallBack) {
    EXPECT_EQ(Depth("150"), "100");
    EXPECT_EQ(Depth("1,5"), "1.5");
    EXPECT_EQ(Depth(""), "100");
    EXPECT_EQ(ValidateEdit("-10", 0, Inf, 4, 0), "0");
}

TEST(ValidateEdit, frequencyKeepsOnly32BitPrecisionBeforeRounding) {
    EXPECT_EQ(Frequency("1000.12345", 44100), "1000.12347");
    EXPECT_EQ(Frequency("30000", 44100), "22050");
    EXPECT_EQ(Frequency("0", 44100), "0.1");
    EXPECT_EQ(Frequency("123.4567891", 44100), "123.45679");
}
