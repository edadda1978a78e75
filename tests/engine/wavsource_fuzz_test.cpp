// Thousands of mutated and truncated WAV files: the reader must refuse them
// or deliver a bounded stream, never crash, overrun or hang. Run under the
// sanitizer build this also catches out-of-bounds reads.

#include "engine/wavsource.h"
#include "tests/support/mutation.h"
#include "tests/support/testsupport.h"
#include "tests/support/wavbuilder.h"

#include <gtest/gtest.h>

#include <random>

namespace sonivert::test {
namespace {

std::vector<std::vector<uint8_t>> seedFiles(const TempDir& dir)
{
    std::vector<std::vector<uint8_t>> seeds;
    const std::string source = dir.file("seed-source.wav");
    if (runCommand("sox -R -n -r 8000 -c 2 -b 16 " + shellQuote(source) + " synth 0.15 sine 440 whitenoise") != 0)
        return seeds;
    for (const char* encoding : {"pcm16", "pcmu8", "pcm24", "float32", "float64", "alaw", "ulaw", "ms-adpcm",
                                 "ima-adpcm"}) {
        const std::string out = dir.file(std::string("seed-") + encoding + ".wav");
        if (runCommand(std::string("sndfile-convert -") + encoding + " " + shellQuote(source) + " " + shellQuote(out)) == 0)
            seeds.push_back(readFileBytes(out));
    }
    const std::string gsm = dir.file("seed-gsm.wav");
    if (runCommand("sox -R -n -r 8000 -c 1 -b 16 " + shellQuote(dir.file("mono.wav")) + " synth 0.15 sine 440") == 0 &&
        runCommand("sndfile-convert -gsm610 " + shellQuote(dir.file("mono.wav")) + " " + shellQuote(gsm)) == 0)
        seeds.push_back(readFileBytes(gsm));
    // An extensible six-channel file with a chunk between fmt and data.
    std::vector<int16_t> six(6 * 300, 1234);
    Bytes data;
    for (int16_t s : six)
        data.u16(static_cast<uint16_t>(s));
    Bytes fmt = fmtBody(0xFFFE, 6, 48000, 16).u16(22).u16(16).u32(0x3F).u16(1).fill(14, 0);
    seeds.push_back(RiffBuilder().chunk("fmt ", fmt).chunk("LIST", Bytes().text("INFOx")).chunk("data", data).build());
    return seeds;
}

constexpr uint32_t kExtremes[] = {0, 1, 2, 3, 0xFF, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 65, 320};

TEST(WavFuzzTest, MutatedFilesAreRefusedOrReadWithinBounds)
{
    TempDir dir;
    const auto seeds = seedFiles(dir);
    ASSERT_EQ(11u, seeds.size());

    std::mt19937 rng(20261207);
    const std::string path = dir.file("mutant.wav");
    int opened = 0;
    constexpr int kMutantsPerSeed = 300;
    for (size_t s = 0; s < seeds.size(); ++s) {
        for (int i = 0; i < kMutantsPerSeed; ++i) {
            const std::vector<uint8_t> mutant = mutateBytes(seeds[s], rng, kExtremes);
            writeFileBytes(path, mutant);
            WavSource wav;
            if (!wav.open(path, 0))
                continue;
            ++opened;
            ASSERT_GE(wav.outputChannels(), 1);
            ASSERT_LE(wav.outputChannels(), 2);
            // Every read consumes at least one byte of the file or ends the
            // stream, so a file of n bytes takes at most n + 1 reads.
            const DecodedPcm got = decodeAll(wav, static_cast<int64_t>(mutant.size()) + 2);
            ASSERT_TRUE(got.blockLimitKept) << "seed " << s << " mutant " << i;
            ASSERT_TRUE(got.endedCleanly) << "seed " << s << " mutant " << i << " did not end";
            ASSERT_LE(wav.position(), wav.totalLength());
        }
    }
    // The mutations must leave enough files readable to exercise the decoders.
    EXPECT_GT(opened, static_cast<int>(seeds.size()) * kMutantsPerSeed / 4);
}

} // namespace
} // namespace sonivert::test
