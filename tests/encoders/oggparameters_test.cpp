// The Ogg Vorbis parameter rules as tables: the explicit settings with
// snapping to the Ogg lists and the limits each rate and channel count
// impose, the automatic rule, and when the converter or a channel pick runs.

#include "encoders/oggparameters.h"
#include "settings/conversionsettings.h"

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

struct Case {
    const char* name;
    int32_t rateSetting, kbpsSetting, channelsSetting, monoType;
    OggSourceFacts source;
    int32_t rate, channels, kbps;
    bool converter;
};

TEST(ChooseOggParameters, ExplicitSettings)
{
    const OggSourceFacts wavStereo{kInputWav, 44100, 2, 16, 1411};
    const OggSourceFacts wavMono{kInputWav, 44100, 1, 16, 705};
    const Case cases[] = {
        {"500 snaps to 480", 44100, 500, 2, 0, wavStereo, 44100, 2, 480, false},
        {"480 is then clamped to 160 at 22050 Hz stereo", 22050, 500, 2, 0, wavStereo, 22050, 2, 160, true},
        {"8 is raised to 32 at 44100 Hz mono", 44100, 8, 1, 1, wavStereo, 44100, 1, 32, false},
        {"8 is raised to 48 at 44100 Hz stereo", 44100, 8, 2, 0, wavStereo, 44100, 2, 48, false},
        {"a mono source up-mixed to two channels", 44100, 128, 2, 0, wavMono, 44100, 2, 128, true},
        {"stereo to mono mixed by MonoType 0", 44100, 128, 1, 0, wavStereo, 44100, 1, 128, true},
        {"stereo to mono by a pick needs no converter", 44100, 128, 1, 2, wavStereo, 44100, 1, 128, false},
        {"11000 Hz snaps to 11025", 11000, 64, 2, 0, wavStereo, 11025, 2, 64, true},
        {"rate and channels 0 are the source's", 0, 96, 0, 0, wavMono, 44100, 1, 96, false},
        {"an 8-bit source is widened", 0, 96, 0, 0, {kInputWav, 44100, 1, 8, 352}, 44100, 1, 96, true},
        {"bit rate 0 from an Ogg source", 44100, 0, 2, 0, {kInputOgg, 44100, 2, 16, 190}, 44100, 2, 192, false},
        {"bit rate 0 from an MP3 source, clamped", 8000, 0, 1, 0, {kInputMp3, 8000, 1, 16, 128}, 8000, 1, 40, false},
        {"bit rate 0 from a WAV source by the rule", 22050, 0, 1, 0, wavStereo, 22050, 1, 48, true},
        {"unknown source bit rate gives the minimum", 32000, 0, 2, 0, {kInputOgg, 32000, 2, 16, 0}, 32000, 2, 40,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConversionSettings s{std::nullopt};
        s.AutoDestOGGEncodingParam = 0;
        s.OGGSampleRate = c.rateSetting;
        s.OGGBitRate = c.kbpsSetting;
        s.OGGChannels = c.channelsSetting;
        s.MonoType = c.monoType;
        const OggParameters p = chooseOggParameters(s, c.source);
        EXPECT_EQ(c.rate, p.sampleRate);
        EXPECT_EQ(c.channels, p.channels);
        EXPECT_EQ(c.kbps, p.kbps);
        EXPECT_EQ(c.converter, p.converterNeeded);
        EXPECT_EQ(c.monoType, p.monoType);
    }
}

TEST(ChooseOggParameters, AutomaticKeepsEveryChannel)
{
    ConversionSettings s{std::nullopt};
    s.AutoDestOGGEncodingParam = 1;
    s.OGGChannels = 1; // not consulted
    s.OGGBitRate = 480;
    s.MonoType = 2;
    const Case cases[] = {
        {"44100 Hz stereo as it is", 0, 0, 0, 0, {kInputWav, 44100, 2, 16, 0}, 44100, 2, 128, false},
        {"6000 Hz mono resampled", 0, 0, 0, 0, {kInputWav, 6000, 1, 16, 0}, 11025, 1, 24, true},
        {"8-bit at a listed rate widened", 0, 0, 0, 0, {kInputWav, 22050, 2, 8, 0}, 22050, 2, 64, true},
        {"96000 Hz down to 48000", 0, 0, 0, 0, {kInputOgg, 96000, 2, 16, 500}, 48000, 2, 192, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OggParameters p = chooseOggParameters(s, c.source);
        EXPECT_EQ(c.rate, p.sampleRate);
        EXPECT_EQ(c.channels, p.channels);
        EXPECT_EQ(c.kbps, p.kbps);
        EXPECT_EQ(c.converter, p.converterNeeded);
        EXPECT_EQ(0, p.monoType);
    }
    EXPECT_EQ(44100, oggFactoryRate(s));
    s.AutoDestOGGEncodingParam = 0;
    s.OGGSampleRate = 22050;
    EXPECT_EQ(22050, oggFactoryRate(s));
    s.OGGSampleRate = 0;
    EXPECT_EQ(44100, oggFactoryRate(s));
}

} // namespace
} // namespace sonivert::test
