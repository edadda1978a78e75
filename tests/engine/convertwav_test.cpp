// The WAV conversion routine on real files, checked with sox: formats kept or
// changed, the channel a mono type picks, gain, resampled length, and that
// neither Cancel nor a target aliasing the source can harm the source.

#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/soxprobe.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

class ConvertWavTest : public testing::Test {
protected:
    std::string tone(const std::string& name, const std::string& format, const std::string& synth)
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand("sox -R -n " + format + " " + shellQuote(path) + " synth " + synth));
        return path;
    }
    Outcome convert(const std::string& source, const std::string& target, InputTypeCode code = kInputWav)
    {
        return routines.convertToWav(code, source, target, progress);
    }
    void explicitFormat(int rate, int channels, int bits, int monoType = 0)
    {
        settings.AutoDestWAVEncodingParam = 0;
        settings.WAVSampleRate = rate;
        settings.WAVChannelNum = channels;
        settings.WAVBitsPerSample = bits;
        settings.MonoType = monoType;
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    ConversionSettings settings{std::nullopt};
    ConversionRoutines routines{engine, settings};
    RecordingConversionProgress progress;
};

TEST_F(ConvertWavTest, AutomaticModeKeepsTheSourceFormatSampleForSample)
{
    // An 8-bit source needs a reader that delivers 8-bit samples: the AIFF
    // parser does (the decoding library tried first for WAV names delivers
    // 16-bit samples).
    const std::string source = tone("in.aiff", "-r 11025 -c 1 -b 8", "1.5 sine 300 vol 0.5");
    const std::string target = dir.file("out.wav");
    ASSERT_TRUE(convert(source, target, kInputAiff));
    const SoxInfo info = soxInfo(target);
    EXPECT_EQ(11025, info.rate);
    EXPECT_EQ(1, info.channels);
    EXPECT_EQ(8, info.bits);
    int status = 0;
    EXPECT_EQ(captureCommand("sox " + shellQuote(source) + " -t raw -e unsigned -", status),
              captureCommand("sox " + shellQuote(target) + " -t raw -e unsigned -", status));
    EXPECT_EQ("Converting in.aiff...100%", progress.fileTexts.back());
}

TEST_F(ConvertWavTest, MonoTypeTwoKeepsTheRightChannelUntouched)
{
    const std::string source = tone("in.wav", "-r 44100 -c 2 -b 16", "1 sine 440 sine 1500 vol 0.5");
    explicitFormat(44100, 1, 16, 2);
    const std::string target = dir.file("out.wav");
    ASSERT_TRUE(convert(source, target));
    int status = 0;
    EXPECT_EQ(captureCommand("sox " + shellQuote(source) + " -t raw - remix 2", status),
              captureCommand("sox " + shellQuote(target) + " -t raw -", status));
}

TEST_F(ConvertWavTest, ResampledOutputKeepsItsLengthAndGainApplies)
{
    const std::string source = tone("in.wav", "-r 44100 -c 2 -b 16", "3 sine 440 sine 880 vol 0.25");
    explicitFormat(48000, 2, 16);
    settings.AmplifyWav = 1;
    settings.AmplifyWavCoeff = 200;
    const std::string target = dir.file("out.wav");
    ASSERT_TRUE(convert(source, target));
    const SoxInfo info = soxInfo(target);
    EXPECT_EQ(48000, info.rate);
    EXPECT_NEAR(3 * 48000, info.samples, 1);
    const SoxStat left = soxStat(target, 1), right = soxStat(target, 2);
    EXPECT_NEAR(0.5, left.maximumAmplitude, 0.01);
    EXPECT_NEAR(440, left.roughFrequency, 10);
    EXPECT_NEAR(880, right.roughFrequency, 20);
}

TEST_F(ConvertWavTest, CancelDeletesThePartialTarget)
{
    const std::string source = tone("in.wav", "-r 44100 -c 2 -b 16", "5 sine 440");
    const std::string target = dir.file("out.wav");
    progress.cancelAfterPumps = 3;
    EXPECT_FALSE(convert(source, target));
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(fs::exists(source));
}

TEST_F(ConvertWavTest, AnUnreadableSourceCreatesNoTargetAndSaysWhy)
{
    const std::string target = dir.file("out.wav");
    writeFileBytes(dir.file("noise.wav"), std::vector<uint8_t>(300, 0x5A));
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"missing.wav", "The file does not exist."},
        {"noise.wav", "No reader can open this file. To get help, please forward the failure file to "
                      "<support@sonivert.example>."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = convert(dir.file(c.name), target);
        EXPECT_FALSE(outcome);
        EXPECT_EQ(c.reason, outcome.reason());
        EXPECT_EQ(c.reason, engine.failureDetail());
        EXPECT_FALSE(fs::exists(target));
    }
}

TEST_F(ConvertWavTest, ATargetThatIsTheSourceThroughALinkIsNeverWritten)
{
    const std::string source = tone("in.wav", "-r 8000 -c 1 -b 16", "1 sine 440");
    const std::vector<uint8_t> original = readFileBytes(source);
    fs::create_hard_link(source, dir.file("hard.wav"));
    fs::create_symlink(source, dir.file("soft.wav"));
    progress.cancelAfterPumps = 1; // were anything written, it would be deleted again
    for (const char* alias : {"hard.wav", "soft.wav", "IN.WAV"}) {
        SCOPED_TRACE(alias);
        EXPECT_FALSE(convert(source, dir.file(alias)));
        EXPECT_EQ(original, readFileBytes(source));
    }
    EXPECT_TRUE(fs::exists(dir.file("hard.wav")));
    EXPECT_TRUE(fs::is_symlink(dir.file("soft.wav")));
}

} // namespace
} // namespace sonivert::test
