#pragma once

#include "engine/tracktags.h"

#include <string>
#include <utility>
#include <vector>

namespace sonivert {

// The Vorbis comments (field name, UTF-8 value) of a track's tags, in the
// order they are written: TITLE, ARTIST, ALBUM, DATE, GENRE, COMMENT,
// COMPOSER, COPYRIGHT, then TRACKNUMBER when the track is a number above 0.
// Empty texts are left out, and so is a text that is not well-formed UTF-8
// (no reader could decode it). Ogg Vorbis and FLAC write the same list.
std::vector<std::pair<std::string, std::string>> vorbisCommentFields(const TrackTags& tags);

} // namespace sonivert
