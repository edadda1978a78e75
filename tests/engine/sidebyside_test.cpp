// Files converted side by side: what the rows show does not depend on which
// file finishes first, every file is whole, and Cancel stops them all.

#include "engine/conversionjob.h"
#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/ffprobeinfo.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace sonivert::test {
namespace {

class StatusRows final : public RowStatusSink {
public:
    void makeRowVisible(int32_t) override {}
    void setRowStatus(int32_t row, const std::string& text) override { status[row] = text; }
    void widenStatusColumn(int32_t) override {}
    std::map<int32_t, std::string> status;
};

class SideBySideTest : public testing::Test {
protected:
    std::vector<BatchRow> sources(const std::vector<std::pair<std::string, double>>& files)
    {
        std::vector<BatchRow> rows;
        for (const auto& [name, seconds] : files) {
            const std::string path = dir.file(name);
            fs::create_directories(fs::path(path).parent_path());
            EXPECT_EQ(0, runCommand("sox -R -n -r 22050 -c 1 -b 16 " + shellQuote(path) + " synth " +
                                    std::to_string(seconds) + " sine 440"));
            rows.push_back({static_cast<int32_t>(rows.size()), kInputWav, path, ""});
        }
        return rows;
    }
    void run(std::vector<BatchRow>& rows, int32_t jobs)
    {
        BatchOptions options = batchOptionsFrom(settings, {});
        options.format = kOutputMp3;
        options.targetRules.folderMode = kFolderCustom;
        options.targetRules.customFolder = dir.file("out");
        options.jobs = jobs;
        ConversionRoutines routines(engine, settings);
        job.run(rows, options, routines.routineFor(kOutputMp3, &job));
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    ConversionSettings settings{std::nullopt};
    RecordingProgressHost host;
    StatusRows rows;
    BatchPreconditions preconditions;
    ConversionJob job{engine, host, rows, preconditions};
};

TEST_F(SideBySideTest, RowsGetTheirNamesAndNumbersInRowOrderAndEveryFileIsWhole)
{
    // Tracks numbered by the run; two sources of one name, the first of
    // them the longest, so it finishes last and still gets the plain name.
    settings.MP3ID3TagType = 0;
    settings.MP3Tag.TrackNumType = 1;
    std::vector<BatchRow> batch =
        sources({{"a/x.wav", 6}, {"b/x.wav", 1}, {"c.wav", 2}, {"d.wav", 1.5}, {"e.wav", 1}, {"f.wav", 2.5}});
    run(batch, 3);
    EXPECT_EQ(3, host.lastConversion.fileLines);
    EXPECT_EQ("Converted 6 of 6 file(s) to MP3...", host.lastConversion.runTexts.back());
    const std::vector<std::string> names = {"x.mp3", "x_1.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3"};
    const double seconds[] = {6, 1, 2, 1.5, 1, 2.5};
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(names[i], rows.status[static_cast<int32_t>(i)]);
        const std::string path = dir.file("out/" + names[i]);
        EXPECT_EQ(path, batch[i].targetPath);
        const FfprobeInfo info = ffprobeInfo(path);
        EXPECT_EQ(std::to_string(i + 1), info.tags.count("track") ? info.tags.at("track") : "");
        EXPECT_NEAR(seconds[i], static_cast<double>(info.frames * mp3FrameSamples(info.sampleRate)) / info.sampleRate,
                    0.15);
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(std::distance(fs::directory_iterator(dir.file("out")), {})))
        << "no temporary left";
}

TEST_F(SideBySideTest, CancelStopsEveryRunningFileAndLeavesTheOthersUntouched)
{
    std::vector<BatchRow> batch = sources({{"a.wav", 120}, {"b.wav", 120}, {"c.wav", 1}, {"d.wav", 1}});
    rows.status[3] = "old status";
    host.conversionCancelAfterPumps = 4; // while the first two are running
    run(batch, 2);
    EXPECT_TRUE(job.wasCancelled());
    EXPECT_EQ("Cancelled", rows.status[0]);
    EXPECT_EQ("Cancelled", rows.status[1]);
    EXPECT_EQ(0u, rows.status.count(2));
    EXPECT_EQ("old status", rows.status[3]);
    EXPECT_TRUE(fs::is_empty(dir.file("out"))) << "nothing left of the cancelled files";
    EXPECT_TRUE(batch[0].targetPath.empty() && batch[1].targetPath.empty());
}

} // namespace
} // namespace sonivert::test
