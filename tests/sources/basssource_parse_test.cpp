// The parts of BassSource that read bytes of their own, for the cases real
// files do not reach (basssource_test.cpp has the files): reserved and free
// MPEG headers, synchsafe bytes with their top bit set, and tag text whose
// line feeds are missing.

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
