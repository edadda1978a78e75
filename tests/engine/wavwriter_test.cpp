// WavWriter: the header fields and patched sizes read byte by byte, every
// produced file read back by sox, and the refusals that keep a header from
// lying about its data.

#include "engine/wavwriter.h"

#include "engine/binaryfile.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace sonivert::test {
namespace {

struct Header {
    std::string riff, wave, fmt, data;
    uint32_t riffSize = 0, fmtSize = 0, rate = 0, byteRate = 0, dataSize = 0;
    uint16_t formatTag = 0, channels = 0, blockAlign = 0, bits = 0;
};

Header parseHeader(const std::vector<uint8_t>& b)
{
    Header h;
    if (b.size() < 44)
        return h;
    const auto text = [&](size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); };
    h.riff = text(0), h.wave = text(8), h.fmt = text(12), h.data = text(36);
    h.riffSize = loadLe32(&b[4]), h.fmtSize = loadLe32(&b[16]), h.formatTag = loadLe16(&b[20]);
    h.channels = loadLe16(&b[22]), h.rate = loadLe32(&b[24]), h.byteRate = loadLe32(&b[28]);
    h.blockAlign = loadLe16(&b[32]), h.bits = loadLe16(&b[34]), h.dataSize = loadLe32(&b[40]);
    return h;
}

// A ramp that differs per channel, so swapped or misplaced channels show.
std::vector<int16_t> ramp16(size_t n, int channel)
{
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<int16_t>((static_cast<int32_t>(i) * 37 + channel * 20000) % 65536 - 32768);
    return v;
}

std::vector<uint8_t> ramp8(size_t n, int channel)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(i * 7 + channel * 100);
    return v;
}

// Byte rate and block alignment follow the format; the sizes patched at
// close describe exactly the frames written (in uneven blocks), and a file
// with none is a bare 44-byte header.
TEST(WavWriterTest, HeaderDescribesFormatAndData)
{
    struct Case {
        bool stereo;
        int bits, rate;
        size_t frames;
        uint32_t byteRate;
        uint16_t blockAlign;
    };
    TempDir dir;
    for (const Case& c : {Case{true, 16, 44100, 2500, 176400, 4}, Case{false, 8, 11025, 2501, 11025, 1},
                          Case{true, 16, 44100, 0, 176400, 4}}) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.frames) + " frames");
        const std::string path = dir.file("out.wav");
        const std::vector<int16_t> s16(c.frames);
        const std::vector<uint8_t> s8(c.frames);
        WavWriter writer;
        ASSERT_TRUE(writer.open(path, c.stereo, c.bits, c.rate));
        for (size_t pos = 0; pos < c.frames; pos += 1152) {
            const auto count = static_cast<int32_t>(std::min<size_t>(1152, c.frames - pos));
            ASSERT_TRUE(c.bits == 16 ? writer.write16(&s16[pos], &s16[pos], count) : writer.write8(&s8[pos], &s8[pos], count));
        }
        ASSERT_TRUE(writer.close());

        const std::vector<uint8_t> bytes = readFileBytes(path);
        const Header h = parseHeader(bytes);
        EXPECT_EQ("RIFF", h.riff);
        EXPECT_EQ("WAVE", h.wave);
        EXPECT_EQ("fmt ", h.fmt);
        EXPECT_EQ("data", h.data);
        EXPECT_EQ(16u, h.fmtSize);
        EXPECT_EQ(1, h.formatTag);
        EXPECT_EQ(c.stereo ? 2 : 1, h.channels);
        EXPECT_EQ(static_cast<uint32_t>(c.rate), h.rate);
        EXPECT_EQ(c.byteRate, h.byteRate);
        EXPECT_EQ(c.blockAlign, h.blockAlign);
        EXPECT_EQ(c.bits, h.bits);
        const size_t data = c.frames * c.blockAlign;
        EXPECT_EQ(44 + data, bytes.size());
        EXPECT_EQ(data, h.dataSize);
        EXPECT_EQ(36 + data, h.riffSize);
    }
}

struct ToolCase {
    bool stereo;
    int bits, rate;
    size_t frames;
};

class WavWriterToolTest : public testing::TestWithParam<ToolCase> {};

// sox, which we did not write, must read every file back with the format
// and the samples that went in.
TEST_P(WavWriterToolTest, SoxReadsFormatLengthAndSamples)
{
    const ToolCase& c = GetParam();
    ASSERT_TRUE(toolAvailable("soxi") && toolAvailable("sox")) << "sox is needed (scripts/install-deps.sh installs it)";
    TempDir dir;
    const std::string path = dir.file("ausgabe \xc3\xa4\xc3\xb6.wav"); // a UTF-8 name
    const int channels = c.stereo ? 2 : 1;

    std::vector<int32_t> expected; // interleaved, as sox decodes to signed 16 bits
    {
        WavWriter writer;
        ASSERT_TRUE(writer.open(path, c.stereo, c.bits, c.rate));
        const std::vector<int16_t> l16 = ramp16(c.frames, 0), r16 = ramp16(c.frames, 1);
        const std::vector<uint8_t> l8 = ramp8(c.frames, 0), r8 = ramp8(c.frames, 1);
        for (size_t pos = 0; pos < c.frames; pos += 1152) {
            const auto count = static_cast<int32_t>(std::min<size_t>(1152, c.frames - pos));
            ASSERT_TRUE(c.bits == 16 ? writer.write16(l16.data() + pos, c.stereo ? r16.data() + pos : nullptr, count)
                                     : writer.write8(l8.data() + pos, c.stereo ? r8.data() + pos : nullptr, count));
        }
        for (size_t i = 0; i < c.frames; ++i) {
            for (int ch = 0; ch < channels; ++ch) {
                expected.push_back(c.bits == 16 ? (ch ? r16 : l16)[i] : ((ch ? r8 : l8)[i] - 128) * 256);
            }
        }
        ASSERT_TRUE(writer.close());
    }

    const auto info = [&](const char* flag) {
        int status = -1;
        const std::string out = captureCommand(std::string("soxi ") + flag + " " + shellQuote(path), status);
        EXPECT_EQ(0, status) << flag;
        return std::stoll(out);
    };
    EXPECT_EQ(c.rate, info("-r"));
    EXPECT_EQ(channels, info("-c"));
    EXPECT_EQ(c.bits, info("-b"));
    EXPECT_EQ(static_cast<long long>(c.frames), info("-s"));

    const std::string raw = dir.file("decoded.raw");
    ASSERT_EQ(0, runCommand("sox " + shellQuote(path) + " -t raw -e signed-integer -b 16 " + shellQuote(raw)));
    const std::vector<int16_t> decoded = readRawS16(raw);
    EXPECT_EQ(expected, std::vector<int32_t>(decoded.begin(), decoded.end()));
}

INSTANTIATE_TEST_SUITE_P(WavWriterFormats, WavWriterToolTest,
                         testing::Values(ToolCase{true, 16, 44100, 5000}, ToolCase{false, 16, 22050, 1153},
                                         ToolCase{true, 8, 8000, 3001}, ToolCase{false, 8, 11025, 2305},
                                         ToolCase{true, 16, 48000, 0}),
                         [](const testing::TestParamInfo<ToolCase>& info) {
                             const ToolCase& c = info.param;
                             return std::string(c.stereo ? "Stereo" : "Mono") + std::to_string(c.bits) + "bit" +
                                    std::to_string(c.rate) + "Hz" + std::to_string(c.frames) + "frames";
                         });

TEST(WavWriterTest, OpenReplacesAnExistingFileAndTheDestructorCloses)
{
    TempDir dir;
    const std::string path = dir.file("old.wav");
    writeFileBytes(path, std::vector<uint8_t>(10000, 0xAA));
    {
        WavWriter writer;
        ASSERT_TRUE(writer.open(path, false, 16, 8000));
        const std::vector<int16_t> samples = ramp16(10, 0);
        ASSERT_TRUE(writer.write16(samples.data(), nullptr, 10));
    }
    const std::vector<uint8_t> bytes = readFileBytes(path);
    EXPECT_EQ(64u, bytes.size());
    EXPECT_EQ(20u, parseHeader(bytes).dataSize);
    EXPECT_EQ(56u, parseHeader(bytes).riffSize);
}

TEST(WavWriterTest, RefusesWhatItCannotWriteTruthfully)
{
    TempDir dir;
    WavWriter writer;
    int16_t s16[2] = {};
    uint8_t s8[2] = {};
    EXPECT_FALSE(writer.open(dir.file("missing/out.wav"), true, 16, 44100));
    EXPECT_FALSE(writer.write16(s16, s16, 2)) << "closed";
    EXPECT_FALSE(writer.open(dir.file("bits.wav"), true, 12, 44100));

    ASSERT_TRUE(writer.open(dir.file("width.wav"), true, 16, 44100));
    EXPECT_FALSE(writer.write8(s8, s8, 2)) << "8-bit samples into a 16-bit file";
    EXPECT_FALSE(writer.write16(s16, nullptr, 2)) << "stereo without a right channel";
    EXPECT_EQ(0u, writer.dataBytes());

    // A file that cannot take its header is removed again, not left empty;
    // one that was there before is the caller's and stays.
    writeFileBytes(dir.file("there.wav"), {1, 2, 3});
    {
        const ScopedFileSizeLimit full(0);
        EXPECT_FALSE(writer.open(dir.file("full.wav"), true, 16, 44100));
        EXPECT_FALSE(writer.open(dir.file("there.wav"), true, 16, 44100));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("full.wav")));
    EXPECT_TRUE(std::filesystem::exists(dir.file("there.wav")));
}

#ifndef _WIN32
// Both size fields are 32-bit. Writing to the null device lets the writer
// reach the limit without 4 GiB of disk: data up to the limit is accepted,
// the write that would pass it is refused and adds nothing.
TEST(WavWriterTest, DataThatWouldOverflowTheSizeFieldsIsRefused)
{
    WavWriter writer;
    ASSERT_TRUE(writer.open("/dev/null", false, 8, 8000));
    const std::vector<uint8_t> chunk(size_t{1} << 24, 128);
    const auto chunkCount = static_cast<int32_t>(chunk.size());
    while (WavWriter::kMaxDataBytes - writer.dataBytes() >= chunk.size())
        ASSERT_TRUE(writer.write8(chunk.data(), nullptr, chunkCount));
    const auto rest = static_cast<int32_t>(WavWriter::kMaxDataBytes - writer.dataBytes());
    EXPECT_FALSE(writer.write8(chunk.data(), nullptr, rest + 1));
    EXPECT_TRUE(writer.write8(chunk.data(), nullptr, rest));
    EXPECT_EQ(0xFFFFFFFFull - 36, writer.dataBytes()) << "the RIFF size field (data + 36) is full";
    EXPECT_FALSE(writer.write8(chunk.data(), nullptr, 1));
    EXPECT_EQ(WavWriter::kMaxDataBytes, writer.dataBytes());
}
#endif

} // namespace
} // namespace sonivert::test
