// WmaSource over the run-time module: files made by the ffmpeg command line
// decode to what the command line decodes them to (its float output with the
// reader's 16-bit rule), with the stream information and tags of the file;
// video-only and non-Windows-Media files are refused; a six-channel file is
// delivered value by value on the left.

#include "platform/floatsample.h"
#include "platform/stereodownmix.h"
#include "sources/wmaruntime.h"
#include "sources/wmasource.h"
#include "tests/support/mutation.h"
#include "tests/support/testsupport.h"
#include "tests/support/wmaruntimesupport.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <tuple>

namespace sonivert::test {
namespace {

class WmaSourceTest : public testing::Test {
protected:
    void SetUp() override
    {
        useBuiltWmaRuntime();
        ASSERT_TRUE(LoadWmaRuntime());
    }
    std::string make(const std::string& name, const std::string& input, const std::string& options)
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand("ffmpeg -v error -y " + input + " " + options + " " + shellQuote(path)));
        return path;
    }
    // The command line's decoding, float samples turned into 16-bit ones by
    // the reader's rule, interleaved.
    std::vector<int16_t> reference(const std::string& path)
    {
        const std::string raw = path + ".f32";
        EXPECT_EQ(0, runCommand("ffmpeg -v error -y -i " + shellQuote(path) + " -f f32le " + shellQuote(raw)));
        std::vector<int16_t> out;
        for (float v : readRawF32(raw))
            out.push_back(floatToSample(v));
        return out;
    }

    TempDir dir;
    WmaSource source;
};

TEST_F(WmaSourceTest, DecodesLikeTheCommandLineWithTheFileStreamInformation)
{
    for (const auto& [channels, rate, seconds] : {std::tuple{2, 44100, 3}, std::tuple{1, 22050, 2}}) {
        SCOPED_TRACE(channels);
        const std::string path =
            make("tone" + std::to_string(channels) + ".wma",
                 "-f lavfi -i " + shellQuote("aevalsrc=0.5*sin(2*PI*440*t)|0.3*sin(2*PI*1200*t):s=" +
                                             std::to_string(rate) + ":d=" + std::to_string(seconds)),
                 "-ac " + std::to_string(channels) + " -c:a wmav2 -b:a 64k");
        ASSERT_TRUE(source.open(path, 0));
        EXPECT_EQ(rate, source.sampleRate());
        EXPECT_EQ(channels, source.channels());
        EXPECT_EQ(channels, source.outputChannels());
        EXPECT_EQ(16, source.bitsPerSample());
        EXPECT_EQ(seconds, source.durationSeconds());
        // The file's own duration (the encoder pads the last frame).
        int status = 0;
        const double probed = std::stod(captureCommand(
            "ffprobe -v error -show_entries format=duration -of csv=p=0 " + shellQuote(path), status));
        EXPECT_NEAR(probed * 10'000'000.0, static_cast<double>(source.totalLength()), 10'000);
        EXPECT_GT(source.bitrateKbps(), 60);
        EXPECT_LT(source.bitrateKbps(), 80);
        EXPECT_EQ(0u, source.position());

        const DecodedPcm pcm = decodeAll(source);
        EXPECT_TRUE(pcm.blockLimitKept);
        EXPECT_TRUE(pcm.endedCleanly);
        const std::vector<int16_t> expected = reference(path);
        EXPECT_EQ(channelOf(expected, channels, 0), pcm.left);
        if (channels == 2) {
            EXPECT_EQ(channelOf(expected, channels, 1), pcm.right);
        }
        EXPECT_NEAR(static_cast<double>(source.totalLength()), static_cast<double>(source.position()),
                    0.1 * 10'000'000);
    }
}

TEST_F(WmaSourceTest, TagsAreAlwaysReportedWithTheTrackAsNumber)
{
    const std::string tagged = make("tagged.wma", "-f lavfi -i sine=d=1",
                                    "-c:a wmav2 -metadata title=Title -metadata artist=Artist "
                                    "-metadata album=Album -metadata genre=Genre -metadata WM/Year=1987 "
                                    "-metadata comment=Comment -metadata composer=Composer "
                                    "-metadata copyright=Copyright -metadata track=09");
    ASSERT_TRUE(source.open(tagged, 0));
    std::string t[9];
    ASSERT_TRUE(source.readTags(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8]));
    EXPECT_EQ((std::vector<std::string>{"Title", "Artist", "Album", "1987", "Genre", "Comment", "9", "Composer",
                                        "Copyright"}),
              std::vector<std::string>(std::begin(t), std::end(t)));

    const std::string bare = make("bare.wma", "-f lavfi -i sine=d=1", "-c:a wmav2 -map_metadata -1");
    ASSERT_TRUE(source.open(bare, 0));
    std::string u[9] = {"x", "x", "x", "x", "x", "x", "x", "x", "x"};
    EXPECT_TRUE(source.readTags(u[0], u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8]));
    EXPECT_EQ((std::vector<std::string>{"", "", "", "", "", "", "0", "", ""}),
              std::vector<std::string>(std::begin(u), std::end(u)));
}

TEST_F(WmaSourceTest, RefusesWhatHasNoWindowsMediaAudio)
{
    const std::string video = make("video.wmv", "-f lavfi -i testsrc=d=1:s=64x48", "-c:v wmv2");
    EXPECT_FALSE(source.open(video, 0));
    EXPECT_EQ(0, source.sampleRate());
    // An MP3 stream named .wma is no Windows Media file for the run-time.
    const std::string mp3 = make("disguised.mp3", "-f lavfi -i sine=d=1", "-c:a libmp3lame");
    const std::string disguised = dir.file("disguised.wma");
    writeFileBytes(disguised, readFileBytes(mp3));
    EXPECT_FALSE(source.open(disguised, 0));
    EXPECT_FALSE(source.open(dir.file("missing.wma"), 0));

    // With video before it, the audio stream is still found and read.
    const std::string both = make("both.wmv", "-f lavfi -i testsrc=d=1:s=64x48 -f lavfi -i sine=d=1",
                                  "-c:v wmv2 -c:a wmav2");
    ASSERT_TRUE(source.open(both, 0));
    EXPECT_EQ(1, source.channels());
    EXPECT_GT(decodeAll(source).left.size(), 40000u);

    source.close(); // nothing of the run-time may outlive its module
    hideWmaRuntime();
    WmaSource without;
    EXPECT_FALSE(without.open(both, 0));
}

TEST_F(WmaSourceTest, SixChannelsComeMixedDownFrameByFrame)
{
    // Distinct values in frame order, stored as PCM in an ASF file.
    std::vector<uint8_t> raw;
    std::vector<int16_t> values;
    for (int i = 0; i < 6 * 3000; ++i) {
        const auto v = static_cast<int16_t>(i * 7 % 60000 - 30000);
        values.push_back(v);
        raw.push_back(static_cast<uint8_t>(v & 0xFF));
        raw.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
    writeFileBytes(dir.file("six.raw"), raw);
    const std::string path =
        make("six.asf", "-f s16le -ar 8000 -ac 6 -i " + shellQuote(dir.file("six.raw")), "-c:a pcm_s16le");
    ASSERT_TRUE(source.open(path, 0));
    EXPECT_EQ(6, source.channels());
    EXPECT_EQ(2, source.outputChannels());
    StereoDownmix mix;
    ASSERT_TRUE(mix.setSpeakers(speakers::byDefault(6)));
    std::vector<int16_t> left(3000), right(3000);
    mix.mix(values.data(), 3000, left.data(), right.data());
    const DecodedPcm pcm = decodeAll(source);
    EXPECT_TRUE(pcm.blockLimitKept);
    EXPECT_EQ(left, pcm.left);
    EXPECT_EQ(right, pcm.right);
}

TEST_F(WmaSourceTest, DamagedFilesAreRefusedOrEndCleanly)
{
    // Truncations and random edits of a small file: each one is refused or
    // read to an end within bounds; none crashes or hangs.
    const std::vector<uint8_t> seed =
        readFileBytes(make("seed.wma", "-f lavfi -i sine=r=22050:d=1", "-c:a wmav2 -b:a 32k -metadata title=T"));
    ASSERT_GT(seed.size(), 1000u);
    const std::string path = dir.file("damaged.wma");
    std::mt19937 rng(16);
    const std::array<uint32_t, 6> extremes = {0, 1, 0x7FFF, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
    for (int i = 0; i < 160; ++i) {
        std::vector<uint8_t> bytes;
        if (i < 16)
            bytes.assign(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(seed.size() * static_cast<size_t>(i) / 16));
        else
            bytes = mutateBytes(seed, rng, extremes);
        writeFileBytes(path, bytes);
        SCOPED_TRACE(i);
        if (!source.open(path, 0))
            continue;
        const DecodedPcm pcm = decodeAll(source, 10000);
        EXPECT_TRUE(pcm.endedCleanly);
        EXPECT_TRUE(pcm.blockLimitKept);
        std::string t[9];
        EXPECT_TRUE(source.readTags(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8]));
    }
}

} // namespace
} // namespace sonivert::test
