// sonivert-cli info with the AIFF and AU readers: their names and type
// codes, the readers chosen for .aif/.aifc and .au/.snd names, and --reader
// forcing one of them whatever the name.

#include "tests/support/testsupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace sonivert::test {
namespace {

nlohmann::json infoJson(const std::string& args, int& status)
{
    const std::string out = captureCommand(std::string(SONIVERT_CLI) + " info --json " + args + " 2>/dev/null", status);
    return out.empty() ? nlohmann::json() : nlohmann::json::parse(out);
}

class CliAiffAuTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, runCommand("sox -R -n -r 22050 -c 2 -b 16 " + shellQuote(wav) + " synth 3.5 sine 440"));
        ASSERT_EQ(0, runCommand("sndfile-convert -pcms8 " + shellQuote(wav) + " " + shellQuote(aif)));
        ASSERT_EQ(0, runCommand("sndfile-convert -endian=little -ulaw " + shellQuote(wav) + " " + shellQuote(au)));
    }
    TempDir dir;
    std::string wav = dir.file("source.wav");
    std::string aif = dir.file("tone.aif");
    std::string au = dir.file("tone.au");
};

TEST_F(CliAiffAuTest, NamesPickTheOwnReadersFirst)
{
    int status = -1;
    nlohmann::json j = infoJson(shellQuote(aif), status);
    EXPECT_EQ(0, status);
    EXPECT_EQ(5100, j["typeCode"]);
    EXPECT_EQ("aiff", j["reader"]);
    EXPECT_EQ(22050, j["sampleRate"]);
    EXPECT_EQ(2, j["channels"]);
    EXPECT_EQ(8, j["bitsPerSample"]);
    EXPECT_EQ(3, j["durationSeconds"]);
    EXPECT_EQ(readFileBytes(aif).size(), j["totalLength"]); // the AIFF progress unit is the file

    const std::string snd = dir.file("tone.snd");
    writeFileBytes(snd, readFileBytes(au));
    j = infoJson(shellQuote(snd), status);
    EXPECT_EQ(0, status);
    EXPECT_EQ(5000, j["typeCode"]);
    EXPECT_EQ("au", j["reader"]);
    EXPECT_EQ(16, j["bitsPerSample"]);
    EXPECT_EQ(22050 * 2 * 35 / 10, j["totalLength"]); // one byte per mu-law sample
}

TEST_F(CliAiffAuTest, ReaderOptionForcesEachReader)
{
    const std::string aifData = dir.file("aiff.dat");
    const std::string auData = dir.file("au.dat");
    writeFileBytes(aifData, readFileBytes(aif));
    writeFileBytes(auData, readFileBytes(au));

    int status = -1;
    nlohmann::json j = infoJson("--reader aiff " + shellQuote(aifData), status);
    EXPECT_EQ(0, status);
    EXPECT_EQ(9000, j["typeCode"]);
    EXPECT_EQ("aiff", j["reader"]);
    j = infoJson("--reader au " + shellQuote(auData), status);
    EXPECT_EQ(0, status);
    EXPECT_EQ("au", j["reader"]);
    EXPECT_EQ(22050, j["sampleRate"]);

    // Each reader refuses the other's files.
    infoJson("--reader au " + shellQuote(aifData), status);
    EXPECT_EQ(1, status);
    infoJson("--reader aiff " + shellQuote(auData), status);
    EXPECT_EQ(1, status);
}

} // namespace
} // namespace sonivert::test
