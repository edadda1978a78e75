// Hand-made AIFF/AIFC layouts: chunk walking, COMM rules, refusals, the
// sample conversions and the stream information. (Frame steps for 2, 3, 4
// and 6 channels are checked against libsndfile in aiff_reference_test.cpp.)

#include "sources/aiffsource.h"
#include "tests/sources/bebytes.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace sonivert::test {
namespace {

using Encoding = AiffSource::Encoding;

// Frames of `channels` 16-bit samples, value channel * 1000 + frame.
std::vector<int16_t> labelledFrames(int channels, int frames)
{
    std::vector<int16_t> v;
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            v.push_back(static_cast<int16_t>(c * 1000 + f));
    return v;
}

std::vector<uint8_t> be16Samples(const std::vector<int16_t>& samples)
{
    BeBytes b;
    for (int16_t s : samples)
        b.u16(static_cast<uint16_t>(s));
    return b.data();
}

class AiffHeaderTest : public testing::Test {
protected:
    bool openBytes(const std::vector<uint8_t>& bytes)
    {
        writeFileBytes(path, bytes);
        return aiff.open(path, 0);
    }

    TempDir dir;
    std::string path = dir.file("case.aif");
    AiffSource aiff;
};

TEST_F(AiffHeaderTest, CompressionTypesAreReadInAnyLetterCase)
{
    struct Row {
        const char* type;
        uint16_t bits;
        bool littleEndian;
    };
    const std::vector<int16_t> samples = {1, -2, 300, -32768, 32767, 0x1234};
    for (const Row& row : {Row{"sowt", 16, true}, Row{"SOWT", 16, true}, Row{"sOwT", 16, true}, Row{"twos", 16, false},
                           Row{"NONE", 16, false}, Row{"23ni", 32, true}, Row{"in32", 32, false},
                           Row{"in24", 24, false}}) {
        SCOPED_TRACE(row.type);
        BeBytes data;
        data.littleEndian(row.littleEndian);
        for (int16_t s : samples) {
            const auto top = static_cast<uint16_t>(s);
            if (row.bits == 16)
                data.u16(top);
            else if (row.bits == 24)
                data.u24(uint32_t{top} << 8 | 0xAB);
            else
                data.u32(uint32_t{top} << 16 | 0xABCD);
        }
        ASSERT_TRUE(openBytes(IffBuilder("AIFC")
                                  .chunk("COMM", commBody(1, 6, row.bits, 8000, row.type))
                                  .chunk("SSND", ssndBody(data.data()))
                                  .build()));
        EXPECT_EQ(Encoding::Pcm, aiff.encoding());
        EXPECT_EQ(row.littleEndian, aiff.littleEndian());
        EXPECT_EQ(samples, decodeAll(aiff).left);
    }
}

TEST_F(AiffHeaderTest, FilesOutsideTheRulesAreRefused)
{
    const BeBytes data = ssndBody(std::vector<uint8_t>(400, 1));
    const auto aifc = [&](uint16_t channels, uint16_t bits, const char* type) {
        return IffBuilder("AIFC").chunk("COMM", commBody(channels, 100, bits, 8000, type)).chunk("SSND", data).build();
    };
    const auto aiffWith = [&](uint16_t channels, uint16_t bits, double rate) {
        return IffBuilder().chunk("COMM", commBody(channels, 100, bits, rate)).chunk("SSND", data).build();
    };
    std::vector<uint8_t> infiniteRate = aiffWith(1, 16, 8000);
    infiniteRate[20 + 8] = 0x7F; // exponent 0x7FFF
    infiniteRate[20 + 9] = 0xFF;
    std::vector<uint8_t> notForm = aiffWith(1, 16, 8000);
    notForm[0] = 'X';
    std::vector<uint8_t> wave = aiffWith(1, 16, 8000);
    std::memcpy(wave.data() + 8, "WAVE", 4);

    const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"mono IMA4", aifc(1, 16, "ima4")},
        {"four-channel IMA4", aifc(4, 16, "ima4")},
        {"five channels", aiffWith(5, 16, 8000)},
        {"seven channels", aiffWith(7, 16, 8000)},
        {"no channels", aiffWith(0, 16, 8000)},
        {"no sample width", aiffWith(1, 0, 8000)},
        {"33-bit samples", aiffWith(1, 33, 8000)},
        {"unknown compression", aifc(1, 16, "MAC3")},
        {"DWVW of 7 bits", aifc(1, 7, "DWVW")},
        {"DWVW of 25 bits", aifc(1, 25, "DWVW")},
        {"three-channel GSM", aifc(3, 16, "GSM ")},
        {"negative rate", aiffWith(1, 16, -8000)},
        {"rate beyond 32 bits", aiffWith(1, 16, 4294967296.0)},
        {"infinite rate", infiniteRate},
        {"not FORM", notForm},
        {"WAVE form", wave},
        {"no SSND", IffBuilder().chunk("COMM", commBody(1, 100, 16, 8000)).build()},
        {"no COMM", IffBuilder().chunk("SSND", data).build()},
        {"short AIFF COMM", IffBuilder().chunk("COMM", BeBytes().u16(1).u32(1).u16(16).fill(9, 0)).chunk("SSND", data).build()},
        {"AIFC COMM without compression",
         IffBuilder("AIFC").chunk("COMM", commBody(1, 100, 16, 8000)).chunk("SSND", data).build()},
        {"SSND shorter than its header", IffBuilder().chunk("COMM", commBody(1, 100, 16, 8000)).chunk("SSND", BeBytes().u32(0)).build()},
        {"SSND offset beyond the chunk",
         IffBuilder().chunk("COMM", commBody(1, 100, 16, 8000)).chunk("SSND", BeBytes().u32(500).u32(0).fill(20, 0)).build()},
        {"empty file", {}},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(openBytes(bytes));
        EXPECT_EQ(0, aiff.channels()); // closed again
    }
}

TEST_F(AiffHeaderTest, ChunksComeInAnyOrderWithPaddingAndOthersBetween)
{
    const std::vector<int16_t> samples = labelledFrames(1, 501);
    const std::vector<uint8_t> layouts[] = {
        // SSND before COMM; it and the chunks around it have odd sizes and
        // pad bytes.
        IffBuilder()
            .chunk("NAME", BeBytes().text("abc"))
            .chunk("SSND", ssndBody(be16Samples(samples), 3))
            .chunk("ANNO", BeBytes().text("x"))
            .chunk("COMM", commBody(1, 501, 16, 11025))
            .build(),
        // A COMM longer than its fields, and an AIFC compression name.
        IffBuilder("AIFC")
            .chunk("FVER", BeBytes().u32(0xA2805140))
            .chunk("COMM", commBody(1, 501, 16, 11025, "NONE").text("not compressed").fill(11, 0))
            .chunk("SSND", ssndBody(be16Samples(samples)))
            .build(),
    };
    for (const auto& bytes : layouts) {
        ASSERT_TRUE(openBytes(bytes));
        EXPECT_EQ(11025, aiff.sampleRate());
        EXPECT_EQ(samples, decodeAll(aiff).left);
    }
}

TEST_F(AiffHeaderTest, SampleWidthsChooseTheReader)
{
    // 4-bit samples use the 8-bit reader, 12-bit the 16-bit, 20-bit the
    // 24-bit reader; each keeps the most significant bytes.
    ASSERT_TRUE(openBytes(IffBuilder()
                              .chunk("COMM", commBody(1, 3, 20, 8000))
                              .chunk("SSND", ssndBody(BeBytes().u24(0x12345F).u24(0x80000F).u24(0x7FFFF0).data()))
                              .build()));
    EXPECT_EQ(16, aiff.bitsPerSample());
    EXPECT_EQ((std::vector<int16_t>{0x1234, -32768, 0x7FFF}), decodeAll(aiff).left);

    ASSERT_TRUE(openBytes(IffBuilder()
                              .chunk("COMM", commBody(1, 2, 12, 8000))
                              .chunk("SSND", ssndBody(BeBytes().u16(0xABC0).u16(0x0010).data()))
                              .build()));
    EXPECT_EQ((std::vector<int16_t>{static_cast<int16_t>(0xABC0), 0x0010}), decodeAll(aiff).left);

    // Signed 8-bit becomes unsigned with 128 as silence.
    ASSERT_TRUE(openBytes(IffBuilder()
                              .chunk("COMM", commBody(1, 4, 4, 8000))
                              .chunk("SSND", ssndBody({0x00, 0x80, 0x7F, 0xF0}))
                              .build()));
    EXPECT_EQ(8, aiff.bitsPerSample());
    EXPECT_EQ((std::vector<int16_t>{128, 0, 255, 112}), decodeAll(aiff).left);

    // "raw " is unsigned already and is copied.
    ASSERT_TRUE(openBytes(IffBuilder("AIFC")
                              .chunk("COMM", commBody(2, 2, 8, 8000, "raw "))
                              .chunk("SSND", ssndBody({0x00, 0x80, 0x7F, 0xF0}))
                              .build()));
    EXPECT_EQ(Encoding::Unsigned8, aiff.encoding());
    EXPECT_EQ(8, aiff.bitsPerSample());
    const DecodedPcm raw = decodeAll(aiff);
    EXPECT_EQ((std::vector<int16_t>{0x00, 0x7F}), raw.left);
    EXPECT_EQ((std::vector<int16_t>{0x80, 0xF0}), raw.right);
}

TEST_F(AiffHeaderTest, FloatSamplesAreClampedBeforeScaling)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> values = {1.0, -1.0, 0.5, 1.5, -2.0, 1e30, nan, 0.0};
    const std::vector<int16_t> expected = {32767, -32768, 16383, 32767, -32768, 32767, 0, 0};
    BeBytes f32, f64;
    for (double v : values) {
        f32.f32(static_cast<float>(v));
        f64.f64(v);
    }
    for (const auto& [type, data] : {std::pair{"fl32", f32}, std::pair{"FL64", f64}}) {
        SCOPED_TRACE(type);
        ASSERT_TRUE(openBytes(IffBuilder("AIFC")
                                  .chunk("COMM", commBody(1, 8, 32, 8000, type))
                                  .chunk("SSND", ssndBody(data.data()))
                                  .build()));
        EXPECT_EQ(expected, decodeAll(aiff).left);
    }
}

TEST_F(AiffHeaderTest, StreamInformationFollowsTheCommChunk)
{
    struct Row {
        double rate;
        uint32_t frames;
        uint16_t channels;
        int32_t expectRate;
        int32_t expectSeconds;
    };
    const std::vector<uint8_t> data(8000 * 2 * 3 + 2000, 0); // 3.125 s of 16-bit stereo at 8000 Hz
    for (const Row& row : {Row{8000, 25000, 2, 8000, 3}, Row{22050.75, 44101, 2, 22050, 2}, Row{0.5, 100, 2, 0, 0},
                           Row{0, 100, 2, 0, 0},
                           // A count of 0 (or 0xFFFFFFFF) reads as 1 frame: no
                           // duration, yet the data is read in full.
                           Row{8000, 0, 2, 8000, 0}, Row{8000, 0xFFFFFFFF, 2, 8000, 0}}) {
        SCOPED_TRACE(row.rate);
        const std::vector<uint8_t> file = IffBuilder()
                                              .chunk("COMM", commBody(row.channels, row.frames, 16, row.rate))
                                              .chunk("SSND", ssndBody(data))
                                              .build();
        ASSERT_TRUE(openBytes(file));
        EXPECT_EQ(row.expectRate, aiff.sampleRate());
        EXPECT_EQ(row.expectSeconds, aiff.durationSeconds());
        // File size over whole seconds, or the nominal rate when there are none.
        const int32_t bitrate = row.expectSeconds != 0 ? static_cast<int32_t>(file.size() / (row.expectSeconds * 125u))
                                                       : 16 * 2 * row.expectRate / 1000;
        EXPECT_EQ(bitrate, aiff.bitrateKbps());
        EXPECT_EQ(file.size(), aiff.totalLength());
        EXPECT_EQ(aiff.dataStart(), aiff.position());
        EXPECT_EQ(data.size() / 4, decodeAll(aiff).left.size());
        EXPECT_EQ(aiff.dataStart() + data.size(), aiff.position());
    }
}

TEST_F(AiffHeaderTest, CodecFrameCountsComeFromTheData)
{
    // IMA4: 64 frames per 68-byte packet pair; GSM: 160 per 33-byte frame.
    ASSERT_TRUE(openBytes(IffBuilder("AIFC")
                              .chunk("COMM", commBody(2, 7, 16, 8000, "ima4"))
                              .chunk("SSND", ssndBody(std::vector<uint8_t>(68 * 250 + 30, 0)))
                              .build()));
    EXPECT_EQ(Encoding::Ima4, aiff.encoding());
    EXPECT_EQ(250u * 64, aiff.frameCount());
    EXPECT_EQ(2, aiff.durationSeconds());
    EXPECT_EQ(250u * 64, decodeAll(aiff).left.size()); // the incomplete pair is dropped

    // Silent GSM frames: the 4-bit signature 0xD, then zero parameters.
    std::vector<uint8_t> gsm;
    for (int i = 0; i < 120; ++i) {
        gsm.push_back(0xD0);
        gsm.insert(gsm.end(), 32, 0);
    }
    gsm.insert(gsm.end(), 20, 0xD0);
    ASSERT_TRUE(openBytes(IffBuilder("AIFC")
                              .chunk("COMM", commBody(1, 7, 16, 8000, "GSM "))
                              .chunk("SSND", ssndBody(gsm))
                              .build()));
    EXPECT_EQ(Encoding::Gsm, aiff.encoding());
    EXPECT_EQ((33u * 120 + 20) * 160 / 33, aiff.frameCount());
    EXPECT_EQ(2, aiff.durationSeconds());
    EXPECT_EQ(120u * 160, decodeAll(aiff).left.size());
}

TEST_F(AiffHeaderTest, DataBeyondTheEndOfTheFileEndsTheStreamCleanly)
{
    const std::vector<int16_t> samples = labelledFrames(2, 3001);
    std::vector<uint8_t> bytes = IffBuilder()
                                     .chunk("COMM", commBody(2, 3001, 16, 8000))
                                     .chunkWithSize("SSND", 8 + 4 * 100000, ssndBody(be16Samples(samples)))
                                     .build();
    for (int i = 0; i < 3; ++i) // and the last frame cut short
        bytes.pop_back();
    ASSERT_TRUE(openBytes(bytes));
    EXPECT_EQ(bytes.size() - aiff.dataStart(), aiff.dataBytes());
    const DecodedPcm got = decodeAll(aiff);
    ASSERT_TRUE(got.endedCleanly);
    EXPECT_EQ(3000u, got.left.size());
    EXPECT_EQ(bytes.size(), aiff.position());
}

} // namespace
} // namespace sonivert::test
