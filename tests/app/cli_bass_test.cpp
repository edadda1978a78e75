// The command line's decoder start-up: the add-ons and the sound font are
// looked for beside the executable. A copy of the program in a scratch
// folder is a program without an "addons" folder and without a font, and
// the font copied beside it is picked up by the next run. The system's
// fonts are replaced by the list each test names (none unless it says).

#include "tests/support/synthfiles.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

class CliBassTest : public testing::Test {
protected:
    void SetUp() override
    {
        lonelyCli = programFolder.file("sonivert-cli");
        fs::copy_file(SONIVERT_CLI, lonelyCli);
    }
    std::string run(const std::string& program, const std::string& args, int& status)
    {
        return captureCommand("SONIVERT_SETTINGS=" + shellQuote(dir.file("settings.ini")) +
                                  " SONIVERT_SOUNDFONTS=" + shellQuote(systemFonts) + " " + shellQuote(program) + " " +
                                  args + " 2>/dev/null </dev/null",
                              status);
    }
    std::string readerOf(const std::string& program, const std::string& file)
    {
        int status = -1;
        const std::string out = run(program, "info --json " + shellQuote(file), status);
        EXPECT_EQ(0, status) << out;
        return status == 0 ? nlohmann::json::parse(out)["reader"].get<std::string>() : "";
    }

    TempDir dir;
    TempDir programFolder;
    std::string lonelyCli;
    std::string systemFonts;
};

TEST_F(CliBassTest, WithoutAddonsFlacIsReadThroughFfmpeg)
{
    const std::string flac = dir.file("tone.flac");
    ASSERT_EQ(0, runCommand("sox -R -n -r 44100 -c 2 -b 16 " + shellQuote(flac) + " synth 1 sine 440"));
    EXPECT_EQ("bass", readerOf(SONIVERT_CLI, flac));
    EXPECT_EQ("ffmpeg", readerOf(lonelyCli, flac));

    // MP3 needs no add-on: the copy still reads it with its channel mode.
    const std::string wav = dir.file("tone.wav");
    const std::string mp3 = dir.file("tone.mp3");
    ASSERT_EQ(0, runCommand("sox -R -n -r 44100 -c 2 -b 16 " + shellQuote(wav) + " synth 1 sine 440 sine 550"));
    ASSERT_EQ(0, runCommand("lame --quiet -m d " + shellQuote(wav) + " " + shellQuote(mp3)));
    int status = -1;
    const nlohmann::json info = nlohmann::json::parse(run(lonelyCli, "info --json " + shellQuote(mp3), status));
    EXPECT_EQ("bass", info["reader"]);
    EXPECT_EQ(2, info["channelMode"]);
}

TEST_F(CliBassTest, MidiFailsUntilTheFontIsCopiedBesideTheProgram)
{
    const std::string mid = dir.file("tune.mid");
    writeFileBytes(mid, midiFile(1, 0));
    const std::string args = "convert --format wav --output-dir " + shellQuote(dir.file("out")) +
                             " --set AutoDestWAVEncodingParam=0 --set WAVSampleRate=22050 " + shellQuote(mid);
    int status = -1;
    // Without a terminal the download question is answered No.
    EXPECT_EQ(mid + "\tFailure. Requires file \"ct4mgm.sf2\".\n", run(lonelyCli, args, status));
    EXPECT_EQ(1, status);

    fs::copy_file("/usr/share/sounds/sf2/TimGM6mb.sf2", programFolder.file("ct4mgm.sf2"));
    EXPECT_EQ(mid + "\ttune.wav\n", run(lonelyCli, args, status));
    EXPECT_EQ(0, status);
    EXPECT_GT(fs::file_size(dir.file("out/tune.wav")), 22050u * 4 / 2);
}

TEST_F(CliBassTest, WithoutAFontBesideTheProgramTheFirstSystemFontThatLoadsServesMidi)
{
    const std::string mid = dir.file("tune.mid");
    writeFileBytes(mid, midiFile(1, 0));
    writeFileBytes(dir.file("broken.sf2"), std::vector<uint8_t>(4096, 0x20));
    systemFonts = dir.file("missing.sf2") + ":" + dir.file("broken.sf2") + ":/usr/share/sounds/sf2/TimGM6mb.sf2";
    const std::string args = "convert --format wav --output-dir " + shellQuote(dir.file("out")) +
                             " --set AutoDestWAVEncodingParam=0 --set WAVSampleRate=22050 " + shellQuote(mid);
    int status = -1;
    EXPECT_EQ(mid + "\ttune.wav\n", run(lonelyCli, args, status));
    EXPECT_EQ(0, status);
    EXPECT_GT(fs::file_size(dir.file("out/tune.wav")), 22050u * 4 / 2);
}

} // namespace
} // namespace sonivert::test
