// Hand-made AU headers: both byte orders and magics, the corrections of
// rate and channels, the encoding search of damaged headers, refusals, data
// length rules, float clamping and G.723 3-bit packing. (The sample
// conversions are checked against libsndfile in au_reference_test.cpp.)

#include "sources/ausource.h"
#include "sources/g72xdecoder.h"
#include "tests/sources/bebytes.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <limits>

namespace sonivert::test {
namespace {

struct Header {
    bool littleEndian = false;
    uint32_t dataOffset = 24;
    uint32_t dataSize = 0xFFFFFFFF;
    uint32_t encoding = AuSource::kLinear16;
    uint32_t rate = 8000;
    uint32_t channels = 1;
};

std::vector<uint8_t> auFile(const Header& h, const std::vector<uint8_t>& data)
{
    BeBytes b;
    b.text(h.littleEndian ? "dns." : ".snd").littleEndian(h.littleEndian);
    b.u32(h.dataOffset).u32(h.dataSize).u32(h.encoding).u32(h.rate).u32(h.channels);
    b.fill(h.dataOffset > 24 ? h.dataOffset - 24 : 0, 0);
    return b.append(data).data();
}

std::vector<uint8_t> samples16(const std::vector<int16_t>& samples, bool littleEndian)
{
    BeBytes b;
    b.littleEndian(littleEndian);
    for (int16_t s : samples)
        b.u16(static_cast<uint16_t>(s));
    return b.data();
}

std::vector<int16_t> ramp(size_t count)
{
    std::vector<int16_t> v(count);
    for (size_t i = 0; i < count; ++i)
        v[i] = static_cast<int16_t>(i * 13 - 5000);
    return v;
}

class AuHeaderTest : public testing::Test {
protected:
    bool openBytes(const std::vector<uint8_t>& bytes)
    {
        writeFileBytes(path, bytes);
        return au.open(path, 0);
    }

    TempDir dir;
    std::string path = dir.file("case.au");
    AuSource au;
};

TEST_F(AuHeaderTest, BothMagicsOfEachByteOrderAreRead)
{
    const std::vector<int16_t> samples = ramp(3000);
    struct Row {
        std::vector<uint8_t> magic;
        bool littleEndian;
    };
    for (const Row& row : {Row{{0x2E, 0x73, 0x6E, 0x64}, false}, Row{{0x2E, 0x73, 0x64, 0x00}, false},
                           Row{{0x64, 0x6E, 0x73, 0x2E}, true}, Row{{0x00, 0x64, 0x73, 0x2E}, true}}) {
        SCOPED_TRACE(row.littleEndian);
        Header h;
        h.littleEndian = row.littleEndian;
        h.channels = 2;
        std::vector<uint8_t> bytes = auFile(h, samples16(samples, row.littleEndian));
        std::copy(row.magic.begin(), row.magic.end(), bytes.begin());
        ASSERT_TRUE(openBytes(bytes));
        EXPECT_EQ(!row.littleEndian, au.bigEndian());
        const DecodedPcm got = decodeAll(au);
        EXPECT_EQ(channelOf(samples, 2, 0), got.left);
        EXPECT_EQ(channelOf(samples, 2, 1), got.right);
    }
}

TEST_F(AuHeaderTest, RateAndChannelCountAreCorrected)
{
    const std::vector<int16_t> samples = ramp(1200);
    for (const auto& [rate, expected] : {std::pair{0u, 8000}, std::pair{999u, 8000}, std::pair{1000u, 1000},
                                         std::pair{100000u, 100000}, std::pair{100001u, 8000}, std::pair{0xFFFFFFFFu, 8000}}) {
        Header h;
        h.rate = rate;
        ASSERT_TRUE(openBytes(auFile(h, samples16(samples, false))));
        EXPECT_EQ(expected, au.sampleRate()) << rate;
    }
    // A count other than 1 or 2 reads the interleaved data as one channel.
    for (uint32_t channels : {0u, 3u, 6u, 0x80000002u}) {
        Header h;
        h.channels = channels;
        ASSERT_TRUE(openBytes(auFile(h, samples16(samples, false))));
        EXPECT_EQ(1, au.channels()) << channels;
        EXPECT_EQ(1, au.outputChannels());
        EXPECT_EQ(samples, decodeAll(au).left);
    }
}

TEST_F(AuHeaderTest, DamagedHeaderIsSearchedForItsEncoding)
{
    // The encoding field holds garbage; the real fields sit four bytes on,
    // after an annotation-like word. Offsets 13 to 15 straddle the garbage
    // and give values far above any encoding.
    const std::vector<int16_t> samples = ramp(800);
    BeBytes b;
    b.text(".snd").u32(40).u32(0xFFFFFFFF).u32(0xFFFFFFFF).u32(AuSource::kLinear16).u32(11025).u32(2).fill(12, 0);
    ASSERT_TRUE(openBytes(b.append(samples16(samples, false)).data()));
    EXPECT_EQ(AuSource::kLinear16, au.encoding());
    EXPECT_EQ(11025, au.sampleRate());
    EXPECT_EQ(2, au.channels());
    EXPECT_EQ(channelOf(samples, 2, 1), decodeAll(au).right);

    // Unaligned: the fields start at offset 17.
    BeBytes shifted;
    shifted.text(".snd").u32(40).u32(0xFFFFFFFF).fill(5, 0xFF).u32(AuSource::kUlaw).u32(8000).u32(1).fill(11, 0);
    ASSERT_TRUE(openBytes(shifted.append(std::vector<uint8_t>(100, 0xFF)).data()));
    EXPECT_EQ(AuSource::kUlaw, au.encoding());
    EXPECT_EQ(std::vector<int16_t>(100, 0), decodeAll(au).left);
}

TEST_F(AuHeaderTest, FilesOutsideTheRulesAreRefused)
{
    const std::vector<uint8_t> data(400, 1);
    const auto with = [&](auto change) {
        Header h;
        change(h);
        return auFile(h, data);
    };
    std::vector<uint8_t> badMagic = auFile(Header{}, data);
    badMagic[0] = 'X';
    std::vector<uint8_t> shortHeader = auFile(Header{}, {});
    shortHeader.pop_back();
    BeBytes noEncoding; // every searched position holds a value of 28 or more
    noEncoding.text(".snd").u32(60).u32(0xFFFFFFFF).fill(52, 0x40);

    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"bad magic", badMagic},
        {"data offset below 24", with([](Header& h) { h.dataOffset = 23; })},
        {"encoding 0", with([](Header& h) { h.encoding = 0; })},
        {"encoding 8 (fragmented)", with([](Header& h) { h.encoding = 8; })},
        {"encoding 24 (G.722)", with([](Header& h) { h.encoding = 24; })},
        {"no encoding to be found", noEncoding.data()},
        {"header of 23 bytes", shortHeader},
        {"empty file", {}},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(openBytes(bytes));
        EXPECT_EQ(0, au.channels());
    }
}

TEST_F(AuHeaderTest, DataLengthIsTheHeaderSizeOrTheRestOfTheFile)
{
    const std::vector<int16_t> samples = ramp(8000 * 3 + 500);
    Header h;
    h.dataOffset = 32;
    ASSERT_TRUE(openBytes(auFile(h, samples16(samples, false))));
    EXPECT_EQ(samples.size() * 2, au.totalLength());
    EXPECT_EQ(3, au.durationSeconds());
    EXPECT_EQ(static_cast<int32_t>(samples.size() * 2 / (3 * 125)), au.bitrateKbps());
    EXPECT_EQ(samples, decodeAll(au).left);
    EXPECT_EQ(au.totalLength(), au.position());

    // A smaller declared size ends the stream there; trailing bytes are ignored.
    h.dataSize = 1000;
    ASSERT_TRUE(openBytes(auFile(h, samples16(samples, false))));
    EXPECT_EQ(0, au.durationSeconds());
    EXPECT_EQ(16 * 8000 / 1000, au.bitrateKbps());
    EXPECT_EQ(500u, decodeAll(au).left.size());

    // A larger one ends when the file read returns nothing.
    h.dataSize = 1000000;
    ASSERT_TRUE(openBytes(auFile(h, samples16(ramp(1001), false))));
    EXPECT_EQ(1000000u, au.totalLength());
    const DecodedPcm got = decodeAll(au, 10);
    EXPECT_TRUE(got.endedCleanly);
    EXPECT_EQ(1001u, got.left.size());
    EXPECT_LE(au.position(), au.totalLength());
}

TEST_F(AuHeaderTest, FloatOutsideUnitRangeIsClamped)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> values = {1.0, -1.0, 0.25, 3.0, -7.5, nan};
    const std::vector<int16_t> expected = {32767, -32768, 8191, 32767, -32768, 0};
    for (bool littleEndian : {false, true}) {
        BeBytes f32, f64;
        f32.littleEndian(littleEndian);
        f64.littleEndian(littleEndian);
        for (double v : values) {
            f32.f32(static_cast<float>(v));
            f64.f64(v);
        }
        Header h;
        h.littleEndian = littleEndian;
        h.encoding = AuSource::kFloat;
        ASSERT_TRUE(openBytes(auFile(h, f32.data())));
        EXPECT_EQ(expected, decodeAll(au).left);
        h.encoding = AuSource::kDouble;
        ASSERT_TRUE(openBytes(auFile(h, f64.data())));
        EXPECT_EQ(expected, decodeAll(au).left);
    }
}

TEST_F(AuHeaderTest, G723ThreeBitCodesPackEightIntoThreeBytes)
{
    // Codes 0..7 then 7..0, repeated: eight codes fill three bytes, the
    // first code in the lowest bits of the first byte.
    std::vector<uint32_t> codes;
    for (int r = 0; r < 300; ++r)
        for (uint32_t i = 0; i < 8; ++i)
            codes.push_back(r % 2 ? 7 - i : i);
    std::vector<uint8_t> data;
    for (size_t i = 0; i < codes.size(); i += 8) {
        uint32_t packed = 0;
        for (size_t k = 0; k < 8; ++k)
            packed |= codes[i + k] << (3 * k);
        data.push_back(static_cast<uint8_t>(packed));
        data.push_back(static_cast<uint8_t>(packed >> 8));
        data.push_back(static_cast<uint8_t>(packed >> 16));
    }
    EXPECT_EQ(0x88u, data[0]); // 0 | 1 << 3 | (2 & 3) << 6
    Header h;
    h.encoding = AuSource::kG723_3;
    h.dataSize = static_cast<uint32_t>(data.size());
    ASSERT_TRUE(openBytes(auFile(h, data)));
    EXPECT_EQ(3, au.storedBits());

    G72xDecoder decoder(G72xDecoder::Rate::G723_24);
    std::vector<int16_t> expected;
    for (uint32_t code : codes)
        expected.push_back(decoder.decode(code));
    EXPECT_EQ(expected, decodeAll(au).left);
}

TEST_F(AuHeaderTest, ShortAdpcmDataDeliversOnlyWholeCodes)
{
    // 5 bytes of 4-bit codes in stereo: 10 codes, 5 frames. 5 bytes of
    // 5-bit codes in mono: 8 codes.
    Header h;
    h.encoding = AuSource::kG721;
    h.channels = 2;
    ASSERT_TRUE(openBytes(auFile(h, {0x12, 0x34, 0x56, 0x78, 0x9A})));
    EXPECT_EQ(5u, decodeAll(au).left.size());
    h.encoding = AuSource::kG723_5;
    h.channels = 1;
    ASSERT_TRUE(openBytes(auFile(h, {0x12, 0x34, 0x56, 0x78, 0x9A})));
    EXPECT_EQ(8u, decodeAll(au).left.size());
}

} // namespace
} // namespace sonivert::test
