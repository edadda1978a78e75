#pragma once

#include "platform/wmvcore/objects.h"

namespace sonivert::wmvcore {

// Creates the module's synchronous reader (the caller owns it: Release).
// It opens ASF files only (FFmpeg's ASF demuxer) and decodes audio streams
// with FFmpeg's Windows Media decoders into interleaved 16-bit PCM of all
// the stream's channels. Every audio and video stream is an output, in
// stream order. File attributes: "Title", "Author", "Description",
// "WM/AlbumTitle", "WM/AlbumArtist", "WM/Genre", "WM/TrackNumber",
// "WM/Year", "WM/Composer", "Copyright" and any other tag as strings (the
// demuxer keeps no types), "Duration" (64-bit, 100-ns units) and "Bitrate"
// (32-bit, bit/s) when the file states them.
SyncReader* createSyncReader();

} // namespace sonivert::wmvcore
