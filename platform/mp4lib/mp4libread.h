#pragma once

// The reading calls of the MPEG-4 metadata library, under the names the
// converter has always called them by, implemented over TagLib's MP4 support.
// TagLib stays out of this header.
//
// Protocol: MP4ReadExx opens a file and gives a handle (null when the file is
// not a readable MPEG-4 file); each MP4GetMetadata...Exx call answers whether
// the item is present and, for texts, hands out a newly allocated UTF-8 text
// that the caller releases with FreeMemExx; MP4CloseExx releases the handle.
// Mp4ReadHandle and Mp4Text own the two kinds of resources.

#include <cstdint>
#include <memory>

namespace sonivert {

struct Mp4ReadFile; // an opened file and its metadata items

// path is UTF-8. Reads the metadata only, not the audio properties.
Mp4ReadFile* MP4ReadExx(const char* path);
void MP4CloseExx(Mp4ReadFile* handle);
void FreeMemExx(void* memory);

// True when the item is present; *value then holds a zero-terminated UTF-8
// copy of it (release with FreeMemExx). *value is null otherwise. A null
// handle or value is never present.
bool MP4GetMetadataNameExx(Mp4ReadFile* handle, char** value);    // "©nam"
bool MP4GetMetadataArtistExx(Mp4ReadFile* handle, char** value);  // "©ART"
bool MP4GetMetadataAlbumExx(Mp4ReadFile* handle, char** value);   // "©alb"
bool MP4GetMetadataYearExx(Mp4ReadFile* handle, char** value);    // "©day"
bool MP4GetMetadataGenreExx(Mp4ReadFile* handle, char** value);   // "©gen", else the name of a "gnre" number
bool MP4GetMetadataCommentExx(Mp4ReadFile* handle, char** value); // "©cmt"
bool MP4GetMetadataWriterExx(Mp4ReadFile* handle, char** value);  // "©wrt"
// "trkn": the track number and the total (0 when not given).
bool MP4GetMetadataTrackExx(Mp4ReadFile* handle, uint16_t* track, uint16_t* total);

struct Mp4ReadCloser {
    void operator()(Mp4ReadFile* handle) const { MP4CloseExx(handle); }
};
using Mp4ReadHandle = std::unique_ptr<Mp4ReadFile, Mp4ReadCloser>;

struct Mp4TextFreer {
    void operator()(char* text) const { FreeMemExx(text); }
};
using Mp4Text = std::unique_ptr<char, Mp4TextFreer>;

} // namespace sonivert
