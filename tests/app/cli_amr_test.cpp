// sonivert-cli convert to the two AMR formats: the file name's extension,
// the band the settings choose, and a stream FFmpeg's own decoders read.

#include "tests/support/amrprobe.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

TEST(CliAmr, AmrAndAwbOutputsByFormatAndAmrType)
{
    TempDir dir;
    const std::string source = dir.file("speech.wav");
    ASSERT_EQ(0, runCommand("sox -R -n -r 22050 -c 2 -b 16 " + shellQuote(source) + " synth 1 sine 440 sine 660 vol 0.3"));
    const struct {
        const char* args;
        const char* target;
        const char* magic;
        int rate;
    } cases[] = {
        {"--format amr", "speech.amr", "#!AMR\n", 8000},
        {"--format amr --set AMRType=1", "speech_1.amr", "#!AMR-WB\n", 16000},
        {"--format awb --set AMRType=0", "speech.awb", "#!AMR-WB\n", 16000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        int status = -1;
        const std::string printed = captureCommand("SONIVERT_SETTINGS=" + shellQuote(dir.file("settings.ini")) + " " +
                                                       std::string(SONIVERT_CLI) + " convert " + c.args +
                                                       " --same-folder " + shellQuote(source) + " 2>/dev/null",
                                                   status);
        ASSERT_EQ(0, status) << printed;
        EXPECT_EQ(source + "\t" + c.target + "\n", printed);
        const AmrProbe probe = amrProbe(dir.file(c.target));
        EXPECT_EQ(c.magic, probe.magic);
        EXPECT_EQ(c.rate, probe.sampleRate);
        EXPECT_EQ(1, probe.channels);
        EXPECT_NEAR(50, static_cast<double>(probe.packetSizes.size()), 1);
    }
}

} // namespace
} // namespace sonivert::test
