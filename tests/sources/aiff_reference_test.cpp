// Every AIFF/AIFC encoding the reader accepts, written by libsndfile or sox,
// must decode through AiffSource to the same samples as libsndfile
// (sndfile-convert) decodes them, after the reader's reduction rules: the
// upper 16 bits of wider samples, signed 8-bit delivered as unsigned, float
// scaled by 2147483647 and shifted down.

#include "platform/stereodownmix.h"
#include "sources/aiffsource.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace sonivert::test {
namespace {

using Encoding = AiffSource::Encoding;

enum class Reference {
    U8,          // libsndfile's unsigned 8-bit decode, compared as is
    S16,         // libsndfile's 16-bit decode
    Upper16,     // libsndfile's 32-bit decode, upper 16 bits kept
    FloatScaled, // libsndfile's float decode, scaled the way 16-bit output is made from float
};

struct Case {
    const char* name;
    const char* command; // how source.wav becomes encoded.aif(f): a sndfile-convert or sox argument list
    int channels;
    int rate;
    Reference reference;
    Encoding encoding;
    bool littleEndian = false;
    int maxExtraFrames = 0; // frames a block codec may deliver beyond libsndfile's count
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name << " " << c.channels << " ch";
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

std::vector<int16_t> referenceSamples(Reference kind, const std::string& raw)
{
    std::vector<int16_t> out;
    switch (kind) {
    case Reference::U8:
        for (uint8_t b : readFileBytes(raw))
            out.push_back(b);
        break;
    case Reference::S16:
        out = readRawS16(raw);
        break;
    case Reference::Upper16:
        for (int32_t s : readRawS32(raw))
            out.push_back(static_cast<int16_t>(s >> 16));
        break;
    case Reference::FloatScaled:
        for (float f : readRawF32(raw))
            out.push_back(static_cast<int16_t>(static_cast<int32_t>(static_cast<int64_t>(f * 2147483647.0)) >> 16));
        break;
    }
    return out;
}

class AiffReferenceTest : public testing::TestWithParam<Case> {};

TEST_P(AiffReferenceTest, DecodesLikeLibsndfile)
{
    const Case& c = GetParam();
    ASSERT_TRUE(toolAvailable("sox") && toolAvailable("sndfile-convert"))
        << "sox and sndfile-convert are needed (scripts/install-deps.sh installs them)";

    TempDir dir;
    const std::string source = dir.file("source.wav");
    const std::string encoded = dir.file("encoded.aif"); // sox is told the type; libsndfile goes by the name
    const std::string reference = dir.file("reference.raw");
    // Quiet enough that no float sample reaches full scale (where the
    // reader clamps), loud enough to use the upper bits.
    ASSERT_EQ(0, runCommand("sox -R -n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) +
                            " -e floating-point -b 32 " + shellQuote(source) + " synth 2.3" + generators(c.channels) +
                            " vol 0.9"));
    const std::string command = c.command;
    if (command.rfind("sox ", 0) == 0)
        ASSERT_EQ(0, runCommand("sox -R " + shellQuote(source) + command.substr(3) + " " + shellQuote(encoded)));
    else
        ASSERT_EQ(0, runCommand("sndfile-convert " + command + " " + shellQuote(source) + " " + shellQuote(encoded)));

    const char* refFlag = c.reference == Reference::U8        ? "-pcmu8"
                          : c.reference == Reference::S16     ? "-pcm16"
                          : c.reference == Reference::Upper16 ? "-pcm32"
                                                              : "-float32";
    ASSERT_EQ(0, runCommand(std::string("sndfile-convert ") + refFlag + " " + shellQuote(encoded) + " " + shellQuote(reference)));
    const std::vector<int16_t> expected = referenceSamples(c.reference, reference);
    ASSERT_FALSE(expected.empty());

    AiffSource aiff;
    ASSERT_TRUE(aiff.open(encoded, 0));
    EXPECT_EQ(c.encoding, aiff.encoding());
    EXPECT_EQ(c.littleEndian, aiff.littleEndian());
    EXPECT_EQ(c.channels, aiff.channels());
    EXPECT_EQ(std::min(c.channels, 2), aiff.outputChannels());
    EXPECT_EQ(c.rate, aiff.sampleRate());
    EXPECT_EQ(c.reference == Reference::U8 ? 8 : 16, aiff.bitsPerSample());
    EXPECT_EQ(2, aiff.durationSeconds());
    EXPECT_EQ(aiff.dataStart(), aiff.position());
    EXPECT_GT(aiff.bitrateKbps(), 0);

    const DecodedPcm got = decodeAll(aiff);
    ASSERT_TRUE(got.endedCleanly && got.blockLimitKept);
    // Everything is read but a GSM file's incomplete last frame.
    EXPECT_LE(aiff.dataStart() + aiff.dataBytes() - aiff.position(), c.encoding == Encoding::Gsm ? 32u : 0u);
    EXPECT_LE(aiff.position(), aiff.totalLength());

    const size_t frames = expected.size() / static_cast<size_t>(c.channels);
    ASSERT_GE(got.left.size(), frames);
    ASSERT_LE(got.left.size(), frames + static_cast<size_t>(c.maxExtraFrames));
    const std::vector<int16_t> pair =
        deliveredPair(expected, c.channels, speakers::aiffOrder(c.channels), c.reference == Reference::U8);
    for (int out = 0; out < std::min(c.channels, 2); ++out) {
        const std::vector<int16_t>& mine = out == 0 ? got.left : got.right;
        const std::vector<int16_t> theirs = channelOf(pair, std::min(c.channels, 2), out);
        size_t mismatches = 0;
        size_t firstAt = 0;
        for (size_t i = 0; i < frames; ++i) {
            if (mine[i] != theirs[i] && mismatches++ == 0)
                firstAt = i;
        }
        EXPECT_EQ(0u, mismatches) << "output channel " << out << ", first at frame " << firstAt << ": got "
                                  << mine[firstAt] << ", libsndfile " << theirs[firstAt];
    }
}

constexpr auto U8 = Reference::U8, S16 = Reference::S16, Up = Reference::Upper16, Fl = Reference::FloatScaled;

INSTANTIATE_TEST_SUITE_P(
    Encodings, AiffReferenceTest,
    testing::Values(
        Case{"pcm8", "-pcms8", 1, 44100, U8, Encoding::Pcm}, Case{"pcm8", "-pcms8", 2, 44100, U8, Encoding::Pcm},
        Case{"pcm8", "-pcms8", 6, 22050, U8, Encoding::Pcm},
        Case{"pcm16", "-pcm16", 1, 44100, S16, Encoding::Pcm}, Case{"pcm16", "-pcm16", 2, 48000, S16, Encoding::Pcm},
        Case{"pcm16", "-pcm16", 3, 22050, S16, Encoding::Pcm}, Case{"pcm16", "-pcm16", 4, 22050, S16, Encoding::Pcm},
        Case{"pcm16", "-pcm16", 6, 22050, S16, Encoding::Pcm},
        Case{"pcm24", "-pcm24", 1, 44100, Up, Encoding::Pcm}, Case{"pcm24", "-pcm24", 2, 96000, Up, Encoding::Pcm},
        Case{"pcm24", "-pcm24", 6, 22050, Up, Encoding::Pcm},
        Case{"pcm32", "-pcm32", 2, 44100, Up, Encoding::Pcm},
        // libsndfile writes little-endian integer PCM as AIFC "sowt" (16
        // bits) and "23ni" (32 bits), in lower case.
        Case{"sowt", "-endian=little -pcm16", 2, 44100, S16, Encoding::Pcm, true},
        Case{"sowt", "-endian=little -pcm16", 6, 22050, S16, Encoding::Pcm, true},
        Case{"23ni", "-endian=little -pcm32", 2, 44100, Up, Encoding::Pcm, true},
        Case{"ulaw", "-ulaw", 1, 8000, S16, Encoding::Ulaw}, Case{"ulaw", "-ulaw", 2, 44100, S16, Encoding::Ulaw},
        Case{"alaw", "-alaw", 2, 8000, S16, Encoding::Alaw}, Case{"alaw", "-alaw", 4, 8000, S16, Encoding::Alaw},
        Case{"float32", "-float32", 1, 44100, Fl, Encoding::Float32},
        Case{"float32", "-float32", 2, 44100, Fl, Encoding::Float32},
        Case{"float32", "-float32", 6, 22050, Fl, Encoding::Float32},
        Case{"float64", "-float64", 2, 22050, Fl, Encoding::Float64},
        Case{"ima4", "-ima-adpcm", 2, 44100, S16, Encoding::Ima4, false, 64},
        Case{"gsm", "-gsm610", 1, 8000, S16, Encoding::Gsm, false, 160},
        // libsndfile pads the end of a DWVW stream with bits that decode to
        // a few samples beyond the COMM count; the reader reads the whole
        // stream. (Its 12-bit DWVW writer writes no samples at all; that
        // width is checked in aiff_dwvw_test.cpp.)
        Case{"dwvw16", "-dwvw16", 1, 44100, Up, Encoding::Dwvw, false, 16},
        Case{"dwvw24", "-dwvw24", 1, 44100, Up, Encoding::Dwvw, false, 16},
        // sox writes plain AIFF and uncompressed AIFC ("NONE", "fl32").
        Case{"soxaiff", "sox -t aiff -b 16", 2, 44100, S16, Encoding::Pcm},
        Case{"soxaifc", "sox -t aifc -b 24", 2, 48000, Up, Encoding::Pcm},
        Case{"soxaifcfloat", "sox -t aifc -e floating-point -b 32", 1, 44100, Fl, Encoding::Float32}),
    caseName);

} // namespace
} // namespace sonivert::test
