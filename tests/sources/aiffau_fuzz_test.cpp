// Thousands of mutated and truncated AIFF/AIFC and AU files: each reader must
// refuse them or deliver a bounded stream, never crash, overrun or hang. Run
// under the sanitizer build this also catches out-of-bounds reads.

#include "sources/aiffsource.h"
#include "sources/ausource.h"
#include "tests/sources/bebytes.h"
#include "tests/support/mutation.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

namespace sonivert::test {
namespace {

// Values that matter to these headers: channel counts, widths, encoding
// codes and their limits, IMA4 and GSM block sizes, "not given" sizes.
constexpr uint32_t kExtremes[] = {0, 1, 2, 3, 5, 6, 7, 8, 12, 23, 24, 25, 26, 27, 28, 33, 34, 68,
                                  0xFF, 0xFFFF, 0x7FFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

std::vector<uint8_t> convert(const TempDir& dir, const std::string& source, const std::string& flags, const std::string& name)
{
    const std::string out = dir.file(name);
    if (runCommand("sndfile-convert " + flags + " " + shellQuote(source) + " " + shellQuote(out)) != 0)
        return {};
    return readFileBytes(out);
}

std::vector<std::vector<uint8_t>> aiffSeeds(const TempDir& dir)
{
    std::vector<std::vector<uint8_t>> seeds;
    const std::string stereo = dir.file("stereo.wav");
    const std::string mono = dir.file("mono.wav");
    if (runCommand("sox -R -n -r 8000 -c 2 -b 16 " + shellQuote(stereo) + " synth 0.15 sine 440 whitenoise") != 0 ||
        runCommand("sox -R -n -r 8000 -c 1 -b 16 " + shellQuote(mono) + " synth 0.15 sine 440") != 0)
        return seeds;
    for (const char* flags : {"-pcm16", "-pcms8", "-pcm24", "-ulaw", "-float32", "-float64", "-ima-adpcm", "-endian=little -pcm16"})
        seeds.push_back(convert(dir, stereo, flags, "seed.aif"));
    for (const char* flags : {"-gsm610", "-dwvw16", "-dwvw24"})
        seeds.push_back(convert(dir, mono, flags, "seed.aif"));
    // Six channels, SSND before COMM, other chunks around; and "raw ".
    const std::vector<uint8_t> samples(6 * 2 * 300, 0x5A);
    seeds.push_back(IffBuilder()
                        .chunk("SSND", ssndBody(samples, 4))
                        .chunk("ANNO", BeBytes().text("odd"))
                        .chunk("COMM", commBody(6, 300, 16, 48000))
                        .build());
    seeds.push_back(IffBuilder("AIFC").chunk("COMM", commBody(2, 300, 8, 8000, "raw ")).chunk("SSND", ssndBody(samples)).build());
    return seeds;
}

std::vector<std::vector<uint8_t>> auSeeds(const TempDir& dir)
{
    std::vector<std::vector<uint8_t>> seeds;
    const std::string stereo = dir.file("stereo.wav");
    if (runCommand("sox -R -n -r 8000 -c 2 -b 16 " + shellQuote(stereo) + " synth 0.15 sine 440 whitenoise") != 0)
        return seeds;
    for (const char* flags : {"-ulaw", "-pcms8", "-pcm24", "-endian=little -pcm16", "-endian=little -float64", "-alaw"})
        seeds.push_back(convert(dir, stereo, flags, "seed.au"));
    // Any bytes are valid ADPCM codes: the A-law file relabelled as G.721
    // (stereo) and as 3- and 5-bit G.723 (mono).
    const std::vector<uint8_t> alaw = seeds.back();
    if (alaw.size() > 24) {
        for (const auto& [code, channels] : {std::pair{23u, 2u}, std::pair{25u, 1u}, std::pair{26u, 1u}}) {
            std::vector<uint8_t> relabelled = alaw;
            const std::vector<uint8_t> header = BeBytes().u32(code).u32(8000).u32(channels).data();
            std::copy(header.begin(), header.end(), relabelled.begin() + 12);
            seeds.push_back(relabelled);
        }
    }
    return seeds;
}

struct Reader {
    const char* name;
    std::function<std::unique_ptr<AudioSource>()> make;
    std::function<std::vector<std::vector<uint8_t>>(const TempDir&)> seeds;
    size_t seedCount;
};

void PrintTo(const Reader& r, std::ostream* os)
{
    *os << r.name;
}

class AiffAuFuzzTest : public testing::TestWithParam<Reader> {};

TEST_P(AiffAuFuzzTest, MutatedFilesAreRefusedOrReadWithinBounds)
{
    const Reader& reader = GetParam();
    TempDir dir;
    const auto seeds = reader.seeds(dir);
    ASSERT_EQ(reader.seedCount, seeds.size());
    for (const auto& seed : seeds) {
        ASSERT_FALSE(seed.empty());
        // Every seed is readable as it is.
        writeFileBytes(dir.file("seed"), seed);
        std::unique_ptr<AudioSource> source = reader.make();
        ASSERT_TRUE(source->open(dir.file("seed"), 0));
        ASSERT_GT(decodeAll(*source).left.size(), 0u);
    }

    std::mt19937 rng(20261208);
    const std::string path = dir.file("mutant");
    int opened = 0;
    constexpr int kMutantsPerSeed = 300;
    for (size_t s = 0; s < seeds.size(); ++s) {
        for (int i = 0; i < kMutantsPerSeed; ++i) {
            // Mostly big-endian values, as in AIFF and most AU headers.
            const std::vector<uint8_t> mutant = mutateBytes(seeds[s], rng, kExtremes, /*bigEndian=*/i % 4 != 0);
            writeFileBytes(path, mutant);
            std::unique_ptr<AudioSource> source = reader.make();
            if (!source->open(path, 0))
                continue;
            ++opened;
            ASSERT_GE(source->outputChannels(), 1);
            ASSERT_LE(source->outputChannels(), 2);
            ASSERT_TRUE(source->bitsPerSample() == 8 || source->bitsPerSample() == 16);
            // Every read consumes file bytes or ends the stream (a DWVW read
            // consumes at least one bit per sample), so a file of n bytes
            // takes at most n + 2 reads.
            const DecodedPcm got = decodeAll(*source, static_cast<int64_t>(mutant.size()) + 2);
            ASSERT_TRUE(got.blockLimitKept) << "seed " << s << " mutant " << i;
            ASSERT_TRUE(got.endedCleanly) << "seed " << s << " mutant " << i << " did not end";
            ASSERT_LE(source->position(), source->totalLength()) << "seed " << s << " mutant " << i;
        }
    }
    // The mutations must leave enough files readable to exercise the decoders.
    EXPECT_GT(opened, static_cast<int>(seeds.size()) * kMutantsPerSeed / 4);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, AiffAuFuzzTest,
    testing::Values(Reader{"aiff", [] { return std::unique_ptr<AudioSource>(std::make_unique<AiffSource>()); }, aiffSeeds, 13},
                    Reader{"au", [] { return std::unique_ptr<AudioSource>(std::make_unique<AuSource>()); }, auSeeds, 9}),
    [](const testing::TestParamInfo<Reader>& info) { return std::string(info.param.name); });

} // namespace
} // namespace sonivert::test
