#include "encoders/wmaformatlist.h"
#include "encoders/wmaparameters.h"
#include "settings/conversionsettings.h"
#include "sources/wmaruntime.h"
#include "tests/support/wmaruntimesupport.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

namespace sonivert::test {
namespace {

// A codec format as the run-time describes one.
WmaFormat format(int32_t rate, int32_t bitRate, int32_t channels,
                 const wmvcore::Guid& subtype = wmvcore::kSubtypeWmAudioV8)
{
    wmvcore::WaveFormatEx wave;
    wave.formatTag = static_cast<uint16_t>(subtype.data1);
    wave.channels = static_cast<uint16_t>(channels);
    wave.samplesPerSecond = static_cast<uint32_t>(rate);
    wave.averageBytesPerSecond = static_cast<uint32_t>(bitRate / 8);
    wave.blockAlign = 4096;
    wave.bitsPerSample = 16;
    std::array<uint8_t, wmvcore::kWaveFormatExSize> bytes{};
    wmvcore::writeWaveFormat(wave, bytes.data());
    wmvcore::MediaType header;
    header.majorType = wmvcore::kMediaTypeAudio;
    header.subtype = subtype;
    header.formatType = wmvcore::kFormatWaveFormatEx;
    return *WmaFormat::fromMediaType(wmvcore::makeMediaTypeBlock(header, bytes), bitRate);
}

using Entry = std::tuple<int32_t, int32_t, int32_t>; // rate, bit rate, channels

std::vector<Entry> entriesOf(const WmaFormatList& list)
{
    std::vector<Entry> out;
    for (const WmaFormat& f : list.entries())
        out.emplace_back(f.sampleRate(), f.bitRate(), f.channels());
    return out;
}

WmaFormatList listOf(std::initializer_list<Entry> entries)
{
    WmaFormatList list;
    for (const auto& [rate, bitRate, channels] : entries)
        list.insert(format(rate, bitRate, channels));
    return list;
}

Entry chosen(const WmaFormatList& list, int32_t rate, int32_t bitRate, int32_t channels)
{
    const std::optional<WmaFormat> f = ChooseWmaFormat(list, rate, bitRate, channels);
    if (!f)
        return {0, 0, 0};
    return {f->sampleRate(), f->bitRate(), f->channels()};
}

TEST(WmaFormatList, InsertionSortsByRateThenBitRateAndDropsRepeats)
{
    WmaFormatList list;
    EXPECT_TRUE(list.insert(format(44100, 128000, 2)));
    EXPECT_TRUE(list.insert(format(22050, 32000, 2)));
    EXPECT_TRUE(list.insert(format(44100, 64000, 2)));
    EXPECT_TRUE(list.insert(format(44100, 128000, 1))); // goes before the stereo entry of its rate and bit rate
    EXPECT_TRUE(list.insert(format(48000, 24000, 1)));
    EXPECT_FALSE(list.insert(format(44100, 64000, 2)));
    // A repeat of the stereo entry is found behind its mono neighbour too.
    EXPECT_FALSE(list.insert(format(44100, 128000, 2)));
    EXPECT_EQ((std::vector<Entry>{{22050, 32000, 2},
                                  {44100, 64000, 2},
                                  {44100, 128000, 1},
                                  {44100, 128000, 2},
                                  {48000, 24000, 1}}),
              entriesOf(list));
}

TEST(WmaFormatList, ChooseTakesExactOrNearestAtTheRateWithTiesGoingUp)
{
    const WmaFormatList tie = listOf({{44100, 96000, 2}, {44100, 160000, 2}, {44100, 128000, 1}});
    EXPECT_EQ(Entry(44100, 160000, 2), chosen(tie, 44100, 128000, 2)); // both 32000 away
    EXPECT_EQ(Entry(44100, 128000, 1), chosen(tie, 44100, 128000, 1)); // exact, mono only
    const WmaFormatList nearer = listOf({{44100, 112000, 2}, {44100, 160000, 2}});
    EXPECT_EQ(Entry(44100, 112000, 2), chosen(nearer, 44100, 128000, 2));
    EXPECT_EQ(Entry(44100, 160000, 2), chosen(nearer, 44100, 150000, 2));
    EXPECT_EQ(Entry(44100, 112000, 2), chosen(nearer, 44100, 8000, 2)); // below all: the first above
}

TEST(WmaFormatList, ChooseFallsBackToOtherRatesByTheRules)
{
    const WmaFormatList list = listOf({{16000, 32000, 2},
                                       {16000, 20000, 2},
                                       {16000, 16000, 1},
                                       {44100, 64000, 2},
                                       {44100, 96000, 2},
                                       {48000, 192000, 2},
                                       {48000, 320000, 2}});
    // Only entries below the wanted bit rate at the rate: the highest of them,
    // not the higher rate's.
    EXPECT_EQ(Entry(44100, 96000, 2), chosen(list, 44100, 128000, 2));
    // No entry at the rate: the lowest bit rate of the next higher rate.
    EXPECT_EQ(Entry(16000, 20000, 2), chosen(list, 11025, 128000, 2));
    EXPECT_EQ(Entry(48000, 192000, 2), chosen(list, 46000, 32000, 2));
    // Above every rate: the last entry.
    EXPECT_EQ(Entry(48000, 320000, 2), chosen(list, 96000, 64000, 2));
    EXPECT_EQ(Entry(16000, 16000, 1), chosen(list, 96000, 64000, 1));
    // No entry of the channel count at all.
    EXPECT_FALSE(ChooseWmaFormat(listOf({{44100, 128000, 2}}), 44100, 128000, 1));
    EXPECT_FALSE(ChooseWmaFormat(WmaFormatList(), 44100, 128000, 2));
}

TEST(WmaFormatList, RebuildListsTheRunTimeFormatsOrNothingWithoutIt)
{
    hideWmaRuntime();
    WmaFormatList list = listOf({{44100, 128000, 2}});
    EXPECT_FALSE(LoadWmaRuntime());
    EXPECT_FALSE(RebuildWmaFormatList(list));
    EXPECT_EQ(1u, list.size()) << "without the run-time the list stays as it was";

    useBuiltWmaRuntime();
    ASSERT_TRUE(LoadWmaRuntime());
    ASSERT_TRUE(RebuildWmaFormatList(list));
    ASSERT_FALSE(list.empty());
    const std::vector<Entry> entries = entriesOf(list);
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
    }));
    for (const WmaFormat& f : list.entries()) {
        EXPECT_EQ(wmvcore::kSubtypeWmAudioV8, f.subtype());
        EXPECT_TRUE(f.channels() == 1 || f.channels() == 2);
    }
    // The formats the automatic table asks for are offered as such.
    for (const Entry& wanted : {Entry{44100, 48000, 1}, Entry{44100, 128000, 2}, Entry{48000, 192000, 2},
                                Entry{22050, 32000, 2}})
        EXPECT_EQ(wanted, chosen(list, std::get<0>(wanted), std::get<1>(wanted), std::get<2>(wanted)));
    // Rebuilding gives the same list again, not a longer one.
    const size_t size = list.size();
    ASSERT_TRUE(RebuildWmaFormatList(list));
    EXPECT_EQ(size, list.size());
}

TEST(WmaParameters, AutomaticTableFollowsSourceRateAndChannels)
{
    ConversionSettings s{std::nullopt};
    s.AutoDestWMAEncodingParam = 1;
    auto wanted = [&](int32_t rate, int32_t channels) { return chooseWmaParameters(s, rate, channels); };
    EXPECT_EQ((WmaParameters{44100, 48000, 1, 1}), wanted(22050, 1));
    EXPECT_EQ((WmaParameters{22050, 20000, 1, 1}), wanted(12000, 1));
    EXPECT_EQ((WmaParameters{44100, 32000, 1, 1}), wanted(12001, 1));
    EXPECT_EQ((WmaParameters{44100, 48000, 1, 1}), wanted(96000, 1));
    EXPECT_EQ((WmaParameters{22050, 32000, 2, 2}), wanted(8000, 2));
    EXPECT_EQ((WmaParameters{44100, 64000, 2, 2}), wanted(24000, 2));
    EXPECT_EQ((WmaParameters{44100, 96000, 2, 2}), wanted(32000, 2));
    EXPECT_EQ((WmaParameters{44100, 128000, 2, 2}), wanted(44100, 2));
    EXPECT_EQ((WmaParameters{48000, 192000, 2, 2}), wanted(44101, 2));
    EXPECT_EQ(44100, wmaFactoryRate(s));
}

TEST(WmaParameters, ExplicitSettingsPickOneChannelOnlyForLeftOrRight)
{
    ConversionSettings s{std::nullopt};
    s.AutoDestWMAEncodingParam = 0;
    s.WMASampleRate = 32000;
    s.WMABitRate = 64000;
    s.WMAChannels = 1;
    s.MonoType = 2;
    EXPECT_EQ((WmaParameters{32000, 64000, 1, 1}), chooseWmaParameters(s, 44100, 2));
    s.MonoType = 0; // mixing is the run-time's: both channels go in
    EXPECT_EQ((WmaParameters{32000, 64000, 1, 2}), chooseWmaParameters(s, 44100, 2));
    s.WMAChannels = 2;
    EXPECT_EQ((WmaParameters{32000, 64000, 2, 1}), chooseWmaParameters(s, 22050, 1));
    EXPECT_EQ(32000, wmaFactoryRate(s));
}

} // namespace
} // namespace sonivert::test
