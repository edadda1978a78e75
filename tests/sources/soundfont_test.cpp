// The MIDI sound font: installing it from a folder, the question when it is
// missing, and the batch hook that asks before the first file and lets a
// font copied in between two batches count for the second. Each test uses
// a folder of its own in place of the program's folder, so no font is left
// beside a shared test executable.

#include "engine/conversionjob.h"
#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "engine/soundfontpreconditions.h"
#include "settings/conversionsettings.h"
#include "sources/soundfont.h"
#include "tests/support/synthfiles.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"
#include "tests/support/wavbuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

constexpr const char* kDebianFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
constexpr const char* kMissingStatus = "Failure. Requires file \"ct4mgm.sf2\".";

TEST(SoundFont, InstallsOnlyARealFontFromTheGivenFolder)
{
    TempDir folder;
    EXPECT_FALSE(installSoundFont(std::nullopt));
    EXPECT_FALSE(installSoundFont(folder.path())); // no file
    writeFileBytes(folder.file(kSoundFontFileName), std::vector<uint8_t>(4096, 0x20));
    EXPECT_FALSE(installSoundFont(folder.path())); // not a sound font
    fs::copy_file(kDebianFont, folder.file(kSoundFontFileName), fs::copy_options::overwrite_existing);
    EXPECT_TRUE(installSoundFont(folder.path()));
}

TEST(SoundFont, MissingFontQuestionNamesTheFolderAndYesOpensItAndTheDownload)
{
    TempDir folder;
    const std::string shown = folder.path() + "/";
    const std::string question =
        "Dear user, to decode MIDI file, file \"ct4mgm.sf2\" is required.\n"
        "Unfortunately, the file isn't available on your computer.\n\n"
        "Do you want to download the file from our website for free now?\n\n"
        "Once download completes, please copy the file to folder:\n\"" +
        shown + "\"\nAnd then convert your MIDI file again. Thank you.";

    RecordingPrompts no;
    MidiSoundFont font(folder.path());
    EXPECT_TRUE(font.checkBeforeBatch(no)); // the batch runs
    EXPECT_EQ(std::vector<std::string>{question}, no.questions);
    EXPECT_TRUE(no.openedUrls.empty());
    EXPECT_TRUE(no.openedDocuments.empty());
    EXPECT_FALSE(font.ready());

    RecordingPrompts yes;
    yes.answerYes = true;
    EXPECT_FALSE(font.checkBeforeBatch(yes)); // the batch does not start
    EXPECT_EQ(std::vector<std::string>{shown}, yes.openedDocuments);
    EXPECT_EQ(std::vector<std::string>{"https://sonivert.example/download/ct4mgm.sf2"}, yes.openedUrls);

    // Once the file is there, the check installs it without a question, and
    // the font stays ready.
    fs::copy_file(kDebianFont, folder.file(kSoundFontFileName));
    RecordingPrompts quiet;
    EXPECT_TRUE(font.checkBeforeBatch(quiet));
    EXPECT_TRUE(font.ready());
    EXPECT_TRUE(quiet.questions.empty());
    fs::remove(folder.file(kSoundFontFileName));
    font.installIfNotReady();
    EXPECT_TRUE(font.ready());
}

class SoundFontBatchTest : public testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(dir.file("in"));
        const std::string wav = dir.file("in/tone.wav");
        writeFileBytes(wav, pcm16Wav(2, 22050, std::vector<int16_t>(22050 * 2, 1000)));
        const std::string mid = dir.file("in/tune.mid");
        writeFileBytes(mid, midiFile(1, 0));
        settings.AutoDestWAVEncodingParam = 0; // MIDI renders at the WAV rate
        settings.WAVSampleRate = 22050;
        options.format = kOutputWav;
        options.targetRules.folderMode = kFolderCustom;
        options.targetRules.customFolder = dir.file("out");
        options.targetRules.fallbackToDocuments = false;
        rows = {{0, kInputWav, wav, ""}, {1, kInputMidi, mid, ""}};
    }
    void run()
    {
        BatchPreconditions others;
        SoundFontPreconditions preconditions(font, prompts, others);
        ConversionJob job(engine, host, status, preconditions);
        for (BatchRow& row : rows)
            row.targetPath.clear();
        job.run(rows, options, routines.routineFor(kOutputWav, &job));
    }

    TempDir dir;
    TempDir programFolder;
    RecordingPrompts prompts;
    Engine engine{prompts};
    ConversionSettings settings{std::nullopt};
    ConversionRoutines routines{engine, settings};
    RecordingProgressHost host;
    StatusRecordingRows status;
    MidiSoundFont font{programFolder.path()};
    BatchOptions options;
    std::vector<BatchRow> rows;
};

TEST_F(SoundFontBatchTest, OnlyMidiFileLastStillAsksBeforeTheFirstFile)
{
    prompts.answerYes = true;
    run();
    EXPECT_EQ(1u, prompts.questions.size());
    EXPECT_EQ(0, host.conversionWindowsCreated); // nothing started
    EXPECT_TRUE(status.status.empty());
    EXPECT_FALSE(fs::exists(dir.file("out")));
    EXPECT_EQ(1u, prompts.openedUrls.size());
}

TEST_F(SoundFontBatchTest, NoConvertsTheOthersAndAFontCopiedLaterServesTheNextBatch)
{
    run();
    EXPECT_EQ(1u, prompts.questions.size());
    EXPECT_EQ("tone.wav", status.status[0]);
    EXPECT_EQ(kMissingStatus, status.status[1]);
    EXPECT_TRUE(rows[1].targetPath.empty());

    fs::copy_file(kDebianFont, programFolder.file(kSoundFontFileName));
    run();
    EXPECT_EQ(1u, prompts.questions.size()); // no second question
    EXPECT_TRUE(font.ready());
    EXPECT_EQ("tune.wav", status.status[1]);
    ASSERT_FALSE(rows[1].targetPath.empty());
    // The rendered note: one second of audio at the WAV output's rate.
    EXPECT_GT(fs::file_size(rows[1].targetPath), 22050u * 4 / 2);
}

} // namespace
} // namespace sonivert::test
