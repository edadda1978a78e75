// ID3 rendering through id3lib, checked byte by byte: the fixed ID3v1 layout,
// the ID3v2 header and its frames in order with their conditions, the genre
// rules of each version, track numbers modulo 256, text encodings, and the
// temporary file that must not outlive a build.

#include "encoders/id3tagbuilder.h"
#include "engine/tracktags.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace sonivert::test {
namespace {

struct Frame {
    std::string id;
    std::vector<uint8_t> data;
};

// The frames of an ID3v2.3 tag, in order; stops at padding or a frame that
// does not fit.
std::vector<Frame> parseFrames(const std::vector<uint8_t>& tag)
{
    std::vector<Frame> frames;
    size_t at = 10;
    while (at + 10 <= tag.size() && tag[at] != 0) {
        const size_t size = (size_t{tag[at + 4]} << 24) | (size_t{tag[at + 5]} << 16) | (size_t{tag[at + 6]} << 8) |
                            tag[at + 7];
        if (at + 10 + size > tag.size())
            break;
        frames.push_back({std::string(tag.begin() + at, tag.begin() + at + 4),
                          std::vector<uint8_t>(tag.begin() + at + 10, tag.begin() + at + 10 + size)});
        at += 10 + size;
    }
    return frames;
}

std::vector<std::string> frameIds(const std::vector<Frame>& frames)
{
    std::vector<std::string> ids;
    for (const Frame& f : frames)
        ids.push_back(f.id);
    return ids;
}

const Frame* findFrame(const std::vector<Frame>& frames, const std::string& id)
{
    for (const Frame& f : frames) {
        if (f.id == id)
            return &f;
    }
    return nullptr;
}

// The text of a single-byte text frame (encoding byte 0 followed by the text).
std::string latin1Text(const Frame& frame)
{
    std::string text(frame.data.begin() + 1, frame.data.end());
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

// A fixed-width ID3v1 field without its trailing zeros.
std::string v1Field(const std::vector<uint8_t>& block, size_t offset, size_t length)
{
    std::string text(block.begin() + offset, block.begin() + offset + length);
    return text.substr(0, text.find('\0'));
}

TrackTags fullTags()
{
    TrackTags t;
    t.title = "Title";
    t.artist = "Artist";
    t.album = "Album";
    t.year = "1999";
    t.genre = "rock";
    t.comment = "Comment";
    t.composer = "Composer";
    t.copyright = "Copyright";
    return t;
}

TEST(Id3Genres, ListAndNumberRule)
{
    ASSERT_EQ(148u, id3GenreNames().size());
    EXPECT_EQ("Other", id3GenreNames()[12]);
    const struct {
        const char* text;
        int32_t number;
    } cases[] = {
        {"Rock", 17}, {"rock", 17}, {"ROCK", 17}, {"Blues", 0}, {"Alt. Rock", 40}, {"folk/rock", 81},
        {"Fast-Fusion", 84}, {"a cappella", 123}, {"Trash Metal", 144}, {"JPOP", 146}, {"Synthpop", 147},
        {"Rock ", 12}, {"Polka Rock", 12}, {"", 12}, {"Other", 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.number, id3GenreNumber(c.text));
    }
}

TEST(Id3TagBuilder, Version1IsTheFixed128ByteLayout)
{
    const struct {
        const char* name;
        std::string genre;
        int32_t track;
        uint8_t genreByte, trackByte;
    } cases[] = {
        {"known genre in lower case, track 3", "rock", 3, 17, 3},
        {"unknown genre, track 259 keeps its low 8 bits", "Polka Rock", 259, 12, 3},
        {"empty genre, no track", "", 0, 12, 0},
        {"track 256 counts as none", "Jazz", 256, 8, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TrackTags tags = fullTags();
        tags.genre = c.genre;
        const auto block = Id3TagBuilder::BuildTag(1, tags, c.track, 0);
        ASSERT_TRUE(block);
        ASSERT_EQ(128u, block->size());
        EXPECT_EQ("TAG", std::string(block->begin(), block->begin() + 3));
        EXPECT_EQ("Title", v1Field(*block, 3, 30));
        EXPECT_EQ("Artist", v1Field(*block, 33, 30));
        EXPECT_EQ("Album", v1Field(*block, 63, 30));
        EXPECT_EQ("1999", v1Field(*block, 93, 4));
        EXPECT_EQ("Comment", v1Field(*block, 97, 28));
        EXPECT_EQ(0, (*block)[125]); // ID3v1.1: the byte before the track
        EXPECT_EQ(c.trackByte, (*block)[126]);
        EXPECT_EQ(c.genreByte, (*block)[127]);
    }
}

TEST(Id3TagBuilder, Version1ReplacesWhatLatin1CannotHoldAndCutsLongFields)
{
    TrackTags tags;
    tags.title = "Caf\xC3\xA9 \xE4\xB8\xAD\xF0\x9F\x98\x80"; // "Café 中😀"
    tags.artist = std::string(40, 'a');
    const auto block = Id3TagBuilder::BuildTag(1, tags, 0, 0);
    ASSERT_TRUE(block);
    ASSERT_EQ(128u, block->size());
    EXPECT_EQ("Caf\xE9 ??", v1Field(*block, 3, 30));
    EXPECT_EQ(std::string(30, 'a'), v1Field(*block, 33, 30));
}

TEST(Id3TagBuilder, Version2FramesInOrderWithTheirConditions)
{
    const struct {
        const char* name;
        std::string title, composer, copyright;
        int32_t track, total;
        std::vector<std::string> ids;
        std::string trackText;
    } cases[] = {
        {"everything", "Title", "Composer", "Copyright", 3, 0,
         {"TIT2", "TPE1", "TALB", "TYER", "TCON", "TCOM", "TCOP", "COMM", "TRCK"}, "3"},
        {"track 259 writes 3", "Title", "", "", 259, 0, {"TIT2", "TPE1", "TALB", "TYER", "TCON", "COMM", "TRCK"}, "3"},
        {"track and total modulo 256", "Title", "", "", 3, 268, {"TIT2", "TPE1", "TALB", "TYER", "TCON", "COMM", "TRCK"}, "3/12"},
        {"no track, empty composer, copyright and title", "", "", "", 0, 0, {"TIT2", "TPE1", "TALB", "TYER", "TCON", "COMM"}, ""},
        {"only a copyright", "Title", "", "(c) us", 0, 5, {"TIT2", "TPE1", "TALB", "TYER", "TCON", "TCOP", "COMM"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TrackTags tags = fullTags();
        tags.title = c.title;
        tags.composer = c.composer;
        tags.copyright = c.copyright;
        tags.genre = "Rock";
        const auto block = Id3TagBuilder::BuildTag(2, tags, c.track, c.total);
        ASSERT_TRUE(block);
        ASSERT_GE(block->size(), 10u);
        // Header: "ID3", version 2.3.0, no flags, the synchsafe size of what follows.
        EXPECT_EQ("ID3", std::string(block->begin(), block->begin() + 3));
        EXPECT_EQ(3, (*block)[3]);
        EXPECT_EQ(0, (*block)[4]);
        EXPECT_EQ(0, (*block)[5]);
        const size_t size = (size_t{(*block)[6]} << 21) | (size_t{(*block)[7]} << 14) | (size_t{(*block)[8]} << 7) |
                            (*block)[9];
        EXPECT_EQ(block->size(), size + 10);

        const std::vector<Frame> frames = parseFrames(*block);
        EXPECT_EQ(c.ids, frameIds(frames));
        ASSERT_TRUE(findFrame(frames, "TIT2"));
        EXPECT_EQ(c.title, latin1Text(*findFrame(frames, "TIT2")));
        EXPECT_EQ("Rock", latin1Text(*findFrame(frames, "TCON"))); // version 2 keeps the text
        if (const Frame* trck = findFrame(frames, "TRCK")) {
            EXPECT_EQ(c.trackText, latin1Text(*trck));
        }
        const Frame* comm = findFrame(frames, "COMM");
        ASSERT_TRUE(comm);
        // Encoding 0, language "XXX", empty description, the text.
        const std::vector<uint8_t> expected = {0, 'X', 'X', 'X', 0, 'C', 'o', 'm', 'm', 'e', 'n', 't'};
        EXPECT_EQ(expected, std::vector<uint8_t>(comm->data.begin(),
                                                 comm->data.begin() + std::min(comm->data.size(), expected.size())));
    }
}

TEST(Id3TagBuilder, Version2TextEncodings)
{
    TrackTags tags;
    tags.title = "Caf\xC3\xA9";           // fits ISO-8859-1
    tags.artist = "\xE4\xB8\xAD\xF0\x9F\x98\x80"; // "中😀": UTF-16 with a surrogate pair
    const auto block = Id3TagBuilder::BuildTag(2, tags, 0, 0);
    ASSERT_TRUE(block);
    const std::vector<Frame> frames = parseFrames(*block);
    const Frame* title = findFrame(frames, "TIT2");
    const Frame* artist = findFrame(frames, "TPE1");
    ASSERT_TRUE(title && artist);
    EXPECT_EQ((std::vector<uint8_t>{0, 'C', 'a', 'f', 0xE9}), title->data);
    // Encoding 1 (UTF-16 with a byte-order mark); the units agree with the mark.
    ASSERT_GE(artist->data.size(), 3u);
    EXPECT_EQ(1, artist->data[0]);
    std::vector<uint16_t> units;
    const bool littleEndian = artist->data[1] == 0xFF && artist->data[2] == 0xFE;
    ASSERT_TRUE(littleEndian || (artist->data[1] == 0xFE && artist->data[2] == 0xFF));
    for (size_t i = 3; i + 1 < artist->data.size(); i += 2) {
        const uint16_t a = artist->data[i], b = artist->data[i + 1];
        units.push_back(littleEndian ? uint16_t(a | (b << 8)) : uint16_t((a << 8) | b));
    }
    while (!units.empty() && units.back() == 0)
        units.pop_back();
    EXPECT_EQ((std::vector<uint16_t>{0x4E2D, 0xD83D, 0xDE00}), units);
}

TEST(Id3TagBuilder, NoTemporaryFileIsLeftBehind)
{
    TempDir tmp;
    const char* previous = std::getenv("TMPDIR");
    const std::string saved = previous ? previous : "";
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    const auto v1 = Id3TagBuilder::BuildTag(1, fullTags(), 1, 0);
    const auto v2 = Id3TagBuilder::BuildTag(2, fullTags(), 1, 0);
    const bool empty = std::filesystem::is_empty(tmp.path());
    // A folder that cannot hold the file gives no block instead of a wrong one.
    ::setenv("TMPDIR", tmp.file("missing").c_str(), 1);
    const auto none = Id3TagBuilder::BuildTag(2, fullTags(), 1, 0);
    if (previous)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_TRUE(v1 && v2);
    EXPECT_TRUE(empty);
    EXPECT_FALSE(none);
    EXPECT_FALSE(Id3TagBuilder::BuildTag(3, fullTags(), 1, 0));
}

} // namespace
} // namespace sonivert::test
