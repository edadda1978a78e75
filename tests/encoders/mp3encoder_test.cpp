// Mp3Encoder on real files, checked with ffprobe and the raw bytes: the
// layout [ID3v2][frames][ID3v1], the figures and tags another reader sees,
// the setters' clamps as they reach the frame headers, the calling protocol
// and write failures that must not pass as success.

#include "encoders/id3tagbuilder.h"
#include "encoders/mp3encoder.h"
#include "engine/tracktags.h"
#include "tests/support/ffprobeinfo.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

namespace sonivert::test {
namespace {

// A sine of frequency hz at a third of full scale.
std::vector<int16_t> sine(int32_t frames, int32_t rate, double hz)
{
    std::vector<int16_t> samples(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i)
        samples[static_cast<size_t>(i)] =
            static_cast<int16_t>(10000 * std::sin(2 * std::numbers::pi * hz * i / rate));
    return samples;
}

// Feeds frames of a 440/660 Hz pair in blocks of the routine's size.
bool feed(Mp3Encoder& encoder, int32_t frames, int32_t rate)
{
    const std::vector<int16_t> left = sine(frames, rate, 440), right = sine(frames, rate, 660);
    for (int32_t at = 0; at < frames; at += Mp3Encoder::kBlockSamples) {
        const int32_t n = std::min(Mp3Encoder::kBlockSamples, frames - at);
        if (!encoder.EncodeBlock(left.data() + at, right.data() + at, n))
            return false;
    }
    return true;
}

// The mode bits of the MPEG frame header at offset: 0 stereo, 1 joint, 2 dual, 3 mono.
int frameMode(const std::vector<uint8_t>& file, size_t offset)
{
    EXPECT_GE(file.size(), offset + 4);
    EXPECT_EQ(0xFF, file[offset]);
    EXPECT_EQ(0xE0, file[offset + 1] & 0xE0);
    return file[offset + 3] >> 6;
}

TEST(Mp3Encoder, LayoutFiguresAndTagsAsAnotherReaderSeesThem)
{
    TempDir dir;
    TrackTags tags;
    tags.title = "Caf\xC3\xA9 au lait";
    tags.artist = "\xE4\xB8\xAD\xE6\x96\x87 \xF0\x9F\x8E\xB5"; // "中文 🎵"
    tags.album = "Album";
    tags.year = "2004";
    tags.genre = "Jazz";
    tags.comment = "\xC3\x9C" "ber";
    tags.composer = "Composer";
    tags.copyright = "Copyright";
    const auto v2 = Id3TagBuilder::BuildTag(2, tags, 7, 0);
    const auto v1 = Id3TagBuilder::BuildTag(1, tags, 7, 0);
    ASSERT_TRUE(v1 && v2);

    const std::string path = dir.file("out.mp3");
    const int32_t frames = 2 * 44100 + 123;
    Mp3Encoder encoder;
    ASSERT_TRUE(encoder.Open(path));
    encoder.SetId3v1Block(*v1);
    encoder.SetId3v2Block(*v2);
    encoder.SetInputSampleRate(44100);
    encoder.SetChannels(2);
    encoder.SetMode(1);
    encoder.SetOutputSampleRate(44100);
    encoder.SetBitRate(128);
    ASSERT_TRUE(encoder.Start());
    ASSERT_TRUE(feed(encoder, frames, 44100));
    ASSERT_TRUE(encoder.Close());

    const std::vector<uint8_t> file = readFileBytes(path);
    ASSERT_GT(file.size(), v2->size() + v1->size());
    EXPECT_TRUE(std::equal(v2->begin(), v2->end(), file.begin()));
    EXPECT_TRUE(std::equal(v1->begin(), v1->end(), file.end() - 128));
    EXPECT_EQ(1, frameMode(file, v2->size()));

    const FfprobeInfo info = ffprobeInfo(path);
    ASSERT_TRUE(info.ok);
    EXPECT_EQ(44100, info.sampleRate);
    EXPECT_EQ(2, info.channels);
    EXPECT_EQ(128000, info.bitRate);
    // Without an information frame the decoder keeps the library's 576
    // samples of delay and its end padding (under two frames).
    const long long decoded = info.frames * 1152;
    EXPECT_GE(decoded, frames + 576);
    EXPECT_LE(decoded, frames + 576 + 2 * 1152);

    EXPECT_EQ(tags.title, info.tags.at("title"));
    EXPECT_EQ(tags.artist, info.tags.at("artist"));
    EXPECT_EQ("Album", info.tags.at("album"));
    EXPECT_EQ("2004", info.tags.at("date"));
    EXPECT_EQ("Jazz", info.tags.at("genre"));
    EXPECT_EQ(tags.comment, info.tags.at("comment"));
    EXPECT_EQ("7", info.tags.at("track"));
    EXPECT_EQ("Composer", info.tags.at("composer"));
    EXPECT_EQ("Copyright", info.tags.at("copyright"));
}

TEST(Mp3Encoder, SetterClampsReachTheFrameHeaders)
{
    const struct {
        const char* name;
        int32_t channels, mode, rate, kbps;
        int expectedChannels, expectedMode;
        long long expectedBitRate;
    } cases[] = {
        {"five channels become two, mode 7 stereo, 1000 kbit/s 320", 5, 7, 44100, 1000, 2, 0, 320000},
        {"dual channel is written as stereo", 2, 2, 44100, 128, 2, 0, 128000},
        {"joint stereo", 2, 1, 48000, 192, 2, 1, 192000},
        {"mono of two input channels is mixed by the library", 2, 3, 22050, 64, 1, 3, 64000},
        {"zero channels become one; 2 kbit/s becomes 8", 0, 3, 8000, 2, 1, 3, 8000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.file("out.mp3");
        Mp3Encoder encoder;
        ASSERT_TRUE(encoder.Open(path));
        encoder.SetInputSampleRate(c.rate);
        encoder.SetChannels(c.channels);
        EXPECT_EQ(std::clamp(c.channels, 1, 2), encoder.inputChannels());
        encoder.SetMode(c.mode);
        encoder.SetOutputSampleRate(c.rate);
        encoder.SetBitRate(c.kbps);
        ASSERT_TRUE(encoder.Start());
        ASSERT_TRUE(feed(encoder, c.rate, c.rate));
        ASSERT_TRUE(encoder.Close());
        EXPECT_EQ(c.expectedMode, frameMode(readFileBytes(path), 0));
        const FfprobeInfo info = ffprobeInfo(path);
        EXPECT_EQ(c.rate, info.sampleRate);
        EXPECT_EQ(c.expectedChannels, info.channels);
        EXPECT_EQ(c.expectedBitRate, info.bitRate);
        const long long decoded = info.frames * mp3FrameSamples(c.rate);
        EXPECT_GE(decoded, c.rate + 576);
        EXPECT_LE(decoded, c.rate + 576 + 2 * 1152);
    }
}

TEST(Mp3Encoder, UpsamplingAVeryLowRateFitsTheOutputBuffer)
{
    // 1000 Hz in, 11025 Hz out: one block of input makes eleven blocks of
    // output, more than the library's bound for the input count allows.
    TempDir dir;
    const std::string path = dir.file("out.mp3");
    Mp3Encoder encoder;
    ASSERT_TRUE(encoder.Open(path));
    encoder.SetInputSampleRate(1000);
    encoder.SetChannels(2);
    encoder.SetOutputSampleRate(11025);
    encoder.SetBitRate(64);
    ASSERT_TRUE(encoder.Start());
    ASSERT_TRUE(feed(encoder, 3000, 1000));
    ASSERT_TRUE(encoder.Close());
    const FfprobeInfo info = ffprobeInfo(path);
    EXPECT_EQ(11025, info.sampleRate);
    EXPECT_NEAR(3 * 11025, info.frames * 576, 576 + 1152);
}

TEST(Mp3Encoder, CallingProtocolAndRefusals)
{
    TempDir dir;
    Mp3Encoder encoder;
    const std::vector<int16_t> block(1152);
    EXPECT_FALSE(encoder.EncodeBlock(block.data(), block.data(), 1152)); // not open
    EXPECT_FALSE(encoder.Open(dir.file("missing/out.mp3")));
    EXPECT_TRUE(encoder.Close()); // nothing open

    ASSERT_TRUE(encoder.Open(dir.file("a.mp3")));
    EXPECT_FALSE(encoder.EncodeBlock(block.data(), block.data(), 1152)); // not started
    encoder.SetInputSampleRate(44100);
    encoder.SetChannels(2);
    encoder.SetId3v1Block(std::vector<uint8_t>(100, 'x')); // too short to be kept
    ASSERT_TRUE(encoder.Start());
    EXPECT_FALSE(encoder.Start());
    EXPECT_FALSE(encoder.EncodeBlock(block.data(), nullptr, 1152)); // two channels need both buffers
    ASSERT_TRUE(feed(encoder, 44100, 44100));
    // Open on an open encoder finishes the first file.
    ASSERT_TRUE(encoder.Open(dir.file("b.mp3")));
    const FfprobeInfo first = ffprobeInfo(dir.file("a.mp3"));
    EXPECT_EQ(2, first.channels);
    EXPECT_GE(first.frames * 1152, 44100);
    const std::vector<uint8_t> bytes = readFileBytes(dir.file("a.mp3"));
    EXPECT_NE("TAG", std::string(bytes.end() - 128, bytes.end() - 125));

    // No input rate, no start.
    encoder.SetInputSampleRate(0);
    EXPECT_FALSE(encoder.Start());
    encoder.Close();
}

TEST(Mp3Encoder, AFullDiskIsReportedNotHidden)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    Mp3Encoder encoder;
    ASSERT_TRUE(encoder.Open("/dev/full"));
    encoder.SetInputSampleRate(44100);
    encoder.SetChannels(2);
    encoder.SetBitRate(320);
    ASSERT_TRUE(encoder.Start());
    // The stream's buffer hides the first failures; the file must fail by Close at the latest.
    const bool fed = feed(encoder, 44100, 44100);
    const bool closed = encoder.Close();
    EXPECT_FALSE(fed && closed);

    // An ID3v2 block larger than the stream's buffer fails Start at once.
    ASSERT_TRUE(encoder.Open("/dev/full"));
    encoder.SetInputSampleRate(44100);
    encoder.SetId3v2Block(std::vector<uint8_t>(1 << 20, 0));
    EXPECT_FALSE(encoder.Start());
    EXPECT_FALSE(encoder.Close());
}

} // namespace
} // namespace sonivert::test
