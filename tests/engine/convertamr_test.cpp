// The AMR conversion routine on real files, read back with FFmpeg's demuxer
// and its native AMR decoders: band, mode and DTX by output format and
// settings, the channel a mono output keeps, resampling to the band's rate,
// amplification, and Cancel.

#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "settings/conversionsettings.h"
#include "tests/support/amrprobe.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

class ConvertAmrTest : public testing::Test {
protected:
    std::string tone(const std::string& name, const std::string& format, const std::string& synth)
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand("sox -R -n " + format + " " + shellQuote(path) + " synth " + synth));
        return path;
    }
    Outcome convert(const std::string& source, const std::string& target, int32_t format)
    {
        return routines.convertToAmr(kInputWav, source, target, progress, format);
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    ConversionSettings settings{std::nullopt};
    ConversionRoutines routines{engine, settings};
    RecordingConversionProgress progress;
};

double rms(const std::vector<int16_t>& samples)
{
    double sum = 0;
    for (const int16_t s : samples)
        sum += static_cast<double>(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

// Each output format takes its band, its mode and its DTX flag from its own
// settings; the others must not leak in. The source, 0.5 s of tone and then
// 1 s of silence, makes DTX visible as comfort-noise and no-data frames.
TEST_F(ConvertAmrTest, BandModeAndDtxComeFromTheFormatsOwnSettings)
{
    const std::string source = tone("in.wav", "-r 44100 -c 1 -b 16", "0.5 sine 300 sine 310 vol 0.3 pad 0 1");
    const struct {
        const char* name;
        int32_t format, amrType, amrDtx, awbDtx;
        const char* extension;
        const char* magic;
        int rate;
        int modeBytes; // AMRMode 2, AMRWBMode 7, AWBMode 1
        bool dtx;
    } cases[] = {
        {"5500 narrow band", 5500, 0, 1, 0, ".amr", "#!AMR\n", 8000, 16, true},
        {"5500 narrow band without DTX", 5500, 0, 0, 1, ".amr", "#!AMR\n", 8000, 16, false},
        {"5500 with AMRType 1 is wide band in a .amr file", 5500, 1, 1, 0, ".amr", "#!AMR-WB\n", 16000, 59, true},
        {"5600 takes AWBMode and AWBDTX", 5600, 0, 1, 0, ".awb", "#!AMR-WB\n", 16000, 24, false},
        {"5600 ignores AMRType", 5600, 1, 0, 1, ".awb", "#!AMR-WB\n", 16000, 24, true},
    };
    settings.AMRMode = 2;
    settings.AMRWBMode = 7;
    settings.AWBMode = 1;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings.AMRType = c.amrType;
        settings.AMRDTX = c.amrDtx;
        settings.AWBDTX = c.awbDtx;
        const std::string target = dir.file("out" + std::to_string(n++) + c.extension);
        ASSERT_TRUE(convert(source, target, c.format));
        EXPECT_EQ("Converting in.wav...100%", progress.fileTexts.back());

        const AmrProbe probe = amrProbe(target);
        ASSERT_TRUE(probe.ok);
        EXPECT_EQ(c.magic, probe.magic);
        EXPECT_EQ(c.rate, probe.sampleRate);
        // 1.5 s is 75 frames of 20 ms; the last partial frame is padded.
        EXPECT_NEAR(75, static_cast<double>(probe.packetSizes.size()), 1);
        size_t full = 0, dtxFrames = 0;
        for (const int size : probe.packetSizes) {
            full += size == c.modeBytes;
            dtxFrames += size == 1 || size == 6;
        }
        EXPECT_EQ(probe.packetSizes.size(), full + dtxFrames);
        if (c.dtx) {
            EXPECT_GT(dtxFrames, 25u);
        } else {
            EXPECT_EQ(0u, dtxFrames);
        }
    }
}

// A mono output keeps the channel MonoType names, whether the source needs
// resampling (44100 Hz) or goes straight to the encoder (16000 Hz); the mix
// keeps both. Left is 440 Hz, right 1500 Hz.
TEST_F(ConvertAmrTest, MonoOutputKeepsTheChannelMonoTypeNames)
{
    const struct {
        const char* name;
        int sourceRate;
        int32_t monoType;
        bool left, right;
    } cases[] = {
        {"44100 Hz, MonoType 2: right only", 44100, 2, false, true},
        {"44100 Hz, MonoType 1: left only", 44100, 1, true, false},
        {"44100 Hz, MonoType 0: both", 44100, 0, true, true},
        {"16000 Hz, MonoType 2: right only, no resampling", 16000, 2, false, true},
        {"16000 Hz, MonoType 7 mixes", 16000, 7, true, true},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        settings.MonoType = c.monoType;
        const std::string source = tone("in" + std::to_string(n) + ".wav",
                                        "-r " + std::to_string(c.sourceRate) + " -c 2 -b 16",
                                        "1 sine 440 sine 1500 vol 0.3");
        const std::string target = dir.file("out" + std::to_string(n++) + ".awb");
        ASSERT_TRUE(convert(source, target, kOutputAwb));
        const AmrDecoded decoded = decodeAmr(target, true);
        ASSERT_TRUE(decoded.ok);
        EXPECT_NEAR(16000, static_cast<double>(decoded.samples.size()), 320);
        const double left = tonePower(decoded.samples, 16000, 440);
        const double right = tonePower(decoded.samples, 16000, 1500);
        const double present = 0.25 * 9830 * 9830 / 10; // a tenth of the 0.3 sine's power
        EXPECT_EQ(c.left, left > present) << left;
        EXPECT_EQ(c.right, right > present) << right;
        if (c.left != c.right) {
            EXPECT_GT(std::max(left, right), 100 * std::min(left, right));
        }
    }
}

// An 8-bit source is widened (and here resampled to 8000 Hz) before the
// gain; amplification acts on the mono samples the encoder gets.
TEST_F(ConvertAmrTest, EightBitSourcesAreWidenedAndGainApplies)
{
    const std::string source = tone("in8.wav", "-r 11025 -c 1 -b 8 -e unsigned", "1 sine 700 vol 0.4");
    const std::string plain = dir.file("plain.amr"), quiet = dir.file("quiet.amr");
    settings.AMRMode = 7;
    ASSERT_TRUE(convert(source, plain, kOutputAmr));
    settings.AmplifyAMR = 1;
    settings.AmplifyAMRCoef = 25;
    ASSERT_TRUE(convert(source, quiet, kOutputAmr));

    const AmrDecoded a = decodeAmr(plain, false), b = decodeAmr(quiet, false);
    ASSERT_TRUE(a.ok && b.ok);
    EXPECT_NEAR(8000, static_cast<double>(a.samples.size()), 160);
    EXPECT_GT(tonePower(a.samples, 8000, 700), 0.25 * 13107 * 13107 / 4);
    const double ratio = rms(b.samples) / rms(a.samples);
    EXPECT_GT(ratio, 0.15);
    EXPECT_LT(ratio, 0.35);
}

TEST_F(ConvertAmrTest, CancelAndUnreadableSourcesLeaveNoTarget)
{
    const std::string source = tone("in.wav", "-r 44100 -c 2 -b 16", "5 sine 440");
    const std::string target = dir.file("out.amr");
    progress.cancelAfterPumps = 3;
    EXPECT_FALSE(convert(source, target, kOutputAmr));
    EXPECT_FALSE(fs::exists(target));
    progress.cancelAfterPumps = 0;

    EXPECT_FALSE(convert(dir.file("missing.wav"), target, kOutputAwb));
    EXPECT_FALSE(fs::exists(target));
    // No file can be created in a missing folder: Start fails.
    EXPECT_FALSE(convert(source, dir.file("no such folder/out.amr"), kOutputAmr));
    // A target that is the source is never opened for writing.
    const std::vector<uint8_t> original = readFileBytes(source);
    EXPECT_FALSE(convert(source, source, kOutputAmr));
    EXPECT_EQ(original, readFileBytes(source));
}

} // namespace
} // namespace sonivert::test
