// Truncated and mutated containers of every family the FFmpeg readers serve:
// both readers must refuse them or deliver a bounded stream, never crash,
// overrun or hang. Run under the sanitizer build this also catches
// out-of-bounds access and leaks on every early exit of open() and read().

#include "sources/ffmpegprobesource.h"
#include "sources/ffmpegsource.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <random>

namespace sonivert::test {
namespace {

// A damaged header can raise the frames per packet, so the bound is far
// above what any seed decodes to (about 40 reads); reaching it means the
// stream does not end.
constexpr int64_t kMaxReads = 50'000;

struct Seed {
    std::string name;
    std::vector<uint8_t> bytes;
};

std::vector<Seed> seedFiles(const TempDir& dir)
{
    static const std::pair<const char*, const char*> kFormats[] = {
        {"mp3", "-c:a libmp3lame -b:a 64k"}, {"flac", "-c:a flac"},       {"m4a", "-c:a alac -movflags +faststart"},
        {"aac", "-c:a aac -b:a 64k"},        {"ogg", "-c:a libvorbis"},    {"opus", "-c:a libopus"},
        {"wma", "-c:a wmav2"},               {"wv", "-c:a wavpack"},       {"ac3", "-c:a ac3"},
    };
    const std::string input = "-f lavfi -i " + shellQuote("aevalsrc=exprs=0.5*sin(2*PI*440*t)|0.3*(random(0)*2-1):"
                                                          "s=44100:d=1");
    std::vector<Seed> seeds;
    for (const auto& [extension, options] : kFormats) {
        const std::string path = dir.file(std::string("seed.") + extension);
        if (runCommand("ffmpeg -v error -y " + input + " " + options + " " + shellQuote(path)) == 0)
            seeds.push_back({extension, readFileBytes(path)});
    }
    // A video container whose audio is not the first stream.
    const std::string mkv = dir.file("seed.mkv");
    if (runCommand("ffmpeg -v error -y -f lavfi -i testsrc=size=32x24:rate=10:d=1 " + input +
                   " -map 0:v -map 1:a -c:v mpeg4 -c:a libvorbis " + shellQuote(mkv)) == 0)
        seeds.push_back({"mkv", readFileBytes(mkv)});
    return seeds;
}

std::vector<uint8_t> mutate(const std::vector<uint8_t>& seed, std::mt19937& rng)
{
    std::vector<uint8_t> m = seed;
    auto pick = [&](size_t bound) { return std::uniform_int_distribution<size_t>(0, bound - 1)(rng); };
    // Headers sit at the start; aim there half of the time.
    auto position = [&]() { return (rng() % 2 != 0) ? pick(std::min<size_t>(m.size(), 200)) : pick(m.size()); };
    const int edits = 1 + static_cast<int>(rng() % 6);
    for (int e = 0; e < edits && !m.empty(); ++e) {
        switch (rng() % 4) {
        case 0:
            m[position()] ^= static_cast<uint8_t>(1u << (rng() % 8));
            break;
        case 1: {
            static const uint32_t kValues[] = {0, 1, 0xFF, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
            const uint32_t v = kValues[rng() % std::size(kValues)];
            const size_t at = position();
            for (size_t i = 0; i < 4 && at + i < m.size(); ++i)
                m[at + i] = static_cast<uint8_t>(v >> (8 * i));
            break;
        }
        case 2: {
            const size_t at = position();
            m.erase(m.begin() + static_cast<ptrdiff_t>(at),
                    m.begin() + static_cast<ptrdiff_t>(std::min(m.size(), at + 1 + rng() % 16)));
            break;
        }
        default: {
            const size_t at = position();
            std::vector<uint8_t> noise(1 + rng() % 16);
            for (uint8_t& b : noise)
                b = static_cast<uint8_t>(rng());
            m.insert(m.begin() + static_cast<ptrdiff_t>(at), noise.begin(), noise.end());
            break;
        }
        }
    }
    return m;
}

// Opens path with both readers; returns whether the decoding reader opened.
// Failures are reported against what.
bool exercise(const std::string& path, const std::string& what)
{
    FfmpegProbeSource probe;
    if (probe.open(path, 0)) {
        int16_t block[AudioSource::kBlockFrames];
        EXPECT_EQ(0, probe.read(block, block)) << what;
    }
    FfmpegSource source;
    if (!source.open(path, 0))
        return false;
    EXPECT_GE(source.outputChannels(), 1) << what;
    EXPECT_LE(source.outputChannels(), 2) << what;
    EXPECT_GT(source.sampleRate(), 0) << what;
    const DecodedPcm got = decodeAll(source, kMaxReads);
    EXPECT_TRUE(got.blockLimitKept) << what;
    EXPECT_TRUE(got.endedCleanly) << what << " did not end";
    EXPECT_LE(source.position(), source.totalLength()) << what;
    return true;
}

// FFmpeg itself refuses many truncated Ogg files (it looks for the last
// page to learn the length), so the share of files that open is counted over
// all families, not per family.
TEST(FfmpegFuzzTest, TruncatedContainersEndTheStreamOrAreRefused)
{
    TempDir dir;
    const auto seeds = seedFiles(dir);
    ASSERT_EQ(10u, seeds.size());
    const std::string path = dir.file("truncated");
    constexpr size_t kCuts = 24;
    int opened = 0;
    for (const Seed& seed : seeds) {
        for (size_t cut = 0; cut < kCuts; ++cut) {
            const size_t length = seed.bytes.size() * cut / kCuts;
            writeFileBytes(path, std::vector<uint8_t>(seed.bytes.begin(),
                                                      seed.bytes.begin() + static_cast<ptrdiff_t>(length)));
            opened += exercise(path, seed.name + " cut at " + std::to_string(length));
        }
    }
    // Most cuts keep a readable head.
    EXPECT_GT(opened, static_cast<int>(seeds.size() * kCuts) / 2);
}

TEST(FfmpegFuzzTest, MutatedContainersAreRefusedOrReadWithinBounds)
{
    TempDir dir;
    const auto seeds = seedFiles(dir);
    ASSERT_EQ(10u, seeds.size());
    std::mt19937 rng(20261207);
    const std::string path = dir.file("mutant");
    constexpr int kMutantsPerSeed = 100;
    int opened = 0;
    for (const Seed& seed : seeds) {
        for (int i = 0; i < kMutantsPerSeed; ++i) {
            writeFileBytes(path, mutate(seed.bytes, rng));
            opened += exercise(path, seed.name + " mutant " + std::to_string(i));
        }
    }
    // Enough mutants open to exercise the decoding paths.
    EXPECT_GT(opened, static_cast<int>(seeds.size()) * kMutantsPerSeed / 3);
}

} // namespace
} // namespace sonivert::test
