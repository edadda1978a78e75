// The Opus conversion routine on real files, checked by opusinfo and
// ffmpeg: any source rate is taken (the header records it), the decoded
// length at 48 kHz is the source's, the level survives, the bit rate and
// channels follow Auto or the settings, and the comments come from each
// tag source.

#include "engine/conversionroutines.h"
#include "tests/engine/routinetest.h"
#include "engine/engine.h"
#include "engine/inputtype.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/ffprobeinfo.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace sonivert::test {
namespace {

class ConvertOpusTest : public RoutineTest {
protected:
    Outcome convert(const std::string& source, const std::string& target, int32_t runningNumber = 1)
    {
        return routines.convertToOpus(inputTypeForPath(source), source, target, progress, runningNumber);
    }
    std::string opusinfo(const std::string& opus)
    {
        int status = -1;
        const std::string text = captureCommand("opusinfo " + shellQuote(opus) + " 2>&1", status);
        EXPECT_EQ(0, status) << text;
        return text;
    }
};

double rms(const std::vector<int16_t>& samples)
{
    double sum = 0;
    for (int16_t v : samples)
        sum += static_cast<double>(v) * v;
    return samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

TEST_F(ConvertOpusTest, AnyRateDecodesToTheSourceLengthAtTheChosenRateAndChannels)
{
    settings.OPUSID3TagType = kTagSourceNone;
    const struct {
        const char* name;
        const char* format; // of the file sox writes; an MP3 is encoded from a WAV by lame
        int automatic, kbps, channelSetting;
        int channels, nominalKbps; // of the output
    } cases[] = {
        {"stereo44.wav", "-r 44100 -c 2 -b 16", 1, 0, 0, 2, 128},
        {"mono22-8bit.aiff", "-r 22050 -c 1 -b 8", 1, 0, 0, 1, 64},
        {"mono8k.wav", "-r 8000 -c 1 -b 16", 0, 24, 2, 2, 24},
        {"stereo48.wav", "-r 48000 -c 2 -b 24", 0, 48, 1, 1, 48},
        {"stereo96.wav", "-r 96000 -c 2 -b 16", 0, 510, 0, 2, 510},
        {"lame.mp3", "-r 32000 -c 2 -b 16", 0, 96, 0, 2, 96},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool mp3 = std::string(c.name).ends_with(".mp3");
        const std::string wav = dir.file(mp3 ? std::string(c.name) + ".wav" : c.name);
        ASSERT_EQ(0, runCommand("sox -R -n " + std::string(c.format) + " " + shellQuote(wav) +
                                " synth 3.3 sine 330 sine 550 vol 0.4"));
        const std::string source = mp3 ? made(c.name, "lame --silent -b 160 " + shellQuote(wav)) : wav;
        settings.AutoDestOPUSEncodingParam = c.automatic;
        settings.OPUSBitRate = c.kbps;
        settings.OPUSChannels = c.channelSetting;
        const std::string target = dir.file(std::string(c.name) + ".opus");
        ASSERT_TRUE(convert(source, target));

        const std::unique_ptr<AudioSource> reader = engine.createSource(source, inputTypeForPath(source), 48000, false);
        ASSERT_NE(nullptr, reader);
        const int sourceRate = reader->pcmFormat().sampleRate;
        const DecodedPcm delivered = decodeAll(*reader);

        const std::string info = opusinfo(target);
        EXPECT_NE(std::string::npos, info.find("Original sample rate: " + std::to_string(sourceRate) + " Hz")) << info;
        EXPECT_NE(std::string::npos, info.find("Channels: " + std::to_string(c.channels))) << info;
        EXPECT_EQ(std::string::npos, info.find("WARNING")) << info;

        // The pre-skip and the end trimming make the decoded length the
        // source's, at 48 kHz.
        const std::string raw = target + ".raw";
        ASSERT_EQ(0, runCommand("ffmpeg -v error -i " + shellQuote(target) + " -f s16le " + shellQuote(raw)));
        const std::vector<int16_t> decoded = readRawS16(raw);
        const auto expectedFrames = static_cast<long long>(delivered.left.size()) * 48000 / sourceRate;
        EXPECT_NEAR(expectedFrames, static_cast<long long>(decoded.size()) / c.channels, 48000 / sourceRate + 1);
        // The level survives (8-bit samples widened, channels routed as
        // they should be): within 1 dB of what was delivered.
        const bool eightBit = reader->bitsPerSample() == 8;
        std::vector<int16_t> expected;
        for (size_t i = 0; i < delivered.left.size(); ++i) {
            auto widen = [&](int16_t v) { return eightBit ? static_cast<int16_t>((v - 128) * 256) : v; };
            const int16_t l = widen(delivered.left[i]);
            const int16_t r = delivered.right.empty() ? l : widen(delivered.right[i]);
            if (c.channels == 1) {
                expected.push_back(static_cast<int16_t>((l + r) / 2));
            } else {
                expected.push_back(l);
                expected.push_back(r);
            }
        }
        EXPECT_NEAR(20 * std::log10(rms(expected)), 20 * std::log10(rms(decoded)), 1.0);

        // The average bit rate is near the one asked for (variable).
        const FfprobeInfo probed = ffprobeInfo(target);
        EXPECT_EQ(48000, probed.sampleRate);
        EXPECT_EQ(c.channels, probed.channels);
        const double kbps = static_cast<double>(readFileBytes(target).size()) * 8 / 3.3 / 1000;
        EXPECT_GT(kbps, c.nominalKbps * 0.5) << kbps;
        EXPECT_LT(kbps, c.nominalKbps * 1.6 + 8) << kbps;
    }
}

TEST_F(ConvertOpusTest, CommentsComeFromTheDefaultsTheSourceOrNowhere)
{
    const std::string wav = made("Song Title.wav", "sox -R -n -r 44100 -c 2 -b 16 -t wav - synth 1 sine 440 >");
    settings.OPUSID3TagType = kTagSourceDefaults;
    settings.OPUSTag.Artist = "Zo\xC3\xAB";
    settings.OPUSTag.Year = "2026";
    settings.OPUSTag.TrackNumType = 1;
    ASSERT_TRUE(convert(wav, dir.file("defaults.opus"), 3));
    const FfprobeInfo defaults = ffprobeInfo(dir.file("defaults.opus"));
    EXPECT_EQ("Song Title", defaults.tags.at("title"));
    EXPECT_EQ("Zo\xC3\xAB", defaults.tags.at("artist"));
    EXPECT_EQ("2026", defaults.tags.at("date"));
    EXPECT_EQ("3", defaults.tags.at("track"));

    const std::string tagged = made("tagged.flac", "ffmpeg -v error -f lavfi -i sine=d=1 -metadata "
                                                   "title=Copied -metadata artist=Someone -metadata album=Album");
    settings.OPUSID3TagType = kTagSourceCopy;
    ASSERT_TRUE(convert(tagged, dir.file("copied.opus")));
    const FfprobeInfo copied = ffprobeInfo(dir.file("copied.opus"));
    EXPECT_EQ("Copied", copied.tags.at("title"));
    EXPECT_EQ("Someone", copied.tags.at("artist"));
    EXPECT_EQ("Album", copied.tags.at("album"));

    settings.OPUSID3TagType = kTagSourceNone;
    ASSERT_TRUE(convert(wav, dir.file("none.opus")));
    EXPECT_EQ(0u, ffprobeInfo(dir.file("none.opus")).tags.count("title"));
}

} // namespace
} // namespace sonivert::test
