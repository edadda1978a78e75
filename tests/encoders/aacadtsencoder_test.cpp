// AacAdtsEncoder on generated PCM: the stream checked by ffprobe, ffmpeg's
// decoder and a walk over the ADTS headers; the buffering into whole frames,
// the flush of short inputs, the configurations the encoder refuses and
// writes that fail.

#include "encoders/aacadtsencoder.h"
#include "tests/support/aacprobe.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

// Planar test tones: left 440 Hz at 0.5, right 1000 Hz at 0.25.
struct Tone {
    std::vector<int16_t> left, right;
    Tone(int rate, int frames)
    {
        for (int i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / rate;
            left.push_back(static_cast<int16_t>(16384 * std::sin(2 * std::numbers::pi * 440 * t)));
            right.push_back(static_cast<int16_t>(8192 * std::sin(2 * std::numbers::pi * 1000 * t)));
        }
    }
};

// Feeds tone through encoder in blocks of the given sizes, repeated until
// the tone is used up.
void feed(AacAdtsEncoder& encoder, const Tone& tone, std::vector<int> blocks)
{
    const auto frames = static_cast<int>(tone.left.size());
    for (int done = 0, b = 0; done < frames; ++b) {
        const int n = std::min(blocks[static_cast<size_t>(b) % blocks.size()], frames - done);
        ASSERT_TRUE(encoder.EncodeBlock16(tone.left.data() + done, tone.right.data() + done, n));
        done += n;
    }
}

class AacAdtsEncoderTest : public testing::Test {
protected:
    TempDir dir;
};

TEST_F(AacAdtsEncoderTest, StereoStreamDecodesToItsInputWhateverTheBlockSizes)
{
    const Tone tone(44100, 44100);
    const std::string path = dir.file("a.aac");
    AacAdtsEncoder encoder;
    ASSERT_TRUE(encoder.Open(path, 44100, 2, 16));
    ASSERT_TRUE(encoder.ApplyConfiguration());
    feed(encoder, tone, {1152});
    ASSERT_TRUE(encoder.Close());

    const auto probe = probeAudio(path);
    EXPECT_EQ("aac", probe.at("stream.codec_name"));
    EXPECT_EQ("LC", probe.at("stream.profile"));
    EXPECT_EQ("44100", probe.at("stream.sample_rate"));
    EXPECT_EQ("2", probe.at("stream.channels"));

    const AdtsScan scan = scanAdts(readFileBytes(path));
    EXPECT_TRUE(scan.wellFormed);
    EXPECT_EQ(1, scan.profile);
    EXPECT_EQ(4, scan.rateIndex);
    EXPECT_EQ(2, scan.channels);
    EXPECT_EQ(std::vector<int>(static_cast<size_t>(scan.frames), 0), scan.ids) << "MPEG-4 by default";
    // One frame per 1024 input samples, rounded up, plus the priming frame.
    EXPECT_EQ(44 + 1, scan.frames);

    // After the decoder's 1024 priming samples each channel follows its input.
    const DecodedAudio decoded = ffmpegDecode(path, 2);
    ASSERT_TRUE(decoded.clean);
    ASSERT_GE(decoded.samples.size(), size_t{2} * (44100 + 1024));
    for (int ch = 0; ch < 2; ++ch) {
        const std::vector<int16_t>& in = ch == 0 ? tone.left : tone.right;
        double signal = 0, noise = 0;
        for (size_t i = 0; i < in.size(); ++i) {
            const double d = decoded.samples[(i + 1024) * 2 + static_cast<size_t>(ch)];
            signal += double(in[i]) * in[i];
            noise += (d - in[i]) * (d - in[i]);
        }
        EXPECT_GT(10 * std::log10(signal / noise), 20.0) << "channel " << ch;
    }

    // Odd block sizes give the very same frames: input is collected into
    // whole frames before each encode.
    const std::string odd = dir.file("odd.aac");
    ASSERT_TRUE(encoder.Open(odd, 44100, 2, 16));
    ASSERT_TRUE(encoder.ApplyConfiguration());
    feed(encoder, tone, {1, 7, 1000, 2047, 1024, 3});
    ASSERT_TRUE(encoder.Close());
    EXPECT_EQ(readFileBytes(path), readFileBytes(odd));
}

TEST_F(AacAdtsEncoderTest, MpegVersionIsTheIdBitOfEveryFrame)
{
    const Tone tone(48000, 12000);
    for (int version : {0, 1}) {
        SCOPED_TRACE(version);
        const std::string path = dir.file("v" + std::to_string(version) + ".aac");
        AacAdtsEncoder encoder;
        ASSERT_TRUE(encoder.Open(path, 48000, 1, 16));
        encoder.Configuration()->mpegVersion = version;
        ASSERT_TRUE(encoder.ApplyConfiguration());
        feed(encoder, tone, {1152});
        ASSERT_TRUE(encoder.Close());
        const AdtsScan scan = scanAdts(readFileBytes(path));
        ASSERT_TRUE(scan.wellFormed);
        EXPECT_EQ(std::vector<int>(static_cast<size_t>(scan.frames), version), scan.ids);
        EXPECT_EQ(1, scan.channels);
        EXPECT_TRUE(ffmpegDecode(path, 1).clean);
        EXPECT_EQ("LC", probeAudio(path).at("stream.profile"));
    }
}

TEST_F(AacAdtsEncoderTest, InputsShorterThanOneFrameComeOutThroughTheFlush)
{
    const Tone tone(22050, 500);
    const std::string path = dir.file("short.aac");
    AacAdtsEncoder encoder;
    ASSERT_TRUE(encoder.Open(path, 22050, 1, 16));
    ASSERT_TRUE(encoder.ApplyConfiguration());
    ASSERT_TRUE(encoder.EncodeBlock16(tone.left.data(), nullptr, 500));
    ASSERT_TRUE(encoder.Close());
    const AdtsScan scan = scanAdts(readFileBytes(path));
    EXPECT_TRUE(scan.wellFormed);
    EXPECT_EQ(2, scan.frames) << "the priming frame and the one holding the input";
    const DecodedAudio decoded = ffmpegDecode(path, 1);
    EXPECT_TRUE(decoded.clean);
    EXPECT_NEAR(0.5, peakOf(decoded.samples, 1, 0, 1024, 1524), 0.1);

    // No input at all gives no frames, and that is no failure.
    const std::string empty = dir.file("empty.aac");
    ASSERT_TRUE(encoder.Open(empty, 22050, 1, 16));
    ASSERT_TRUE(encoder.ApplyConfiguration());
    EXPECT_TRUE(encoder.Close());
    EXPECT_EQ(0u, fs::file_size(empty));
}

TEST_F(AacAdtsEncoderTest, RefusedSetupsAndFailedWrites)
{
    AacAdtsEncoder encoder;
    const std::string path = dir.file("x.aac");
    EXPECT_FALSE(encoder.Open(path, 6000, 1, 16)) << "no AAC sampling frequency index";
    EXPECT_FALSE(encoder.Open(path, 44100, 3, 16));
    EXPECT_FALSE(encoder.Open(dir.file("no/such/folder.aac"), 44100, 2, 16));
    EXPECT_TRUE(encoder.Close());

    const struct {
        const char* name;
        void (*change)(AacEncoderConfiguration&);
        bool accepted;
    } cases[] = {
        {"Main object type", [](AacEncoderConfiguration& c) { c.aacObjectType = 1; }, false},
        {"32-bit input", [](AacEncoderConfiguration& c) { c.inputFormat = 3; }, false},
        {"unknown block type", [](AacEncoderConfiguration& c) { c.shortctl = 3; }, false},
        {"unknown MPEG version", [](AacEncoderConfiguration& c) { c.mpegVersion = 2; }, false},
        {"quality 0 in quality mode", [](AacEncoderConfiguration& c) { c.quantqual = 0; }, false},
        {"quality 0 with a bit rate", [](AacEncoderConfiguration& c) { c.quantqual = 0; c.bitRate = 64000; }, true},
        {"no short blocks", [](AacEncoderConfiguration& c) { c.shortctl = 1; }, true},
        {"bandwidth above Nyquist", [](AacEncoderConfiguration& c) { c.bandWidth = 96000; }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(encoder.Open(path, 44100, 2, 16));
        int16_t sample = 0;
        EXPECT_FALSE(encoder.EncodeBlock16(&sample, &sample, 1)) << "before ApplyConfiguration";
        c.change(*encoder.Configuration());
        EXPECT_EQ(c.accepted, encoder.ApplyConfiguration());
        EXPECT_TRUE(encoder.Close());
    }

    // A device that takes no bytes: the failure shows at the latest in Close.
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const Tone tone(44100, 44100);
    ASSERT_TRUE(encoder.Open("/dev/full", 44100, 2, 16));
    ASSERT_TRUE(encoder.ApplyConfiguration());
    bool accepted = true;
    for (size_t done = 0; done < tone.left.size() && accepted; done += 1152) {
        const int n = static_cast<int>(std::min<size_t>(1152, tone.left.size() - done));
        accepted = encoder.EncodeBlock16(tone.left.data() + done, tone.right.data() + done, n);
    }
    EXPECT_FALSE(encoder.Close() && accepted);
}

} // namespace
} // namespace sonivert::test
