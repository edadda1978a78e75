// Mp4AudioWriter on generated PCM, read back by a box walker of the tests
// (sample durations, edit list, time scales), by ffprobe (stream, duration,
// metadata) and by ffmpeg's decoder.

#include "encoders/mp4audiowriter.h"
#include "engine/tracktags.h"
#include "tests/support/aacprobe.h"
#include "tests/support/mp4boxes.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <numeric>

namespace sonivert::test {
namespace {

std::vector<int16_t> sine(int rate, int frames, double frequency, double level)
{
    std::vector<int16_t> out;
    for (int i = 0; i < frames; ++i)
        out.push_back(static_cast<int16_t>(32767 * level * std::sin(2 * std::numbers::pi * frequency * i / rate)));
    return out;
}

class Mp4AudioWriterTest : public testing::Test {
protected:
    // Writes frames of a stereo tone at 44100 Hz in blocks of the given size.
    void writeStereo(const std::string& path, int frames, int block, const TrackTags* tags = nullptr, int track = 0)
    {
        const std::vector<int16_t> left = sine(44100, frames, 440, 0.5), right = sine(44100, frames, 1000, 0.25);
        Mp4AudioWriter writer;
        ASSERT_TRUE(writer.Open(path, 44100, 2, 16));
        ASSERT_TRUE(writer.Start());
        if (tags)
            writer.SetMetadata(*tags, track);
        for (int done = 0; done < frames; done += block)
            ASSERT_TRUE(writer.EncodeBlock16(left.data() + done, right.data() + done, std::min(block, frames - done)));
        ASSERT_TRUE(writer.Close());
    }
    TempDir dir;
};

TEST_F(Mp4AudioWriterTest, SampleDurationsAddUpToTheInputPlusTheDelay)
{
    const std::string path = dir.file("one-second.m4a");
    writeStereo(path, 44100, 1152);

    const Mp4TrackTiming t = readMp4TrackTiming(path);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(90000u, t.movieTimeScale);
    EXPECT_EQ(44100u, t.mediaTimeScale);
    EXPECT_EQ(0u, t.creationTime) << "fixed, so that equal inputs give equal files";
    EXPECT_EQ(0u, t.modificationTime);
    EXPECT_EQ(0x0F, t.audioProfileLevel);
    // 1024 each until the rest of 44100 + 1024 is smaller: 44 x 1024, then 68.
    ASSERT_EQ(45u, t.durations.size());
    EXPECT_EQ(std::vector<uint32_t>(44, 1024), std::vector<uint32_t>(t.durations.begin(), t.durations.end() - 1));
    EXPECT_EQ(68u, t.durations.back());
    EXPECT_EQ(44100u + 1024u, std::accumulate(t.durations.begin(), t.durations.end(), uint64_t{0}));
    for (int64_t offset : t.compositionOffsets)
        EXPECT_EQ(0, offset);
    // The first sample's offset of 1024 is the delay the edit list skips.
    ASSERT_EQ(1u, t.edits.size());
    EXPECT_EQ(1024, t.edits[0].mediaTime);
    EXPECT_EQ(90000u, t.edits[0].segmentDuration);

    const auto probe = probeAudio(path);
    EXPECT_EQ("aac", probe.at("stream.codec_name"));
    EXPECT_EQ("LC", probe.at("stream.profile"));
    EXPECT_EQ("44100", probe.at("stream.sample_rate"));
    EXPECT_EQ("2", probe.at("stream.channels"));
    EXPECT_NEAR(1.0, std::stod(probe.at("stream.duration")), 1024.0 / 44100);

    const DecodedAudio decoded = ffmpegDecode(path, 2);
    EXPECT_TRUE(decoded.clean);
    EXPECT_NEAR(44100.0, decoded.samples.size() / 2.0, 1024);
    EXPECT_NEAR(0.5, peakOf(decoded.samples, 2, 0, 2048, 40000), 0.05);
    EXPECT_NEAR(0.25, peakOf(decoded.samples, 2, 1, 2048, 40000), 0.05);

    // The same input in other block sizes gives the same bytes.
    const std::string odd = dir.file("odd.m4a");
    writeStereo(odd, 44100, 1001);
    EXPECT_EQ(readFileBytes(path), readFileBytes(odd));
}

TEST_F(Mp4AudioWriterTest, ShortInputOfEightBitMono)
{
    std::vector<uint8_t> samples(500);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<uint8_t>(128 + std::lround(60 * std::sin(2 * std::numbers::pi * 440 * i / 22050)));
    const std::string path = dir.file("short.m4a");
    Mp4AudioWriter writer;
    ASSERT_TRUE(writer.Open(path, 22050, 1, 8));
    ASSERT_TRUE(writer.Start());
    ASSERT_TRUE(writer.EncodeBlock8(samples.data(), nullptr, 500));
    ASSERT_TRUE(writer.Close());

    const Mp4TrackTiming t = readMp4TrackTiming(path);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(22050u, t.mediaTimeScale);
    EXPECT_EQ((std::vector<uint32_t>{1024, 500}), t.durations);
    ASSERT_EQ(1u, t.edits.size());
    EXPECT_EQ(1024, t.edits[0].mediaTime);
    const auto probe = probeAudio(path);
    EXPECT_EQ("1", probe.at("stream.channels"));
    EXPECT_NEAR(500.0 / 22050, std::stod(probe.at("stream.duration")), 0.001);
    const DecodedAudio decoded = ffmpegDecode(path, 1);
    EXPECT_TRUE(decoded.clean);
    EXPECT_NEAR(60.0 / 128, peakOf(decoded.samples, 1, 0, 0, 500), 0.06);
}

TEST_F(Mp4AudioWriterTest, MetadataItemsAndTheirOmissions)
{
    TrackTags tags;
    tags.title = "T\xC3\xADtulo";
    tags.artist = "Artist";
    tags.album = "Album";
    tags.year = "1999";
    tags.genre = "Jazz";
    tags.comment = "Comment";
    tags.composer = "Composer";
    tags.copyright = "Copyright";
    const std::string full = dir.file("full.m4a");
    writeStereo(full, 4410, 1152, &tags, 7);
    auto probe = probeAudio(full);
    const std::map<std::string, std::string> expected = {
        {"tag.title", "T\xC3\xADtulo"}, {"tag.artist", "Artist"},   {"tag.album", "Album"},
        {"tag.date", "1999"},          {"tag.genre", "Jazz"},      {"tag.comment", "Comment"},
        {"tag.composer", "Composer"},  {"tag.track", "7"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(value, probe[key]) << key;
    EXPECT_EQ(0u, probe.count("tag.copyright")) << "copyright is never written";

    // Track 0 and a track beyond 16 bits write no track item; text that is
    // not UTF-8 writes no item either.
    tags.title = "bad \xFF text";
    for (int track : {0, 70000}) {
        const std::string path = dir.file("t" + std::to_string(track) + ".m4a");
        writeStereo(path, 4410, 1152, &tags, track);
        probe = probeAudio(path);
        EXPECT_EQ(0u, probe.count("tag.track")) << track;
        EXPECT_EQ(0u, probe.count("tag.title")) << track;
        EXPECT_EQ("Artist", probe["tag.artist"]);
    }
}

TEST_F(Mp4AudioWriterTest, RefusedConfigurationStartsNothing)
{
    const std::string path = dir.file("refused.m4a");
    Mp4AudioWriter writer;
    ASSERT_TRUE(writer.Open(path, 44100, 2, 16));
    writer.Configuration()->aacObjectType = 4;
    EXPECT_FALSE(writer.Start());
    int16_t sample = 0;
    EXPECT_FALSE(writer.EncodeBlock16(&sample, &sample, 1));
    writer.Close();
    EXPECT_FALSE(writer.Open(dir.file("rate.m4a"), 6000, 1, 16));
    EXPECT_FALSE(writer.Open(dir.file("no/such/folder.m4a"), 44100, 1, 16));
}

} // namespace
} // namespace sonivert::test
