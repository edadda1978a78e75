// VorbisEncoder on real files, checked by walking the Ogg pages of the
// output, by vorbiscomment, oggdec and ffprobe: the page layout (headers on
// their own pages, the last page flagged end-of-stream), the comments in
// their order and rules, the calling protocol with Close in every state, and
// write failures that must not pass as success.

#include "encoders/vorbisencoder.h"
#include "engine/tracktags.h"
#include "tests/support/ffprobeinfo.h"
#include "tests/support/oggprobe.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

namespace sonivert::test {
namespace {

// Feeds frames of a 440 Hz (left) and 660 Hz (right) sine at a third of
// full scale with some noise, which keeps the encoder's output near its
// nominal rate, in blocks of 1152 frames.
bool feed(VorbisEncoder& encoder, int32_t frames, int32_t rate)
{
    std::vector<int16_t> left(static_cast<size_t>(frames)), right(left.size());
    uint32_t noise = 1;
    auto next = [&noise] {
        noise = noise * 1664525u + 1013904223u;
        return static_cast<int32_t>(noise >> 20) - 2048;
    };
    for (int32_t i = 0; i < frames; ++i) {
        left[static_cast<size_t>(i)] =
            static_cast<int16_t>(10000 * std::sin(2 * std::numbers::pi * 440 * i / rate) + next());
        right[static_cast<size_t>(i)] =
            static_cast<int16_t>(10000 * std::sin(2 * std::numbers::pi * 660 * i / rate) + next());
    }
    for (int32_t at = 0; at < frames; at += 1152) {
        if (!encoder.EncodeBlock(left.data() + at, right.data() + at, std::min(1152, frames - at)))
            return false;
    }
    return true;
}

bool encodeFile(const std::string& path, int32_t rate, int32_t channels, int32_t bitsPerSecond,
                const TrackTags* tags, int32_t frames)
{
    VorbisEncoder encoder;
    if (!encoder.Open(path) || !encoder.Configure(rate, channels, bitsPerSecond))
        return false;
    if (tags)
        encoder.SetComments(*tags);
    return encoder.WriteHeaders() && feed(encoder, frames, rate) && encoder.Finish() && encoder.Close();
}

TEST(VorbisEncoder, PagesCommentsAndFiguresAsOtherToolsSeeThem)
{
    TempDir dir;
    TrackTags tags;
    tags.title = "Caf\xC3\xA9";
    tags.artist = "Artist";
    tags.album = "Album";
    tags.year = "2004";
    tags.genre = "Jazz";
    tags.comment = "Comment";
    tags.track = "7";
    tags.composer = "Composer";
    tags.copyright = "Copyright";
    const std::string path = dir.file("out.ogg");
    const int32_t frames = 2 * 44100 + 77;
    ASSERT_TRUE(encodeFile(path, 44100, 2, 128000, &tags, frames));

    const auto pages = walkOggPages(path);
    ASSERT_TRUE(pages);
    ASSERT_GT(pages->size(), 4u);
    // The identification header alone on the first page; the comment and
    // setup headers close on a page of their own with granule 0, so the
    // audio starts on a fresh page.
    EXPECT_EQ(0x02, pages->front().flags);
    EXPECT_EQ(1, pages->front().packetsEnded);
    size_t headerPages = 0;
    for (int packets = 0; headerPages < pages->size() && packets < 3; ++headerPages) {
        EXPECT_EQ(0, (*pages)[headerPages].granule);
        packets += (*pages)[headerPages].packetsEnded;
        EXPECT_LE(packets, 3) << "an audio packet shares a header page";
    }
    EXPECT_TRUE((*pages)[headerPages - 1].endsOnPacket);
    const OggPage& firstAudio = (*pages)[headerPages];
    EXPECT_EQ(0, firstAudio.flags & 0x01); // not a continuation
    EXPECT_GT(firstAudio.granule, 0);
    for (size_t i = 0; i < pages->size(); ++i) {
        const OggPage& page = (*pages)[i];
        EXPECT_EQ(pages->front().serial, page.serial);
        EXPECT_EQ(i, page.sequence);
        EXPECT_EQ(i + 1 == pages->size(), (page.flags & 0x04) != 0) << "end-of-stream flag on page " << i;
    }
    // The last granule position is the exact sample count.
    EXPECT_EQ(frames, pages->back().granule);

    const auto comments = listVorbisComments(path);
    ASSERT_TRUE(comments);
    const std::vector<std::string> expected = {
        "TITLE=Caf\xC3\xA9", "ARTIST=Artist",   "ALBUM=Album",         "DATE=2004",     "GENRE=Jazz",
        "COMMENT=Comment",   "COMPOSER=Composer", "COPYRIGHT=Copyright", "TRACKNUMBER=7",
    };
    EXPECT_EQ(expected, *comments);

    const FfprobeInfo info = ffprobeInfo(path);
    EXPECT_EQ(44100, info.sampleRate);
    EXPECT_EQ(2, info.channels);
    EXPECT_EQ(128000, info.bitRate); // the nominal rate
    std::map<std::string, std::string> probed = ffprobeStreamTags(path);
    EXPECT_EQ("Caf\xC3\xA9", probed["title"]);
    EXPECT_EQ("7", probed["track"]); // ffmpeg's name for TRACKNUMBER
    EXPECT_NEAR(double(frames) / 44100, ffprobeDurationSeconds(path), double(frames) / 44100 * 0.01);
    const auto decoded = oggdecSamples(path);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(size_t(frames) * 2, decoded->size());
}

TEST(VorbisEncoder, CommentRules)
{
    TempDir dir;
    const struct {
        const char* name;
        const char *title, *artist, *track;
        std::vector<std::string> expected;
    } cases[] = {
        {"no track text, no TRACKNUMBER", "T", "", "", {"TITLE=T"}},
        {"track 0 writes none", "T", "", "0", {"TITLE=T"}},
        {"track text kept as written", "", "A", "3/12", {"ARTIST=A", "TRACKNUMBER=3/12"}},
        {"a text that is not UTF-8 is left out", "ok", "Caf\xE9", "", {"TITLE=ok"}},
        {"nothing at all", "", "", "", {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TrackTags tags;
        tags.title = c.title;
        tags.artist = c.artist;
        tags.track = c.track;
        const std::string path = dir.file(std::to_string(n++) + ".ogg");
        ASSERT_TRUE(encodeFile(path, 22050, 1, 64000, &tags, 2205));
        EXPECT_EQ(c.expected, listVorbisComments(path).value_or(std::vector<std::string>{"(failed)"}));
    }
}

TEST(VorbisEncoder, ProtocolAndCloseInEveryState)
{
    TempDir dir;
    const std::string path = dir.file("out.ogg");
    const int16_t samples[4] = {1, 2, 3, 4};
    VorbisEncoder encoder;
    EXPECT_TRUE(encoder.Close()); // never opened
    EXPECT_FALSE(encoder.Configure(44100, 2, 128000));
    EXPECT_FALSE(encoder.Open(dir.file("no/such/folder.ogg")));
    EXPECT_FALSE(encoder.WriteHeaders());

    ASSERT_TRUE(encoder.Open(path));
    EXPECT_FALSE(encoder.WriteHeaders()); // not configured
    EXPECT_FALSE(encoder.EncodeBlock(samples, samples, 4));
    EXPECT_TRUE(encoder.Close()); // open only

    // Set-ups the library or the encoder refuse; each leaves a closable encoder.
    const struct {
        int32_t rate, channels, bitsPerSecond;
    } refused[] = {{44100, 3, 128000}, {44100, 0, 128000}, {8000, 2, 480000}, {0, 2, 128000}, {44100, 1, 0}};
    for (const auto& r : refused) {
        SCOPED_TRACE(std::to_string(r.rate) + " Hz, " + std::to_string(r.channels) + " channels, " +
                     std::to_string(r.bitsPerSecond));
        ASSERT_TRUE(encoder.Open(path));
        EXPECT_FALSE(encoder.Configure(r.rate, r.channels, r.bitsPerSecond));
        EXPECT_FALSE(encoder.WriteHeaders());
        EXPECT_TRUE(encoder.Close());
    }

    // Configured, then streaming without an end; Open closes the old stream.
    ASSERT_TRUE(encoder.Open(path));
    ASSERT_TRUE(encoder.Configure(44100, 2, 128000));
    EXPECT_FALSE(encoder.Configure(44100, 2, 128000)); // once only
    EXPECT_TRUE(encoder.Close());
    ASSERT_TRUE(encoder.Open(path));
    ASSERT_TRUE(encoder.Configure(44100, 1, 96000));
    ASSERT_TRUE(encoder.WriteHeaders());
    EXPECT_FALSE(encoder.WriteHeaders());
    EXPECT_TRUE(encoder.EncodeBlock(samples, nullptr, 4)); // mono needs no right buffer
    ASSERT_TRUE(encoder.Open(path));
    ASSERT_TRUE(encoder.Configure(44100, 2, 128000));
    ASSERT_TRUE(encoder.WriteHeaders());
    EXPECT_FALSE(encoder.EncodeBlock(samples, nullptr, 4)); // stereo does
    EXPECT_TRUE(encoder.EncodeBlock(samples, samples, 4));
    EXPECT_TRUE(encoder.Finish());
    EXPECT_TRUE(encoder.Finish()); // nothing more to do
    EXPECT_FALSE(encoder.EncodeBlock(samples, samples, 4));
    EXPECT_TRUE(encoder.Close());
    EXPECT_TRUE(encoder.Close());
    const auto pages = walkOggPages(path);
    ASSERT_TRUE(pages);
    ASSERT_FALSE(pages->empty());
    EXPECT_EQ(0x04, pages->back().flags & 0x04);
    EXPECT_EQ(4, pages->back().granule);
    EXPECT_EQ(4u * 2, oggdecSamples(path).value_or(std::vector<int16_t>{}).size());

    // The destructor ends a stream left in the middle.
    VorbisEncoder abandoned;
    ASSERT_TRUE(abandoned.Open(dir.file("abandoned.ogg")));
    ASSERT_TRUE(abandoned.Configure(22050, 2, 64000));
    ASSERT_TRUE(abandoned.WriteHeaders());
    EXPECT_TRUE(feed(abandoned, 5000, 22050));
}

TEST(VorbisEncoder, WriteFailuresAreReported)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    VorbisEncoder encoder;
    ASSERT_TRUE(encoder.Open("/dev/full"));
    ASSERT_TRUE(encoder.Configure(44100, 2, 128000));
    // The stream's buffer may hold the headers; the audio cannot all fit.
    const bool headers = encoder.WriteHeaders();
    const bool audio = headers && feed(encoder, 44100, 44100) && encoder.Finish();
    EXPECT_FALSE(audio && encoder.Close());
}

} // namespace
} // namespace sonivert::test
