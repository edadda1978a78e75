#include "engine/engine.h"
#include "engine/userprompts.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"
#include "tests/support/wavbuilder.h"

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

class CountingRuntime final : public WindowsMediaRuntime {
public:
    bool ensureLoaded(UserPrompts& prompts) override
    {
        ++calls;
        prompts.showMessage(UserPrompts::Icon::Information, "runtime missing");
        return false;
    }
    int calls = 0;
};

class EngineTest : public testing::Test {
protected:
    void SetUp() override
    {
        wavPath = dir.file("tone.wav");
        writeFileBytes(wavPath, pcm16Wav(2, 8000, std::vector<int16_t>(16000, 100)));
        // Stray bytes between the chunks: the own parser steps over them,
        // FFmpeg's WAV demuxer finds no data chunk.
        strayWavPath = dir.file("stray.wav");
        Bytes data;
        for (int i = 0; i < 16000; ++i)
            data.u16(100);
        writeFileBytes(strayWavPath, RiffBuilder()
                                         .chunk("fmt ", fmtBody(1, 2, 8000, 16))
                                         .stray(Bytes{0, 1, 2})
                                         .chunk("data", data)
                                         .build());
    }
    TempDir dir;
    std::string wavPath;
    std::string strayWavPath;
    RecordingPrompts prompts;
    Engine engine{prompts};
};

TEST_F(EngineTest, WavCodeTriesBassThenFfmpegBeforeTheOwnParser)
{
    auto source = engine.createSource(wavPath, kInputWav, 0, false);
    ASSERT_NE(nullptr, source);
    EXPECT_STREQ("bass", source->readerName());

    // IMA ADPCM needs a codec the decoding library's core does not offer.
    const std::string adpcm = dir.file("adpcm.wav");
    ASSERT_EQ(0, runCommand("sox -R -n -r 8000 -c 1 -e ima-adpcm " + shellQuote(adpcm) + " synth 1 sine 440"));
    source = engine.createSource(adpcm, kInputWav, 0, false);
    ASSERT_NE(nullptr, source);
    EXPECT_STREQ("ffmpeg", source->readerName());

    // What FFmpeg refuses still opens through the own parser.
    source = engine.createSource(strayWavPath, kInputWav, 0, false);
    ASSERT_NE(nullptr, source);
    EXPECT_STREQ("wav", source->readerName());
    EXPECT_EQ(8000, source->sampleRate());
    EXPECT_EQ(1, source->durationSeconds());
    EXPECT_TRUE(engine.failureDetail().empty());
}

TEST_F(EngineTest, OwnWavParserIsNotTriedForOtherCodes)
{
    // The same RIFF bytes under another code never reach the WAV parser.
    EXPECT_EQ(nullptr, engine.createSource(strayWavPath, kInputOther, 0, true));
    EXPECT_EQ(nullptr, engine.createSource(strayWavPath, kInputAu, 0, true));
}

TEST_F(EngineTest, FailureDetailIsWrittenOnlyForConversion)
{
    const std::string missing = dir.file("missing.wav");
    EXPECT_EQ(nullptr, engine.createSource(missing, kInputWav, 0, true));
    EXPECT_TRUE(engine.failureDetail().empty());

    EXPECT_EQ(nullptr, engine.createSource(missing, kInputWav, 0, false));
    EXPECT_EQ("The file does not exist.", engine.failureDetail());
    EXPECT_EQ(nullptr, engine.createSource(dir.path(), kInputWav, 0, false));
    EXPECT_EQ("This is a folder, not a file.", engine.failureDetail());
    const std::string noise = dir.file("noise.wav");
    writeFileBytes(noise, std::vector<uint8_t>(300, 0x5A));
    EXPECT_EQ(nullptr, engine.createSource(noise, kInputWav, 0, false));
    EXPECT_EQ("No reader can open this file. To get help, please forward the failure file to <support@sonivert.example>.",
              engine.failureDetail());
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(EngineTest, WindowsMediaRuntimeIsAskedOncePerFile)
{
    CountingRuntime runtime;
    engine.setWindowsMediaRuntime(&runtime);
    EXPECT_EQ(nullptr, engine.createSource(dir.file("a.wma"), kInputWindowsMedia, 0, true));
    EXPECT_EQ(nullptr, engine.createSource(dir.file("b.wma"), kInputWindowsMedia, 0, true));
    EXPECT_EQ(2, runtime.calls);
    EXPECT_EQ(2u, prompts.messages.size());
    // Other codes never ask.
    engine.createSource(wavPath, kInputWav, 0, true);
    EXPECT_EQ(2, runtime.calls);
}

TEST_F(EngineTest, ForcedReaderOpensOnlyWithThatReader)
{
    // A WAV file named .mp3 still opens when the WAV reader is forced.
    const std::string renamed = dir.file("tone.mp3");
    writeFileBytes(renamed, readFileBytes(wavPath));
    auto source = engine.openWithReader(renamed, ReaderId::Wav, 0, true);
    ASSERT_NE(nullptr, source);
    EXPECT_EQ(2, source->channels());
    EXPECT_EQ(nullptr, engine.openWithReader(renamed, ReaderId::Ogg, 0, true)); // not Ogg Vorbis
}

} // namespace
} // namespace sonivert::test
