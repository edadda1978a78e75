// Windows Media output and input through the run-time module, checked with
// ffprobe and ffmpeg: the automatic and explicit parameters, the picked
// channel, 8-bit input, tags in and out, and what happens with the module
// hidden (the prompt, no batch, the other readers for ".wma" inputs).

#include "engine/conversionjob.h"
#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "encoders/wmaformatlist.h"
#include "settings/conversionsettings.h"
#include "sources/wmaruntime.h"
#include "tests/support/fakes.h"
#include "tests/support/ffprobeinfo.h"
#include "tests/support/testsupport.h"
#include "tests/support/wmaruntimesupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

// What ffprobe says of the first audio stream and the container.
struct Probe {
    std::string codec;
    double duration = 0;
    FfprobeInfo info;
};

Probe probe(const std::string& path)
{
    Probe p;
    int status = 0;
    p.codec = captureCommand("ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 " +
                                 shellQuote(path),
                             status);
    while (!p.codec.empty() && (p.codec.back() == '\n' || p.codec.back() == '\r'))
        p.codec.pop_back();
    const std::string duration =
        captureCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 " + shellQuote(path), status);
    if (status == 0 && !duration.empty())
        p.duration = std::stod(duration);
    p.info = ffprobeInfo(path);
    return p;
}

// Root mean square of one channel as ffmpeg decodes it, full scale 1.
double rms(const std::string& path, int channel)
{
    const std::string raw = path + ".raw";
    EXPECT_EQ(0, runCommand("ffmpeg -v error -y -i " + shellQuote(path) + " -af " +
                            shellQuote("pan=mono|c0=c" + std::to_string(channel)) + " -f s16le " + shellQuote(raw)));
    const std::vector<int16_t> samples = readRawS16(raw);
    double sum = 0;
    for (int16_t v : samples)
        sum += static_cast<double>(v) * v;
    return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size())) / 32768.0;
}

class ConvertWmaTest : public testing::Test {
protected:
    void SetUp() override
    {
        useBuiltWmaRuntime();
        settings.WMAID3TagType = kTagSourceNone;
    }
    // A WAV made by ffmpeg from a lavfi source.
    std::string wav(const std::string& name, const std::string& source, const std::string& options)
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand("ffmpeg -v error -y -f lavfi -i " + shellQuote(source) + " " + options + " " +
                                shellQuote(path)));
        return path;
    }
    Outcome convert(const std::string& source, const std::string& target, InputTypeCode code = kInputWav)
    {
        // As the batch does before a WMA run: the run-time and its formats.
        if (!engine.windowsMediaReady())
            return false;
        return routines.convertToWma(code, source, target, progress, 3);
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    ConversionSettings settings{std::nullopt};
    ConversionRoutines routines{engine, settings};
    RecordingConversionProgress progress;
};

TEST_F(ConvertWmaTest, AutomaticMonoSourceGetsTheTableFormatAndTheDefaultTags)
{
    const std::string source = wav("voice.wav", "sine=f=440:r=22050:d=4", "-ac 1 -c:a pcm_s16le");
    settings.WMAID3TagType = kTagSourceDefaults;
    TagDefaults& t = settings.WMATag;
    t.TitleAsFileName = 0;
    t.Title = "Tïtle";
    t.Artist = "Artist";
    t.Album = "Album";
    t.Genre = "Genre";
    t.Year = "1999";
    t.Comment = "Comment";
    t.Composer = "Composer";
    t.Copyright = "Copyright";
    t.TrackNumType = 1; // the running number: 3
    const std::string target = dir.file("voice.wma");
    ASSERT_TRUE(convert(source, target));

    Probe p = probe(target);
    EXPECT_EQ("wmav2", p.codec);
    EXPECT_EQ(44100, p.info.sampleRate);
    EXPECT_EQ(1, p.info.channels);
    EXPECT_EQ(48000, p.info.bitRate);
    EXPECT_NEAR(4.0, p.duration, 0.04);
    const std::map<std::string, std::string> expected = {
        {"title", "Tïtle"},     {"artist", "Artist"},   {"album", "Album"},     {"genre", "Genre"},
        {"wm/year", "1999"},    {"comment", "Comment"}, {"composer", "Composer"}, {"copyright", "Copyright"},
        {"track", "3"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(value, p.info.tags[key]) << key;
    EXPECT_EQ("Converting voice.wav...100%", progress.fileTexts.back());
}

TEST_F(ConvertWmaTest, ExplicitMonoOutputCarriesOnlyThePickedChannel)
{
    // Silence on the left, a loud tone on the right.
    const std::string source =
        wav("sides.wav", "aevalsrc=0|0.8*sin(2*PI*1000*t):s=44100:d=3", "-c:a pcm_s16le");
    settings.AutoDestWMAEncodingParam = 0;
    settings.WMASampleRate = 32000;
    settings.WMABitRate = 64000;
    settings.WMAChannels = 1;
    for (const auto& [monoType, loud] : {std::pair{2, true}, std::pair{1, false}, std::pair{0, true}}) {
        SCOPED_TRACE(monoType);
        settings.MonoType = monoType;
        const std::string target = dir.file("mono" + std::to_string(monoType) + ".wma");
        ASSERT_TRUE(convert(source, target));
        Probe p = probe(target);
        EXPECT_EQ(32000, p.info.sampleRate);
        EXPECT_EQ(1, p.info.channels);
        EXPECT_EQ(64000, p.info.bitRate);
        EXPECT_NEAR(3.0, p.duration, 0.03);
        const double level = rms(target, 0);
        if (loud) {
            EXPECT_GT(level, monoType == 0 ? 0.2 : 0.4); // the mix halves the tone
        } else {
            EXPECT_LT(level, 0.01);
        }
    }
}

TEST_F(ConvertWmaTest, EightBitStereoSourceIsWrittenAtTheRequestedRate)
{
    const std::string source = wav("byte.wav", "sine=f=300:r=11025:d=5", "-ac 2 -c:a pcm_u8");
    settings.AutoDestWMAEncodingParam = 0;
    settings.WMASampleRate = 48000;
    settings.WMABitRate = 128000;
    settings.WMAChannels = 2;
    settings.AmplifyWMA = 1;
    settings.AmplifyWMACoeff = 50;
    const std::string target = dir.file("byte.wma");
    ASSERT_TRUE(convert(source, target));
    Probe p = probe(target);
    EXPECT_EQ("wmav2", p.codec);
    EXPECT_EQ(48000, p.info.sampleRate);
    EXPECT_EQ(2, p.info.channels);
    EXPECT_EQ(128000, p.info.bitRate);
    EXPECT_NEAR(5.0, p.duration, 0.05);
    // Amplification by 50% halves the level (8-bit steps allow a little more).
    const double sourceLevel = rms(source, 1);
    EXPECT_NEAR(0.5, rms(target, 1) / sourceLevel, 0.05);
}

TEST_F(ConvertWmaTest, WindowsMediaSourceTagsAreCopiedToTheOutput)
{
    const std::string source = dir.file("tagged.wma");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -y -f lavfi -i sine=f=500:r=44100:d=3 -ac 2 -c:a wmav2 -b:a 128k "
                            "-metadata title=Song -metadata artist=Band -metadata album=Record -metadata genre=Pop "
                            "-metadata WM/Year=2004 -metadata track=7 -metadata comment=Fine "
                            "-metadata composer=Writer -metadata copyright=Owner " +
                            shellQuote(source)));
    settings.WMAID3TagType = kTagSourceCopy;
    const std::string target = dir.file("copy.wma");
    ASSERT_TRUE(convert(source, target, kInputWindowsMedia));
    Probe p = probe(target);
    EXPECT_EQ(44100, p.info.sampleRate);
    EXPECT_EQ(2, p.info.channels);
    EXPECT_EQ(128000, p.info.bitRate);
    EXPECT_NEAR(3.0, p.duration, 0.05);
    const std::map<std::string, std::string> expected = {
        {"title", "Song"},   {"artist", "Band"},     {"album", "Record"},   {"genre", "Pop"},
        {"wm/year", "2004"}, {"comment", "Fine"},    {"composer", "Writer"}, {"copyright", "Owner"},
        {"track", "7"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(value, p.info.tags[key]) << key;
}

TEST_F(ConvertWmaTest, WithoutTheRunTimeNothingIsWrittenAndEachWmaInputAsks)
{
    hideWmaRuntime();
    const std::string source = wav("a.wav", "sine=r=8000:d=1", "-c:a pcm_s16le");
    const std::string wma = dir.file("in.wma");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -y -f lavfi -i sine=r=22050:d=1 -c:a wmav2 " + shellQuote(wma)));

    // A batch of WMA output converts nothing and writes no status; the user
    // is asked and, on Yes, sent to the download address.
    prompts.answerYes = true;
    std::vector<BatchRow> rows = {{0, kInputWav, source, ""}};
    RecordingProgressHost host;
    StatusRecordingRows sink;
    BatchPreconditions preconditions;
    ConversionJob job(engine, host, sink, preconditions);
    BatchOptions options;
    options.format = kOutputWma;
    options.targetRules.folderMode = kFolderCustom;
    options.targetRules.customFolder = dir.file("out");
    job.run(rows, options, routines.routineFor(kOutputWma, &job));
    EXPECT_TRUE(sink.status.empty());
    EXPECT_FALSE(fs::exists(dir.file("out/a.wma")));
    ASSERT_EQ(1u, prompts.questions.size());
    EXPECT_EQ("Dear user, WMA file requires Windows Media Format 9 Series Runtime.\n"
              "Unfortunately, the component isn't available on your computer.\n\n"
              "Do you want to download and install it now?",
              prompts.questions[0]);
    EXPECT_EQ((std::vector<std::string>{"https://sonivert.example/download/wmfdist.exe"}), prompts.openedUrls);

    // Every Windows Media input asks again and is read by the other readers:
    // the decoding library first (this test program loads its WMA add-on).
    prompts.answerYes = false;
    for (int i = 0; i < 2; ++i) {
        auto reader = engine.createSource(wma, kInputWindowsMedia, 0, false);
        ASSERT_NE(nullptr, reader);
        EXPECT_STREQ("bass", reader->readerName());
    }
    EXPECT_EQ(3u, prompts.questions.size());
    EXPECT_EQ(1u, prompts.openedUrls.size());

    // The routine called on its own fails the file at once: it opens no
    // source (a Windows Media one would ask again) and leaves nothing.
    EXPECT_FALSE(routines.convertToWma(kInputWav, source, dir.file("direct.wma"), progress, 1));
    EXPECT_FALSE(routines.convertToWma(kInputWindowsMedia, wma, dir.file("direct2.wma"), progress, 1));
    EXPECT_FALSE(fs::exists(dir.file("direct.wma")));
    EXPECT_FALSE(fs::exists(dir.file("direct2.wma")));
    EXPECT_EQ(3u, prompts.questions.size());

    // Once the module is back, the same input goes to the Windows Media
    // reader, and the format list is built by that check.
    useBuiltWmaRuntime();
    EXPECT_TRUE(engine.wmaFormatList().empty());
    auto reader = engine.createSource(wma, kInputWindowsMedia, 0, false);
    ASSERT_NE(nullptr, reader);
    EXPECT_STREQ("wma", reader->readerName());
    EXPECT_FALSE(engine.wmaFormatList().empty());
    EXPECT_EQ(3u, prompts.questions.size()); // no question this time
}

TEST(WmaRuntimeLoader, ModuleWithoutTheEntryPointsCountsAsMissing)
{
#ifdef _WIN32
    GTEST_SKIP() << "names a POSIX system library";
#else
    // The C library loads, but has none of the three entry points.
    setWmaRuntimeModulePath("libc.so.6");
    EXPECT_FALSE(LoadWmaRuntime());
    EXPECT_FALSE(WmaRuntimeLoaded());
    EXPECT_EQ(nullptr, WmaRuntimeEntries().WMCreateSyncReader);
    useBuiltWmaRuntime();
    EXPECT_TRUE(LoadWmaRuntime());
    EXPECT_TRUE(WmaRuntimeLoaded());
    EXPECT_NE(nullptr, WmaRuntimeEntries().WMCreateProfileManager);
    EXPECT_NE(nullptr, WmaRuntimeEntries().WMCreateWriter);
    EXPECT_NE(nullptr, WmaRuntimeEntries().WMCreateSyncReader);
#endif
}

} // namespace
} // namespace sonivert::test
