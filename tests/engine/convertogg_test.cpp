// The Ogg Vorbis conversion routine on real files, checked with ffprobe,
// vorbiscomment, oggdec and sox: automatic and explicit parameters with the
// bit-rate limits, up-mixing and channel picks, amplification, comments by
// each tag source (an Ogg source's own comments included), and Cancel.

#include "engine/conversionjob.h"
#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/ffprobeinfo.h"
#include "tests/support/oggprobe.h"
#include "tests/support/soxprobe.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

class ConvertOggTest : public testing::Test {
protected:
    std::string tone(const std::string& name, const std::string& format, const std::string& synth)
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand("sox -R -n " + format + " " + shellQuote(path) + " synth " + synth));
        return path;
    }
    Outcome convert(const std::string& source, const std::string& target, InputTypeCode code = kInputWav)
    {
        return routines.convertToOgg(code, source, target, progress, 1);
    }
    // The output decoded by oggdec into a WAV file that sox can measure.
    std::string decoded(const std::string& ogg)
    {
        const std::string wav = ogg + ".wav";
        EXPECT_EQ(0, runCommand("oggdec -Q -o " + shellQuote(wav) + " " + shellQuote(ogg)));
        return wav;
    }
    void expectStream(const std::string& path, int rate, int channels, long long bitRate, double seconds)
    {
        const FfprobeInfo info = ffprobeInfo(path);
        EXPECT_EQ(rate, info.sampleRate);
        EXPECT_EQ(channels, info.channels);
        EXPECT_EQ(bitRate, info.bitRate); // the nominal rate of the identification header
        EXPECT_NEAR(seconds, ffprobeDurationSeconds(path), seconds * 0.01);
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    ConversionSettings settings{std::nullopt};
    ConversionRoutines routines{engine, settings};
    RecordingConversionProgress progress;
};

TEST_F(ConvertOggTest, AutomaticParametersKeepEveryChannel)
{
    settings.OGGID3TagType = kTagSourceNone;
    const std::string mono = tone("mono.wav", "-r 6000 -c 1 -b 16", "2 sine 440");
    ASSERT_TRUE(convert(mono, dir.file("mono.ogg")));
    expectStream(dir.file("mono.ogg"), 11025, 1, 24000, 2.0);
    EXPECT_EQ("Converting mono.wav...100%", progress.fileTexts.back());

    const std::string stereo = tone("stereo.wav", "-r 44100 -c 2 -b 8 -e unsigned", "2 sine 440 sine 1500");
    ASSERT_TRUE(convert(stereo, dir.file("stereo.ogg")));
    expectStream(dir.file("stereo.ogg"), 44100, 2, 128000, 2.0);
    EXPECT_NEAR(1500, soxStat(decoded(dir.file("stereo.ogg")), 2).roughFrequency, 75);
}

TEST_F(ConvertOggTest, ExplicitParametersWithTheirLimits)
{
    const std::string stereo = tone("stereo.wav", "-r 44100 -c 2 -b 16", "2 sine 440 sine 1500 vol 0.5");
    const std::string mono = tone("mono.wav", "-r 44100 -c 1 -b 16", "2 sine 440 vol 0.5");
    const struct {
        const char* name;
        const std::string& source;
        int rateSetting, kbpsSetting, channelsSetting, monoType;
        int rate, channels;
        long long bitRate;
        double frequency[2]; // of each decoded channel
    } cases[] = {
        {"500 snaps to 480, clamped to 160 at 22050 Hz stereo", stereo, 22050, 500, 2, 0, 22050, 2, 160000,
         {440, 1500}},
        {"8 raised to 32 at 44100 Hz mono, right picked", stereo, 44100, 8, 1, 2, 44100, 1, 32000, {1500, 0}},
        {"8 raised to 48 at 44100 Hz stereo", stereo, 44100, 8, 2, 0, 44100, 2, 48000, {440, 1500}},
        {"a mono source up-mixed to two channels", mono, 44100, 128, 2, 0, 44100, 2, 128000, {440, 440}},
    };
    settings.OGGID3TagType = kTagSourceNone;
    settings.AutoDestOGGEncodingParam = 0;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings.OGGSampleRate = c.rateSetting;
        settings.OGGBitRate = c.kbpsSetting;
        settings.OGGChannels = c.channelsSetting;
        settings.MonoType = c.monoType;
        const std::string target = dir.file("out" + std::to_string(n++) + ".ogg");
        ASSERT_TRUE(convert(c.source, target));
        expectStream(target, c.rate, c.channels, c.bitRate, 2.0);
        const std::string wav = decoded(target);
        for (int channel = 0; channel < c.channels; ++channel) {
            const SoxStat stat = soxStat(wav, channel + 1);
            EXPECT_NEAR(c.frequency[channel], stat.roughFrequency, c.frequency[channel] * 0.05);
            EXPECT_NEAR(0.5, stat.maximumAmplitude, 0.08);
        }
    }
}

TEST_F(ConvertOggTest, AmplificationBeforeEncoding)
{
    const std::string source = tone("in.wav", "-r 22050 -c 1 -b 16", "1 sine 440 vol 0.25");
    settings.OGGID3TagType = kTagSourceNone;
    settings.AmplifyOGG = 1;
    settings.AmplifyOGGCoeff = 200;
    ASSERT_TRUE(convert(source, dir.file("out.ogg")));
    EXPECT_NEAR(0.5, soxStat(decoded(dir.file("out.ogg"))).maximumAmplitude, 0.05);
}

TEST_F(ConvertOggTest, CommentsByTagSource)
{
    const std::string source = tone("song.wav", "-r 22050 -c 1 -b 16", "0.5 sine 440");
    settings.OGGID3TagType = kTagSourceDefaults;
    TagDefaults& d = settings.OGGTag;
    d.TitleAsFileName = 0;
    d.Title = "Caf\xC3\xA9";
    d.Artist = "Artist";
    d.TrackNumType = 0;
    ASSERT_TRUE(convert(source, dir.file("none.ogg")));
    EXPECT_EQ((std::vector<std::string>{"TITLE=Caf\xC3\xA9", "ARTIST=Artist"}),
              listVorbisComments(dir.file("none.ogg")));
    d.TrackNumType = 2;
    d.CustomTrackNum = 7;
    ASSERT_TRUE(convert(source, dir.file("seven.ogg")));
    EXPECT_EQ((std::vector<std::string>{"TITLE=Caf\xC3\xA9", "ARTIST=Artist", "TRACKNUMBER=7"}),
              listVorbisComments(dir.file("seven.ogg")));

    // Copied from an Ogg source through its own reader: the last ARTIST wins,
    // a lower-case key counts, and the bit rate 0 setting takes the source's
    // nominal 128, kept within 16..80 for the mono output.
    const std::string stereo = tone("stereo.wav", "-r 22050 -c 2 -b 16", "0.5 sine 440 sine 660");
    const std::string ogg = dir.file("tagged.ogg");
    ASSERT_EQ(0, runCommand("oggenc -Q -b 128 -c ARTIST=First -c ARTIST=Second -c title=Name -c tracknumber=5 -o " +
                            shellQuote(ogg) + " " + shellQuote(stereo)));
    settings.OGGID3TagType = kTagSourceCopy;
    settings.AutoDestOGGEncodingParam = 0;
    settings.OGGSampleRate = 0;
    settings.OGGChannels = 1;
    settings.OGGBitRate = 0;
    ASSERT_TRUE(convert(ogg, dir.file("copied.ogg"), kInputOgg));
    EXPECT_EQ((std::vector<std::string>{"TITLE=Name", "ARTIST=Second", "TRACKNUMBER=5"}),
              listVorbisComments(dir.file("copied.ogg")));
    expectStream(dir.file("copied.ogg"), 22050, 1, 80000, 0.5);

    settings.OGGID3TagType = kTagSourceNone;
    ASSERT_TRUE(convert(ogg, dir.file("bare.ogg"), kInputOgg));
    EXPECT_EQ(std::vector<std::string>{}, listVorbisComments(dir.file("bare.ogg")));
}

TEST_F(ConvertOggTest, CancelAndFailuresLeaveNoTarget)
{
    const std::string source = tone("in.wav", "-r 44100 -c 2 -b 16", "5 sine 440");
    const std::string target = dir.file("out.ogg");
    settings.OGGID3TagType = kTagSourceNone;
    progress.cancelAfterPumps = 3;
    EXPECT_FALSE(convert(source, target));
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(fs::exists(source));
    progress.cancelAfterPumps = 0;

    EXPECT_FALSE(convert(dir.file("missing.wav"), target));
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(convert(source, dir.file("no/folder/out.ogg")));
    const std::vector<uint8_t> original = readFileBytes(source);
    EXPECT_FALSE(convert(source, source));
    EXPECT_EQ(original, readFileBytes(source));
}

} // namespace
} // namespace sonivert::test
