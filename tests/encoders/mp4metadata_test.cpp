// The cover and ReplayGain items of both MPEG-4 writers (AAC and Apple
// Lossless), read back by ffprobe and ffmpeg: the picture comes out as the
// file's attached picture with its very bytes, the loudness as the
// free-form items, beside the text items and without harming the audio.

#include "encoders/alacwriter.h"
#include "encoders/mp4audiowriter.h"
#include "engine/tracktags.h"
#include "tests/support/aacprobe.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace sonivert::test {
namespace {

using WriteFile = std::function<bool(const std::string& path, const TrackTags& tags)>;

template <typename Writer>
bool writeTone(Writer& writer, const TrackTags& tags)
{
    std::vector<int16_t> left(22050), right(22050);
    for (size_t i = 0; i < left.size(); ++i) {
        left[i] = static_cast<int16_t>((i * 37) % 2000 - 1000);
        right[i] = static_cast<int16_t>((i * 53) % 3000 - 1500);
    }
    writer.SetMetadata(tags, tags.trackNumber());
    return writer.EncodeBlock16(left.data(), right.data(), static_cast<int32_t>(left.size())) && writer.Close();
}

TEST(Mp4MetadataTest, CoverAndReplayGainItemsInBothMpeg4Writers)
{
    TempDir dir;
    const std::map<std::string, WriteFile> writers = {
        {"aac",
         [](const std::string& path, const TrackTags& tags) {
             Mp4AudioWriter writer;
             return writer.Open(path, 44100, 2, 16) && writer.Start() && writeTone(writer, tags);
         }},
        {"alac",
         [](const std::string& path, const TrackTags& tags) {
             AlacWriter writer;
             return writer.Open(path, 44100, 2, 16) && writeTone(writer, tags);
         }},
    };
    const struct {
        const char* file;     // made by ffmpeg
        const char* mimeType; // as the tags carry it
        const char* codec;    // of the attached picture ffprobe shows; empty: none
        const char* title;
    } pictures[] = {
        {"cover.png", "image/png", "png", "Title"},
        {"cover.jpg", "image/jpeg", "mjpeg", ""},
        // The bytes decide the data type, not a wrong label.
        {"labelled.png", "image/jpeg", "png", "Title"},
        // Only JPEG and PNG have a data type of the cover item.
        {"cover.gif", "image/gif", "", "Title"},
    };
    for (const auto& p : pictures) {
        const std::string picturePath = dir.file(p.file);
        ASSERT_EQ(0, runCommand("ffmpeg -v error -f lavfi -i color=c=red:s=16x8 -frames:v 1 " + shellQuote(picturePath)));
        TrackTags tags;
        tags.title = p.title;
        tags.picture = TagPicture{3, p.mimeType, "Front", 16, 8, 24, readFileBytes(picturePath)};
        tags.loudness = TrackLoudness{-21.21, 0.5};
        for (const auto& [name, write] : writers) {
            SCOPED_TRACE(name + " " + p.file);
            const std::string path = dir.file(name + "-" + p.file + ".m4a");
            ASSERT_TRUE(write(path, tags));

            auto probe = probeAudio(path);
            EXPECT_EQ(name, probe["stream.codec_name"]);
            EXPECT_EQ("3.21 dB", probe["tag.replaygain_track_gain"]);
            EXPECT_EQ("0.500000", probe["tag.replaygain_track_peak"]);
            EXPECT_EQ(std::string(p.title), probe["tag.title"]);

            int status = -1;
            const std::string streams =
                captureCommand("ffprobe -v error -select_streams v -show_entries stream=codec_name:stream_disposition="
                               "attached_pic -of csv=p=0 " + shellQuote(path),
                               status);
            ASSERT_EQ(0, status);
            if (*p.codec == 0) {
                EXPECT_EQ("", streams);
            } else {
                EXPECT_EQ(std::string(p.codec) + ",1\n", streams);
                const std::string copy = path + ".picture";
                ASSERT_EQ(0, runCommand("ffmpeg -v error -i " + shellQuote(path) + " -map 0:v -c copy -f data " +
                                        shellQuote(copy)));
                EXPECT_TRUE(tags.picture->data == readFileBytes(copy)) << "the picture's own bytes";
            }
            EXPECT_TRUE(ffmpegDecode(path, 2).clean);
        }
    }
}

} // namespace
} // namespace sonivert::test
