// DWVW streams written by a small encoder here: the widths libsndfile
// cannot write (its 12-bit writer stores no samples), more than one channel,
// and the extremes of the delta coding (the largest delta, wrap-around).
// libsndfile must decode the same files to the same samples, which checks
// the encoder; aiff_reference_test.cpp checks files libsndfile wrote.

#include "platform/stereodownmix.h"
#include "sources/aiffsource.h"
#include "sources/dwvwdecoder.h"
#include "tests/sources/bebytes.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>

namespace sonivert::test {
namespace {

// Writes samples of `width` bits as DWVW: per sample the change of the
// delta width (zeros ended by a one, unless the change is the largest, then
// its sign), then the delta's bits below its top bit, its sign, and for the
// largest magnitudes one more bit. Ends with repeats of the last sample (one
// bit each) up to a byte boundary.
class DwvwWriter {
public:
    explicit DwvwWriter(int width) : m_width(width), m_maxDelta(1 << (width - 1)) {}

    void sample(int32_t value)
    {
        int32_t delta = value - m_last;
        if (delta >= m_maxDelta)
            delta -= 2 * m_maxDelta;
        else if (delta < -m_maxDelta)
            delta += 2 * m_maxDelta;
        const int32_t magnitude = std::abs(delta);
        const int deltaWidth = magnitude >= m_maxDelta - 1 ? m_width - 1 : static_cast<int>(std::bit_width(static_cast<uint32_t>(magnitude)));
        int modifier = deltaWidth - m_lastWidth;
        const int maxModifier = m_width / 2;
        if (modifier > maxModifier)
            modifier -= m_width;
        else if (modifier < -maxModifier)
            modifier += m_width;
        for (int i = 0; i < std::abs(modifier); ++i)
            bit(0);
        if (std::abs(modifier) < maxModifier)
            bit(1);
        if (modifier != 0)
            bit(modifier < 0);
        if (deltaWidth > 0) {
            const int32_t coded = std::min(magnitude, m_maxDelta - 1);
            for (int b = deltaWidth - 2; b >= 0; --b)
                bit((coded >> b) & 1);
            bit(delta < 0);
            if (coded == m_maxDelta - 1)
                bit(magnitude == m_maxDelta);
        }
        m_last = value;
        m_lastWidth = deltaWidth;
    }

    // The coded bytes, padded with repeats of the last sample; padding says
    // how many were added.
    std::vector<uint8_t> finish(int& padding)
    {
        padding = 0;
        while (m_bitCount % 8 != 0) {
            sample(m_last);
            ++padding;
        }
        return m_bytes;
    }

private:
    void bit(bool on)
    {
        if (m_bitCount % 8 == 0)
            m_bytes.push_back(0);
        if (on)
            m_bytes.back() |= static_cast<uint8_t>(0x80 >> (m_bitCount % 8));
        ++m_bitCount;
    }

    int m_width;
    int32_t m_maxDelta;
    int32_t m_last = 0;
    int m_lastWidth = 0;
    std::vector<uint8_t> m_bytes;
    size_t m_bitCount = 0;
};

// Samples of `width` bits: a loud sine per channel with a phase per channel,
// then the extremes: full-scale jumps in both directions and across the wrap.
std::vector<int32_t> testSignal(int width, int channels, int frames)
{
    const int32_t top = (1 << (width - 1)) - 1;
    std::vector<int32_t> v;
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            v.push_back(static_cast<int32_t>(std::lround(top * 0.95 * std::sin(0.05 * f + c))));
    for (int32_t extreme : {top, -top - 1, top, 0, -top - 1, 1, -1, top, top})
        for (int c = 0; c < channels; ++c)
            v.push_back(extreme);
    return v;
}

struct Case {
    int width;
    int channels;
    bool libsndfileReads = true;
};

class AiffDwvwTest : public testing::TestWithParam<Case> {};

TEST_P(AiffDwvwTest, DecodesWhatTheFormatCodes)
{
    const Case& c = GetParam();
    const std::vector<int32_t> samples = testSignal(c.width, c.channels, 3000);
    DwvwWriter writer(c.width);
    for (int32_t s : samples)
        writer.sample(s);
    int padding = 0;
    const std::vector<uint8_t> coded = writer.finish(padding);
    const auto frames = static_cast<uint32_t>(samples.size() / static_cast<size_t>(c.channels));

    TempDir dir;
    const std::string path = dir.file("dwvw.aifc");
    writeFileBytes(path, IffBuilder("AIFC")
                             .chunk("COMM", commBody(static_cast<uint16_t>(c.channels), frames, static_cast<uint16_t>(c.width), 44100, "DWVW"))
                             .chunk("SSND", ssndBody(coded))
                             .build());
    AiffSource aiff;
    ASSERT_TRUE(aiff.open(path, 0));
    EXPECT_EQ(AiffSource::Encoding::Dwvw, aiff.encoding());
    EXPECT_EQ(16, aiff.bitsPerSample());
    const DecodedPcm got = decodeAll(aiff);
    ASSERT_TRUE(got.endedCleanly && got.blockLimitKept);
    // The padding repeats may complete extra frames; nothing else is added.
    ASSERT_GE(got.left.size(), frames);
    ASSERT_LE(got.left.size(), frames + static_cast<size_t>(padding / c.channels));

    // Each sample sits in the top bits of 32; the output keeps the top 16.
    const auto output = [&](int32_t s) { return static_cast<int16_t>(static_cast<int32_t>(static_cast<uint32_t>(s) << (32 - c.width)) >> 16); };
    std::vector<int16_t> decoded;
    for (uint32_t f = 0; f < frames * static_cast<uint32_t>(c.channels); ++f)
        decoded.push_back(output(samples[f]));
    const std::vector<int16_t> pair = deliveredPair(decoded, c.channels, speakers::aiffOrder(c.channels));
    const int delivered = std::min(c.channels, 2);
    for (uint32_t f = 0; f < frames; ++f) {
        ASSERT_EQ(pair[f * static_cast<uint32_t>(delivered)], got.left[f]) << "frame " << f;
        if (c.channels > 1) {
            ASSERT_EQ(pair[f * 2 + 1], got.right[f]) << "frame " << f;
        }
    }
    EXPECT_EQ(aiff.dataStart() + aiff.dataBytes(), aiff.position());

    // The writer is checked against libsndfile, which must decode its file
    // to the same samples (all but 12-bit, which libsndfile does not read).
    if (c.libsndfileReads) {
        const std::string raw = dir.file("reference.raw");
        ASSERT_EQ(0, runCommand("sndfile-convert -pcm32 " + shellQuote(path) + " " + shellQuote(raw)));
        const std::vector<int32_t> reference = readRawS32(raw);
        ASSERT_EQ(samples.size(), reference.size());
        for (size_t i = 0; i < samples.size(); ++i)
            ASSERT_EQ(output(samples[i]), static_cast<int16_t>(reference[i] >> 16)) << "sample " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, AiffDwvwTest,
                         testing::Values(Case{8, 1}, Case{12, 1, false}, Case{12, 2, false}, Case{16, 6}, Case{20, 4},
                                         Case{24, 2}, Case{24, 3}),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::to_string(info.param.width) + "bit_" + std::to_string(info.param.channels) + "ch";
                         });

// The decoder on its own: reads in slices, keeps its state between calls,
// and stops at the end of the input without inventing samples.
class MemorySource final : public DwvwDecoder::ByteSource {
public:
    explicit MemorySource(std::vector<uint8_t> bytes, size_t slice) : m_bytes(std::move(bytes)), m_slice(slice) {}
    size_t readBytes(uint8_t* buffer, size_t size) override
    {
        const size_t n = std::min({size, m_slice, m_bytes.size() - m_at});
        std::copy_n(m_bytes.begin() + static_cast<ptrdiff_t>(m_at), n, buffer);
        m_at += n;
        return n;
    }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_slice;
    size_t m_at = 0;
};

TEST(DwvwDecoderTest, StateCarriesAcrossCallsAndSlices)
{
    const std::vector<int32_t> samples = testSignal(16, 1, 2000);
    DwvwWriter writer(16);
    for (int32_t s : samples)
        writer.sample(s);
    int padding = 0;
    const std::vector<uint8_t> coded = writer.finish(padding);

    for (size_t slice : {size_t{1}, size_t{7}, size_t{256}}) {
        SCOPED_TRACE(slice);
        MemorySource source(coded, slice);
        DwvwDecoder decoder;
        ASSERT_TRUE(decoder.init(16));
        std::vector<int32_t> out;
        std::vector<int32_t> block(333);
        for (size_t n; (n = decoder.decode(source, block.data(), block.size())) > 0;)
            out.insert(out.end(), block.begin(), block.begin() + static_cast<ptrdiff_t>(n));
        ASSERT_EQ(samples.size() + static_cast<size_t>(padding), out.size());
        for (size_t i = 0; i < samples.size(); ++i)
            ASSERT_EQ(samples[i], out[i] >> 16) << i;
    }
}

} // namespace
} // namespace sonivert::test
