// sonivert-cli with the Windows Media run-time module the build puts beside
// it: a WMA conversion end to end and the Windows Media reader by name.

#include "tests/support/ffprobeinfo.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace sonivert::test {
namespace {

class CliWmaTest : public testing::Test {
protected:
    std::string cli(const std::string& args, int& status)
    {
        return captureCommand("SONIVERT_SETTINGS=" + shellQuote(dir.file("settings.ini")) + " " +
                                  std::string(SONIVERT_CLI) + " " + args + " 2>/dev/null </dev/null",
                              status);
    }
    TempDir dir;
};

TEST_F(CliWmaTest, ConvertsToWmaAndReadsItBackWithTheWindowsMediaReader)
{
    const std::string source = dir.file("song.wav");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -y -f lavfi -i sine=r=44100:d=2 -ac 2 -c:a pcm_s16le " + shellQuote(source)));
    int status = -1;
    const std::string printed = cli("convert --format wma --output-dir " + shellQuote(dir.file("out")) +
                                        " --set WMAID3TagType=2 " + shellQuote(source),
                                    status);
    ASSERT_EQ(0, status) << printed;
    EXPECT_EQ(source + "\tsong.wma\n", printed);
    const std::string target = dir.file("out/song.wma");
    const FfprobeInfo info = ffprobeInfo(target);
    EXPECT_EQ(44100, info.sampleRate);
    EXPECT_EQ(2, info.channels);
    EXPECT_EQ(128000, info.bitRate);

    const nlohmann::json j = nlohmann::json::parse(cli("info --json " + shellQuote(target), status));
    ASSERT_EQ(0, status);
    EXPECT_EQ("wma", j["reader"]);
    EXPECT_EQ(7000, j["typeCode"]);
    EXPECT_EQ(2, j["durationSeconds"]);
    const nlohmann::json forced = nlohmann::json::parse(cli("info --json --reader wma " + shellQuote(target), status));
    ASSERT_EQ(0, status);
    EXPECT_EQ("wma", forced["reader"]);
}

} // namespace
} // namespace sonivert::test
