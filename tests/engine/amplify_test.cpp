#include "engine/amplify.h"

#include <gtest/gtest.h>

#include <vector>

namespace sonivert::test {
namespace {

// What a conversion routine does with a block: amplify only when the setting
// yields a gain.
template <typename Sample>
std::vector<Sample> amplified(std::vector<Sample> samples, int32_t coefficient, bool enabled = true)
{
    if (const std::optional<float> gain = amplifyGain(enabled, coefficient))
        amplify(samples.data(), nullptr, static_cast<int32_t>(samples.size()), 1, *gain);
    return samples;
}

using S16 = std::vector<int16_t>;
using U8 = std::vector<uint8_t>;

TEST(AmplifyTest, CoefficientOf100IsOffAndLeavesEvenMinus32768Untouched)
{
    const S16 extremes{-32768, -1, 0, 1, 32767};
    EXPECT_EQ(extremes, amplified(extremes, 100));
    EXPECT_EQ(extremes, amplified(extremes, 200, false)) << "the flag off disables any coefficient";
    // Applied as a factor of 1 the same block would not survive: the clip
    // range is symmetric.
    S16 block = extremes;
    amplify(block.data(), nullptr, 5, 1, 1.0f);
    EXPECT_EQ(-32767, block[0]);
}

TEST(AmplifyTest, SixteenBitTruncatesTowardZeroAndClipsSymmetrically)
{
    EXPECT_EQ((S16{32767, -32767, 2, -2}), amplified<int16_t>({20000, -20000, 1, -1}, 200));
    EXPECT_EQ((S16{1, -1, 0, 16383}), amplified<int16_t>({3, -3, 1, 32767}, 50));
    EXPECT_EQ((S16{-32767, 32767, 30}), amplified<int16_t>({-32768, 32767, 1}, 3000));
}

TEST(AmplifyTest, EightBitWorksAroundTheMidpoint)
{
    // 0.5 x 1 and 0.5 x -1 truncate to 0, both staying at silence; 0.5 x 127
    // truncates to 63.
    EXPECT_EQ((U8{128, 128, 191, 64}), amplified<uint8_t>({129, 127, 255, 0}, 50));
    // 2 x 127 and 2 x -128 clip to 127 and -128.
    EXPECT_EQ((U8{255, 0, 130, 126}), amplified<uint8_t>({255, 0, 129, 127}, 200));
}

TEST(AmplifyTest, RightChannelOnlyWhenTwoChannels)
{
    S16 left{1000}, right{1000};
    amplify(left.data(), right.data(), 1, 1, 2.0f);
    EXPECT_EQ(2000, left[0]);
    EXPECT_EQ(1000, right[0]);
    amplify(left.data(), right.data(), 1, 2, 2.0f);
    EXPECT_EQ(4000, left[0]);
    EXPECT_EQ(2000, right[0]);
}

} // namespace
} // namespace sonivert::test
