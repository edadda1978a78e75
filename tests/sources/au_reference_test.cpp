// Every AU encoding with linear, float or G.711 samples, written by
// libsndfile (in both byte orders) or sox, must decode through AuSource to
// the samples libsndfile decodes, after the reader's reduction rules (the
// upper 16 bits of wider samples, float scaled by 2147483647 and shifted
// down). The ADPCM encodings are checked in g72x_reference_test.cpp.

#include "sources/ausource.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

enum class Reference {
    S16,         // libsndfile's 16-bit decode
    Upper16,     // libsndfile's 32-bit decode, upper 16 bits kept
    FloatScaled, // libsndfile's float decode, scaled the way 16-bit output is made from float
};

enum class Writer { Sndfile, SndfileLittle, Sox };

struct Case {
    const char* name;
    Writer writer;
    const char* encoding; // sndfile-convert's encoding flag, or sox's options
    int channels;
    int rate;
    Reference reference;
    uint32_t code; // the encoding the header must declare
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name << " " << c.channels << " ch";
}

std::string caseName(const testing::TestParamInfo<Case>& info)
{
    const char* order = info.param.writer == Writer::SndfileLittle ? "_le" : info.param.writer == Writer::Sox ? "_sox" : "";
    return std::string(info.param.name) + order + "_" + std::to_string(info.param.channels) + "ch";
}

class AuReferenceTest : public testing::TestWithParam<Case> {};

TEST_P(AuReferenceTest, DecodesLikeLibsndfile)
{
    const Case& c = GetParam();
    ASSERT_TRUE(toolAvailable("sox") && toolAvailable("sndfile-convert"))
        << "sox and sndfile-convert are needed (scripts/install-deps.sh installs them)";

    TempDir dir;
    const std::string source = dir.file("source.wav");
    const std::string encoded = dir.file("encoded.au");
    const std::string reference = dir.file("reference.raw");
    ASSERT_EQ(0, runCommand("sox -R -n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) +
                            " -e floating-point -b 32 " + shellQuote(source) + " synth 2.4 sine 300-3000" +
                            (c.channels == 2 ? " whitenoise" : "") + " vol 0.9"));
    switch (c.writer) {
    case Writer::Sndfile:
    case Writer::SndfileLittle:
        ASSERT_EQ(0, runCommand(std::string("sndfile-convert ") + (c.writer == Writer::SndfileLittle ? "-endian=little " : "") +
                                "-" + c.encoding + " " + shellQuote(source) + " " + shellQuote(encoded)));
        break;
    case Writer::Sox:
        ASSERT_EQ(0, runCommand("sox -R " + shellQuote(source) + " " + c.encoding + " " + shellQuote(encoded)));
        break;
    }
    const char* refFlag = c.reference == Reference::S16 ? "-pcm16" : c.reference == Reference::Upper16 ? "-pcm32" : "-float32";
    ASSERT_EQ(0, runCommand(std::string("sndfile-convert ") + refFlag + " " + shellQuote(encoded) + " " + shellQuote(reference)));

    std::vector<int16_t> expected;
    if (c.reference == Reference::S16) {
        expected = readRawS16(reference);
    } else if (c.reference == Reference::Upper16) {
        for (int32_t s : readRawS32(reference))
            expected.push_back(static_cast<int16_t>(s >> 16));
    } else {
        for (float f : readRawF32(reference))
            expected.push_back(static_cast<int16_t>(static_cast<int32_t>(static_cast<int64_t>(f * 2147483647.0)) >> 16));
    }
    ASSERT_FALSE(expected.empty());

    AuSource au;
    ASSERT_TRUE(au.open(encoded, 0));
    EXPECT_EQ(c.code, au.encoding());
    EXPECT_EQ(c.writer != Writer::SndfileLittle, au.bigEndian());
    EXPECT_EQ(c.channels, au.channels());
    EXPECT_EQ(c.channels, au.outputChannels());
    EXPECT_EQ(c.rate, au.sampleRate());
    EXPECT_EQ(16, au.bitsPerSample());
    EXPECT_EQ(2, au.durationSeconds());
    EXPECT_EQ(static_cast<uint64_t>(readFileBytes(encoded).size()) - au.dataOffset(), au.totalLength());

    const DecodedPcm got = decodeAll(au);
    ASSERT_TRUE(got.endedCleanly && got.blockLimitKept);
    EXPECT_EQ(au.totalLength(), au.position());
    const size_t frames = expected.size() / static_cast<size_t>(c.channels);
    ASSERT_EQ(frames, got.left.size());
    EXPECT_EQ(channelOf(expected, c.channels, 0), got.left);
    if (c.channels == 2) {
        EXPECT_EQ(channelOf(expected, c.channels, 1), got.right);
    }
}

constexpr auto SF = Writer::Sndfile, LE = Writer::SndfileLittle, Sox = Writer::Sox;
constexpr auto S16 = Reference::S16, Up = Reference::Upper16, Fl = Reference::FloatScaled;

INSTANTIATE_TEST_SUITE_P(
    Encodings, AuReferenceTest,
    testing::Values(
        Case{"ulaw", SF, "ulaw", 1, 8000, S16, AuSource::kUlaw}, Case{"ulaw", LE, "ulaw", 2, 8000, S16, AuSource::kUlaw},
        Case{"alaw", SF, "alaw", 2, 8000, S16, AuSource::kAlaw}, Case{"alaw", LE, "alaw", 1, 8000, S16, AuSource::kAlaw},
        Case{"pcm8", SF, "pcms8", 1, 22050, S16, AuSource::kLinear8},
        Case{"pcm8", LE, "pcms8", 2, 22050, S16, AuSource::kLinear8},
        Case{"pcm16", SF, "pcm16", 2, 44100, S16, AuSource::kLinear16},
        Case{"pcm16", LE, "pcm16", 2, 44100, S16, AuSource::kLinear16},
        Case{"pcm16", LE, "pcm16", 1, 48000, S16, AuSource::kLinear16},
        Case{"pcm24", SF, "pcm24", 2, 48000, Up, AuSource::kLinear24},
        Case{"pcm24", LE, "pcm24", 1, 48000, Up, AuSource::kLinear24},
        Case{"pcm32", SF, "pcm32", 1, 44100, Up, AuSource::kLinear32},
        Case{"pcm32", LE, "pcm32", 2, 44100, Up, AuSource::kLinear32},
        Case{"float32", SF, "float32", 2, 44100, Fl, AuSource::kFloat},
        Case{"float32", LE, "float32", 1, 44100, Fl, AuSource::kFloat},
        Case{"float64", SF, "float64", 1, 22050, Fl, AuSource::kDouble},
        Case{"float64", LE, "float64", 2, 22050, Fl, AuSource::kDouble},
        Case{"ulaw", Sox, "-e mu-law", 1, 8000, S16, AuSource::kUlaw},
        Case{"alaw", Sox, "-e a-law", 2, 8000, S16, AuSource::kAlaw},
        Case{"pcm16", Sox, "-b 16", 2, 44100, S16, AuSource::kLinear16},
        Case{"pcm24", Sox, "-b 24", 1, 96000, Up, AuSource::kLinear24},
        Case{"float64", Sox, "-e floating-point -b 64", 2, 44100, Fl, AuSource::kDouble}),
    caseName);

} // namespace
} // namespace sonivert::test
