// Outputs that are whole or absent, tried through sonivert-cli as a user
// would meet them: a conversion killed half way, two batches racing for the
// same names, a disk that fills up, an Overwrite whose conversion fails.

#include "tests/support/ffprobeinfo.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

// Every format with the setting that makes the CLI write it from the long
// mono 8 kHz source.
const char* const kFormats[] = {"wav", "mp3", "ogg", "m4a", "wma", "amr", "flac", "opus", "alac"};

class CliOutputsTest : public testing::Test {
protected:
    std::string cliCommand(const std::string& args) const
    {
        return "env SONIVERT_SETTINGS=" + shellQuote(dir.file("settings.ini")) + " " + SONIVERT_CLI + " " + args;
    }
    std::string cli(const std::string& args, int& status) const
    {
        return captureCommand(cliCommand(args) + " 2>/dev/null </dev/null", status);
    }
    std::string tone(const std::string& name, double seconds) const
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand("sox -R -n -r 8000 -c 1 -b 16 " + shellQuote(path) + " synth " +
                                std::to_string(seconds) + " sine 440 vol 0.5"));
        return path;
    }
    // Names in folder, hidden ones apart.
    static void list(const std::string& folder, std::vector<std::string>& visible, std::vector<std::string>& hidden)
    {
        visible.clear();
        hidden.clear();
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            (name[0] == '.' ? hidden : visible).push_back(name);
        }
        std::sort(visible.begin(), visible.end());
    }
    TempDir dir;
};

TEST_F(CliOutputsTest, AKilledConversionLeavesNoTargetAndTheNextBatchClearsItsTemporary)
{
    // Long enough to be still running when its progress first shows.
    const std::string source = tone("long.wav", 1800);
    const std::string shortSource = tone("short.wav", 0.5);
    for (const char* format : kFormats) {
        SCOPED_TRACE(format);
        const std::string out = dir.file(std::string("out-") + format);
        const std::string settings = std::string(format) == "wav" ? " --set AutoDestWAVEncodingParam=0 --set WAVSampleRate=44100" : "";
        const TerminalRun run = runOnTerminal("exec " + cliCommand("convert --format " + std::string(format) +
                                                                   " --output-dir " + shellQuote(out) + settings +
                                                                   " " + shellQuote(source)),
                                              "Converting 1 of 1", SIGKILL);
        ASSERT_TRUE(run.triggered) << run.terminal;
        std::vector<std::string> visible, hidden;
        list(out, visible, hidden);
        EXPECT_TRUE(visible.empty()) << visible.front();
        EXPECT_EQ(1u, hidden.size()) << "the killed conversion's temporary";

        int status = -1;
        const std::string printed =
            cli("convert --format " + std::string(format) + " --output-dir " + shellQuote(out) + " " +
                    shellQuote(shortSource),
                status);
        EXPECT_EQ(0, status) << printed;
        list(out, visible, hidden);
        EXPECT_EQ(std::vector<std::string>{"short." + std::string(format == std::string("alac") ? "m4a" : format)},
                  visible);
        EXPECT_TRUE(hidden.empty()) << hidden.front();
    }
}

TEST_F(CliOutputsTest, TwoBatchesAtOnceIntoOneFolderGetFourWholeFiles)
{
    const std::string a = tone("a.wav", 2), b = tone("b.wav", 3);
    const std::string out = dir.file("out");
    const std::string batch = cliCommand("convert --format mp3 --output-dir " + shellQuote(out) + " " +
                                         shellQuote(a) + " " + shellQuote(b)) + " >/dev/null 2>&1";
    ASSERT_EQ(0, runCommand("(" + batch + ") & (" + batch + ") & wait"));
    std::vector<std::string> visible, hidden;
    list(out, visible, hidden);
    EXPECT_EQ((std::vector<std::string>{"a.mp3", "a_1.mp3", "b.mp3", "b_1.mp3"}), visible);
    EXPECT_TRUE(hidden.empty());
    for (const std::string& name : visible) {
        SCOPED_TRACE(name);
        const FfprobeInfo info = ffprobeInfo(out + "/" + name);
        const double seconds = static_cast<double>(info.frames * mp3FrameSamples(info.sampleRate)) / info.sampleRate;
        EXPECT_NEAR(name[0] == 'a' ? 2.0 : 3.0, seconds, 0.2); // the MP3's delay and padding
    }
}

// The output folder is a small tmpfs in a mount namespace of the command's
// own, sized below what the format writes, so the disk fills up near the end.
TEST_F(CliOutputsTest, AFullDiskLeavesNoTargetAndTheStatusSaysWhy)
{
    int status = -1;
    captureCommand("unshare -rm true 2>/dev/null", status);
    if (status != 0)
        GTEST_SKIP() << "this system lets no user mount a file system in a namespace of its own";
    const std::string source = tone("song.wav", 20);
    for (const char* format : kFormats) {
        SCOPED_TRACE(format);
        const std::string roomy = dir.file(std::string("roomy-") + format);
        cli("convert --format " + std::string(format) + " --output-dir " + shellQuote(roomy) + " " + shellQuote(source),
            status);
        ASSERT_EQ(0, status);
        const uintmax_t size = fs::file_size(fs::directory_iterator(roomy)->path());
        const uintmax_t room = std::max<uintmax_t>(4096, size * 9 / 10 / 4096 * 4096);
        const std::string full = dir.file(std::string("full-") + format);
        fs::create_directories(full);
        const std::string printed = captureCommand(
            "unshare -rm sh -c " +
                shellQuote("mount -t tmpfs -o size=" + std::to_string(room) + " tmpfs " + shellQuote(full) + " && " +
                           cliCommand("convert --format " + std::string(format) + " --output-dir " +
                                      shellQuote(full) + " " + shellQuote(source)) +
                           " 2>/dev/null </dev/null; echo left: $(ls -A " + shellQuote(full) + ")"),
            status);
        EXPECT_EQ(source + "\tConversion Failure (No space left on the device.)\nleft:\n", printed);
    }
}

TEST_F(CliOutputsTest, OverwriteKeepsTheOldTargetWhenTheConversionFails)
{
    const std::string out = dir.file("out");
    fs::create_directories(out);
    const std::vector<uint8_t> old = {'o', 'l', 'd', ' ', 'm', 'p', '3'};
    writeFileBytes(out + "/noise.mp3", old);
    const std::string noise = dir.file("noise.wav");
    writeFileBytes(noise, std::vector<uint8_t>(4000, 0x5A));
    int status = -1;
    const std::string printed = cli("convert --format mp3 --if-exists overwrite --output-dir " + shellQuote(out) +
                                        " " + shellQuote(noise),
                                    status);
    EXPECT_EQ(1, status);
    EXPECT_NE(std::string::npos, printed.find("Conversion Failure (No reader can open this file.")) << printed;
    EXPECT_EQ(old, readFileBytes(out + "/noise.mp3"));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(out), fs::directory_iterator()));
}

} // namespace
} // namespace sonivert::test
