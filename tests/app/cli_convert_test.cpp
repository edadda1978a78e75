// sonivert-cli convert end to end: generated inputs of several widths,
// channel counts and rates converted with explicit WAV settings, each output
// checked with soxi and sox stat.

#include "engine/conversionroutines.h"
#include "engine/outputformat.h"
#include "tests/support/aacprobe.h"
#include "tests/support/ffprobeinfo.h"
#include "tests/support/oggprobe.h"
#include "tests/support/soxprobe.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

class CliConvertTest : public testing::Test {
protected:
    // Runs the command line with a private settings file; returns stdout.
    std::string cli(const std::string& args, int& status)
    {
        return captureCommand("SONIVERT_SETTINGS=" + shellQuote(dir.file("settings.ini")) + " " +
                                  std::string(SONIVERT_CLI) + " " + args + " 2>/dev/null",
                              status);
    }
    std::string input(const std::string& name, const std::string& format, const std::string& synth)
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand("sox -R -n " + format + " " + shellQuote(path) + " synth " + synth));
        return path;
    }
    TempDir dir;
};

struct Case {
    const char* name;
    const char* inputFormat; // sox options; left 440 Hz, right 1500 Hz, at 0.3
    const char* settings;    // --set options
    int rate, channels, bits;
    double frequency; // of the first output channel
    double peak;      // of the first output channel
};

TEST_F(CliConvertTest, ExplicitWavSettingsShapeTheOutput)
{
    const Case cases[] = {
        {"8k mono 8-bit to 44.1k stereo 16-bit", "-r 8000 -c 1 -b 8 -e unsigned", "--set WAVSampleRate=44100 --set WAVChannelNum=2 --set WAVBitsPerSample=16", 44100, 2, 16, 440, 0.3},
        {"96k stereo to 22.05k mono 8-bit, left", "-r 96000 -c 2 -b 16", "--set WAVSampleRate=22050 --set WAVChannelNum=1 --set WAVBitsPerSample=8 --set MonoType=1", 22050, 1, 8, 440, 0.3},
        {"48k stereo to mono, right", "-r 48000 -c 2 -b 16", "--set WAVSampleRate=48000 --set WAVChannelNum=1 --set WAVBitsPerSample=16 --set MonoType=2", 48000, 1, 16, 1500, 0.3},
        {"22.05k stereo 8-bit amplified 200%", "-r 22050 -c 2 -b 8 -e unsigned", "--set WAVSampleRate=0 --set WAVChannelNum=0 --set WAVBitsPerSample=16 --set AmplifyWav=1 --set AmplifyWavCoeff=200", 22050, 2, 16, 440, 0.6},
        {"32k mono to 8k, amplified 50%", "-r 32000 -c 1 -b 16", "--set WAVSampleRate=8000 --set WAVChannelNum=1 --set AmplifyWav=1 --set AmplifyWavCoeff=50", 8000, 1, 16, 440, 0.15},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string channels = std::string(c.inputFormat).find("-c 1") != std::string::npos ? "" : " sine 1500";
        const std::string source = input("in" + std::to_string(n) + ".wav", c.inputFormat, "2 sine 440" + channels + " vol 0.3");
        const std::string out = dir.file("out" + std::to_string(n++));
        int status = -1;
        const std::string printed = cli("convert --format wav --output-dir " + shellQuote(out) +
                                            " --set AutoDestWAVEncodingParam=0 " + c.settings + " " + shellQuote(source),
                                        status);
        ASSERT_EQ(0, status) << printed;
        const std::string target = out + "/" + fs::path(source).filename().string();
        EXPECT_EQ(source + "\t" + fs::path(target).filename().string() + "\n", printed);
        const SoxInfo info = soxInfo(target);
        EXPECT_EQ(c.rate, info.rate);
        EXPECT_EQ(c.channels, info.channels);
        EXPECT_EQ(c.bits, info.bits);
        EXPECT_NEAR(2 * c.rate, info.samples, 1);
        const SoxStat stat = soxStat(target, 1);
        EXPECT_NEAR(c.frequency, stat.roughFrequency, c.frequency * 0.05);
        EXPECT_NEAR(c.peak, stat.maximumAmplitude, 0.02);
    }
}

TEST_F(CliConvertTest, StatusLinesAndExitCodes)
{
    const std::string source = input("a.wav", "-r 8000 -c 1 -b 16", "0.5 sine 440");
    int status = -1;
    std::string printed = cli("convert --format wav --same-folder " + shellQuote(source) + " " +
                                  shellQuote(dir.file("missing.flac")),
                              status);
    EXPECT_EQ(1, status);
    EXPECT_EQ(source + "\ta_1.wav\n" + dir.file("missing.flac") +
                  "\tConversion Failure (The file does not exist.)\n",
              printed);

    printed = cli("convert --format wav --same-folder --if-exists skip " + shellQuote(source), status);
    EXPECT_EQ(1, status);
    EXPECT_EQ(source + "\tTarget exists and skipped\n", printed);

    for (const char* usage : {"convert --format mp4x a.wav", "convert --format wav --set NoSuchValue=1 a.wav",
                              "convert --format wav --set WAVSampleRate=fast a.wav",
                              "convert --format wav --if-exists maybe a.wav", "convert --format wav",
                              "convert --format wav --same-folder --output-dir x a.wav"}) {
        SCOPED_TRACE(usage);
        cli(usage, status);
        EXPECT_EQ(2, status);
    }
    // Formats without an encoder in this build are refused, not faked.
    for (const OutputFormatInfo& format : outputFormats()) {
        if (ConversionRoutines::formatAvailable(format.code))
            continue;
        SCOPED_TRACE(format.cliName);
        cli("convert --format " + std::string(format.cliName) + " " + shellQuote(source), status);
        EXPECT_EQ(2, status);
    }
}

TEST_F(CliConvertTest, OggOutputAndOggInput)
{
    const std::string source = input("song.wav", "-r 48000 -c 2 -b 16", "1 sine 440 sine 1500 vol 0.3");
    const std::string out = dir.file("out");
    int status = -1;
    cli("settings set OGGTag/TitleAsFileName 0", status);
    ASSERT_EQ(0, status);
    cli("settings set OGGTag/Title Song", status);
    ASSERT_EQ(0, status);
    std::string printed = cli("convert --format ogg --output-dir " + shellQuote(out) +
                                  " --set AutoDestOGGEncodingParam=0 --set OGGSampleRate=32000 --set OGGBitRate=96"
                                  " --set OGGID3TagType=0 " + shellQuote(source),
                              status);
    ASSERT_EQ(0, status) << printed;
    EXPECT_EQ(source + "\tsong.ogg\n", printed);
    FfprobeInfo info = ffprobeInfo(out + "/song.ogg");
    EXPECT_EQ(32000, info.sampleRate);
    EXPECT_EQ(2, info.channels);
    EXPECT_EQ(96000, info.bitRate);
    EXPECT_EQ("Song", ffprobeStreamTags(out + "/song.ogg")["title"]);

    printed = cli("info --reader ogg " + shellQuote(out + "/song.ogg"), status);
    ASSERT_EQ(0, status) << printed;
    EXPECT_NE(std::string::npos, printed.find("reader ogg")) << printed;
    EXPECT_NE(std::string::npos, printed.find("32000")) << printed;
}

TEST_F(CliConvertTest, Mp3OutputWithExplicitSettingsAndTags)
{
    const std::string source = input("song.wav", "-r 48000 -c 2 -b 16", "3 sine 440 sine 1500 vol 0.3");
    const std::string out = dir.file("out");
    int status = -1;
    const std::string printed =
        cli("convert --format mp3 --output-dir " + shellQuote(out) +
                " --set AutoDestMP3EncodingParam=0 --set MP3SampleRate=32000 --set MP3BitRate=96 "
                "--set MP3ChannelMode=1 --set MP3ID3TagType=0 --set MP3WriteID3Version=2 " + shellQuote(source),
            status);
    ASSERT_EQ(0, status) << printed;
    EXPECT_EQ(source + "\tsong.mp3\n", printed);
    FfprobeInfo info = ffprobeInfo(out + "/song.mp3");
    EXPECT_EQ(32000, info.sampleRate);
    EXPECT_EQ(2, info.channels);
    EXPECT_EQ(96000, info.bitRate);
    EXPECT_GE(info.frames * 1152, 3 * 32000 + 576);
    EXPECT_LE(info.frames * 1152, 3 * 32000 + 576 + 2 * 1152);
    EXPECT_EQ("song", info.tags["title"]);
}

TEST_F(CliConvertTest, AacAndMpeg4Outputs)
{
    const std::string source = input("song.wav", "-r 32000 -c 1 -b 16", "1 sine 440 vol 0.3");
    const std::string out = dir.file("out");
    for (const std::string format : {"aac", "m4a", "mp4", "m4b"}) {
        SCOPED_TRACE(format);
        int status = -1;
        const std::string printed = cli("convert --format " + format + " --output-dir " + shellQuote(out) +
                                            " --set M4AID3TagType=0 " + shellQuote(source),
                                        status);
        ASSERT_EQ(0, status) << printed;
        EXPECT_EQ(source + "\tsong." + format + "\n", printed);
        auto probe = probeAudio(out + "/song." + format);
        EXPECT_EQ("aac", probe["stream.codec_name"]);
        EXPECT_EQ("32000", probe["stream.sample_rate"]);
        EXPECT_EQ(format == "aac" ? "" : "song", probe["tag.title"]) << "no tags in ADTS";
    }
}

TEST_F(CliConvertTest, InterruptCancelsAndLeavesNoPartialOutput)
{
    // The interrupt is sent when the progress of the second file appears on
    // the terminal; that file is long enough (half an hour, resampled) to be
    // still running then on any machine. One after the other, the first
    // (short) file is done by then; side by side, both are running.
    const std::string shortFile = input("first.wav", "-r 8000 -c 1 -b 16", "0.5 sine 440");
    const std::string longFile = input("second.wav", "-r 8000 -c 1 -b 16", "1800 sine 440");
    const std::string longToo = dir.file("second-too.wav");
    fs::copy_file(longFile, longToo);
    const struct {
        const char* jobs;
        std::string first;
        const char* trigger;
        std::string printed;
        std::vector<std::string> left;
    } cases[] = {
        {"1", shortFile, "Converting 2 of 2", shortFile + "\tfirst.wav\n" + longFile + "\tCancelled\n", {"first.wav"}},
        {"2", longToo, "Converting second.wav...", longToo + "\tCancelled\n" + longFile + "\tCancelled\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("--jobs ") + c.jobs);
        const std::string out = dir.file(std::string("out") + c.jobs);
        const TerminalRun run = runOnTerminal(
            "cd " + shellQuote(dir.path()) + " && exec env SONIVERT_SETTINGS=" + shellQuote(dir.file("settings.ini")) +
                " " + SONIVERT_CLI + " convert --format wav --jobs " + c.jobs + " --output-dir " + shellQuote(out) +
                " --set AutoDestWAVEncodingParam=0 --set WAVSampleRate=48000 " + shellQuote(c.first) + " " +
                shellQuote(longFile),
            c.trigger, SIGINT);
        ASSERT_TRUE(run.triggered) << run.terminal;
        EXPECT_EQ(c.printed, run.output);
        EXPECT_EQ(1, run.exitStatus);
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(out))
            left.push_back(entry.path().filename().string());
        EXPECT_EQ(c.left, left) << "partial output left behind";
    }
}

} // namespace
} // namespace sonivert::test
