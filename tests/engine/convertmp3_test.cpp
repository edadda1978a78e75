// The MP3 conversion routine on real files, checked with ffprobe, ffmpeg's
// decoder and sox: automatic and explicit parameters, 8-bit widening before
// amplification, the picked channel of a mono output, the tags by each tag
// source, Cancel, and track numbers that count every file of a run.

#include "engine/conversionjob.h"
#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/ffprobeinfo.h"
#include "tests/support/soxprobe.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

class ConvertMp3Test : public testing::Test {
protected:
    std::string tone(const std::string& name, const std::string& format, const std::string& synth)
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand("sox -R -n " + format + " " + shellQuote(path) + " synth " + synth));
        return path;
    }
    Outcome convert(const std::string& source, const std::string& target, InputTypeCode code = kInputWav)
    {
        return routines.convertToMp3(code, source, target, progress, 1);
    }
    // The MP3 decoded by ffmpeg into a WAV file that sox can measure.
    std::string decoded(const std::string& mp3)
    {
        const std::string wav = mp3 + ".wav";
        EXPECT_EQ(0, runCommand("ffmpeg -v error -y -i " + shellQuote(mp3) + " " + shellQuote(wav)));
        return wav;
    }
    void explicitParameters(int rate, int kbps, int mode, int monoType = 0)
    {
        settings.AutoDestMP3EncodingParam = 0;
        settings.MP3SampleRate = rate;
        settings.MP3BitRate = kbps;
        settings.MP3ChannelMode = mode;
        settings.MonoType = monoType;
    }
    // Decoded length in samples at the output rate lies between the source's
    // length plus the library's delay and that plus its end padding.
    void expectLength(const FfprobeInfo& info, double seconds)
    {
        const long long expected = static_cast<long long>(seconds * info.sampleRate);
        const long long decodedSamples = info.frames * mp3FrameSamples(info.sampleRate);
        EXPECT_GE(decodedSamples, expected + 576);
        EXPECT_LE(decodedSamples, expected + 576 + 2 * mp3FrameSamples(info.sampleRate));
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    ConversionSettings settings{std::nullopt};
    ConversionRoutines routines{engine, settings};
    RecordingConversionProgress progress;
};

TEST_F(ConvertMp3Test, AutomaticParametersFromTheSource)
{
    const struct {
        const char* name;
        const char* format;
        int rate, channels;
        long long bitRate;
    } cases[] = {
        {"6000 Hz mono", "-r 6000 -c 1 -b 16", 11025, 1, 24000},
        {"44100 Hz stereo", "-r 44100 -c 2 -b 16", 44100, 2, 128000},
        {"96000 Hz stereo", "-r 96000 -c 2 -b 16", 48000, 2, 192000},
    };
    settings.MP3ID3TagType = kTagSourceNone;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = tone("in" + std::to_string(n) + ".wav", c.format, "2 sine 440");
        const std::string target = dir.file("out" + std::to_string(n++) + ".mp3");
        ASSERT_TRUE(convert(source, target));
        const FfprobeInfo info = ffprobeInfo(target);
        EXPECT_EQ(c.rate, info.sampleRate);
        EXPECT_EQ(c.channels, info.channels);
        EXPECT_EQ(c.bitRate, info.bitRate);
        expectLength(info, 2.0);
        EXPECT_EQ("Converting " + fs::path(source).filename().string() + "...100%", progress.fileTexts.back());
    }
}

TEST_F(ConvertMp3Test, ExplicitParametersWithTheirLimits)
{
    const std::string source = tone("in.wav", "-r 44100 -c 2 -b 16", "2 sine 440 sine 1500 vol 0.5");
    const struct {
        const char* name;
        int rateSetting, kbpsSetting, mode, monoType;
        int rate, channels;
        long long bitRate;
        double frequency; // of the decoded first channel
    } cases[] = {
        {"22050 Hz caps 320 at 160", 22050, 320, 1, 0, 22050, 2, 160000, 440},
        {"11000 Hz snaps to 11025, 128 capped at 64", 11000, 128, 0, 0, 11025, 2, 64000, 440},
        {"44100 Hz raises 8 to 32", 44100, 8, 1, 0, 44100, 2, 32000, 440},
        {"bit rate 0 on WAV: 22050 Hz mono gives 48", 22050, 0, 3, 0, 22050, 1, 48000, 0},
        {"mono with MonoType 2 keeps the right channel", 44100, 128, 3, 2, 44100, 1, 128000, 1500},
        {"mono with MonoType 1 keeps the left channel", 44100, 128, 3, 1, 44100, 1, 128000, 440},
    };
    settings.MP3ID3TagType = kTagSourceNone;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        explicitParameters(c.rateSetting, c.kbpsSetting, c.mode, c.monoType);
        const std::string target = dir.file("out" + std::to_string(n++) + ".mp3");
        ASSERT_TRUE(convert(source, target));
        const FfprobeInfo info = ffprobeInfo(target);
        EXPECT_EQ(c.rate, info.sampleRate);
        EXPECT_EQ(c.channels, info.channels);
        EXPECT_EQ(c.bitRate, info.bitRate);
        expectLength(info, 2.0);
        if (c.frequency > 0) {
            const SoxStat stat = soxStat(decoded(target), 1);
            EXPECT_NEAR(c.frequency, stat.roughFrequency, c.frequency * 0.05);
            EXPECT_NEAR(0.5, stat.maximumAmplitude, 0.06);
        }
    }
}

TEST_F(ConvertMp3Test, EightBitSourcesAreWidenedBeforeAmplification)
{
    const std::string source = tone("in.wav", "-r 22050 -c 1 -b 8 -e unsigned", "2 sine 440 vol 0.25");
    settings.MP3ID3TagType = kTagSourceNone;
    settings.AmplifyMp3 = 1;
    settings.AmplifyMp3Coeff = 200;
    const std::string target = dir.file("out.mp3");
    ASSERT_TRUE(convert(source, target));
    const FfprobeInfo info = ffprobeInfo(target);
    EXPECT_EQ(22050, info.sampleRate);
    EXPECT_EQ(1, info.channels);
    EXPECT_EQ(48000, info.bitRate);
    // (u - 128) x 256, then doubled: a quarter of full scale comes out as a half.
    const SoxStat stat = soxStat(decoded(target));
    EXPECT_NEAR(0.5, stat.maximumAmplitude, 0.05);
    EXPECT_NEAR(440, stat.roughFrequency, 20);
}

TEST_F(ConvertMp3Test, TagDefaultsWithBothVersions)
{
    const std::string source = tone("a.b.c.wav", "-r 44100 -c 2 -b 16", "1 sine 440");
    settings.MP3ID3TagType = kTagSourceDefaults;
    settings.MP3WriteID3Version = 2;
    TagDefaults& d = settings.MP3Tag;
    d.TitleAsFileName = 1;
    d.Artist = "Art\xC3\xA9";
    d.Album = "Album";
    d.Year = "1987";
    d.Genre = "rock";
    d.Comment = "Comment";
    d.Composer = "Composer";
    d.Copyright = "Copyright";
    d.TrackNumType = 2;
    d.CustomTrackNum = 259;
    const std::string target = dir.file("out.mp3");
    ASSERT_TRUE(convert(source, target));

    const std::vector<uint8_t> bytes = readFileBytes(target);
    ASSERT_GT(bytes.size(), 300u);
    EXPECT_EQ("ID3", std::string(bytes.begin(), bytes.begin() + 3));
    EXPECT_EQ("TAG", std::string(bytes.end() - 128, bytes.end() - 125));
    EXPECT_EQ(17, bytes.back());         // ID3v1 genre number of "rock"
    EXPECT_EQ(3, bytes[bytes.size() - 2]); // ID3v1.1 track, 259 modulo 256

    FfprobeInfo info = ffprobeInfo(target);
    const std::map<std::string, std::string> expected = {
        {"title", "a.b.c"},  {"artist", "Art\xC3\xA9"}, {"album", "Album"},        {"date", "1987"},
        {"genre", "rock"},   {"comment", "Comment"},    {"track", "3"},            {"composer", "Composer"},
        {"copyright", "Copyright"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(value, info.tags[key]) << key;
}

TEST_F(ConvertMp3Test, TagsOfTheSourceOrNone)
{
    const std::string tags = "-metadata title=Ti -metadata artist=Ar -metadata album=Al -metadata date=2003 "
                             "-metadata genre=Jazz -metadata comment=Cm -metadata composer=Co -metadata track=6";
    const std::string flac = dir.file("in.flac"), m4a = dir.file("in.m4a");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -f lavfi -i sine=d=1 " + tags + " " + shellQuote(flac)));
    ASSERT_EQ(0, runCommand("ffmpeg -v error -f lavfi -i sine=d=1 -c:a aac " + tags + " " + shellQuote(m4a)));
    settings.MP3ID3TagType = kTagSourceCopy;
    settings.MP3WriteID3Version = 1;

    const std::string fromFlac = dir.file("flac.mp3");
    ASSERT_TRUE(convert(flac, fromFlac, kInputFlac));
    FfprobeInfo info = ffprobeInfo(fromFlac);
    EXPECT_EQ("Ti", info.tags["title"]);
    EXPECT_EQ("Jazz", info.tags["genre"]);
    EXPECT_EQ("6", info.tags["track"]);
    const std::vector<uint8_t> flacBytes = readFileBytes(fromFlac);
    EXPECT_EQ("ID3", std::string(flacBytes.begin(), flacBytes.begin() + 3));
    EXPECT_NE("TAG", std::string(flacBytes.end() - 128, flacBytes.end() - 125)); // version 1 only was asked for

    // The MPEG-4 reader supplies what the container reader does not: the composer.
    const std::string fromM4a = dir.file("m4a.mp3");
    ASSERT_TRUE(convert(m4a, fromM4a, kInputMp4Audio));
    info = ffprobeInfo(fromM4a);
    EXPECT_EQ("Ti", info.tags["title"]);
    EXPECT_EQ("Co", info.tags["composer"]);
    EXPECT_EQ("6", info.tags["track"]);

    settings.MP3ID3TagType = kTagSourceNone;
    const std::string untagged = dir.file("none.mp3");
    ASSERT_TRUE(convert(flac, untagged, kInputFlac));
    const std::vector<uint8_t> bytes = readFileBytes(untagged);
    EXPECT_EQ(0xFF, bytes[0]); // the first frame header, no ID3v2 in front
    EXPECT_NE("TAG", std::string(bytes.end() - 128, bytes.end() - 125));
    EXPECT_TRUE(ffprobeInfo(untagged).tags.empty());
}

TEST_F(ConvertMp3Test, Mp3FromMp3CopiesTheSourcesId3BlocksByteForByte)
{
    const std::string wav = tone("in.wav", "-r 44100 -c 2 -b 16", "1 sine 440");
    const std::string mp3 = dir.file("in.mp3");
    ASSERT_EQ(0, runCommand("lame --quiet -b 128 --add-id3v2 --tt Song --ta Band --ty 1999 --tc Note " +
                            shellQuote(wav) + " " + shellQuote(mp3)));
    const std::vector<uint8_t> in = readFileBytes(mp3);
    ASSERT_EQ("ID3", std::string(in.begin(), in.begin() + 3));
    const size_t v2Length = 10 + ((in[6] & 0x7F) << 21 | (in[7] & 0x7F) << 14 | (in[8] & 0x7F) << 7 | (in[9] & 0x7F));
    ASSERT_EQ("TAG", std::string(in.end() - 128, in.end() - 125));

    settings.MP3ID3TagType = kTagSourceCopy;
    settings.MP3WriteID3Version = 0; // not asked: the source's blocks go out as they are
    const std::string target = dir.file("out.mp3");
    ASSERT_TRUE(convert(mp3, target, kInputMp3));
    const std::vector<uint8_t> out = readFileBytes(target);
    ASSERT_GT(out.size(), v2Length + 128);
    EXPECT_TRUE(std::equal(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(v2Length), out.begin()));
    EXPECT_TRUE(std::equal(in.end() - 128, in.end(), out.end() - 128));
    EXPECT_EQ(0xFF, out[v2Length]); // audio follows the copied block
}

TEST_F(ConvertMp3Test, CancelAndUnreadableSourcesLeaveNoTarget)
{
    const std::string source = tone("in.wav", "-r 44100 -c 2 -b 16", "5 sine 440");
    const std::string target = dir.file("out.mp3");
    progress.cancelAfterPumps = 3;
    EXPECT_FALSE(convert(source, target));
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(fs::exists(source));

    EXPECT_FALSE(convert(dir.file("missing.wav"), target));
    EXPECT_FALSE(fs::exists(target));
    // A target that is the source is never opened for writing.
    const std::vector<uint8_t> original = readFileBytes(source);
    EXPECT_FALSE(convert(source, source));
    EXPECT_EQ(original, readFileBytes(source));
}

class NullRows final : public RowStatusSink {
public:
    void makeRowVisible(int32_t) override {}
    void setRowStatus(int32_t row, const std::string& text) override { status[row] = text; }
    void widenStatusColumn(int32_t) override {}
    std::map<int32_t, std::string> status;
};

TEST_F(ConvertMp3Test, RunningNumbersCountEveryAttemptedFile)
{
    std::vector<BatchRow> rows = {
        {0, kInputWav, tone("one.wav", "-r 8000 -c 1 -b 16", "0.5 sine 440"), ""},
        {1, kInputWav, dir.file("missing.wav"), ""},
        {2, kInputWav, tone("three.wav", "-r 8000 -c 1 -b 16", "0.5 sine 440"), ""},
    };
    settings.MP3ID3TagType = kTagSourceDefaults;
    settings.MP3Tag.TrackNumType = 1;
    RecordingProgressHost host;
    NullRows sink;
    BatchPreconditions preconditions;
    ConversionJob job(engine, host, sink, preconditions);
    BatchOptions options;
    options.format = kOutputMp3;
    options.targetRules.folderMode = kFolderCustom;
    options.targetRules.customFolder = dir.file("out");
    job.run(rows, options, routines.routineFor(kOutputMp3, &job));

    EXPECT_EQ("one.mp3", sink.status[0]);
    EXPECT_NE(std::string::npos, sink.status[1].find("Conversion Failure"));
    EXPECT_EQ("three.mp3", sink.status[2]);
    EXPECT_EQ("1", ffprobeInfo(dir.file("out/one.mp3")).tags["track"]);
    EXPECT_EQ("3", ffprobeInfo(dir.file("out/three.mp3")).tags["track"]);
}

} // namespace
} // namespace sonivert::test
