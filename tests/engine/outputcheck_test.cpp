// The check every finished output passes before it counts: the file read
// back lasts as long as the audio the source delivered. An encoder that
// loses the end of its input is caught, in every format, and its file goes.

#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "engine/outputformat.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"
#include "tests/support/wmaruntimesupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

TEST(OutputCheckTest, AnOutputShorterThanItsSourceFailsInEveryFormat)
{
    useBuiltWmaRuntime();
    TempDir dir;
    const std::string source = dir.file("in.wav");
    ASSERT_EQ(0, runCommand("sox -R -n -r 22050 -c 2 -b 16 " + shellQuote(source) + " synth 6 sine 440 sine 660"));
    RecordingPrompts prompts;
    Engine engine(prompts);
    ASSERT_TRUE(engine.windowsMediaReady());
    const ConversionSettings settings(std::nullopt);
    for (const OutputFormatCode format : {kOutputWav, kOutputMp3, kOutputOgg, kOutputAac, kOutputM4a, kOutputAmr,
                                          kOutputAwb, kOutputWma, kOutputFlac, kOutputOpus, kOutputAlac}) {
        const OutputFormatInfo* info = outputFormatInfo(format);
        SCOPED_TRACE(info->displayName);
        ConversionRoutines routines(engine, settings);
        for (const bool shorten : {false, true}) {
            // The encoder loses every block after the twentieth (of at least forty).
            int blocks = 0;
            if (shorten)
                routines.setBlockFilter([&blocks](int64_t, int32_t) { return ++blocks <= 20; });
            const std::string target = dir.file(std::string(shorten ? "short" : "whole") + std::string(info->extension));
            RecordingConversionProgress progress;
            const Outcome outcome = routines.routineFor(format)(kInputWav, source, target, progress);
            EXPECT_EQ(!shorten, outcome.ok()) << outcome.reason();
            EXPECT_EQ(!shorten, fs::exists(target));
            if (shorten) {
                EXPECT_NE(std::string::npos, outcome.reason().find("The written file lasts ")) << outcome.reason();
            }
        }
    }
}

} // namespace
} // namespace sonivert::test
