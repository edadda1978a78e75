#pragma once

#include "engine/tracktags.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace sonivert {

// Which stream the comments go into: the same fields, but each has its own
// rules for loudness (and pictures, which FLAC and Opus carry outside).
enum class CommentFlavour {
    Vorbis, // ReplayGain fields
    Flac,   // ReplayGain fields
    Opus,   // R128_TRACK_GAIN (RFC 7845 forbids the ReplayGain fields)
};

// The Vorbis comments (field name, UTF-8 value) of a track's tags, in the
// order they are written: TITLE, ARTIST, ALBUM, DATE, GENRE, COMMENT,
// COMPOSER, COPYRIGHT, then TRACKNUMBER when the track is a number above 0,
// then the loudness fields of the flavour when the tags hold a loudness,
// then for Vorbis METADATA_BLOCK_PICTURE (the base64 of
// flacPictureBlock) when they hold a picture that has one.
// Empty texts are left out, and so is a text that is not well-formed UTF-8
// (no reader could decode it).
std::vector<std::pair<std::string, std::string>> vorbisCommentFields(const TrackTags& tags,
                                                                     CommentFlavour flavour);

// The body of a FLAC PICTURE metadata block (without its four-byte block
// header), as Vorbis and Opus comments carry it in METADATA_BLOCK_PICTURE:
// big-endian 32-bit picture type, MIME length and MIME type, description
// length and UTF-8 description, width, height, depth, colour count (0),
// data length and data. Nothing when the picture has no data, its MIME type
// is empty or not printable ASCII, or the body would not fit a FLAC block
// (2^24 - 1 bytes). A description that is not well-formed UTF-8 is left
// empty.
std::optional<std::vector<uint8_t>> flacPictureBlock(const TagPicture& picture);

// Standard base64 (RFC 4648, with '=' padding, no line breaks).
std::string base64Encode(std::span<const uint8_t> bytes);

} // namespace sonivert
