#pragma once

#include "platform/mp4lib/mp4libwrite.h"

#include <cstdint>

namespace sonivert {

struct TagPicture;
struct TrackTags;

// The iTunes-style items every MPEG-4 writer (AAC and Apple Lossless) gives
// a track's tags, in this order: each non-empty text as its item: title,
// artist, album; the track number when it is 1..65535 (without a total);
// year, genre, comment, composer. The copyright is never written. A text
// that is not valid UTF-8 is skipped. Then the picture as the cover (a JPEG
// or PNG picture only), then the loudness as the free-form items
// REPLAYGAIN_TRACK_GAIN and REPLAYGAIN_TRACK_PEAK of "com.apple.iTunes".
void setMp4Metadata(Mp4WriteFile* file, const TrackTags& tags, int32_t trackNumber);

// The cover's data type for a picture: MP4_COVER_JPEG or MP4_COVER_PNG by
// its bytes' signature, else by its MIME type; 0 (not written) for any
// other picture.
uint32_t mp4CoverType(const TagPicture& picture);

} // namespace sonivert
