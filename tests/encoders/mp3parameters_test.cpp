// The MP3 parameter rules as tables: snapping to the rate and bit-rate lists,
// the automatic rate rule, and the explicit settings with the bit-rate limits
// each sample rate imposes.

#include "encoders/mp3parameters.h"
#include "settings/conversionsettings.h"

#include <gtest/gtest.h>

#include <climits>

namespace sonivert::test {
namespace {

TEST(SnapToList, NearestEntryWithTiesGoingDown)
{
    const struct {
        int32_t value;
        bool rates; // the sample-rate list, else the bit-rate list
        int32_t expected;
    } cases[] = {
        {130, false, 128},   {136, false, 128},  {137, false, 144},       {152, false, 144},
        {144, false, 144},   {0, false, 8},      {-5, false, 8},          {400, false, 320},
        {INT_MAX, false, 320}, {INT_MIN, false, 8}, {11000, true, 11025}, {11513, true, 12000},
        {11512, true, 11025}, {44100, true, 44100}, {96000, true, 48000}, {1, true, 8000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(c.expected, SnapToList(c.value, c.rates ? mp3SampleRates() : mp3BitRates()));
    }
}

TEST(AutoRateRule, BoundariesAndChannelColumns)
{
    const struct {
        int32_t rate, channels;
        AutoRate expected;
    } cases[] = {
        {6000, 1, {11025, 24}},  {11025, 2, {11025, 48}}, {11026, 1, {12000, 24}}, {16000, 2, {16000, 56}},
        {22050, 1, {22050, 48}}, {24000, 2, {24000, 64}}, {32000, 1, {32000, 64}}, {44100, 2, {44100, 128}},
        {44101, 1, {48000, 128}}, {96000, 2, {48000, 192}}, {8000, 0, {11025, 48}}, {8000, 6, {11025, 48}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) + " channels");
        EXPECT_EQ(c.expected, AutoRateRule(c.rate, c.channels));
    }
}

struct ExplicitCase {
    const char* name;
    int32_t sampleRateSetting, bitRateSetting, channelModeSetting, monoType;
    Mp3SourceFacts source;
    int32_t inputChannels;
    std::optional<int32_t> mode;
    int32_t rate;
    std::optional<int32_t> kbps;
    bool pick;
};

TEST(ChooseMp3Parameters, ExplicitSettings)
{
    const Mp3SourceFacts wavStereo{kInputWav, 44100, 2, 1411, ChannelMode::Stereo};
    const Mp3SourceFacts wavMono{kInputWav, 44100, 1, 705, ChannelMode::Mono};
    const ExplicitCase cases[] = {
        {"11000 Hz snaps to 11025 and caps 128 at 64", 11000, 128, 1, 0, wavStereo, 2, 1, 11025, 64, false},
        {"22050 Hz caps 320 at 160", 22050, 320, 1, 0, wavStereo, 2, 1, 22050, 160, false},
        {"44100 Hz raises 8 to 32", 44100, 8, 1, 0, wavStereo, 2, 1, 44100, 32, false},
        {"130 snaps to 128", 44100, 130, 0, 0, wavStereo, 2, 0, 44100, 128, false},
        {"136 is as near to 128 as to 144: 128", 44100, 136, 0, 0, wavStereo, 2, 0, 44100, 128, false},
        {"rate 0 keeps the source's rate, snapped", 0, 128, 1, 0, {kInputWav, 44000, 2, 0, ChannelMode::Stereo}, 2, 1, 44100, 128, false},
        {"bit rate 0 on WAV: automatic rule for the snapped rate, stereo", 22050, 0, 1, 0, wavStereo, 2, 1, 22050, 64, false},
        {"bit rate 0 on WAV: automatic rule, mono output", 22050, 0, 3, 0, wavStereo, 2, 3, 22050, 48, false},
        {"bit rate 0 on MP3: the source's", 44100, 0, 1, 0, {kInputMp3, 44100, 2, 192, ChannelMode::JointStereo}, 2, 1, 44100, 192, false},
        {"bit rate 0 on Ogg: the source's, snapped", 44100, 0, 1, 0, {kInputOgg, 44100, 2, 100, ChannelMode::Stereo}, 2, 1, 44100, 96, false},
        {"bit rate 0 on an MP3 of unknown rate: none", 44100, 0, 1, 0, {kInputMp3, 44100, 2, 0, ChannelMode::Stereo}, 2, 1, 44100, std::nullopt, false},
        {"negative bit rate: none", 44100, -64, 1, 0, wavStereo, 2, 1, 44100, std::nullopt, false},
        {"mono of a stereo source, left picked", 44100, 128, 3, 1, wavStereo, 1, 3, 44100, 128, true},
        {"mono of a stereo source, right picked", 44100, 128, 3, 2, wavStereo, 1, 3, 44100, 128, true},
        {"mono of a stereo source, mixed by the library", 44100, 128, 3, 0, wavStereo, 2, 3, 44100, 128, false},
        {"an unknown mono type mixes", 44100, 128, 3, 9, wavStereo, 2, 3, 44100, 128, false},
        {"mono source stays one input channel in joint stereo", 44100, 128, 1, 1, wavMono, 1, 1, 44100, 128, false},
        {"as source: WAV stereo is joint stereo", 44100, 128, 4, 0, wavStereo, 2, 1, 44100, 128, false},
        {"as source: WAV mono is mono", 44100, 128, 4, 0, wavMono, 1, 3, 44100, 128, false},
        {"as source: MP3 dual channel", 44100, 128, 4, 0, {kInputMp3, 44100, 2, 128, ChannelMode::DualChannel}, 2, 2, 44100, 128, false},
        {"as source: MP3 stereo", 44100, 128, 4, 0, {kInputMp3, 44100, 2, 128, ChannelMode::Stereo}, 2, 0, 44100, 128, false},
        {"as source: an MP3 read without its mode", 44100, 128, 4, 0, {kInputMp3, 44100, 1, 128, ChannelMode::NotMpeg}, 1, 3, 44100, 128, false},
    };
    for (const ExplicitCase& c : cases) {
        SCOPED_TRACE(c.name);
        ConversionSettings s{std::nullopt};
        s.AutoDestMP3EncodingParam = 0;
        s.MP3SampleRate = c.sampleRateSetting;
        s.MP3BitRate = c.bitRateSetting;
        s.MP3ChannelMode = c.channelModeSetting;
        s.MonoType = c.monoType;
        const Mp3Parameters p = chooseMp3Parameters(s, c.source);
        EXPECT_EQ(c.inputChannels, p.inputChannels);
        EXPECT_EQ(c.mode, p.mode);
        EXPECT_EQ(c.rate, p.outputSampleRate);
        EXPECT_EQ(c.kbps, p.bitRate);
        EXPECT_EQ(c.pick, p.pickOneChannel);
        EXPECT_EQ(c.sampleRateSetting < 1 ? 44100 : c.sampleRateSetting, mp3FactoryRate(s));
    }
}

TEST(ChooseMp3Parameters, AutomaticModeFollowsTheSourceAndLeavesTheModeToTheLibrary)
{
    ConversionSettings s{std::nullopt};
    s.AutoDestMP3EncodingParam = 1;
    s.MP3SampleRate = 8000; // ignored in automatic mode
    s.MP3BitRate = 320;
    s.MP3ChannelMode = 3;
    s.MonoType = 1;
    Mp3Parameters p = chooseMp3Parameters(s, {kInputWav, 6000, 1, 96, ChannelMode::Mono});
    EXPECT_EQ(1, p.inputChannels);
    EXPECT_EQ(11025, p.outputSampleRate);
    EXPECT_EQ(24, p.bitRate);
    EXPECT_FALSE(p.mode);
    EXPECT_FALSE(p.pickOneChannel);
    EXPECT_EQ(44100, mp3FactoryRate(s));

    p = chooseMp3Parameters(s, {kInputFlac, 96000, 2, 0, ChannelMode::Stereo});
    EXPECT_EQ(2, p.inputChannels);
    EXPECT_EQ(48000, p.outputSampleRate);
    EXPECT_EQ(192, p.bitRate);
}

} // namespace
} // namespace sonivert::test
