#include "synth/ArcTan.h"
#include "synth/SimdLevel.h"
#include "synth/Sine.h"
#include "synth/SineBlock.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

using namespace quavril;

namespace {
bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
} // namespace

TEST(Sine, staysWithinOneUnitInTheLastPlaceOfTheLibrary) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> phase(-20.0, 20.0);
    for (int i = 0; i < 200000; ++i) {
        const double x = phase(random);
        const double ours = Sine(x), library = std::sin(x);
        const double ulp = std::nextafter(std::fabs(library), 2.0) - std::fabs(library);
        ASSERT_LE(std::fabs(ours - library), ulp) << x;
        ASSERT_LE(std::fabs(Cosine(x) - std::cos(x)),
                  std::nextafter(std::fabs(std::cos(x)), 2.0) - std::fabs(std::cos(x)))
            << x;
    }
    EXPECT_EQ(std::lrint(Sine(2 * std::numbers::pi / 48) * 32767), 4277);
    EXPECT_EQ(Sine(0.0), 0.0);
    EXPECT_EQ(Cosine(0.0), 1.0);
}

namespace {
struct SineBlockAtLevel : ::testing::TestWithParam<SimdLevel> {
    SimdLevel before = ActiveSimdLevel();
    void SetUp() override { ASSERT_EQ(SetSimdLevel(GetParam()), GetParam()); }
    void TearDown() override { SetSimdLevel(before); }
};
} // namespace

INSTANTIATE_TEST_SUITE_P(EveryLevel, SineBlockAtLevel, ::testing::ValuesIn(AvailableSimdLevels()),
                         [](const auto& info) { return std::string(SimdLevelName(info.param)); });

TEST_P(SineBlockAtLevel, givesTheSameBitsAsTheScalarSine) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> phase(-30.0, 30.0);
    std::vector<double> x(1003);
    for (double& v : x)
        v = phase(random);
    // Values the vector kernel hands to the scalar path.
    x[5] = 2.0e6;
    x[17] = std::numeric_limits<double>::quiet_NaN();
    x[18] = -0.0;
    x[1001] = 1.0e300;
    std::vector<double> out(x.size());
    for (int count : {0, 1, 3, 4, 5, 7, 8, 1003}) {
        for (int quadrant : {0, 1}) {
            SineBlock(x.data(), out.data(), count, quadrant);
            for (int i = 0; i < count; ++i) {
                const double expected = quadrant == 0 ? Sine(x[i]) : Cosine(x[i]);
                if (std::isnan(x[i]))
                    ASSERT_TRUE(std::isnan(out[i]));
                else
                    ASSERT_TRUE(SameBits(out[i], expected)) << i << " of " << count;
            }
        }
    }
}

TEST(ArcTan, staysWithinOneUnitInTheLastPlaceOfTheLibrary) {
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0), exponent(-40.0, 40.0);
    for (int i = 0; i < 200000; ++i) {
        const double x = std::ldexp(mantissa(random), static_cast<int>(exponent(random)));
        const double ours = ArcTan(x), library = std::atan(x);
        const double ulp = std::nextafter(std::fabs(library), 4.0) - std::fabs(library);
        ASSERT_LE(std::fabs(ours - library), ulp) << x;
    }
    EXPECT_EQ(ArcTan(0.0), 0.0);
    EXPECT_EQ(ArcTan(1.0e300), std::atan(1.0e300));
    EXPECT_EQ(ArcTan(-1.0), std::atan(-1.0));
    EXPECT_TRUE(std::isnan(ArcTan(std::numeric_limits<double>::quiet_NaN())));
}
