// The parts of BassSource that read bytes of their own: the MPEG frame
// header at the first audio byte, the ID3v2 length, and the split of the tag
// library's text into the nine fields.

#include "sources/basssource.h"

#include <gtest/gtest.h>

#include <array>

namespace sonivert::test {
namespace {

// A frame header: MPEG-1 layer III, 128 kbit/s, 44100 Hz, with the given
// channel mode, unless the caller changes a byte.
std::array<uint8_t, 4> frameHeader(int mode)
{
    return {0xFF, 0xFB, 0x90, static_cast<uint8_t>((mode << 6) | 0x04)};
}

std::optional<ChannelMode> modeOf(const std::array<uint8_t, 4>& h)
{
    return mpegFrameChannelMode(std::span<const uint8_t, 4>(h));
}

TEST(BassMpegHeader, ChannelModeComesFromTheTopBitsOfTheFourthByte)
{
    EXPECT_EQ(ChannelMode::Stereo, modeOf(frameHeader(0)));
    EXPECT_EQ(ChannelMode::JointStereo, modeOf(frameHeader(1)));
    EXPECT_EQ(ChannelMode::DualChannel, modeOf(frameHeader(2)));
    EXPECT_EQ(ChannelMode::Mono, modeOf(frameHeader(3)));

    // Every valid version and layer: MPEG-2 layer II (0xF4), MPEG-2.5 layer
    // III (0xE2), MPEG-1 layer I (0xFE).
    for (const uint8_t byte1 : {0xF4, 0xE2, 0xFE}) {
        auto h = frameHeader(3);
        h[1] = byte1;
        EXPECT_EQ(ChannelMode::Mono, modeOf(h)) << int(byte1);
    }
}

TEST(BassMpegHeader, RefusesEverythingThatIsNotAFrameWithAListedBitRate)
{
    auto h = frameHeader(1);
    h[0] = 0xFE; // no sync
    EXPECT_FALSE(modeOf(h));
    h = frameHeader(1);
    h[1] = 0xDB; // only two of the three sync bits in byte 1
    EXPECT_FALSE(modeOf(h));
    h = frameHeader(1);
    h[1] = 0xEB; // version bits 01: reserved
    EXPECT_FALSE(modeOf(h));
    h = frameHeader(1);
    h[1] = 0xF9; // layer bits 00: reserved
    EXPECT_FALSE(modeOf(h));
    h = frameHeader(1);
    h[2] = 0xF0; // bit-rate index 15: bad
    EXPECT_FALSE(modeOf(h));

    // Index 0 is the free format in every table row; index 1 is listed in all.
    for (const uint8_t byte1 : {0xFB, 0xFD, 0xFF, 0xF3, 0xF5, 0xE3}) {
        h = frameHeader(1);
        h[1] = byte1;
        h[2] = 0x00;
        EXPECT_FALSE(modeOf(h)) << int(byte1);
        h[2] = 0x10;
        EXPECT_EQ(ChannelMode::JointStereo, modeOf(h)) << int(byte1);
    }
}

TEST(BassId3v2Length, SynchsafeSizeUsesSevenBitsPerByteMostSignificantFirst)
{
    auto lengthOf = [](uint8_t b6, uint8_t b7, uint8_t b8, uint8_t b9, uint8_t flags = 0) {
        const std::array<uint8_t, 10> h = {'I', 'D', '3', 4, 0, flags, b6, b7, b8, b9};
        return id3v2BlockLength(std::span<const uint8_t, 10>(h));
    };
    EXPECT_EQ(10u, lengthOf(0, 0, 0, 0));
    EXPECT_EQ(10u + 0x7F, lengthOf(0, 0, 0, 0x7F));
    EXPECT_EQ(10u + 128, lengthOf(0, 0, 1, 0));
    EXPECT_EQ(10u + (1u << 21), lengthOf(1, 0, 0, 0));
    EXPECT_EQ(10u + 0x0FFFFFFF, lengthOf(0x7F, 0x7F, 0x7F, 0x7F));
    // The top bit of each byte is not part of the size.
    EXPECT_EQ(10u + 0x0FFFFFFF, lengthOf(0xFF, 0xFF, 0xFF, 0xFF));
    // A footer (flag 0x10) is not counted.
    EXPECT_EQ(10u + 300, lengthOf(0, 0, 2, 44, 0x10));
}

struct Fields {
    std::string track = "t0", title = "T0", artist = "A0", album = "L0", genre = "G0", year = "Y0",
                comment = "C0", composer = "M0", copyright = "P0";
    void split(std::string_view text)
    {
        splitTagLines(text, track, title, artist, album, genre, year, comment, composer, copyright);
    }
};

TEST(BassTagLines, NineLinesInTrackTitleArtistAlbumGenreYearCommentComposerCopyrightOrder)
{
    Fields f;
    f.split("7\nSong\nBand\nRecord\nRock\n1999\nNice\nWriter\n(c) Label");
    EXPECT_EQ("7", f.track);
    EXPECT_EQ("Song", f.title);
    EXPECT_EQ("Band", f.artist);
    EXPECT_EQ("Record", f.album);
    EXPECT_EQ("Rock", f.genre);
    EXPECT_EQ("1999", f.year);
    EXPECT_EQ("Nice", f.comment);
    EXPECT_EQ("Writer", f.composer);
    EXPECT_EQ("(c) Label", f.copyright);

    // Empty fields are assigned as empty.
    Fields empty;
    empty.split("\n\n\n\n\n\n\n\n");
    EXPECT_EQ("", empty.track);
    EXPECT_EQ("", empty.composer);
    EXPECT_EQ("", empty.copyright);
}

TEST(BassTagLines, LineFeedInAValueShiftsTheLaterFields)
{
    // The title holds a line feed: its second line becomes the artist, and
    // so on; the copyright takes the rest, line feeds included.
    Fields f;
    f.split("7\nTwo\nLines\nBand\nRecord\nRock\n1999\nNice\nWriter\n(c) Label");
    EXPECT_EQ("Two", f.title);
    EXPECT_EQ("Lines", f.artist);
    EXPECT_EQ("Band", f.album);
    EXPECT_EQ("Record", f.genre);
    EXPECT_EQ("Rock", f.year);
    EXPECT_EQ("1999", f.comment);
    EXPECT_EQ("Nice", f.composer);
    EXPECT_EQ("Writer\n(c) Label", f.copyright);
}

TEST(BassTagLines, FieldWithoutItsLineFeedAndAllLaterOnesKeepTheirValues)
{
    Fields f;
    f.split("7\nSong\nBand");
    EXPECT_EQ("7", f.track);
    EXPECT_EQ("Song", f.title);
    EXPECT_EQ("A0", f.artist); // its line feed is missing
    EXPECT_EQ("L0", f.album);
    EXPECT_EQ("P0", f.copyright);

    // Seven line feeds: the comment is assigned; composer and copyright
    // need the eighth and stay together.
    Fields g;
    g.split("1\n2\n3\n4\n5\n6\n7\nlast");
    EXPECT_EQ("7", g.comment);
    EXPECT_EQ("M0", g.composer);
    EXPECT_EQ("P0", g.copyright);

    Fields none;
    none.split("no line feed at all");
    EXPECT_EQ("t0", none.track);
}

} // namespace
} // namespace sonivert::test
