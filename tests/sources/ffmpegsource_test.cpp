// Stream information, tags and the reading contract of the FFmpeg readers on
// files the ffmpeg command line writes: containers without duration or
// without audio, video fields, tags, the untouched right buffer of mono
// sources, progress, reopening, and names that look like URLs.

#include "sources/ffmpegprobesource.h"
#include "sources/ffmpegsource.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace sonivert::test {
namespace {

class FfmpegSourceTest : public testing::Test {
protected:
    // Writes name in the scratch folder with ffmpeg: inputs, then output options.
    std::string make(const std::string& name, const std::string& inputs, const std::string& options)
    {
        const std::string path = dir.file(name);
        EXPECT_EQ(0, runCommand("ffmpeg -v error -y " + inputs + " " + options + " " + shellQuote(path)));
        return path;
    }
    // An input of channels sine tones of different pitch.
    static std::string tone(double seconds, int channels = 2, int rate = 44100)
    {
        std::string exprs;
        for (int c = 0; c < channels; ++c)
            exprs += (c ? "|" : "") + std::string("0.5*sin(2*PI*") + std::to_string(300 + 100 * c) + "*t)";
        return "-f lavfi -i " + shellQuote("aevalsrc=exprs=" + exprs + ":s=" + std::to_string(rate) +
                                           ":d=" + std::to_string(seconds));
    }
    static std::string video(const std::string& size, const std::string& rate, double seconds)
    {
        return "-f lavfi -i testsrc=size=" + size + ":rate=" + rate + ":d=" + std::to_string(seconds);
    }
    TempDir dir;
};

TEST_F(FfmpegSourceTest, ContainerWithoutDurationShowsZeroSeconds)
{
    // Written to a pipe, FLAC gets no sample count in its header.
    const std::string path = dir.file("piped.flac");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -y " + tone(2.5) + " -c:a flac -f flac - > " + shellQuote(path)));

    FfmpegProbeSource probe;
    ASSERT_TRUE(probe.open(path, 0));
    EXPECT_EQ(0, probe.durationSeconds());
    EXPECT_EQ(44100, probe.sampleRate());

    FfmpegSource source;
    ASSERT_TRUE(source.open(path, 0));
    EXPECT_EQ(0, source.durationSeconds());
    const DecodedPcm got = decodeAll(source);
    EXPECT_TRUE(got.endedCleanly);
    EXPECT_EQ(44100u * 5 / 2, got.left.size()); // the stream itself is whole
}

TEST_F(FfmpegSourceTest, ContainerWithoutAudioIsListedButNotDecoded)
{
    const std::string path = make("silent.mkv", video("64x48", "25", 2), "-c:v mpeg4");

    FfmpegProbeSource probe;
    ASSERT_TRUE(probe.open(path, 0));
    EXPECT_EQ(0, probe.sampleRate());
    EXPECT_EQ(0, probe.channels());
    EXPECT_EQ(0, probe.outputChannels());
    EXPECT_EQ(0, probe.bitsPerSample());
    EXPECT_EQ(0, probe.bitrateKbps());
    EXPECT_EQ(ChannelMode::NotMpeg, probe.channelMode());
    EXPECT_EQ(2, probe.durationSeconds());
    int32_t width = 0, height = 0;
    probe.videoSize(width, height);
    EXPECT_EQ(64, width);
    EXPECT_EQ(48, height);
    EXPECT_DOUBLE_EQ(25.0, probe.videoFrameRate());
    int16_t block[AudioSource::kBlockFrames];
    EXPECT_EQ(0, probe.read(block, block));

    FfmpegSource source;
    EXPECT_FALSE(source.open(path, 0));
    EXPECT_EQ(0, source.sampleRate());
}

TEST_F(FfmpegSourceTest, ProbeReportsAudioAndVideoOfOneFile)
{
    const std::string path = make("movie.mp4", video("320x240", "30000/1001", 1.2) + " " + tone(1.2, 6, 48000),
                                  "-c:v mpeg4 -c:a aac -b:a 192k");
    FfmpegProbeSource probe;
    ASSERT_TRUE(probe.open(path, 0));
    EXPECT_EQ(48000, probe.sampleRate());
    EXPECT_EQ(6, probe.channels());
    EXPECT_EQ(2, probe.outputChannels());
    EXPECT_EQ(16, probe.bitsPerSample());
    EXPECT_EQ(ChannelMode::Stereo, probe.channelMode());
    EXPECT_GT(probe.bitrateKbps(), 0);
    EXPECT_EQ(1, probe.durationSeconds());
    int32_t width = 0, height = 0;
    probe.videoSize(width, height);
    EXPECT_EQ(320, width);
    EXPECT_EQ(240, height);
    EXPECT_NEAR(29.97, probe.videoFrameRate(), 0.01);
    // The probe has no progress unit.
    EXPECT_EQ(0u, probe.totalLength());
}

TEST_F(FfmpegSourceTest, CoverArtIsNotAVideoStream)
{
    const std::string cover = make("cover.png", video("40x30", "1", 1), "-frames:v 1");
    const std::string path = make("covered.mp3", tone(1, 2) + " -i " + shellQuote(cover),
                                  "-map 0:a -map 1:v -c:a libmp3lame -c:v png -disposition:v attached_pic");
    FfmpegProbeSource probe;
    ASSERT_TRUE(probe.open(path, 0));
    int32_t width = -1, height = -1;
    probe.videoSize(width, height);
    EXPECT_EQ(0, width);
    EXPECT_EQ(0, height);
    EXPECT_EQ(0.0, probe.videoFrameRate());
    EXPECT_EQ(2, probe.channels());
}

struct TagCase {
    const char* extension;
    const char* codec;
};

void PrintTo(const TagCase& c, std::ostream* os)
{
    *os << c.extension;
}

class FfmpegTagTest : public FfmpegSourceTest, public testing::WithParamInterface<TagCase> {};

TEST_P(FfmpegTagTest, TagsWrittenByFfmpegReadBack)
{
    const TagCase& c = GetParam();
    const std::string path =
        make(std::string("tagged.") + c.extension, tone(0.5),
             std::string("-c:a ") + c.codec +
                 " -metadata title=Tïtle -metadata artist='The Artist' -metadata album=Album"
                 " -metadata date=2004-05-01 -metadata genre=Genre -metadata comment=Comment"
                 " -metadata track=3/12 -metadata copyright=Copyright");
    FfmpegSource source;
    ASSERT_TRUE(source.open(path, 0));
    std::string title, artist, album, year, genre, comment, track, composer = "x", copyright;
    ASSERT_TRUE(source.readTags(title, artist, album, year, genre, comment, track, composer, copyright));
    EXPECT_EQ("Tïtle", title);
    EXPECT_EQ("The Artist", artist);
    EXPECT_EQ("Album", album);
    EXPECT_EQ("2004", year);
    EXPECT_EQ("Genre", genre);
    EXPECT_EQ("Comment", comment);
    EXPECT_EQ("3", track);
    EXPECT_EQ("", composer);
    EXPECT_EQ("Copyright", copyright);
}

INSTANTIATE_TEST_SUITE_P(Containers, FfmpegTagTest,
                         testing::Values(TagCase{"mp3", "libmp3lame"}, TagCase{"flac", "flac"},
                                         TagCase{"m4a", "aac"}, TagCase{"ogg", "libvorbis"},
                                         TagCase{"wma", "wmav2"}, TagCase{"wv", "wavpack"},
                                         TagCase{"mka", "flac"}),
                         [](const testing::TestParamInfo<TagCase>& info) { return std::string(info.param.extension); });

TEST_F(FfmpegSourceTest, EmptinessOfTagsFollowsTheTextsYearAndTrack)
{
    std::string title = "keep", artist = "keep", album = "keep", year = "keep", genre = "keep", comment = "keep",
                track = "keep", composer = "keep", copyright = "keep";
    auto read = [&](const std::string& path) {
        FfmpegSource source;
        EXPECT_TRUE(source.open(path, 0));
        return source.readTags(title, artist, album, year, genre, comment, track, composer, copyright);
    };

    // No tags at all, and a track number of 0: nothing changes.
    EXPECT_FALSE(read(make("bare.flac", tone(0.2), "-c:a flac -fflags +bitexact")));
    EXPECT_FALSE(read(make("zero.flac", tone(0.2), "-c:a flac -fflags +bitexact -metadata track=0")));
    EXPECT_EQ("keep", title);
    EXPECT_EQ("keep", year);

    // A year alone is a tag; every other text is emptied.
    ASSERT_TRUE(read(make("year.flac", tone(0.2), "-c:a flac -fflags +bitexact -metadata date=1999")));
    EXPECT_EQ("1999", year);
    EXPECT_EQ("", title);
    EXPECT_EQ("", track);
    EXPECT_EQ("", composer);
}

TEST_F(FfmpegSourceTest, MonoSourceLeavesTheRightBufferUntouched)
{
    const std::string path = make("mono.mp3", tone(1, 1), "-c:a libmp3lame");
    FfmpegSource source;
    ASSERT_TRUE(source.open(path, 0));
    ASSERT_EQ(1, source.outputChannels());
    EXPECT_EQ(ChannelMode::Mono, source.channelMode());
    std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames, 0x5A5A);
    int64_t frames = 0;
    for (int32_t n; (n = source.read(left.data(), right.data())) > 0;)
        frames += n;
    EXPECT_GT(frames, 44100 * 9 / 10);
    EXPECT_EQ(std::vector<int16_t>(AudioSource::kBlockFrames, 0x5A5A), right);
    // The right buffer may be absent altogether.
    ASSERT_TRUE(source.open(path, 0));
    EXPECT_EQ(AudioSource::kBlockFrames, source.read(left.data(), nullptr));
}

TEST_F(FfmpegSourceTest, StereoSourceNeedsBothBuffers)
{
    const std::string path = make("stereo.mp3", tone(0.5), "-c:a libmp3lame");
    FfmpegSource source;
    ASSERT_TRUE(source.open(path, 0));
    std::vector<int16_t> left(AudioSource::kBlockFrames);
    EXPECT_EQ(0, source.read(left.data(), nullptr));
    EXPECT_EQ(0, source.read(nullptr, left.data()));
}

TEST_F(FfmpegSourceTest, PositionAdvancesThroughTheFileBytes)
{
    const std::string path = make("long.mp3", tone(5), "-c:a libmp3lame -b:a 128k");
    FfmpegSource source;
    ASSERT_TRUE(source.open(path, 0));
    EXPECT_EQ(readFileBytes(path).size(), source.totalLength());
    EXPECT_EQ(128, source.bitrateKbps());
    std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames);
    uint64_t last = source.position();
    int rises = 0;
    while (source.read(left.data(), right.data()) > 0) {
        ASSERT_GE(source.position(), last);
        ASSERT_LE(source.position(), source.totalLength());
        rises += source.position() > last;
        last = source.position();
    }
    EXPECT_GT(rises, 5); // the progress moves in steps, not only at the end
    EXPECT_GT(last, source.totalLength() * 9 / 10);
    EXPECT_EQ(0, source.read(left.data(), right.data())); // the end stays the end
}

TEST_F(FfmpegSourceTest, OpenReplacesTheOpenFileAndCloseResetsEverything)
{
    const std::string first = make("first.flac", tone(1.5, 2, 44100), "-c:a flac");
    const std::string second = make("second.ogg", tone(2.5, 1, 22050), "-c:a libvorbis");
    FfmpegSource source;
    ASSERT_TRUE(source.open(first, 0));
    std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames);
    ASSERT_GT(source.read(left.data(), right.data()), 0);

    ASSERT_TRUE(source.open(second, 0));
    EXPECT_EQ(22050, source.sampleRate());
    EXPECT_EQ(1, source.channels());
    EXPECT_EQ(2, source.durationSeconds());
    EXPECT_EQ(22050u * 5 / 2, decodeAll(source).left.size());

    source.close();
    EXPECT_EQ(0, source.sampleRate());
    EXPECT_EQ(0, source.outputChannels());
    EXPECT_EQ(0u, source.totalLength());
    EXPECT_EQ(0u, source.position());
    EXPECT_EQ(ChannelMode::NotMpeg, source.channelMode());
    EXPECT_EQ(0, source.read(left.data(), right.data()));

    // A failed open leaves the source closed.
    ASSERT_TRUE(source.open(first, 0));
    EXPECT_FALSE(source.open(dir.file("missing.flac"), 0));
    EXPECT_EQ(0, source.sampleRate());
    EXPECT_EQ(0, source.read(left.data(), right.data()));
}

TEST_F(FfmpegSourceTest, NamesThatLookLikeUrlsAreLocalFiles)
{
    const std::string tonePath = make("tone.mp3", tone(0.5), "-c:a libmp3lame");
    for (const char* name : {"http:tone.mp3", "concat:tone.mp3", "subfile:tone.mp3"})
        std::filesystem::copy_file(tonePath, dir.file(name));

    // Relative names are where a prefix would be taken for a protocol.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    for (const char* name : {"http:tone.mp3", "concat:tone.mp3", "subfile:tone.mp3"}) {
        FfmpegProbeSource probe;
        EXPECT_TRUE(probe.open(name, 0)) << name;
        EXPECT_EQ(44100, probe.sampleRate()) << name;
        FfmpegSource source;
        EXPECT_TRUE(source.open(name, 0)) << name;
        EXPECT_EQ(readFileBytes(tonePath).size(), source.totalLength()) << name;
    }
    std::filesystem::current_path(previous);
}

} // namespace
} // namespace sonivert::test
