// The noise kernels at every vector level against their per-sample definitions.
#include "synth/Oscillator.h"
#include "synth/PinkKernels.h"
#include "synth/SimdLevel.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace quavril;

namespace {
struct PinkKernels : ::testing::TestWithParam<SimdLevel> {
    SimdLevel before = ActiveSimdLevel();
    void SetUp() override { ASSERT_EQ(SetSimdLevel(GetParam()), GetParam()); }
    void TearDown() override { SetSimdLevel(before); }
};
} // namespace

INSTANTIATE_TEST_SUITE_P(EveryLevel, PinkKernels, ::testing::ValuesIn(AvailableSimdLevels()),
                         [](const auto& info) { return std::string(SimdLevelName(info.param)); });

TEST_P(PinkKernels, randomDrawsFollowTheGeneratorAcrossEveryBlockSize) {
    for (int count : {0, 1, 3, 4, 5, 15, 16, 17, 31, 32, 33, 1000}) {
        uint32_t seed = 0xFFFFFFF0u + static_cast<uint32_t>(count), reference = seed;
        std::vector<float> out(static_cast<size_t>(count) + 1, -7.0f);
        RandomFloats(seed, out.data(), count);
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(out[i], static_cast<float>(NextRandom(reference))) << i << " of " << count;
        EXPECT_EQ(seed, reference) << count;
        EXPECT_EQ(out[count], -7.0f) << "nothing written beyond the count";
    }
}

TEST_P(PinkKernels, rowSumsAddTheRowsInOrderWhateverTheChanges) {
    constexpr int Count = 40, Pitch = 48;
    std::mt19937 random(3);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    std::vector<float> fast(3 * Pitch);
    for (float& v : fast)
        v = value(random);
    float tail[10];
    for (float& v : tail)
        v = value(random);
    // Changes at the first and last lane of a group, two in one sample, and several of one row
    // in one group.
    const std::vector<PinkRowChange> changes = {
        {0, 3, value(random)},  {7, 4, value(random)},  {8, 4, value(random)},
        {9, 12, value(random)}, {9, 5, value(random)},  {10, 5, value(random)},
        {11, 5, value(random)}, {31, 3, value(random)}, {39, 11, value(random)}};
    std::vector<float> sums(Count);
    SumPinkRows(fast.data(), Pitch, tail, changes.data(), static_cast<int>(changes.size()),
                sums.data(), Count);
    float rows[13];
    for (int r = 3; r < 13; ++r)
        rows[r] = tail[r - 3];
    size_t next = 0;
    for (int j = 0; j < Count; ++j) {
        for (; next < changes.size() && changes[next].call == j; ++next)
            rows[changes[next].row] = changes[next].value;
        float sum = 0.0f;
        for (int r = 0; r < 13; ++r)
            sum += r < 3 ? fast[r * Pitch + j] : rows[r];
        ASSERT_EQ(sums[j], sum) << j;
    }
}

TEST_P(PinkKernels, samplesRoundAndKeepTheLow16BitsAtAnyScale) {
    const std::vector<float> sums = {0.0f, 13.0f, 6.5f, 3.25f, 9.75f, 1.0f, 12.0f, 6.4f, 7.1f};
    // Levels far beyond full scale wrap around in 16 bits, as the per-sample path does.
    const std::vector<double> scales = {32767, 32767, 32767, 3e9, 1e5, -2e4, 5e12, 32767, 327.67};
    for (int step : {1, 2}) {
        std::vector<int16_t> out(sums.size() * step, 99);
        PinkSamples(sums.data(), scales.data(), out.data(), step, static_cast<int>(sums.size()));
        for (size_t j = 0; j < sums.size(); ++j)
            ASSERT_EQ(out[j * step], Low16(RoundSample(PinkFromSum(sums[j]) * scales[j])))
                << j << " step " << step;
    }
}

TEST(SimdLevels, aLevelTheProcessorLacksFallsBackToTheBestItHas) {
    const SimdLevel before = ActiveSimdLevel();
    const auto levels = AvailableSimdLevels();
    ASSERT_FALSE(levels.empty());
    EXPECT_EQ(levels.front(), SimdLevel::Scalar);
    EXPECT_EQ(levels.back(), BestSimdLevel());
    EXPECT_EQ(SetSimdLevel(SimdLevel::Avx2), BestSimdLevel());
    EXPECT_EQ(SetSimdLevel(SimdLevel::Scalar), SimdLevel::Scalar);
    EXPECT_EQ(ActiveSimdLevel(), SimdLevel::Scalar);
    SetSimdLevel(before);
}
