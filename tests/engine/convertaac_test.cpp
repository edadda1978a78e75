// The ADTS and MPEG-4 conversion routines on real files, checked with
// ffprobe, ffmpeg's decoder and the tests' own ADTS and box readers: the
// source's PCM passed through unchanged (8-bit widening, amplification at
// the source width), the explicit settings, tags by M4AID3TagType, the
// three MPEG-4 names giving one file, and failures that leave no target.

#include "engine/conversionjob.h"
#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "settings/conversionsettings.h"
#include "tests/support/aacprobe.h"
#include "tests/support/fakes.h"
#include "tests/support/mp4boxes.h"
#include "tests/support/testsupport.h"
#include "tests/support/wavbuilder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

class ConvertAacTest : public testing::Test {
protected:
    std::string tone(const std::string& name, const std::string& format, const std::string& synth)
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand("sox -R -n " + format + " " + shellQuote(path) + " synth " + synth));
        return path;
    }
    // Mono 8-bit 22050 Hz: half a second of 0x80, then half a second of
    // 440 Hz at the given level.
    std::string silenceThenTone8(const std::string& name, double level)
    {
        Bytes data;
        for (int i = 0; i < 11025; ++i)
            data.u8(0x80);
        for (int i = 0; i < 11025; ++i)
            data.u8(static_cast<uint8_t>(128 + std::lround(127 * level * std::sin(2 * std::numbers::pi * 440 * i / 22050))));
        const std::string path = dir.file(name);
        writeFileBytes(path, RiffBuilder().chunk("fmt ", fmtBody(1, 1, 22050, 8)).chunk("data", data).build());
        return path;
    }
    Outcome toAac(const std::string& source, const std::string& target, InputTypeCode code = kInputWav)
    {
        return routines.convertToAac(code, source, target, progress);
    }
    Outcome toMp4(const std::string& source, const std::string& target, InputTypeCode code = kInputWav, int32_t n = 1)
    {
        return routines.convertToMp4(code, source, target, progress, n);
    }
    // Bit rate of an ADTS file from its size and the input's duration.
    double kbps(const std::string& path, double seconds) { return fs::file_size(path) * 8 / seconds / 1000; }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    ConversionSettings settings{std::nullopt};
    ConversionRoutines routines{engine, settings};
    RecordingConversionProgress progress;
};

TEST_F(ConvertAacTest, EightBitMonoKeepsRateAndChannelsAndSilenceStaysSilent)
{
    settings.M4AID3TagType = kTagSourceNone;
    const std::string plain = silenceThenTone8("plain.wav", 0.5);
    const std::string adts = dir.file("out.aac");
    ASSERT_TRUE(toAac(plain, adts));
    auto probe = probeAudio(adts);
    EXPECT_EQ("22050", probe["stream.sample_rate"]);
    EXPECT_EQ("1", probe["stream.channels"]);
    EXPECT_EQ("LC", probe["stream.profile"]);
    DecodedAudio decoded = ffmpegDecode(adts, 1);
    ASSERT_TRUE(decoded.clean);
    // 0x80 becomes 0: the silent half decodes to zeros (up to the transform
    // window before the tone, where its coding noise may reach).
    EXPECT_EQ(0.0, peakOf(decoded.samples, 1, 0, 0, 1024 + 8000));
    EXPECT_NEAR(0.5, peakOf(decoded.samples, 1, 0, 1024 + 12000, 1024 + 22000), 0.05);
    EXPECT_EQ("Converting plain.wav...100%", progress.fileTexts.back());

    // Amplified at the source width: a quarter-scale tone doubled.
    settings.AmplifyM4A = 1;
    settings.AmplifyM4ACoef = 200;
    const std::string quiet = silenceThenTone8("quiet.wav", 0.25);
    const std::string m4a = dir.file("out.m4a");
    ASSERT_TRUE(toMp4(quiet, m4a));
    probe = probeAudio(m4a);
    EXPECT_EQ("22050", probe["stream.sample_rate"]);
    EXPECT_EQ("1", probe["stream.channels"]);
    EXPECT_NEAR(1.0, std::stod(probe["stream.duration"]), 1024.0 / 22050);
    decoded = ffmpegDecode(m4a, 1);
    ASSERT_TRUE(decoded.clean);
    EXPECT_EQ(0.0, peakOf(decoded.samples, 1, 0, 0, 8000));
    EXPECT_NEAR(0.5, peakOf(decoded.samples, 1, 0, 12000, 21000), 0.05);
}

TEST_F(ConvertAacTest, ExplicitSettings)
{
    const std::string stereo = tone("stereo.wav", "-r 44100 -c 2 -b 16", "4 pinknoise vol 0.5");
    const std::string mono = tone("mono.wav", "-r 44100 -c 1 -b 16", "4 pinknoise vol 0.5");

    // ABR 128 kbit/s is 64000 bit/s per channel for stereo and 128000 for
    // mono: about 128 kbit/s in total either way.
    settings.AutoDestAACEncodingParam = 0;
    settings.AACVBR = 0;
    settings.AACABRBitRate = 128;
    ASSERT_TRUE(toAac(stereo, dir.file("abr2.aac")));
    ASSERT_TRUE(toAac(mono, dir.file("abr1.aac")));
    EXPECT_NEAR(128, kbps(dir.file("abr2.aac"), 4), 25);
    EXPECT_NEAR(128, kbps(dir.file("abr1.aac"), 4), 25);

    // A stored quality outside 10..500 keeps the default quality: the same
    // stream as the automatic settings (whose other fields it repeats here).
    settings.AutoDestAACEncodingParam = 1;
    ASSERT_TRUE(toAac(stereo, dir.file("auto.aac")));
    settings.AutoDestAACEncodingParam = 0;
    settings.AACVBR = 1;
    settings.AACVBRQuality = 600;
    ASSERT_TRUE(toAac(stereo, dir.file("q600.aac")));
    EXPECT_EQ(readFileBytes(dir.file("auto.aac")), readFileBytes(dir.file("q600.aac")));
    settings.AACVBRQuality = 300;
    ASSERT_TRUE(toAac(stereo, dir.file("q300.aac")));
    EXPECT_GT(fs::file_size(dir.file("q300.aac")), fs::file_size(dir.file("auto.aac")) * 3 / 2);

    // The MPEG version reaches every ADTS header; MPEG-4 files ignore the AAC page.
    settings.AACMpegVersion = 1;
    ASSERT_TRUE(toAac(mono, dir.file("mpeg2.aac")));
    const AdtsScan scan = scanAdts(readFileBytes(dir.file("mpeg2.aac")));
    ASSERT_TRUE(scan.wellFormed);
    EXPECT_EQ(std::vector<int>(static_cast<size_t>(scan.frames), 1), scan.ids);
    EXPECT_TRUE(ffmpegDecode(dir.file("mpeg2.aac"), 1).clean);

    // A block type the encoder does not know is refused and leaves no file.
    settings.AACBlockType = 5;
    EXPECT_FALSE(toAac(mono, dir.file("refused.aac")));
    EXPECT_FALSE(fs::exists(dir.file("refused.aac")));
    settings.AutoDestM4AEncodingParam = 0;
    settings.M4ABlockType = 5;
    EXPECT_FALSE(toMp4(mono, dir.file("refused.m4a")));
    EXPECT_FALSE(fs::exists(dir.file("refused.m4a")));
}

class NullRows final : public RowStatusSink {
public:
    void makeRowVisible(int32_t) override {}
    void setRowStatus(int32_t row, const std::string& text) override { status[row] = text; }
    void widenStatusColumn(int32_t) override {}
    std::map<int32_t, std::string> status;
};

TEST_F(ConvertAacTest, M4aMp4AndM4bAreTheSameFileUnderThreeNames)
{
    const std::string source = tone("song.wav", "-r 48000 -c 2 -b 16", "1.5 sine 440 sine 1000");
    settings.M4AID3TagType = kTagSourceDefaults;
    settings.M4ATag.Artist = "Artist";
    settings.M4ATag.Copyright = "Copyright";
    settings.M4ATag.TrackNumType = 1;
    std::vector<std::vector<uint8_t>> outputs;
    for (OutputFormatCode format : {kOutputM4a, kOutputMp4, kOutputM4b}) {
        ASSERT_TRUE(ConversionRoutines::formatAvailable(format));
        std::vector<BatchRow> rows = {{0, kInputWav, source, ""}};
        RecordingProgressHost host;
        NullRows sink;
        BatchPreconditions preconditions;
        ConversionJob job(engine, host, sink, preconditions);
        BatchOptions options;
        options.format = format;
        options.targetRules.folderMode = kFolderCustom;
        options.targetRules.customFolder = dir.file("out");
        job.run(rows, options, routines.routineFor(format, &job));
        const std::string name = "song" + std::string(outputFormatInfo(format)->extension);
        EXPECT_EQ(name, sink.status[0]);
        outputs.push_back(readFileBytes(dir.file("out/" + name)));
    }
    ASSERT_FALSE(outputs[0].empty());
    EXPECT_EQ(outputs[0], outputs[1]);
    EXPECT_EQ(outputs[0], outputs[2]);

    const std::string m4b = dir.file("out/song.m4b");
    auto probe = probeAudio(m4b);
    EXPECT_EQ("48000", probe["stream.sample_rate"]);
    EXPECT_EQ("2", probe["stream.channels"]);
    EXPECT_NEAR(1.5, std::stod(probe["stream.duration"]), 1024.0 / 48000);
    EXPECT_EQ("song", probe["tag.title"]);
    EXPECT_EQ("Artist", probe["tag.artist"]);
    EXPECT_EQ("1", probe["tag.track"]);
    EXPECT_EQ(0u, probe.count("tag.copyright"));
    EXPECT_TRUE(ffmpegDecode(m4b, 2).clean);
}

TEST_F(ConvertAacTest, TagsByTagSource)
{
    const std::string tags = "-metadata title=Ti -metadata artist=Ar -metadata album=Al -metadata date=2003 "
                             "-metadata genre=Jazz -metadata comment=Cm -metadata composer=Co -metadata track=6";
    const std::string m4a = dir.file("in.m4a");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -f lavfi -i sine=d=0.5 -c:a aac " + tags + " " + shellQuote(m4a)));

    settings.M4AID3TagType = kTagSourceCopy;
    ASSERT_TRUE(toMp4(m4a, dir.file("copy.m4a"), kInputMp4Audio));
    auto probe = probeAudio(dir.file("copy.m4a"));
    const std::map<std::string, std::string> expected = {
        {"tag.title", "Ti"},   {"tag.artist", "Ar"},   {"tag.album", "Al"},    {"tag.date", "2003"},
        {"tag.genre", "Jazz"}, {"tag.comment", "Cm"},  {"tag.composer", "Co"}, {"tag.track", "6"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(value, probe[key]) << key;

    // Defaults with TrackNumType 0: no track item, and the copyright is never written.
    settings.M4AID3TagType = kTagSourceDefaults;
    settings.M4ATag.TitleAsFileName = 0;
    settings.M4ATag.Title = "Default";
    settings.M4ATag.Copyright = "Copyright";
    settings.M4ATag.TrackNumType = 0;
    settings.M4ATag.CustomTrackNum = 9;
    ASSERT_TRUE(toMp4(m4a, dir.file("defaults.m4a"), kInputMp4Audio, 4));
    probe = probeAudio(dir.file("defaults.m4a"));
    EXPECT_EQ("Default", probe["tag.title"]);
    EXPECT_EQ(0u, probe.count("tag.track"));
    EXPECT_EQ(0u, probe.count("tag.copyright"));

    settings.M4AID3TagType = kTagSourceNone;
    ASSERT_TRUE(toMp4(m4a, dir.file("none.m4a"), kInputMp4Audio));
    probe = probeAudio(dir.file("none.m4a"));
    for (const auto& [key, value] : expected)
        EXPECT_EQ(0u, probe.count(key)) << key;
}

TEST_F(ConvertAacTest, FailuresLeaveNoTarget)
{
    const std::string source = tone("in.wav", "-r 44100 -c 2 -b 16", "3 sine 440");
    progress.cancelAfterPumps = 3;
    EXPECT_FALSE(toAac(source, dir.file("cancel.aac")));
    EXPECT_FALSE(toMp4(source, dir.file("cancel.m4a")));
    EXPECT_FALSE(fs::exists(dir.file("cancel.aac")));
    EXPECT_FALSE(fs::exists(dir.file("cancel.m4a")));
    progress.cancelAfterPumps = 0;

    // AAC has no sampling frequency index for 6000 Hz; the source's rate is kept, so the file fails.
    const std::string odd = tone("odd.wav", "-r 6000 -c 1 -b 16", "0.5 sine 440");
    EXPECT_FALSE(toAac(odd, dir.file("odd.aac")));
    EXPECT_FALSE(toMp4(odd, dir.file("odd.m4a")));
    EXPECT_FALSE(fs::exists(dir.file("odd.aac")));
    EXPECT_FALSE(fs::exists(dir.file("odd.m4a")));

    EXPECT_FALSE(toAac(dir.file("missing.wav"), dir.file("missing.aac")));
    const std::vector<uint8_t> original = readFileBytes(source);
    EXPECT_FALSE(toMp4(source, source));
    EXPECT_EQ(original, readFileBytes(source));
}

} // namespace
} // namespace sonivert::test
