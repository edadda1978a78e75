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

TEST(SoundFont, TheFontBesideTheProgramComesFirstThenTheFallbacksInOrder)
{
    // What stands at a place: a font (a link to the Debian font), a file
    // that is no font, or nothing.
    enum class At { Font, Junk, Missing };
    struct Case {
        const char* what;
        At beside;
        std::vector<At> fallbacks;
        int installed; // -1: none; 0: the one beside; i + 1: fallbacks[i]
    };
    const std::vector<Case> cases = {
        {"beside wins over the system's", At::Font, {At::Font, At::Font}, 0},
        {"none beside: the first fallback", At::Missing, {At::Font, At::Font}, 1},
        {"a broken font beside is passed over", At::Junk, {At::Font}, 1},
        {"missing and broken fallbacks are passed over", At::Missing, {At::Missing, At::Junk, At::Font}, 3},
        {"no fallbacks: beside only", At::Font, {}, 0},
        {"nothing usable", At::Junk, {At::Missing, At::Junk}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string program = dir.file("program");
        fs::create_directories(program);
        const auto place = [](const std::string& path, At at) {
            if (at == At::Font)
                fs::create_symlink(kDebianFont, path);
            else if (at == At::Junk)
                writeFileBytes(path, std::vector<uint8_t>(4096, 0x20));
        };
        std::vector<std::string> candidates = {program + "/" + kSoundFontFileName};
        place(candidates[0], c.beside);
        std::vector<std::string> fallbacks;
        for (size_t i = 0; i < c.fallbacks.size(); ++i) {
            fallbacks.push_back(dir.file("system" + std::to_string(i) + ".sf2"));
            place(fallbacks.back(), c.fallbacks[i]);
            candidates.push_back(fallbacks.back());
        }
        EXPECT_EQ(candidates, soundFontCandidates(program, fallbacks));

        MidiSoundFont font(program, fallbacks);
        font.installIfNotReady();
        if (c.installed < 0) {
            EXPECT_FALSE(font.ready());
            EXPECT_FALSE(font.installedFont());
            // The question still names the program's folder as the place
            // for a font.
            RecordingPrompts prompts;
            EXPECT_TRUE(font.checkBeforeBatch(prompts));
            ASSERT_EQ(1u, prompts.questions.size());
            EXPECT_NE(std::string::npos, prompts.questions[0].find("\"" + program + "/\""));
        } else {
            EXPECT_TRUE(font.ready());
            EXPECT_EQ(candidates[static_cast<size_t>(c.installed)], font.installedFont());
        }
    }
}

TEST(SoundFont, AnInstalledProgramNamesTheUsersFolderWhichIsSearchedBeforeTheSystems)
{
    struct Case {
        const char* what;
        bool programFolderExists; // a folder that does not exist cannot be written
        bool userFolderKnown;
        bool userFolderNamed;
    };
    const Case cases[] = {
        {"a program folder the user may write is named", true, true, false},
        {"an installed program names the user's folder", false, true, true},
        {"without a user folder the program's stays", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string program = dir.file("program");
        const std::string user = dir.file("data/sonivert");
        if (c.programFolderExists)
            fs::create_directories(program);
        MidiSoundFont font(program, {dir.file("none.sf2")},
                           c.userFolderKnown ? std::optional<std::string>(user) : std::nullopt);
        const std::string named = (c.userFolderNamed ? user : program) + "/";
        RecordingPrompts yes;
        yes.answerYes = true;
        EXPECT_FALSE(font.checkBeforeBatch(yes));
        ASSERT_EQ(1u, yes.questions.size());
        EXPECT_NE(std::string::npos, yes.questions[0].find("folder:\n\"" + named + "\"")) << yes.questions[0];
        EXPECT_EQ(std::vector<std::string>{named}, yes.openedDocuments);
        EXPECT_EQ(c.userFolderNamed, fs::is_directory(user)) << "Yes makes the folder it names";
        if (!c.userFolderKnown)
            continue;
        // A font put there is found before the system's, without a question.
        fs::create_directories(user);
        fs::create_symlink(kDebianFont, user + "/" + kSoundFontFileName);
        RecordingPrompts quiet;
        EXPECT_TRUE(font.checkBeforeBatch(quiet));
        EXPECT_TRUE(quiet.questions.empty());
        EXPECT_EQ(user + "/" + kSoundFontFileName, font.installedFont());
    }
}

TEST(SoundFont, SystemFontsAreDebiansGeneralMidiFontsUnlessTheVariableReplacesThem)
{
    using List = std::vector<std::string>;
    struct Case {
        const char* variable; // null: not set
        List expected;
    };
    const std::vector<Case> cases = {
        {nullptr,
         {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2",
          "/usr/share/sounds/sf2/TimGM6mb.sf2"}},
        {"", {}},
        {"/opt/gm.sf2", {"/opt/gm.sf2"}},
        {":/a b.sf2::/c.sf2:", {"/a b.sf2", "/c.sf2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variable ? c.variable : "(not set)");
        EXPECT_EQ(c.expected, systemSoundFonts(c.variable));
    }
    EXPECT_TRUE(soundFontCandidates(std::nullopt, {}).empty());
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
