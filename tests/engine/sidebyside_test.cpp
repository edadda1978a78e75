// Files converted side by side: what the rows show does not depend on which
// file finishes first, every file is whole, every reader and writer gives
// the same audio as one file at a time, and Cancel stops them all.

#include "engine/conversionjob.h"
#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "engine/inputtype.h"
#include "settings/conversionsettings.h"
#include "sources/soundfont.h"
#include "tests/support/fakes.h"
#include "tests/support/ffprobeinfo.h"
#include "tests/support/synthfiles.h"
#include "tests/support/testsupport.h"
#include "tests/support/wmaruntimesupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

class SideBySideTest : public testing::Test {
protected:
    std::vector<BatchRow> sources(const std::vector<std::pair<std::string, double>>& files)
    {
        std::vector<BatchRow> rows;
        for (const auto& [name, seconds] : files) {
            const std::string path = dir.file(name);
            fs::create_directories(fs::path(path).parent_path());
            EXPECT_EQ(0, runCommand("sox -R -n -r 22050 -c 1 -b 16 " + shellQuote(path) + " synth " +
                                    std::to_string(seconds) + " sine 440"));
            rows.push_back({static_cast<int32_t>(rows.size()), kInputWav, path, ""});
        }
        return rows;
    }
    void run(std::vector<BatchRow>& rows, int32_t jobs, OutputFormatCode format = kOutputMp3, const std::string& out = "out")
    {
        BatchOptions options = batchOptionsFrom(settings, {});
        options.format = format;
        options.targetRules.folderMode = kFolderCustom;
        options.targetRules.customFolder = dir.file(out);
        options.jobs = jobs;
        ConversionRoutines routines(engine, settings);
        job.run(rows, options, routines.routineFor(format, &job));
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    ConversionSettings settings{std::nullopt};
    RecordingProgressHost host;
    StatusRecordingRows rows;
    BatchPreconditions preconditions;
    ConversionJob job{engine, host, rows, preconditions};
};

TEST_F(SideBySideTest, RowsGetTheirNamesAndNumbersInRowOrderAndEveryFileIsWhole)
{
    // Tracks numbered by the run; two sources of one name, the first of
    // them the longest, so it finishes last and still gets the plain name.
    settings.MP3ID3TagType = 0;
    settings.MP3Tag.TrackNumType = 1;
    std::vector<BatchRow> batch =
        sources({{"a/x.wav", 6}, {"b/x.wav", 1}, {"c.wav", 2}, {"d.wav", 1.5}, {"e.wav", 1}, {"f.wav", 2.5}});
    run(batch, 3);
    EXPECT_EQ(3, host.lastConversion.fileLines);
    EXPECT_EQ("Converted 6 of 6 file(s) to MP3...", host.lastConversion.runTexts.back());
    const std::vector<std::string> names = {"x.mp3", "x_1.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3"};
    const double seconds[] = {6, 1, 2, 1.5, 1, 2.5};
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(names[i], rows.status[static_cast<int32_t>(i)]);
        const std::string path = dir.file("out/" + names[i]);
        EXPECT_EQ(path, batch[i].targetPath);
        const FfprobeInfo info = ffprobeInfo(path);
        EXPECT_EQ(std::to_string(i + 1), info.tags.count("track") ? info.tags.at("track") : "");
        EXPECT_NEAR(seconds[i], static_cast<double>(info.frames * mp3FrameSamples(info.sampleRate)) / info.sampleRate,
                    0.15);
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(std::distance(fs::directory_iterator(dir.file("out")), {})))
        << "no temporary left";
}

TEST_F(SideBySideTest, CancelStopsEveryRunningFileAndLeavesTheOthersUntouched)
{
    std::vector<BatchRow> batch = sources({{"a.wav", 120}, {"b.wav", 120}, {"c.wav", 1}, {"d.wav", 1}});
    rows.status[3] = "old status";
    host.conversionCancelAfterPumps = 4; // while the first two are running
    run(batch, 2);
    EXPECT_TRUE(job.wasCancelled());
    EXPECT_EQ("Cancelled", rows.status[0]);
    EXPECT_EQ("Cancelled", rows.status[1]);
    EXPECT_EQ(0u, rows.status.count(2));
    EXPECT_EQ("old status", rows.status[3]);
    EXPECT_TRUE(fs::is_empty(dir.file("out"))) << "nothing left of the cancelled files";
    EXPECT_TRUE(batch[0].targetPath.empty() && batch[1].targetPath.empty());
}

// The audio of a file as ffmpeg decodes it, as a digest, or only its length
// in bytes where the reader's output is not the same twice.
std::string decodedDigest(const std::string& path, bool lengthOnly = false)
{
    int status = 0;
    const std::string digest = captureCommand(
        "ffmpeg -v error -i " + shellQuote(path) + " -map 0:a -f s16le - | " + (lengthOnly ? "wc -c" : "md5sum"),
        status);
    return status == 0 ? digest.substr(0, lengthOnly ? digest.find('\n') : 32) : "";
}

TEST_F(SideBySideTest, EveryReaderAndWriterGivesTheSameAudioSideBySideAsAlone)
{
    // Each reader, with its library, and each writer run on several threads
    // at once: a state they shared without knowing would show in the audio.
    useBuiltWmaRuntime();
    TempDir fonts;
    fs::copy_file("/usr/share/sounds/sf2/TimGM6mb.sf2", fonts.file(kSoundFontFileName));
    ASSERT_TRUE(installSoundFont(fonts.path()));
    std::vector<BatchRow> batch;
    auto add = [&](const std::string& name) {
        batch.push_back({static_cast<int32_t>(batch.size()), inputTypeForPath(name), dir.file(name), ""});
    };
    const std::vector<std::pair<std::string, std::string>> made = {
        {"pcm.wav", "-c:a pcm_s16le"}, {"adpcm.wav", "-c:a adpcm_ima_wav"}, {"aiff.aiff", ""}, {"au.au", ""},
        {"flac.flac", ""},             {"mp3.mp3", "-c:a libmp3lame"},       {"vorbis.ogg", "-c:a libvorbis"},
        {"aac.m4a", "-c:a aac"},       {"wma.wma", "-c:a wmav2"},
    };
    for (const auto& [name, codec] : made) {
        ASSERT_EQ(0, runCommand("ffmpeg -v error -f lavfi -i sine=f=550:r=44100:d=1.5 -ac 2 " + codec + " " +
                                shellQuote(dir.file(name))));
        add(name);
    }
    writeFileBytes(dir.file("module.mod"), protrackerModule(12));
    add("module.mod");
    writeFileBytes(dir.file("song.mid"), midiFile(1));
    add("song.mid");

    for (const OutputFormatCode format :
         {kOutputWav, kOutputMp3, kOutputOgg, kOutputAac, kOutputM4a, kOutputAmr, kOutputWma, kOutputFlac,
          kOutputOpus, kOutputAlac}) {
        SCOPED_TRACE(format);
        std::vector<BatchRow> alone = batch, together = batch;
        const std::string name = std::to_string(format);
        run(alone, 1, format, name + "-alone");
        run(together, 4, format, name + "-together");
        for (size_t i = 0; i < batch.size(); ++i) {
            SCOPED_TRACE(batch[i].sourcePath);
            ASSERT_FALSE(alone[i].targetPath.empty());
            ASSERT_FALSE(together[i].targetPath.empty()) << rows.status[static_cast<int32_t>(i)];
            // libopenmpt dithers its 16-bit output from a random seed per
            // module: the same module never renders twice alike.
            const bool dithered = batch[i].sourcePath.ends_with(".mod");
            const std::string digest = decodedDigest(alone[i].targetPath, dithered);
            EXPECT_EQ(dithered ? digest.size() : 32u, digest.size());
            EXPECT_FALSE(digest.empty());
            EXPECT_EQ(digest, decodedDigest(together[i].targetPath, dithered));
        }
    }
}

} // namespace
} // namespace sonivert::test
