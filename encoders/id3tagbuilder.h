#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace sonivert {

struct TrackTags;

// The 148 genre names in ID3v1 genre-number order: the ID3v1 list (0-79)
// and its common extension (80-147). Index 12 is "Other". The tag dialog
// offers the same list.
std::span<const std::string_view> id3GenreNames();

// The ID3v1 number of a genre text: the index of the first name that equals
// it without regard to ASCII letter case, else 12 ("Other"), also for an
// empty text.
int32_t id3GenreNumber(std::string_view genre);

// Renders one ID3 tag, version 1 or 2, from the texts of one file into a
// block of bytes that can be written verbatim into an MP3 file (version 2 in
// front of the audio, version 1 behind it). The rendering is id3lib's.
//
// Frames, in this order: TIT2 title, TPE1 artist, TALB album, TYER year (all
// four even when empty), TCON genre ("(N)" with id3GenreNumber for version
// 1, the text as given for version 2), TCOM composer and TCOP copyright
// (only when not empty), COMM comment (language "XXX", empty description),
// TRCK track ("N", or "N/M" with a total; only when the track is not 0).
// Track and total count modulo 256: only their low 8 bits are used, before
// the test for 0. Version 2 then has, when the tags hold a loudness, TXXX
// "REPLAYGAIN_TRACK_GAIN" and "REPLAYGAIN_TRACK_PEAK" (TrackLoudness's
// texts), and, when they hold a picture, an APIC frame with its MIME type,
// picture type, description and bytes.
//
// Texts are UTF-8. Version 2 stores a text as ISO-8859-1 when every
// character fits, otherwise as UTF-16 with a byte-order mark. Version 1 has
// ISO-8859-1 fields only: a character outside it becomes '?', and id3lib
// cuts each field to its fixed length.
//
// The tag is rendered through a new, uniquely named file ("cvt" and a
// unique suffix) in the temporary-files folder, which is removed again
// whatever happens.
class Id3TagBuilder {
public:
    // The block: exactly 128 bytes for version 1, a complete ID3v2 tag for
    // version 2. Nothing when version is neither 1 nor 2 or the temporary
    // file cannot be created or read back.
    static std::optional<std::vector<uint8_t>> BuildTag(int version, const TrackTags& tags, int32_t track,
                                                        int32_t total);
};

} // namespace sonivert
