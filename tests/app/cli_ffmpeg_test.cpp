#include "tests/support/testsupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace sonivert::test {
namespace {

nlohmann::json infoJson(const std::string& args, int& status)
{
    const std::string out =
        captureCommand(std::string(SONIVERT_CLI) + " info --json " + args + " 2>" + shellQuote("/dev/null"), status);
    return out.empty() ? nlohmann::json() : nlohmann::json::parse(out);
}

class CliFfmpegTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, runCommand("ffmpeg -v error -y -f lavfi -i sine=f=440:d=3.6 -ac 2 -c:a libmp3lame -b:a 160k " +
                                shellQuote(mp3)));
    }
    TempDir dir;
    std::string mp3 = dir.file("song name.mp3");
};

TEST_F(CliFfmpegTest, ForcedFfmpegReaderReportsTheMp3)
{
    int status = -1;
    const nlohmann::json j = infoJson("--reader ffmpeg " + shellQuote(mp3), status);
    EXPECT_EQ(0, status);
    EXPECT_EQ(1000, j["typeCode"]);
    EXPECT_EQ("ffmpeg", j["reader"]);
    EXPECT_EQ(3, j["durationSeconds"]);
    EXPECT_EQ(44100, j["sampleRate"]);
    EXPECT_EQ(2, j["channels"]);
    EXPECT_EQ(2, j["outputChannels"]);
    EXPECT_EQ(16, j["bitsPerSample"]);
    EXPECT_EQ(160, j["bitrateKbps"]);
    EXPECT_EQ(0, j["channelMode"]);
    EXPECT_EQ(0, j["totalLength"]); // the list intake's reader has no progress unit
}

TEST_F(CliFfmpegTest, UnknownNamesAndVideoWithoutAudioGoToFfmpeg)
{
    int status = -1;
    const std::string renamed = dir.file("song");
    ASSERT_EQ(0, runCommand("cp " + shellQuote(mp3) + " " + shellQuote(renamed)));
    nlohmann::json j = infoJson(shellQuote(renamed), status);
    EXPECT_EQ(0, status);
    EXPECT_EQ(9000, j["typeCode"]);
    EXPECT_EQ("ffmpeg", j["reader"]);
    EXPECT_EQ(44100, j["sampleRate"]);

    const std::string movie = dir.file("silent.mp4");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -y -f lavfi -i testsrc=size=32x24:rate=10:d=1 -c:v mpeg4 " +
                            shellQuote(movie)));
    j = infoJson(shellQuote(movie), status);
    EXPECT_EQ(0, status);
    EXPECT_EQ(6600, j["typeCode"]);
    EXPECT_EQ(0, j["sampleRate"]);
    EXPECT_EQ(1, j["durationSeconds"]);

    // What FFmpeg cannot open stays unopened, and FFmpeg says nothing on the terminal.
    const std::string junk = dir.file("junk.mp3");
    writeFileBytes(junk, std::vector<uint8_t>(4096, 0xA5));
    const std::string err =
        captureCommand(std::string(SONIVERT_CLI) + " info --reader ffmpeg " + shellQuote(junk) + " 2>&1", status);
    EXPECT_EQ(1, status);
    EXPECT_EQ("sonivert-cli: " + junk + ": no reader could open the file\n", err);
}

} // namespace
} // namespace sonivert::test
