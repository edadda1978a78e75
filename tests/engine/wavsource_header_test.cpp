// Hand-made RIFF layouts: chunk walking, length rules, refusals, and the
// sample conversions of the integer and float formats.

#include "engine/wavsource.h"
#include "tests/support/testsupport.h"
#include "tests/support/wavbuilder.h"

#include <gtest/gtest.h>

#include <limits>

namespace sonivert::test {
namespace {

Bytes pcm16Data(const std::vector<int16_t>& samples)
{
    Bytes b;
    for (int16_t s : samples)
        b.u16(static_cast<uint16_t>(s));
    return b;
}

std::vector<int16_t> ramp(size_t count)
{
    std::vector<int16_t> v(count);
    for (size_t i = 0; i < count; ++i)
        v[i] = static_cast<int16_t>(i * 7 - 3000);
    return v;
}

class WavHeaderTest : public testing::Test {
protected:
    // Writes the bytes and opens them; the source stays open for inspection.
    bool openBytes(const std::vector<uint8_t>& bytes)
    {
        writeFileBytes(path, bytes);
        return wav.open(path, 0);
    }

    TempDir dir;
    std::string path = dir.file("case.wav");
    WavSource wav;
};

TEST_F(WavHeaderTest, DataSizeZeroMeansToTheEndOfTheFile)
{
    const auto samples = ramp(3000);
    ASSERT_TRUE(openBytes(RiffBuilder()
                              .chunk("fmt ", fmtBody(1, 2, 8000, 16))
                              .chunkWithSize("data", 0, pcm16Data(samples))
                              .build()));
    EXPECT_EQ(6000u, wav.totalLength());
    const DecodedPcm got = decodeAll(wav);
    EXPECT_EQ(channelOf(samples, 2, 0), got.left);
    EXPECT_EQ(channelOf(samples, 2, 1), got.right);
}

TEST_F(WavHeaderTest, ListOddChunksPadAndStrayBytesAreStepped)
{
    const auto samples = ramp(2000);
    const std::vector<std::vector<uint8_t>> layouts = {
        RiffBuilder()
            .chunk("LIST", Bytes().text("INFOISFT").u32(5).text("abcd").u8(0))
            .chunk("fmt ", fmtBody(1, 1, 22050, 16))
            .chunk("odd!", Bytes{1, 2, 3}) // padded to an even size
            .chunk("data", pcm16Data(samples))
            .build(),
        RiffBuilder()
            .chunk("fmt ", fmtBody(1, 1, 22050, 16))
            .stray(Bytes{0, 0, 0x17, 0x80, '1'}) // not letters: skipped
            .chunk("fact", Bytes().u32(2000))
            .chunk("junk", Bytes{9}, /*padOdd=*/false) // odd chunk without its pad byte
            .chunk("data", pcm16Data(samples))
            .build(),
    };
    for (size_t i = 0; i < layouts.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(openBytes(layouts[i]));
        EXPECT_EQ(samples, decodeAll(wav).left);
    }
}

TEST_F(WavHeaderTest, TruncatedDataEndsCleanlyAndDropsPartialFrames)
{
    const auto samples = ramp(1001); // 500 stereo frames and half of one more
    ASSERT_TRUE(openBytes(RiffBuilder()
                              .chunk("fmt ", fmtBody(1, 2, 8000, 16))
                              .chunkWithSize("data", 40000, pcm16Data(samples))
                              .build()));
    EXPECT_EQ(40000u, wav.totalLength());
    const DecodedPcm got = decodeAll(wav);
    EXPECT_TRUE(got.endedCleanly);
    EXPECT_EQ(500u, got.left.size());
    EXPECT_EQ(channelOf(samples, 2, 1).front(), got.right.front());
}

struct Refusal {
    const char* name;
    std::vector<uint8_t> bytes;
};

std::vector<Refusal> refusals()
{
    const Bytes data = pcm16Data(ramp(64));
    auto withFmt = [&](const Bytes& fmt) { return RiffBuilder().chunk("fmt ", fmt).chunk("data", data).build(); };
    auto imaFmt = [](uint16_t channels, uint16_t blockAlign, uint16_t extSize, uint16_t spb) {
        return fmtBody(17, channels, 8000, 4, blockAlign).u16(extSize).u16(spb);
    };
    auto msFmt = [](uint16_t channels, uint16_t blockAlign, uint16_t extSize, uint16_t spb, uint16_t count) {
        Bytes b = fmtBody(2, channels, 8000, 4, blockAlign).u16(extSize).u16(spb).u16(count);
        for (uint16_t i = 0; i < count; ++i)
            b.u16(256).u16(0);
        return b;
    };
    auto gsmFmt = [](uint16_t channels, uint16_t blockAlign, uint16_t spb) {
        return fmtBody(49, channels, 8000, 0, blockAlign).u16(2).u16(spb);
    };
    std::vector<uint8_t> noWave = withFmt(fmtBody(1, 1, 8000, 16));
    noWave[8] = 'X';
    std::vector<uint8_t> noRiff = withFmt(fmtBody(1, 1, 8000, 16));
    noRiff[0] = 'R', noRiff[1] = 'I', noRiff[2] = 'F', noRiff[3] = 'X';

    return {
        {"no RIFF", noRiff},
        {"no WAVE", noWave},
        {"empty file", {}},
        {"short fmt", RiffBuilder().chunk("fmt ", Bytes().u16(1).u16(1).u32(8000)).chunk("data", data).build()},
        {"data before fmt", RiffBuilder().chunk("data", data).chunk("fmt ", fmtBody(1, 1, 8000, 16)).build()},
        {"no data chunk", RiffBuilder().chunk("fmt ", fmtBody(1, 1, 8000, 16)).chunk("LIST", Bytes{1, 2}).build()},
        {"unknown tag", withFmt(fmtBody(0x55, 2, 44100, 0, 1))},
        {"12-bit PCM", withFmt(fmtBody(1, 1, 8000, 12, 2))},
        {"nine PCM channels", withFmt(fmtBody(1, 9, 8000, 16))},
        {"nine float channels", withFmt(fmtBody(3, 9, 8000, 32))},
        {"24-bit float", withFmt(fmtBody(3, 1, 8000, 24))},
        {"rate 0", withFmt(fmtBody(1, 1, 0, 16))},
        {"PCM channels 0", withFmt(fmtBody(1, 0, 8000, 16, 2))},
        {"A-law channels 0", withFmt(fmtBody(6, 0, 8000, 8, 1))},
        {"A-law three channels", withFmt(fmtBody(6, 3, 8000, 8))},
        {"mu-law three channels", withFmt(fmtBody(7, 3, 8000, 8))},
        {"IMA channels 0", withFmt(imaFmt(0, 256, 2, 505))},
        {"IMA block 0", withFmt(imaFmt(1, 0, 2, 505))},
        {"IMA three channels", withFmt(imaFmt(3, 768, 2, 505))},
        {"IMA extension too small", withFmt(imaFmt(1, 256, 1, 505))},
        {"IMA block shorter than its samples", withFmt(imaFmt(1, 256, 2, 1017))},
        {"MS block 0", withFmt(msFmt(1, 0, 32, 500, 7))},
        {"MS three channels", withFmt(msFmt(3, 768, 32, 500, 7))},
        {"MS extension size 3", withFmt(msFmt(1, 256, 3, 500, 7))},
        {"MS no coefficients", withFmt(msFmt(1, 256, 32, 500, 0))},
        {"MS block shorter than its samples", withFmt(msFmt(1, 256, 32, 1000, 7))},
        {"GSM samples per block 321", withFmt(gsmFmt(1, 65, 321))},
        {"GSM block 64", withFmt(gsmFmt(1, 64, 320))},
        {"GSM three channels", withFmt(gsmFmt(3, 65, 320))},
        {"GSM fmt without extension", withFmt(fmtBody(49, 1, 8000, 0, 65))},
    };
}

TEST_F(WavHeaderTest, MalformedOrUnsupportedHeadersAreRefused)
{
    for (const Refusal& r : refusals()) {
        SCOPED_TRACE(r.name);
        EXPECT_FALSE(openBytes(r.bytes));
        // A refusing reader is left closed.
        EXPECT_EQ(0u, wav.totalLength());
        EXPECT_EQ(ChannelMode::NotMpeg, wav.channelMode());
        EXPECT_EQ(0, wav.read(nullptr, nullptr));
    }
}

TEST_F(WavHeaderTest, MsAdpcmPredictorOutsideTheTableEndsTheStream)
{
    // Two mono blocks of 16 bytes (7 header bytes, 9 data bytes = 20 samples);
    // the second names predictor 7 of a 7-entry table.
    Bytes fmt = fmtBody(2, 1, 8000, 4, 16).u16(32).u16(20).u16(7);
    const int16_t coefficients[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    for (const auto& c : coefficients)
        fmt.u16(static_cast<uint16_t>(c[0])).u16(static_cast<uint16_t>(c[1]));
    Bytes data;
    for (uint8_t predictor : {0, 7}) {
        data.u8(predictor).u16(16).u16(100).u16(50);
        data.fill(9, 0x11);
    }
    ASSERT_TRUE(openBytes(RiffBuilder().chunk("fmt ", fmt).chunk("data", data).build()));
    const DecodedPcm got = decodeAll(wav);
    EXPECT_TRUE(got.endedCleanly);
    ASSERT_EQ(20u, got.left.size());
    EXPECT_EQ(50, got.left[0]);  // second sample first
    EXPECT_EQ(100, got.left[1]); // then the first
    EXPECT_EQ(116, got.left[2]); // 100 * 256 / 256 + 16 * 1
}

TEST_F(WavHeaderTest, ALaterFormatChunkReplacesEverythingOfAnEarlierOne)
{
    // Microsoft ADPCM, 500 frames in 256-byte blocks; IMA ADPCM, 1 frame in
    // the same block size. Whichever comes last decodes the data; a decoder
    // kept from the first chunk would write 500 frames into room for 1.
    Bytes msFmt = fmtBody(2, 1, 8000, 4, 256).u16(32).u16(500).u16(7);
    const int16_t coefficients[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    for (const auto& c : coefficients)
        msFmt.u16(static_cast<uint16_t>(c[0])).u16(static_cast<uint16_t>(c[1]));
    const Bytes imaFmt = fmtBody(17, 1, 8000, 4, 256).u16(2).u16(1);
    Bytes data;
    for (int block = 0; block < 3; ++block) {
        // Valid as either codec: predictor 0 (MS), step index 0 (IMA).
        data.u8(0).u16(16).u16(static_cast<uint16_t>(100 * (block + 1))).u16(50);
        data.fill(256 - 7, 0x11);
    }
    const struct {
        const char* name;
        const Bytes& first;
        const Bytes& second;
        size_t frames;
    } cases[] = {
        {"Microsoft ADPCM, then IMA ADPCM", msFmt, imaFmt, 3},
        {"IMA ADPCM, then Microsoft ADPCM", imaFmt, msFmt, 1500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(openBytes(
            RiffBuilder().chunk("fmt ", c.first).stray(Bytes{0x00}).chunk("fmt ", c.second).chunk("data", data).build()));
        const DecodedPcm got = decodeAll(wav);
        EXPECT_TRUE(got.endedCleanly);
        EXPECT_EQ(c.frames, got.left.size());
    }
}

TEST_F(WavHeaderTest, FloatSamplesAreClampedBeforeScaling)
{
    const double values[] = {1.0, -1.0, 0.5, 0.0, 2.0, -3.0, 1e30, -1e300, std::numeric_limits<double>::quiet_NaN()};
    const int16_t expected[] = {32767, -32768, 16383, 0, 32767, -32768, 32767, -32768, 0};
    for (int width : {32, 64}) {
        SCOPED_TRACE(width);
        Bytes data;
        for (double v : values) {
            if (width == 32)
                data.f32(static_cast<float>(v));
            else
                data.f64(v);
        }
        ASSERT_TRUE(openBytes(RiffBuilder()
                                  .chunk("fmt ", fmtBody(3, 1, 8000, static_cast<uint16_t>(width)))
                                  .chunk("data", data)
                                  .build()));
        const DecodedPcm got = decodeAll(wav);
        ASSERT_EQ(std::size(values), got.left.size());
        for (size_t i = 0; i < std::size(values); ++i)
            EXPECT_EQ(expected[i], got.left[i]) << "value " << values[i];
    }
}

TEST_F(WavHeaderTest, IntegerWidthsKeepTheirUpperSixteenBits)
{
    struct Case {
        uint16_t bits;
        Bytes data;
        int deliveredBits;
        std::vector<int16_t> expected;
    };
    const std::vector<Case> cases = {
        {8, Bytes{0x00, 0x80, 0xFF}, 8, {0, 128, 255}},
        {24, Bytes{0x56, 0x34, 0x12, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF}, 16, {0x1234, -32768, -1}},
        {32, Bytes().u32(0x7FFFFFFF).u32(0x80000000).u32(0x0001FFFF), 16, {32767, -32768, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        ASSERT_TRUE(openBytes(RiffBuilder().chunk("fmt ", fmtBody(1, 1, 8000, c.bits)).chunk("data", c.data).build()));
        EXPECT_EQ(c.deliveredBits, wav.bitsPerSample());
        EXPECT_EQ(c.expected, decodeAll(wav).left);
    }
}

TEST_F(WavHeaderTest, AnExtensibleChannelMaskNamesTheSpeakersOfTheDownMix)
{
    // Three channels, only the third sounding: without a mask FFmpeg's
    // default layout (2.1) makes it the low-frequency channel, which the mix
    // leaves out; the mask FL FR FC makes it a centre, which reaches both
    // sides.
    std::vector<int16_t> samples;
    for (int f = 0; f < 100; ++f)
        samples.insert(samples.end(), {0, 0, 8000});
    const Bytes plain = fmtBody(1, 3, 48000, 16);
    const Bytes masked = fmtBody(0xFFFE, 3, 48000, 16).u16(22).u16(16).u32(0x1 | 0x2 | 0x4).u16(1).fill(14, 0);
    for (const auto& [fmt, sounds] : {std::pair{&plain, false}, std::pair{&masked, true}}) {
        SCOPED_TRACE(sounds ? "mask FL FR FC" : "no mask");
        ASSERT_TRUE(openBytes(RiffBuilder().chunk("fmt ", *fmt).chunk("data", pcm16Data(samples)).build()));
        EXPECT_EQ(3, wav.channels());
        EXPECT_EQ(2, wav.outputChannels());
        const DecodedPcm got = decodeAll(wav);
        ASSERT_EQ(100u, got.left.size());
        EXPECT_EQ(got.left, got.right);
        EXPECT_EQ(sounds, got.left[50] > 1000) << got.left[50];
    }
}

TEST_F(WavHeaderTest, MonoSourceLeavesTheRightBufferUntouched)
{
    ASSERT_TRUE(openBytes(pcm16Wav(1, 8000, ramp(100))));
    std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames, 0x5A5A);
    EXPECT_EQ(100, wav.read(left.data(), right.data()));
    EXPECT_TRUE(std::all_of(right.begin(), right.end(), [](int16_t s) { return s == 0x5A5A; }));
}

TEST_F(WavHeaderTest, DurationAndBitRateFollowTheDataLength)
{
    // 3 s of stereo 16-bit 44100 Hz: 529200 bytes / (3 x 125) = 1411 kbps.
    ASSERT_TRUE(openBytes(pcm16Wav(2, 44100, std::vector<int16_t>(44100 * 2 * 3))));
    EXPECT_EQ(3, wav.durationSeconds());
    EXPECT_EQ(1411, wav.bitrateKbps());
    // Below one second the bit rate comes from the format: 16 x 1 x 8000 / 1000.
    ASSERT_TRUE(openBytes(pcm16Wav(1, 8000, std::vector<int16_t>(4000))));
    EXPECT_EQ(0, wav.durationSeconds());
    EXPECT_EQ(128, wav.bitrateKbps());
    // Block codecs count frames by blocks: 10 IMA blocks of 256 bytes, 505 frames each.
    Bytes ima = fmtBody(17, 1, 1000, 4, 256).u16(2).u16(505);
    ASSERT_TRUE(openBytes(RiffBuilder().chunk("fmt ", ima).chunk("data", Bytes().fill(2560, 0)).build()));
    EXPECT_EQ(5, wav.durationSeconds()); // 5050 frames at 1000 Hz
    EXPECT_EQ(4, wav.bitrateKbps());     // 2560 / (5 x 125)
}

TEST_F(WavHeaderTest, ExtensibleSubFormatSelectsIntegerOrFloat)
{
    auto extensible = [](uint16_t subFormat, uint16_t bits) {
        Bytes fmt = fmtBody(0xFFFE, 1, 8000, bits).u16(22).u16(bits).u32(4).u16(subFormat);
        fmt.append({0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
        return fmt;
    };
    ASSERT_TRUE(openBytes(RiffBuilder().chunk("fmt ", extensible(1, 32)).chunk("data", Bytes().u32(0x40000000)).build()));
    EXPECT_EQ((std::vector<int16_t>{16384}), decodeAll(wav).left);
    ASSERT_TRUE(openBytes(RiffBuilder().chunk("fmt ", extensible(3, 32)).chunk("data", Bytes().f32(0.5f)).build()));
    EXPECT_EQ((std::vector<int16_t>{16383}), decodeAll(wav).left);
}

TEST_F(WavHeaderTest, ReopenAndCloseResetTheState)
{
    ASSERT_TRUE(openBytes(pcm16Wav(2, 44100, ramp(200))));
    EXPECT_EQ(100, decodeAll(wav).left.size());
    ASSERT_TRUE(openBytes(pcm16Wav(1, 8000, ramp(50))));
    EXPECT_EQ(1, wav.outputChannels());
    EXPECT_EQ(50u, decodeAll(wav).left.size());
    wav.close();
    EXPECT_EQ(0, wav.sampleRate());
    EXPECT_EQ(0u, wav.position());
    EXPECT_EQ(ChannelMode::NotMpeg, wav.channelMode());
}

} // namespace
} // namespace sonivert::test
