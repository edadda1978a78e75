// Every WAV encoding the reader accepts, written by libsndfile, sox or ffmpeg,
// must decode to the same samples through WavSource as through a reference
// decoder: libsndfile (sndfile-convert), or ffmpeg for Microsoft ADPCM, where
// libsndfile's decoder departs from the format's reference arithmetic.

#include "engine/wavsource.h"
#include "platform/stereodownmix.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace sonivert::test {
namespace {

enum class Reference {
    U8,          // libsndfile's unsigned 8-bit decode, compared as is
    S16,         // libsndfile's 16-bit decode
    Upper16,     // libsndfile's 32-bit decode, upper 16 bits kept
    FloatScaled, // libsndfile's float decode, scaled the way 16-bit output is made from float
};

enum class Writer { Sndfile, Sox, Ffmpeg };

struct Case {
    const char* name;
    Writer writer;
    const char* encoding; // sndfile-convert's encoding flag, or the options of sox / ffmpeg
    int channels;
    int rate;
    Reference reference;
    uint16_t formatTag;     // what the file must declare (0xFFFE for the extensible form)
    int maxDifference = 0;  // largest tolerated difference from the reference
    int maxExtraFrames = 0; // padding of a block codec's last block
    bool ffmpegReference = false;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name << " " << c.channels << " ch " << c.rate << " Hz";
}

std::string caseName(const testing::TestParamInfo<Case>& info)
{
    return std::string(info.param.name) + "_" + std::to_string(info.param.channels) + "ch";
}

// One distinct signal per channel, so a channel mix-up shows.
std::string generators(int channels)
{
    static const char* kSignals[] = {"sine 300-3000", "whitenoise", "square 220", "sine 1000", "pinknoise", "sawtooth 150"};
    std::string out;
    for (int c = 0; c < channels; ++c)
        out += std::string(" ") + kSignals[c % 6];
    return out;
}

class WavReferenceTest : public testing::TestWithParam<Case> {};

TEST_P(WavReferenceTest, DecodesLikeLibsndfile)
{
    const Case& c = GetParam();
    ASSERT_TRUE(toolAvailable("sox") && toolAvailable("sndfile-convert"))
        << "sox and sndfile-convert are needed (scripts/install-deps.sh installs them)";

    TempDir dir;
    const std::string source = dir.file("source.wav");
    const std::string encoded = dir.file("encoded.wav");
    const std::string reference = dir.file("reference.raw");
    ASSERT_EQ(0, runCommand("sox -R -n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) +
                            " -e floating-point -b 32 " + shellQuote(source) + " synth 2.3" + generators(c.channels) +
                            " vol 0.9"));
    switch (c.writer) {
    case Writer::Sndfile:
        ASSERT_EQ(0, runCommand(std::string("sndfile-convert -") + c.encoding + " " + shellQuote(source) + " " +
                                shellQuote(encoded)));
        break;
    case Writer::Sox:
        ASSERT_EQ(0, runCommand("sox -R " + shellQuote(source) + " " + c.encoding + " " + shellQuote(encoded)));
        break;
    case Writer::Ffmpeg:
        ASSERT_EQ(0, runCommand("ffmpeg -v error -y -i " + shellQuote(source) + " " + c.encoding + " " +
                                shellQuote(encoded)));
        break;
    }

    const char* refFlag = c.reference == Reference::U8      ? "-pcmu8"
                          : c.reference == Reference::S16   ? "-pcm16"
                          : c.reference == Reference::Upper16 ? "-pcm32"
                                                              : "-float32";
    if (c.ffmpegReference)
        ASSERT_EQ(0, runCommand("ffmpeg -v error -y -i " + shellQuote(encoded) + " -f s16le " + shellQuote(reference)));
    else
        ASSERT_EQ(0, runCommand(std::string("sndfile-convert ") + refFlag + " " + shellQuote(encoded) + " " +
                                shellQuote(reference)));

    std::vector<int16_t> expected;
    switch (c.reference) {
    case Reference::U8:
        for (uint8_t b : readFileBytes(reference))
            expected.push_back(b);
        break;
    case Reference::S16:
        expected = readRawS16(reference);
        break;
    case Reference::Upper16:
        for (int32_t s : readRawS32(reference))
            expected.push_back(static_cast<int16_t>(s >> 16));
        break;
    case Reference::FloatScaled:
        for (float f : readRawF32(reference))
            expected.push_back(static_cast<int16_t>(static_cast<int32_t>(static_cast<int64_t>(f * 2147483647.0)) >> 16));
        break;
    }
    ASSERT_FALSE(expected.empty());

    WavSource wav;
    ASSERT_TRUE(wav.open(encoded, 0));
    EXPECT_EQ(c.formatTag, wav.formatTag());
    EXPECT_EQ(c.channels, wav.channels());
    EXPECT_EQ(std::min(c.channels, 2), wav.outputChannels());
    EXPECT_EQ(c.rate, wav.sampleRate());
    EXPECT_EQ(c.reference == Reference::U8 ? 8 : 16, wav.bitsPerSample());
    EXPECT_EQ(2, wav.durationSeconds());
    EXPECT_GT(wav.bitrateKbps(), 0);

    const DecodedPcm got = decodeAll(wav);
    ASSERT_TRUE(got.endedCleanly && got.blockLimitKept);
    EXPECT_EQ(wav.totalLength(), wav.position());

    const size_t frames = expected.size() / static_cast<size_t>(c.channels);
    ASSERT_GE(got.left.size(), frames);
    ASSERT_LE(got.left.size(), frames + static_cast<size_t>(c.maxExtraFrames));
    const std::vector<int16_t> pair =
        deliveredPair(expected, c.channels, speakers::byDefault(c.channels), c.reference == Reference::U8);
    for (int ch = 0; ch < std::min(c.channels, 2); ++ch) {
        const std::vector<int16_t>& mine = ch == 0 ? got.left : got.right;
        const std::vector<int16_t> theirs = channelOf(pair, std::min(c.channels, 2), ch);
        int worst = 0;
        size_t worstAt = 0;
        for (size_t i = 0; i < frames; ++i) {
            const int d = std::abs(mine[i] - theirs[i]);
            if (d > worst) {
                worst = d;
                worstAt = i;
            }
        }
        EXPECT_LE(worst, c.maxDifference) << "channel " << ch << " frame " << worstAt << ": got " << mine[worstAt]
                                          << ", libsndfile " << theirs[worstAt];
    }
}

constexpr uint16_t kPcm = 1, kFloat = 3, kAlaw = 6, kUlaw = 7, kMs = 2, kIma = 17, kGsm = 49, kExt = 0xFFFE;
constexpr auto SF = Writer::Sndfile;
constexpr auto U8 = Reference::U8, S16 = Reference::S16, Up = Reference::Upper16, Fl = Reference::FloatScaled;

INSTANTIATE_TEST_SUITE_P(
    Encodings, WavReferenceTest,
    testing::Values(
        Case{"pcm8", SF, "pcmu8", 1, 44100, U8, kPcm}, Case{"pcm8", SF, "pcmu8", 2, 44100, U8, kPcm},
        Case{"pcm8", SF, "pcmu8", 6, 44100, U8, kPcm}, Case{"pcm16", SF, "pcm16", 1, 44100, S16, kPcm},
        Case{"pcm16", SF, "pcm16", 2, 44100, S16, kPcm}, Case{"pcm16", SF, "pcm16", 6, 48000, S16, kPcm},
        Case{"pcm24", SF, "pcm24", 1, 44100, Up, kPcm}, Case{"pcm24", SF, "pcm24", 2, 96000, Up, kPcm},
        Case{"pcm32", SF, "pcm32", 1, 44100, Up, kPcm}, Case{"pcm32", SF, "pcm32", 2, 44100, Up, kPcm},
        Case{"float32", SF, "float32", 1, 44100, Fl, kFloat}, Case{"float32", SF, "float32", 2, 44100, Fl, kFloat},
        Case{"float32", SF, "float32", 6, 44100, Fl, kFloat}, Case{"float64", SF, "float64", 2, 22050, Fl, kFloat},
        Case{"alaw", SF, "alaw", 1, 8000, S16, kAlaw}, Case{"alaw", SF, "alaw", 2, 44100, S16, kAlaw},
        Case{"ulaw", SF, "ulaw", 1, 8000, S16, kUlaw}, Case{"ulaw", SF, "ulaw", 2, 44100, S16, kUlaw},
        Case{"msadpcm", SF, "ms-adpcm", 1, 22050, S16, kMs, 0, 1024, true},
        Case{"msadpcm", SF, "ms-adpcm", 2, 44100, S16, kMs, 0, 1024, true},
        Case{"imaadpcm", SF, "ima-adpcm", 1, 22050, S16, kIma, 0, 1024},
        Case{"imaadpcm", SF, "ima-adpcm", 2, 44100, S16, kIma, 0, 1024},
        Case{"gsm610", SF, "gsm610", 1, 8000, S16, kGsm, 0, 320},
        // The extensible form: sox writes it for more than two channels and
        // for integer samples wider than 16 bits, ffmpeg for multichannel float.
        Case{"extensible16", Writer::Sox, "-b 16", 6, 44100, S16, kExt},
        Case{"extensible24", Writer::Sox, "-b 24", 2, 44100, Up, kExt},
        Case{"extensible32", Writer::Sox, "-b 32 -e signed-integer", 1, 44100, Up, kExt},
        Case{"extensiblefloat", Writer::Ffmpeg, "-c:a pcm_f32le", 6, 48000, Fl, kExt}),
    caseName);

} // namespace
} // namespace sonivert::test
