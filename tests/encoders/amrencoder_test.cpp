// AmrEncoder and the AMR encoder libraries on real files, read back with
// FFmpeg's demuxer and its native AMR decoders: the frame buffer rules,
// every codec mode of both bands with and without discontinuous
// transmission, and failures that must not pass as success.

#include "encoders/amrencoder.h"
#include "encoders/amrmodes.h"
#include "platform/amr/amrnbenc.h"
#include "platform/amr/amrwbenc.h"
#include "tests/support/amrprobe.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

namespace sonivert::test {
namespace {

// Frame sizes in bytes, table-of-contents byte included, of the codec modes
// (RFC 4867 section 5.3 with the bit counts of 3GPP TS 26.101 and 26.201),
// and of the comfort-noise (SID) and no-data frames that DTX sends.
constexpr int kNbFrameBytes[] = {13, 14, 16, 18, 20, 21, 27, 32};
constexpr int kWbFrameBytes[] = {18, 24, 33, 37, 41, 47, 51, 59, 61};
constexpr int kSidBytes = 6;
constexpr int kNoDataBytes = 1;

// A voiced, speech-like signal: a 150 Hz pitch with harmonics under a
// syllable-rate envelope. Voice activity detection takes it for speech, so
// DTX keeps sending speech frames.
std::vector<int16_t> voiced(int32_t samples, int32_t rate)
{
    std::vector<int16_t> out(static_cast<size_t>(samples));
    for (int32_t i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0;
        for (int h = 1; h <= 8; ++h)
            v += std::sin(2 * std::numbers::pi * 150 * h * t) / h;
        const double envelope = 0.6 + 0.4 * std::sin(2 * std::numbers::pi * 4 * t);
        out[static_cast<size_t>(i)] = static_cast<int16_t>(6000 * envelope * v);
    }
    return out;
}

struct Band {
    const char* name;
    bool narrow;
    int rate;
    int32_t frame;
    const char* magic;
    const char* codec;
};
constexpr Band kNarrow{"narrow band", true, 8000, 160, "#!AMR\n", "amr_nb"};
constexpr Band kWide{"wide band", false, 16000, 320, "#!AMR-WB\n", "amr_wb"};

TEST(AmrEncoder, PartialFramesWaitForCloseWhichPadsThemWithZeros)
{
    TempDir dir;
    for (const Band& band : {kNarrow, kWide}) {
        SCOPED_TRACE(band.name);
        const std::string path = dir.file(std::string(band.codec) + "_partial.amr");
        const std::vector<int16_t> input = voiced(100, band.rate);
        AmrEncoder encoder;
        ASSERT_TRUE(encoder.Prepare(path, band.narrow));
        EXPECT_EQ(band.frame, encoder.frameLength());
        ASSERT_TRUE(encoder.Start(path));
        ASSERT_TRUE(encoder.Encode(input.data(), 60));
        ASSERT_TRUE(encoder.Encode(input.data() + 60, 40));
        EXPECT_EQ(0, encoder.encodedFrames());
        EXPECT_EQ(100, encoder.fillCount());
        ASSERT_TRUE(encoder.Close());
        EXPECT_EQ(0, encoder.frameLength());

        const AmrProbe probe = amrProbe(path);
        EXPECT_EQ(band.magic, probe.magic);
        ASSERT_EQ(1u, probe.packetSizes.size());
        // The padded frame decodes to the input followed by silence; the
        // codec's look-ahead delays it, so only the padded end is checked.
        const AmrDecoded decoded = decodeAmr(path, !band.narrow);
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(static_cast<size_t>(band.frame), decoded.samples.size());
    }
}

TEST(AmrEncoder, WholeFramesGoStraightFromTheInput)
{
    TempDir dir;
    for (const Band& band : {kNarrow, kWide}) {
        SCOPED_TRACE(band.name);
        const std::string path = dir.file(std::string(band.codec) + "_whole.amr");
        const std::vector<int16_t> input = voiced(3 * band.frame + 5, band.rate);
        AmrEncoder encoder;
        ASSERT_TRUE(encoder.Prepare(path, band.narrow));
        ASSERT_TRUE(encoder.Start(path));
        ASSERT_TRUE(encoder.Encode(input.data(), band.frame));
        EXPECT_EQ(1, encoder.encodedFrames());
        EXPECT_EQ(0, encoder.fillCount());
        // A held remainder is filled up first, then whole frames follow.
        ASSERT_TRUE(encoder.Encode(input.data() + band.frame, 7));
        ASSERT_TRUE(encoder.Encode(input.data() + band.frame + 7, 2 * band.frame - 2));
        EXPECT_EQ(3, encoder.encodedFrames());
        EXPECT_EQ(5, encoder.fillCount());
        ASSERT_TRUE(encoder.Encode(nullptr, 0));
        ASSERT_TRUE(encoder.Close());
        EXPECT_EQ(4u, amrProbe(path).packetSizes.size());
    }
}

// The frame buffer must hand the library the same frames whatever the
// sizes of the runs the samples arrive in: the files are byte-identical.
TEST(AmrEncoder, RunSizesDoNotChangeTheStream)
{
    TempDir dir;
    for (const Band& band : {kNarrow, kWide}) {
        SCOPED_TRACE(band.name);
        const std::vector<int16_t> input = voiced(band.rate / 2 + 77, band.rate);
        auto encode = [&](const std::string& path, const std::vector<int32_t>& runs) {
            AmrEncoder encoder;
            encoder.Prepare(path, band.narrow);
            encoder.SetDtx(1);
            EXPECT_TRUE(encoder.Start(path));
            size_t at = 0;
            for (size_t i = 0; at < input.size(); ++i) {
                const auto n = std::min(static_cast<size_t>(runs[i % runs.size()]), input.size() - at);
                EXPECT_TRUE(encoder.Encode(input.data() + at, static_cast<int32_t>(n)));
                at += n;
            }
            EXPECT_TRUE(encoder.Close());
            return readFileBytes(path);
        };
        const std::vector<uint8_t> whole = encode(dir.file("whole.amr"), {static_cast<int32_t>(input.size())});
        ASSERT_GT(whole.size(), 100u);
        EXPECT_EQ(whole, encode(dir.file("odd.amr"), {1, 159, 7, 333, 1152, 0, 319, 321}));
        EXPECT_EQ(whole, encode(dir.file("frames.amr"), {band.frame}));
    }
}

// Every mode of both bands, with and without DTX: FFmpeg's demuxer finds
// one frame per 20 ms (the last one padded) of the mode's size, and its
// native decoder reads them. With DTX on, the voice activity detector may
// still take a frame of the voiced input for a pause; such frames are
// comfort-noise or no-data frames, which FFmpeg's decoders do not expand
// to full frames, so they count as frames but not as decoded samples.
TEST(AmrEncoder, EveryModeWithAndWithoutDtxDecodesIndependently)
{
    TempDir dir;
    for (const Band& band : {kNarrow, kWide}) {
        const std::vector<int16_t> input = voiced(band.rate / 4 + 37, band.rate);
        const std::vector<int16_t> copy = input;
        const size_t frame = static_cast<size_t>(band.frame);
        const size_t expectedFrames = (input.size() + frame - 1) / frame;
        const size_t modes = band.narrow ? kAmrNbModes.size() : kAmrWbModes.size();
        for (int32_t mode = 0; mode < static_cast<int32_t>(modes); ++mode) {
            for (const int32_t dtx : {0, 1}) {
                SCOPED_TRACE(std::string(band.name) + " mode " + std::to_string(mode) + " dtx " + std::to_string(dtx));
                const std::string path = dir.file("m" + std::to_string(mode) + "d" + std::to_string(dtx) +
                                                  (band.narrow ? ".amr" : ".awb"));
                AmrEncoder encoder;
                encoder.Prepare(path, band.narrow);
                if (band.narrow)
                    encoder.SetNarrowBandMode(mode);
                else
                    encoder.SetWideBandMode(mode);
                encoder.SetDtx(dtx);
                ASSERT_TRUE(encoder.Start(path));
                ASSERT_TRUE(encoder.Encode(input.data(), static_cast<int32_t>(input.size())));
                ASSERT_TRUE(encoder.Close());
                ASSERT_EQ(copy, input); // the encoder reads its input, never writes it

                const AmrProbe probe = amrProbe(path);
                ASSERT_TRUE(probe.ok);
                EXPECT_EQ(band.magic, probe.magic);
                EXPECT_EQ(band.codec, probe.codec);
                EXPECT_EQ(band.rate, probe.sampleRate);
                EXPECT_EQ(1, probe.channels);
                ASSERT_EQ(expectedFrames, probe.packetSizes.size());
                const int modeBytes = band.narrow ? kNbFrameBytes[mode] : kWbFrameBytes[mode];
                size_t speech = 0;
                for (const int size : probe.packetSizes) {
                    speech += size == modeBytes;
                    ASSERT_TRUE(size == modeBytes || (dtx == 1 && (size == kSidBytes || size == kNoDataBytes))) << size;
                }
                EXPECT_GE(speech * 5, expectedFrames * 4);
                const AmrDecoded decoded = decodeAmr(path, !band.narrow);
                ASSERT_TRUE(decoded.ok);
                EXPECT_GE(decoded.samples.size(), speech * frame);
                EXPECT_LE(decoded.samples.size(), expectedFrames * frame);
            }
        }
    }
}

// With DTX on, silence after speech becomes comfort-noise and no-data
// frames; the frame count (one per 20 ms) stays. Without it every frame is
// a speech frame.
TEST(AmrEncoder, DtxSendsComfortNoiseDuringSilence)
{
    TempDir dir;
    for (const Band& band : {kNarrow, kWide}) {
        SCOPED_TRACE(band.name);
        std::vector<int16_t> input = voiced(band.rate / 2, band.rate);
        input.resize(static_cast<size_t>(band.rate) * 2, 0); // 1.5 s of silence
        const size_t frames = input.size() / static_cast<size_t>(band.frame);
        const int speechBytes = band.narrow ? kNbFrameBytes[6] : kWbFrameBytes[6];
        for (const int32_t dtx : {0, 1}) {
            const std::string path = dir.file("dtx" + std::to_string(dtx) + (band.narrow ? ".amr" : ".awb"));
            AmrEncoder encoder;
            encoder.Prepare(path, band.narrow);
            encoder.SetDtx(dtx);
            ASSERT_TRUE(encoder.Start(path));
            ASSERT_TRUE(encoder.Encode(input.data(), static_cast<int32_t>(input.size())));
            ASSERT_TRUE(encoder.Close());
            const AmrProbe probe = amrProbe(path);
            ASSERT_EQ(frames, probe.packetSizes.size());
            size_t speech = 0, sid = 0, noData = 0;
            for (const int size : probe.packetSizes) {
                speech += size == speechBytes;
                sid += size == kSidBytes;
                noData += size == kNoDataBytes;
            }
            EXPECT_EQ(frames, speech + sid + noData);
            if (dtx == 0) {
                EXPECT_EQ(frames, speech);
            } else {
                EXPECT_GE(sid, 2u);
                EXPECT_GT(noData, frames / 2);
            }
        }
    }
}

TEST(AmrEncoder, ModesOutsideTheirBandBecomeModeSix)
{
    TempDir dir;
    const std::vector<int16_t> input = voiced(640, 16000);
    const struct {
        bool narrow;
        int32_t mode;
        int bytes;
    } cases[] = {{true, 8, kNbFrameBytes[6]}, {true, -1, kNbFrameBytes[6]}, {false, 9, kWbFrameBytes[6]}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(n);
        const std::string path = dir.file("mode" + std::to_string(n++) + ".amr");
        AmrEncoder encoder;
        encoder.Prepare(path, c.narrow);
        encoder.SetNarrowBandMode(c.mode);
        encoder.SetWideBandMode(c.mode);
        ASSERT_TRUE(encoder.Start(path));
        ASSERT_TRUE(encoder.Encode(input.data(), 640));
        ASSERT_TRUE(encoder.Close());
        const AmrProbe probe = amrProbe(path);
        ASSERT_FALSE(probe.packetSizes.empty());
        EXPECT_EQ(c.bytes, probe.packetSizes.front());
    }
    // The libraries themselves refuse such modes and create no file.
    EXPECT_EQ(nullptr, amrnbenc_init(dir.file("nb9.amr").c_str(), 0, 8));
    EXPECT_EQ(nullptr, amrwbenc_init(dir.file("wb9.awb").c_str(), 0, 9));
    EXPECT_FALSE(std::filesystem::exists(dir.file("nb9.amr")));
}

TEST(AmrEncoder, FailuresAreReported)
{
    TempDir dir;
    const std::vector<int16_t> input = voiced(16000, 16000);
    for (const Band& band : {kNarrow, kWide}) {
        SCOPED_TRACE(band.name);
        AmrEncoder encoder;
        // No file can be created in a folder that does not exist: no
        // handle, the object stays prepared, and Encode has nowhere to go.
        const std::string missing = dir.file("no such folder/out.amr");
        encoder.Prepare(missing, band.narrow);
        EXPECT_FALSE(encoder.Start(missing));
        EXPECT_EQ(band.frame, encoder.frameLength());
        EXPECT_FALSE(encoder.Encode(input.data(), 10));
        EXPECT_TRUE(encoder.Close());

        // A device that takes no bytes: the file is incomplete, and the
        // encoder must say so rather than report a finished file.
        if (!std::filesystem::exists("/dev/full"))
            continue;
        encoder.Prepare("/dev/full", band.narrow);
        ASSERT_TRUE(encoder.Start("/dev/full")); // the header waits in the stream's buffer
        (void)encoder.Encode(input.data(), static_cast<int32_t>(input.size()));
        EXPECT_FALSE(encoder.Close());
    }
}

} // namespace
} // namespace sonivert::test
