#include "tests/support/testsupport.h"
#include "tests/support/wavbuilder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace sonivert::test {
namespace {

std::string cli(const std::string& args, int& status)
{
    return captureCommand(std::string(SONIVERT_CLI) + " " + args + " 2>" + shellQuote("/dev/null"), status);
}

std::vector<nlohmann::json> jsonLines(const std::string& out)
{
    std::vector<nlohmann::json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(nlohmann::json::parse(line));
    return lines;
}

class CliInfoTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, runCommand("sox -R -n -r 22050 -c 2 -b 24 " + shellQuote(wav) + " synth 3.5 sine 440"));
    }
    TempDir dir;
    std::string wav = dir.file("tone name.wav");
};

TEST_F(CliInfoTest, JsonReportsWhatTheListShows)
{
    int status = -1;
    // The WAV parser is forced: by default FFmpeg comes first for WAV names.
    const auto lines = jsonLines(cli("info --reader wav --json " + shellQuote(wav), status));
    EXPECT_EQ(0, status);
    ASSERT_EQ(1u, lines.size());
    const nlohmann::json& j = lines[0];
    EXPECT_EQ(wav, j["path"]);
    EXPECT_EQ(2000, j["typeCode"]);
    EXPECT_EQ("wav", j["reader"]);
    EXPECT_EQ(3, j["durationSeconds"]);
    EXPECT_EQ(22050, j["sampleRate"]);
    EXPECT_EQ(2, j["channels"]);
    EXPECT_EQ(2, j["outputChannels"]);
    EXPECT_EQ(16, j["bitsPerSample"]);
    EXPECT_EQ(22050 * 2 * 3 * 35 / 10, j["totalLength"]); // 24-bit data bytes
    EXPECT_EQ(4, j["channelMode"]);
    EXPECT_EQ(22050 * 2 * 3 * 35 / 10 / (3 * 125), j["bitrateKbps"]);
}

TEST_F(CliInfoTest, ExitStatusTellsWhetherEveryFileOpened)
{
    int status = -1;
    const std::string missing = dir.file("missing.wav");
    auto lines = jsonLines(cli("info --json " + shellQuote(wav) + " " + shellQuote(missing), status));
    EXPECT_EQ(1, status);
    ASSERT_EQ(1u, lines.size()); // the opened file still prints

    std::string err = captureCommand(std::string(SONIVERT_CLI) + " info " + shellQuote(missing) + " 2>&1", status);
    EXPECT_EQ(1, status);
    EXPECT_NE(std::string::npos, err.find(missing));

    // The WAV parser is tried for WAV names only, unless it is forced; any
    // other name goes to FFmpeg.
    const std::string renamed = dir.file("tone.dat");
    writeFileBytes(renamed, readFileBytes(wav));
    lines = jsonLines(cli("info --json " + shellQuote(renamed), status));
    EXPECT_EQ(0, status);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(9000, lines[0]["typeCode"]);
    EXPECT_EQ("ffmpeg", lines[0]["reader"]);
    lines = jsonLines(cli("info --reader wav --json " + shellQuote(renamed), status));
    EXPECT_EQ(0, status);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(9000, lines[0]["typeCode"]);
    EXPECT_EQ("wav", lines[0]["reader"]);
}

TEST_F(CliInfoTest, UsageErrorsExitWithTwo)
{
    int status = -1;
    cli("info", status);
    EXPECT_EQ(2, status);
    cli("info --reader nosuch " + shellQuote(wav), status);
    EXPECT_EQ(2, status);
    cli("frobnicate", status);
    EXPECT_EQ(2, status);
    cli("", status);
    EXPECT_EQ(2, status);
}

TEST_F(CliInfoTest, TextOutputNamesTheFileAndItsFormat)
{
    int status = -1;
    const std::string out = cli("info " + shellQuote(wav), status);
    EXPECT_EQ(0, status);
    EXPECT_NE(std::string::npos, out.find(wav));
    EXPECT_NE(std::string::npos, out.find("22050 Hz"));
    EXPECT_NE(std::string::npos, out.find("00:03"));
}

} // namespace
} // namespace sonivert::test
