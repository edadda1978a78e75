// Every codec family the FFmpeg reader serves, encoded by the ffmpeg command
// line, must decode through FfmpegSource to exactly what the command line
// decodes the same file to, after the two-channel rule (channels 0 and 1 of
// every frame) and the sample scaling of the reader.
//
// Integer decoders are compared with the command line's 16-bit output (its
// 32-bit to 16-bit conversion keeps the upper 16 bits, as the reader does).
// For floating-point decoders the command line rounds to 16 bits where the
// reader truncates x * 2147483647 to its upper 16 bits, so their reference
// is the command line's float output with the reader's rule applied.

#include "platform/stereodownmix.h"
#include "sources/ffmpegsource.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace sonivert::test {
namespace {

enum class Reference {
    U8,     // -f u8, compared as is
    S16,    // -f s16le
    Float,  // -f f32le, scaled by the reader's rule
    Double, // -f f64le, scaled by the reader's rule
};

struct Case {
    const char* name;
    const char* extension;
    const char* encode;     // ffmpeg output options
    int channels;
    int rate;
    Reference reference;
    int videoStreams = 0;         // video streams written before the audio stream
    double gain = 0.8;              // peak of the generated signal (above 1 overshoots)
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

std::string caseName(const testing::TestParamInfo<Case>& info)
{
    return info.param.name;
}

// One distinct signal per channel, so that a channel mix-up shows; a little
// noise keeps lossy encoders busy on every band.
std::string signalSource(int channels, int rate, double gain)
{
    static const char* kTones[] = {"sin(2*PI*440*t)", "sin(2*PI*660*t+1)", "sin(2*PI*150*t)*0.5+sin(2*PI*3000*t)*0.5",
                                   "sin(2*PI*1000*t)", "sin(2*PI*80*t)", "sin(2*PI*5000*t)"};
    std::string exprs;
    for (int c = 0; c < channels; ++c) {
        if (c > 0)
            exprs += "|";
        exprs += std::to_string(gain * 0.9) + "*" + kTones[c % 6] + "+" + std::to_string(gain * 0.1) +
                 "*(random(" + std::to_string(c) + ")*2-1)";
    }
    return "-f lavfi -i " + shellQuote("aevalsrc=exprs=" + exprs + ":s=" + std::to_string(rate) + ":d=1.5");
}

int16_t scaled(double x)
{
    if (!(x >= -1.0))
        x = (x != x) ? 0.0 : -1.0;
    else if (x > 1.0)
        x = 1.0;
    return static_cast<int16_t>(static_cast<int32_t>(static_cast<int64_t>(x * 2147483647.0)) >> 16);
}

std::vector<int16_t> referenceSamples(const std::string& path, Reference reference)
{
    std::vector<int16_t> out;
    switch (reference) {
    case Reference::U8:
        for (uint8_t b : readFileBytes(path))
            out.push_back(b);
        break;
    case Reference::S16:
        out = readRawS16(path);
        break;
    case Reference::Float:
        for (float f : readRawF32(path))
            out.push_back(scaled(f));
        break;
    case Reference::Double: {
        const std::vector<uint8_t> bytes = readFileBytes(path);
        for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
            double d;
            std::memcpy(&d, bytes.data() + i, 8);
            out.push_back(scaled(d));
        }
        break;
    }
    }
    return out;
}

class FfmpegReferenceTest : public testing::TestWithParam<Case> {};

TEST_P(FfmpegReferenceTest, DecodesLikeTheFfmpegCommandLine)
{
    const Case& c = GetParam();
    ASSERT_TRUE(toolAvailable("ffmpeg")) << "ffmpeg is needed (scripts/install-deps.sh installs it)";

    TempDir dir;
    const std::string encoded = dir.file(std::string("encoded.") + c.extension);
    const std::string reference = dir.file("reference.raw");
    std::string inputs = signalSource(c.channels, c.rate, c.gain);
    std::string maps;
    if (c.videoStreams > 0) {
        for (int v = 0; v < c.videoStreams; ++v) {
            inputs += " -f lavfi -i testsrc=size=32x24:rate=10:d=1.5";
            maps += " -map " + std::to_string(v + 1) + ":v";
        }
        maps += " -map 0:a -c:v mpeg4";
    }
    ASSERT_EQ(0, runCommand("ffmpeg -v error -y " + inputs + maps + " " + c.encode + " " + shellQuote(encoded)));

    const char* rawFormat = c.reference == Reference::U8      ? "u8"
                            : c.reference == Reference::S16   ? "s16le"
                            : c.reference == Reference::Float ? "f32le"
                                                              : "f64le";
    ASSERT_EQ(0, runCommand(std::string("ffmpeg -v error -y -i ") + shellQuote(encoded) +
                            " -map 0:a:0 -f " + rawFormat + " " + shellQuote(reference)));
    const std::vector<int16_t> expected = referenceSamples(reference, c.reference);
    ASSERT_FALSE(expected.empty());

    FfmpegSource source;
    ASSERT_TRUE(source.open(encoded, 0));
    const int outputChannels = std::min(c.channels, 2);
    EXPECT_EQ(c.channels, source.channels());
    EXPECT_EQ(outputChannels, source.outputChannels());
    EXPECT_EQ(c.rate, source.sampleRate());
    EXPECT_EQ(c.reference == Reference::U8 ? 8 : 16, source.bitsPerSample());
    EXPECT_EQ(c.channels == 1 ? ChannelMode::Mono : ChannelMode::Stereo, source.channelMode());
    EXPECT_EQ(1, source.durationSeconds());
    EXPECT_EQ(readFileBytes(encoded).size(), source.totalLength());

    const DecodedPcm got = decodeAll(source);
    ASSERT_TRUE(got.endedCleanly && got.blockLimitKept);
    EXPECT_GT(source.position(), 0u);
    EXPECT_LE(source.position(), source.totalLength());

    const std::vector<int16_t> delivered =
        deliveredPair(expected, c.channels, speakers::byDefault(c.channels), c.reference == Reference::U8);
    const int referenceChannels = std::min(c.channels, 2);
    const size_t frames = delivered.size() / static_cast<size_t>(referenceChannels);
    ASSERT_EQ(frames, got.left.size());
    // Every read but the last fills the whole block, across decoded frames.
    EXPECT_EQ(static_cast<int64_t>((frames + AudioSource::kBlockFrames - 1) / AudioSource::kBlockFrames) + 1,
              got.reads);
    if (outputChannels == 1) {
        EXPECT_TRUE(got.right.empty());
    }
    for (int ch = 0; ch < outputChannels; ++ch) {
        const std::vector<int16_t>& mine = ch == 0 ? got.left : got.right;
        const std::vector<int16_t> theirs = channelOf(delivered, referenceChannels, ch);
        ASSERT_EQ(theirs.size(), mine.size());
        const auto [m, t] = std::mismatch(mine.begin(), mine.end(), theirs.begin());
        EXPECT_TRUE(m == mine.end()) << "channel " << ch << " frame " << (m - mine.begin()) << ": got " << *m
                                     << ", ffmpeg " << *t;
    }
}

constexpr auto U8 = Reference::U8, S16 = Reference::S16, Fl = Reference::Float, Db = Reference::Double;

INSTANTIATE_TEST_SUITE_P(
    Codecs, FfmpegReferenceTest,
    testing::Values(
        Case{"Mp3Stereo", "mp3", "-c:a libmp3lame -b:a 128k", 2, 44100, Fl},
        Case{"Mp3Mono", "mp3", "-c:a libmp3lame -b:a 64k", 1, 22050, Fl},
        Case{"Flac16", "flac", "-c:a flac", 2, 44100, S16},
        Case{"Flac24", "flac", "-c:a flac -sample_fmt s32", 2, 96000, S16},
        // Six channels come mixed down, whatever the codec.
        Case{"Flac51", "flac", "-c:a flac", 6, 48000, S16},
        Case{"Ac3DownMix51", "ac3", "-c:a ac3", 6, 48000, Fl},
        Case{"AlacM4a", "m4a", "-c:a alac", 2, 44100, S16},
        Case{"AacM4a", "m4a", "-c:a aac -b:a 128k", 2, 44100, Fl},
        Case{"AacAdts", "aac", "-c:a aac -b:a 96k", 1, 32000, Fl},
        Case{"Wma", "wma", "-c:a wmav2 -b:a 128k", 2, 44100, Fl},
        Case{"OggVorbis", "ogg", "-c:a libvorbis -q:a 4", 2, 44100, Fl},
        Case{"Opus", "opus", "-c:a libopus -b:a 96k", 2, 48000, Fl},
        Case{"WavPack16", "wv", "-c:a wavpack -sample_fmt s16p", 2, 44100, S16},
        Case{"WavPackFloat", "wv", "-c:a wavpack -sample_fmt fltp", 2, 44100, Fl},
        Case{"WavPack32Planar", "wv", "-c:a wavpack -sample_fmt s32p", 1, 48000, S16},
        Case{"WavU8", "wav", "-c:a pcm_u8", 2, 8000, U8},
        Case{"WavS32", "wav", "-c:a pcm_s32le", 2, 44100, S16},
        // Float samples beyond full scale are clamped, not wrapped.
        Case{"WavFloatOverFullScale", "wav", "-c:a pcm_f32le", 2, 44100, Fl, 0, 2.5},
        Case{"WavDouble", "wav", "-c:a pcm_f64le", 1, 44100, Db},
        // Two video streams come first; the only audio is the third stream.
        Case{"MatroskaThirdStream", "mkv", "-c:a libvorbis", 2, 44100, Fl, 2}),
    caseName);

} // namespace
} // namespace sonivert::test
