#include "engine/pcmrouting.h"

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

TEST(PcmRoutingTest, MonoTypePicksOrMixesAndUnknownValuesMix)
{
    int16_t left[1] = {}, right[1] = {};
    struct Case {
        int32_t monoType;
        void* expectedLeft;
        void* expectedRight;
    };
    const Case cases[] = {{0, left, right}, {1, left, nullptr}, {2, right, nullptr},
                          {3, left, right}, {-1, left, right},  {1000, left, right}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.monoType);
        const RoutedChannels routed = routeChannels(left, right, 2, 1, c.monoType);
        EXPECT_EQ(c.expectedLeft, routed.left);
        EXPECT_EQ(c.expectedRight, routed.right);
        EXPECT_EQ(c.expectedRight ? 2 : 1, routed.channels);
        EXPECT_EQ(routed.channels, routedChannels(2, 1, c.monoType));
    }
    // The mono type matters only when channels are dropped.
    EXPECT_EQ(2, routeChannels(left, right, 2, 2, 1).channels);
    const RoutedChannels mono = routeChannels(left, nullptr, 1, 2, 2);
    EXPECT_EQ(left, mono.left);
    EXPECT_EQ(1, mono.channels);
}

TEST(PcmRoutingTest, ConverterRunsForRateWidthDuplicationOrMixOnly)
{
    const PcmFormat stereo16{44100, 2, 16};
    EXPECT_FALSE(converterNeeded(stereo16, stereo16, 0));
    EXPECT_TRUE(converterNeeded(stereo16, {48000, 2, 16}, 0));
    EXPECT_TRUE(converterNeeded(stereo16, {44100, 2, 8}, 0));
    EXPECT_TRUE(converterNeeded({44100, 1, 16}, stereo16, 1)) << "mono to stereo duplicates";
    // Fewer channels: a mix needs the converter, a pick does not.
    EXPECT_TRUE(converterNeeded(stereo16, {44100, 1, 16}, 0));
    EXPECT_TRUE(converterNeeded(stereo16, {44100, 1, 16}, 7));
    EXPECT_FALSE(converterNeeded(stereo16, {44100, 1, 16}, 1));
    EXPECT_FALSE(converterNeeded(stereo16, {44100, 1, 16}, 2));
    EXPECT_TRUE(converterNeeded(stereo16, {22050, 1, 16}, 2)) << "a pick with a rate change still converts";
}

} // namespace
} // namespace sonivert::test
