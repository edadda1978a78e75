// Items appended to files ffmpeg wrote, in the layouts an index can have:
// with its item list, without any user data, with a meta box that holds no
// item list; ffprobe then reads the new items and ffmpeg the same audio. An
// index in front of the media is refused and the file left as it was.

#include "platform/mp4lib/mp4itemlist.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

namespace sonivert::test {
namespace {

uint32_t be32(const std::vector<uint8_t>& d, size_t at)
{
    return (uint32_t{d[at]} << 24) | (uint32_t{d[at + 1]} << 16) | (uint32_t{d[at + 2]} << 8) | d[at + 3];
}

// Removes the box at path (each name a child of the one before, from the
// top level) and shrinks the boxes around it. 32-bit sizes only, as ffmpeg
// writes a small file.
bool removeBox(std::vector<uint8_t>& d, const std::vector<std::string>& path)
{
    std::vector<size_t> enclosing;
    size_t begin = 0, end = d.size();
    for (size_t level = 0; level < path.size(); ++level) {
        size_t at = begin;
        while (at + 8 <= end && std::string(d.begin() + static_cast<long>(at) + 4, d.begin() + static_cast<long>(at) + 8) != path[level])
            at += be32(d, at);
        if (at + 8 > end)
            return false;
        if (level + 1 == path.size()) {
            const uint32_t size = be32(d, at);
            for (size_t outer : enclosing) {
                const uint32_t shrunk = be32(d, outer) - size;
                for (int i = 0; i < 4; ++i)
                    d[outer + static_cast<size_t>(i)] = static_cast<uint8_t>(shrunk >> (24 - 8 * i));
            }
            d.erase(d.begin() + static_cast<long>(at), d.begin() + static_cast<long>(at + size));
            return true;
        }
        enclosing.push_back(at);
        begin = at + 8 + (path[level] == "meta" ? 4 : 0);
        end = at + be32(d, at);
    }
    return false;
}

TEST(Mp4ItemListTest, ItemsReachTheItemListWhateverContainersTheIndexHas)
{
    TempDir dir;
    const std::string made = dir.file("made.m4a");
    const std::string faststart = dir.file("faststart.m4a");
    const std::string command = "ffmpeg -v error -f lavfi -i sine=d=0.5 -c:a alac -fflags +bitexact -metadata title=T ";
    ASSERT_EQ(0, runCommand(command + shellQuote(made)));
    ASSERT_EQ(0, runCommand(command + "-movflags +faststart " + shellQuote(faststart)));
    const std::string picture = dir.file("cover.png");
    ASSERT_EQ(0, runCommand("ffmpeg -v error -f lavfi -i color=c=blue:s=8x8 -frames:v 1 " + shellQuote(picture)));
    std::vector<uint8_t> items = mp4::freeFormItem("com.apple.iTunes", "REPLAYGAIN_TRACK_GAIN", "-1.50 dB");
    const std::vector<uint8_t> cover = mp4::coverItem(readFileBytes(picture), 14);
    items.insert(items.end(), cover.begin(), cover.end());
    const std::vector<int16_t> audio = [&] {
        EXPECT_EQ(0, runCommand("ffmpeg -v error -i " + shellQuote(made) + " -f s16le " + shellQuote(made + ".raw")));
        return readRawS16(made + ".raw");
    }();

    const struct {
        const char* name;
        std::vector<std::string> removed; // from ffmpeg's file first
        const char* title;                // what ffprobe reads afterwards
    } layouts[] = {
        {"with its item list", {}, "T"},
        {"without user data", {"moov", "udta"}, ""},
        {"meta without an item list", {"moov", "udta", "meta", "ilst"}, ""},
    };
    for (const auto& l : layouts) {
        SCOPED_TRACE(l.name);
        std::vector<uint8_t> bytes = readFileBytes(made);
        if (!l.removed.empty()) {
            ASSERT_TRUE(removeBox(bytes, l.removed));
        }
        const std::string path = dir.file(std::string(l.name) + ".m4a");
        writeFileBytes(path, bytes);
        ASSERT_TRUE(mp4::appendItemsToItemList(path, items));

        int status = -1;
        const std::string tags = captureCommand("ffprobe -v error -show_entries format_tags=title,REPLAYGAIN_TRACK_GAIN "
                                                "-of default=nw=1 " + shellQuote(path), status);
        EXPECT_EQ(std::string(*l.title ? "TAG:title=T\n" : "") + "TAG:REPLAYGAIN_TRACK_GAIN=-1.50 dB\n", tags);
        const std::string pictures = captureCommand("ffprobe -v error -select_streams v -show_entries stream=codec_name:"
                                                    "stream_disposition=attached_pic -of csv=p=0 " + shellQuote(path),
                                                    status);
        EXPECT_EQ("png,1\n", pictures);
        ASSERT_EQ(0, runCommand("ffmpeg -v error -xerror -i " + shellQuote(path) + " -f s16le " + shellQuote(path + ".raw")));
        EXPECT_TRUE(audio == readRawS16(path + ".raw"));
    }

    const std::vector<uint8_t> before = readFileBytes(faststart);
    EXPECT_FALSE(mp4::appendItemsToItemList(faststart, items)) << "the index is not the last box";
    EXPECT_EQ(before, readFileBytes(faststart));
    EXPECT_FALSE(mp4::appendItemsToItemList(dir.file("missing.m4a"), items));
}

} // namespace
} // namespace sonivert::test
