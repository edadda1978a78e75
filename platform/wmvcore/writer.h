#pragma once

#include "platform/wmvcore/objects.h"

namespace sonivert::wmvcore {

// Creates the module's writer: Windows Media Audio 8 (FFmpeg's wmav2
// encoder) in an ASF file (FFmpeg's ASF muxer), from 8- or 16-bit PCM input
// of one or two channels at any rate; the input is converted to the
// profile's rate and channel count (a stereo input for a mono profile is
// mixed, a mono input for a stereo profile duplicated). String attributes of
// stream 0 become the file's metadata; WM/TrackNumber is stored as text.
// Samples are taken as one contiguous stream; their times are not used to
// place them.
// The caller owns the writer (Release).
Writer* createWriter();

} // namespace sonivert::wmvcore
