#pragma once

#include "engine/tracktags.h"

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
// then the loudness fields of the flavour when the tags hold a loudness.
// Empty texts are left out, and so is a text that is not well-formed UTF-8
// (no reader could decode it).
std::vector<std::pair<std::string, std::string>> vorbisCommentFields(const TrackTags& tags,
                                                                     CommentFlavour flavour);

} // namespace sonivert
