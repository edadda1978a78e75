// The Apple Lossless conversion routine on real files: ffmpeg decodes the
// output to exactly the samples the reader delivered (8-bit ones widened to
// 16), amplified by the M4A setting as the WAV output is by its own; the
// file's boxes hold one sample per encoded frame at the source's rate; the
// tags follow M4AID3TagType like those of AAC in MPEG-4.

#include "engine/conversionroutines.h"
#include "tests/engine/routinetest.h"
#include "engine/engine.h"
#include "engine/inputtype.h"
#include "settings/conversionsettings.h"
#include "tests/support/aacprobe.h"
#include "tests/support/fakes.h"
#include "tests/support/mp4boxes.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <numeric>

namespace sonivert::test {
namespace {

class ConvertAlacTest : public RoutineTest {
protected:
    Outcome convert(const std::string& source, const std::string& target, int32_t runningNumber = 1)
    {
        return routines.convertToAlac(inputTypeForPath(source), source, target, progress, runningNumber);
    }
    std::vector<int16_t> decoded(const std::string& path)
    {
        const std::string raw = path + ".raw";
        EXPECT_EQ(0, runCommand("ffmpeg -v error -i " + shellQuote(path) + " -f s16le " + shellQuote(raw)));
        return readRawS16(raw);
    }
};

TEST_F(ConvertAlacTest, DecodesToExactlyWhatTheReaderDelivered)
{
    settings.M4AID3TagType = kTagSourceNone;
    const std::string noise = " synth 7.3 pinknoise vol 0.5";
    const struct {
        const char* name;
        const char* format; // of the file sox writes; an MP3 is encoded from a WAV by lame
        int rate, channels, bits; // what the reader delivers
        int amplify = 0;          // AmplifyM4ACoef when not 0
    } cases[] = {
        {"stereo16.wav", "-r 44100 -c 2 -b 16", 44100, 2, 16},
        {"mono22050.wav", "-r 22050 -c 1 -b 16", 22050, 1, 16},
        {"mono8.aiff", "-r 8000 -c 1 -b 8", 8000, 1, 8},
        {"stereo8.aiff", "-r 11025 -c 2 -b 8", 11025, 2, 8},
        // The reader delivers 16 bits of a 24-bit file; those are what is kept.
        {"stereo24.wav", "-r 48000 -c 2 -b 24", 48000, 2, 16},
        {"lame.mp3", "-r 44100 -c 2 -b 16", 44100, 2, 16},
        {"amplified.wav", "-r 32000 -c 2 -b 16", 32000, 2, 16, 150},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool mp3 = std::string(c.name).ends_with(".mp3");
        const std::string made = dir.file(mp3 ? std::string(c.name) + ".wav" : c.name);
        ASSERT_EQ(0, runCommand("sox -R -n " + std::string(c.format) + " " + shellQuote(made) + noise));
        const std::string source = mp3 ? this->made(c.name, "lame --silent -b 128 " + shellQuote(made)) : made;
        settings.AmplifyM4A = c.amplify != 0;
        settings.AmplifyM4ACoef = c.amplify != 0 ? c.amplify : 100;
        const std::string target = dir.file(std::string(c.name) + ".m4a");
        ASSERT_TRUE(convert(source, target));

        auto probe = probeAudio(target);
        EXPECT_EQ("alac", probe["stream.codec_name"]);
        EXPECT_EQ(std::to_string(c.rate), probe["stream.sample_rate"]);
        EXPECT_EQ(std::to_string(c.channels), probe["stream.channels"]);
        EXPECT_EQ("16", probe["stream.bits_per_raw_sample"]) << "8-bit sources are widened";

        std::vector<int16_t> expected;
        if (c.amplify != 0) {
            // The WAV output at the same gain is the reference: both writers
            // keep every sample the amplified pipeline hands on.
            settings.AutoDestWAVEncodingParam = 1;
            settings.AmplifyWav = 1;
            settings.AmplifyWavCoeff = c.amplify;
            const std::string wav = dir.file(std::string(c.name) + ".out.wav");
            ASSERT_TRUE(routines.convertToWav(kInputWav, source, wav, progress));
            expected = decoded(wav);
        } else {
            const std::unique_ptr<AudioSource> reader =
                engine.createSource(source, inputTypeForPath(source), 44100, false);
            ASSERT_NE(nullptr, reader);
            EXPECT_EQ(c.bits, reader->bitsPerSample());
            const DecodedPcm delivered = decodeAll(*reader);
            const auto widened = [&](int16_t v) { return c.bits == 8 ? static_cast<int16_t>((v - 128) * 256) : v; };
            for (size_t i = 0; i < delivered.left.size(); ++i) {
                expected.push_back(widened(delivered.left[i]));
                if (c.channels == 2)
                    expected.push_back(widened(delivered.right[i]));
            }
        }
        const std::vector<int16_t> output = decoded(target);
        EXPECT_EQ(expected.size(), output.size());
        EXPECT_TRUE(expected == output) << "lossless";

        // One sample per encoded frame of 4096, the last one what is left,
        // at the source's rate in the track and the movie.
        const Mp4TrackTiming t = readMp4TrackTiming(target);
        ASSERT_TRUE(t.ok);
        EXPECT_EQ(static_cast<uint32_t>(c.rate), t.mediaTimeScale);
        EXPECT_EQ(static_cast<uint32_t>(c.rate), t.movieTimeScale);
        const uint64_t frames = expected.size() / static_cast<size_t>(c.channels);
        ASSERT_EQ((frames + 4095) / 4096, t.durations.size());
        EXPECT_EQ(std::vector<uint32_t>(t.durations.size() - 1, 4096),
                  std::vector<uint32_t>(t.durations.begin(), t.durations.end() - 1));
        EXPECT_EQ(frames, std::accumulate(t.durations.begin(), t.durations.end(), uint64_t{0}));
    }
}

TEST_F(ConvertAlacTest, TagsFollowTheM4aSettings)
{
    const std::string wav = made("Song Title.wav", "sox -R -n -r 44100 -c 2 -b 16 -t wav - synth 1 sine 440 >");
    settings.M4AID3TagType = kTagSourceDefaults;
    settings.M4ATag.Artist = "Zo\xC3\xAB";
    settings.M4ATag.Year = "2026";
    settings.M4ATag.Copyright = "Copyright";
    settings.M4ATag.TrackNumType = 1;
    ASSERT_TRUE(convert(wav, dir.file("defaults.m4a"), 3));
    auto probe = probeAudio(dir.file("defaults.m4a"));
    EXPECT_EQ("Song Title", probe["tag.title"]);
    EXPECT_EQ("Zo\xC3\xAB", probe["tag.artist"]);
    EXPECT_EQ("2026", probe["tag.date"]);
    EXPECT_EQ("3", probe["tag.track"]);
    EXPECT_EQ(0u, probe.count("tag.copyright")) << "never written, as for AAC in MPEG-4";

    const std::string tagged = made("tagged.ogg", "ffmpeg -v error -f lavfi -i sine=d=1 -c:a libvorbis -metadata "
                                                  "title=Copied -metadata artist=Someone -metadata album=Album");
    settings.M4AID3TagType = kTagSourceCopy;
    ASSERT_TRUE(convert(tagged, dir.file("copied.m4a")));
    probe = probeAudio(dir.file("copied.m4a"));
    EXPECT_EQ("Copied", probe["tag.title"]);
    EXPECT_EQ("Someone", probe["tag.artist"]);
    EXPECT_EQ("Album", probe["tag.album"]);

    settings.M4AID3TagType = kTagSourceNone;
    ASSERT_TRUE(convert(wav, dir.file("none.m4a")));
    probe = probeAudio(dir.file("none.m4a"));
    for (const char* key : {"tag.title", "tag.artist", "tag.date", "tag.track"})
        EXPECT_EQ(0u, probe.count(key)) << key;
}

} // namespace
} // namespace sonivert::test
