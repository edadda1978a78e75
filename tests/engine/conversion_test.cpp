// The block loop and the batch driver with scripted sources, routines and
// windows: progress texts, the stop rules, Cancel, statuses and clean-up.

#include "engine/conversionjob.h"
#include "engine/conversionloop.h"
#include "engine/engine.h"
#include "tests/support/fakes.h"
#include "tests/support/scriptedsource.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

struct LoopRun {
    LoopEnd end;
    int64_t framesConsumed = 0;
    int64_t consumeCalls = 0;
};

LoopRun loop(ScriptedSource::Script script, RecordingConversionProgress& progress,
             InputTypeCode code = kInputWav, int failAtCall = 0)
{
    ScriptedSource source(script);
    EXPECT_TRUE(source.open("", 0));
    std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames);
    LoopRun run{};
    run.end = runBlockLoop(source, code, "song.wav", progress, left.data(), right.data(), [&](int32_t frames) {
        ++run.consumeCalls;
        run.framesConsumed += frames;
        return run.consumeCalls != failAtCall;
    });
    return run;
}

TEST(BlockLoopTest, ProgressTextGrowsToHundredAndTheBarFollowsThePosition)
{
    RecordingConversionProgress progress;
    progress.barWidth = 200;
    const LoopRun run = loop({.totalLength = 10000, .positionStep = 1000, .reads = 10}, progress);
    EXPECT_EQ(LoopEnd::Completed, run.end);
    EXPECT_EQ(10 * AudioSource::kBlockFrames, run.framesConsumed);
    ASSERT_EQ(10u, progress.fileTexts.size()); // one per whole-percent growth, no duplicate 100%
    EXPECT_EQ("Converting song.wav...10%", progress.fileTexts.front());
    EXPECT_EQ("Converting song.wav...100%", progress.fileTexts.back());
    EXPECT_EQ(200, progress.fileBarMaximum);
    EXPECT_EQ(200, progress.fileBarPositions.back());
    EXPECT_EQ(10, progress.pumps);
}

TEST(BlockLoopTest, EdgeCasesOfLengthAndPosition)
{
    {
        SCOPED_TRACE("totalLength 0 jumps to 100% after the first block");
        RecordingConversionProgress progress;
        const LoopRun run = loop({.totalLength = 0, .positionStep = 4608, .reads = 3}, progress);
        EXPECT_EQ(LoopEnd::Completed, run.end);
        EXPECT_EQ(3, run.consumeCalls);
        EXPECT_EQ((std::vector<std::string>{"Converting song.wav...100%"}), progress.fileTexts);
    }
    {
        SCOPED_TRACE("a read error half way ends the file as complete, and the text still reads 100%");
        RecordingConversionProgress progress;
        const LoopRun run = loop({.totalLength = 10000, .positionStep = 1000, .reads = 5}, progress);
        EXPECT_EQ(LoopEnd::Completed, run.end);
        EXPECT_EQ(5 * AudioSource::kBlockFrames, run.framesConsumed);
        EXPECT_EQ("Converting song.wav...100%", progress.fileTexts.back());
        EXPECT_EQ(progress.barWidth, progress.fileBarPositions.back());
    }
    {
        SCOPED_TRACE("a looping module stops at its length");
        RecordingConversionProgress progress;
        const LoopRun run = loop({.totalLength = 4000, .positionStep = 1000, .reads = -1}, progress, kInputTracker);
        EXPECT_EQ(LoopEnd::Completed, run.end);
        EXPECT_EQ(4, run.consumeCalls);
        const LoopRun midi = loop({.totalLength = 4000, .positionStep = 1000, .reads = -1}, progress, kInputMidi);
        EXPECT_EQ(4, midi.consumeCalls);
    }
    {
        SCOPED_TRACE("positions beyond the length keep the bar inside its range");
        RecordingConversionProgress progress;
        loop({.totalLength = 100, .positionStep = 1000, .reads = 3}, progress);
        for (int32_t p : progress.fileBarPositions)
            EXPECT_LE(p, progress.barWidth);
    }
}

TEST(BlockLoopTest, CancelAndFailedWritesStopBeforeTheNextBlock)
{
    RecordingConversionProgress progress;
    progress.cancelAfterPumps = 3;
    const LoopRun cancelled = loop({.totalLength = 10000, .reads = 10}, progress);
    EXPECT_EQ(LoopEnd::Cancelled, cancelled.end);
    EXPECT_EQ(2, cancelled.consumeCalls); // the third block was read but not written

    RecordingConversionProgress other;
    const LoopRun failed = loop({.totalLength = 10000, .reads = 10}, other, kInputWav, 4);
    EXPECT_EQ(LoopEnd::Failed, failed.end);
    EXPECT_EQ(4, failed.consumeCalls);
    EXPECT_NE("Converting song.wav...100%", other.fileTexts.back());
}

class RecordingRows final : public RowStatusSink {
public:
    void makeRowVisible(int32_t row) override { visible.push_back(row); }
    void setRowStatus(int32_t row, const std::string& text) override { status[row] = text; }
    void widenStatusColumn(int32_t width) override { widened = std::max(widened, width); }
    std::vector<int32_t> visible;
    std::map<int32_t, std::string> status;
    int32_t widened = 0;
};

class ScriptedPreconditions final : public BatchPreconditions {
public:
    bool windowsMediaReady(Engine&) override { return wmaReady; }
    bool checkSoundFont() override
    {
        ++soundFontChecks;
        return continueWithoutFont;
    }
    bool soundFontReady() const override { return fontReady; }
    bool wmaReady = true;
    bool fontReady = true;
    bool continueWithoutFont = true;
    int soundFontChecks = 0;
};

class ConversionJobTest : public testing::Test {
protected:
    std::vector<BatchRow> rowsFor(int count, InputTypeCode code = kInputWav)
    {
        std::vector<BatchRow> rows;
        for (int i = 0; i < count; ++i) {
            const std::string path = dir.file("in/song" + std::to_string(i) + ".wav");
            fs::create_directories(dir.file("in"));
            writeFileBytes(path, {1, 2, 3});
            rows.push_back({i, code, path, ""});
        }
        return rows;
    }
    BatchOptions options()
    {
        BatchOptions o;
        o.format = kOutputMp3;
        o.targetRules.folderMode = kFolderCustom;
        o.targetRules.customFolder = dir.file("out");
        o.browseOutputFolder = true;
        return o;
    }
    // Writes bytes of output, pumps once as a block loop would, and deletes
    // its target when Cancel was seen.
    ConversionRoutine writingRoutine(size_t bytes = 10)
    {
        return [this, bytes](InputTypeCode, const std::string&, const std::string& target, ConversionProgress& p) {
            routineCalls.push_back(job.runningNumber());
            writeFileBytes(target, std::vector<uint8_t>(bytes, 7));
            p.pump();
            if (p.cancelRequested()) {
                fs::remove(target);
                return false;
            }
            return true;
        };
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    RecordingProgressHost host;
    RecordingRows rows;
    ScriptedPreconditions preconditions;
    ConversionJob job{engine, host, rows, preconditions};
    std::vector<int32_t> routineCalls;
};

TEST_F(ConversionJobTest, ConvertedRowsShowTheirTargetNamesAndTheFirstIsRevealed)
{
    auto batch = rowsFor(3);
    job.run(batch, options(), writingRoutine());
    EXPECT_EQ("song0.mp3", rows.status[0]);
    EXPECT_EQ("song2.mp3", rows.status[2]);
    EXPECT_EQ(dir.file("out/song1.mp3"), batch[1].targetPath);
    EXPECT_EQ((std::vector<int32_t>{1, 2, 3}), routineCalls);
    EXPECT_EQ((std::vector<std::string>{"Converting 1 of 3 file(s) to MP3...", "Converting 2 of 3 file(s) to MP3...",
                                        "Converting 3 of 3 file(s) to MP3..."}),
              host.lastConversion.runTexts);
    EXPECT_EQ(3, host.lastConversion.runBarPosition);
    EXPECT_EQ((std::vector<bool>{false, true}), host.enabledCalls);
    EXPECT_EQ((std::vector<std::string>{batch[0].targetPath}), prompts.revealedFiles);
}

TEST_F(ConversionJobTest, CancelDuringTheThirdOfFiveFiles)
{
    auto batch = rowsFor(5);
    rows.status[3] = "old status";
    // Pumps: 1 when the dialog opens, then per converted row one in the
    // routine and one after it; the third routine's pump is the sixth.
    host.conversionCancelAfterPumps = 6;
    job.run(batch, options(), writingRoutine());
    EXPECT_TRUE(job.wasCancelled());
    EXPECT_EQ("song0.mp3", rows.status[0]);
    EXPECT_EQ("song1.mp3", rows.status[1]);
    EXPECT_EQ("Cancelled", rows.status[2]);
    EXPECT_EQ("old status", rows.status[3]);
    EXPECT_EQ(0u, rows.status.count(4));
    EXPECT_TRUE(fs::exists(dir.file("out/song1.mp3")));
    EXPECT_FALSE(fs::exists(dir.file("out/song2.mp3")));
    EXPECT_TRUE(batch[2].targetPath.empty());
    EXPECT_TRUE(prompts.revealedFiles.empty());
    EXPECT_EQ((std::vector<bool>{false, true}), host.enabledCalls);
}

TEST_F(ConversionJobTest, FailuresBecomeStatusTextsAndTheRunGoesOn)
{
    auto batch = rowsFor(4);
    fs::create_directories(dir.file("out"));
    writeFileBytes(dir.file("out/song3.mp3"), {1});
    BatchOptions o = options();
    o.targetRules.existsPolicy = kTargetSkip;
    int call = 0;
    job.run(batch, o, [&](InputTypeCode code, const std::string&, const std::string& target, ConversionProgress&) {
        ++call;
        if (call == 1) { // the factory refuses the source
            EXPECT_EQ(nullptr, engine.createSource(dir.file("missing.wav"), code, 0, false));
            return false;
        }
        if (call == 2) { // claims success but writes nothing
            writeFileBytes(target, {});
            return true;
        }
        writeFileBytes(target, {1, 2});
        return true;
    });
    EXPECT_EQ("Conversion Failure (The file does not exist.)", rows.status[0]);
    EXPECT_EQ(500, rows.widened);
    EXPECT_EQ("Conversion Failure", rows.status[1]); // the detail was emptied for this row
    EXPECT_EQ("song2.mp3", rows.status[2]);
    EXPECT_EQ("Target exists and skipped", rows.status[3]);
    EXPECT_EQ(3, call);
    EXPECT_TRUE(batch[0].targetPath.empty());
    EXPECT_TRUE(batch[1].targetPath.empty());
    EXPECT_EQ((std::vector<std::string>{batch[2].targetPath}), prompts.revealedFiles);
}

TEST_F(ConversionJobTest, PreconditionsCanEndOrShapeTheRun)
{
    {
        SCOPED_TRACE("a Windows Media run without the run-time converts nothing");
        preconditions.wmaReady = false;
        auto batch = rowsFor(2);
        BatchOptions o = options();
        o.format = kOutputWma;
        job.run(batch, o, writingRoutine());
        EXPECT_TRUE(rows.status.empty());
        EXPECT_EQ(0, host.conversionWindowsCreated);
        preconditions.wmaReady = true;
    }
    {
        SCOPED_TRACE("MIDI rows fail without a sound font; the check runs once");
        preconditions.fontReady = false;
        auto batch = rowsFor(2, kInputMidi);
        batch.push_back(rowsFor(3)[2]);
        job.run(batch, options(), writingRoutine());
        EXPECT_EQ(1, preconditions.soundFontChecks);
        EXPECT_EQ("Failure. Requires file \"ct4mgm.sf2\".", rows.status[0]);
        EXPECT_EQ("Failure. Requires file \"ct4mgm.sf2\".", rows.status[1]);
        EXPECT_EQ("song2.mp3", rows.status[2]);
        EXPECT_EQ((std::vector<int32_t>{3}), routineCalls); // the running number counts the failed rows
    }
    {
        SCOPED_TRACE("the user chose to fetch the font: nothing happens");
        preconditions.continueWithoutFont = false;
        rows.status.clear();
        auto batch = rowsFor(1, kInputMidi);
        job.run(batch, options(), writingRoutine());
        EXPECT_TRUE(rows.status.empty());
    }
}

} // namespace
} // namespace sonivert::test
