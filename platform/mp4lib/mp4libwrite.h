#pragma once

// The writing calls of the MPEG-4 file library, under the names the
// converter has always called them by, implemented over libavformat's MP4
// muxer. FFmpeg stays out of this header.
//
// Protocol, in this order:
//   handle = MP4CreateExx(path)
//   MP4SetTimeScaleExx(handle, movie time scale)
//   track = MP4AddAudioTrackExx(handle, track time scale, fixed sample duration or
//                               MP4_INVALID_DURATION, MP4_MPEG4_AUDIO_TYPE)
//   MP4SetAudioProfileLevelExx(handle, level)
//   MP4SetTrackESConfigurationExx(handle, track, AudioSpecificConfig)
//   MP4WriteSampleExx(handle, track, ...) for every frame
//   MP4SetMetadata...Exx(handle, UTF-8 text) at any time before MP4CloseExx
//   MP4CloseExx(handle)
// An Apple Lossless track takes MP4AddALACAudioTrackExx in place of the
// track, profile and ES configuration calls.
// The file is written as samples arrive; its index (the moov box, with the
// sample table, the edit list and the metadata) is written by MP4CloseExx.
// The muxer writes the text items; the cover and the free-form items, which
// it has no words for, are then added to the index's item list (ilst) by
// this layer: the index is the file's last box, so growing it moves no
// sample and no chunk offset changes.
//
// Decisions of this implementation: one audio track (MPEG-4 audio or Apple
// Lossless) per file; the same bytes whatever the file's extension; creation and
// modification times 0 and no encoder-version text, so that the same input
// always gives the same file. The rendering offset of a track's first
// sample is its encoder delay: the samples' decoding times start at minus
// that offset and the edit list starts the presentation after it, so that
// players skip the priming samples. A rendering offset of a later sample is
// its composition offset.
//
// Every call reports success; a null handle or an unknown track fails.

#include <cstdint>
#include <memory>

namespace sonivert {

struct Mp4WriteFile; // a file being written and its one track

using MP4TrackId = uint32_t;
inline constexpr MP4TrackId MP4_INVALID_TRACK_ID = 0;
inline constexpr uint64_t MP4_INVALID_DURATION = ~uint64_t{0};
inline constexpr uint8_t MP4_MPEG4_AUDIO_TYPE = 0x40;

// Creates (or truncates) the file at path (UTF-8). Null when it cannot be.
Mp4WriteFile* MP4CreateExx(const char* path);

// The movie time scale (units per second of the movie header and the edit
// list). Only before the first sample.
bool MP4SetTimeScaleExx(Mp4WriteFile* handle, uint32_t timeScale);

// Adds the audio track: timeScale units per second (the sample rate),
// sampleDuration the duration of a sample written with MP4_INVALID_DURATION
// (itself MP4_INVALID_DURATION when every sample gives its own). Only
// MP4_MPEG4_AUDIO_TYPE is written. MP4_INVALID_TRACK_ID when refused.
MP4TrackId MP4AddAudioTrackExx(Mp4WriteFile* handle, uint32_t timeScale, uint64_t sampleDuration, uint8_t audioType);

// The audio profile and level of the initial object descriptor (iods box).
bool MP4SetAudioProfileLevelExx(Mp4WriteFile* handle, uint8_t level);

// Adds an Apple Lossless track: sampleRate units per second (its time
// scale), every sample giving its own duration. magicCookie is the
// encoder's 24-byte ALACSpecificConfig (frame length, bit depth, channel
// count, ..., sample rate, all big-endian); it becomes the sample entry's
// "alac" configuration box, and its channel count and bit depth those of the
// sample entry. MP4_INVALID_TRACK_ID when the file has a track already or
// the cookie is not one: another length, a bit depth other than 16, 20, 24
// or 32, no or more than 8 channels, a rate other than sampleRate.
MP4TrackId MP4AddALACAudioTrackExx(Mp4WriteFile* handle, uint32_t sampleRate, const uint8_t* magicCookie,
                                   uint32_t cookieLength);

// The track's AudioSpecificConfig; its channel configuration (1..7) gives
// the track's channel count. Only before the first sample, only for an
// MPEG-4 audio track.
bool MP4SetTrackESConfigurationExx(Mp4WriteFile* handle, MP4TrackId track, const uint8_t* config, uint32_t length);

// Appends one sample of byteCount bytes lasting duration track units
// (MP4_INVALID_DURATION: the track's fixed duration). The first call writes
// the file's header, so the ES configuration must have been set. False when
// refused or not written.
bool MP4WriteSampleExx(Mp4WriteFile* handle, MP4TrackId track, const uint8_t* bytes, uint32_t byteCount,
                       uint64_t duration, uint64_t renderingOffset, bool isSyncSample);

// iTunes-style metadata items; value is UTF-8 and replaces an earlier one.
bool MP4SetMetadataNameExx(Mp4WriteFile* handle, const char* value);    // "©nam"
bool MP4SetMetadataArtistExx(Mp4WriteFile* handle, const char* value);  // "©ART"
bool MP4SetMetadataAlbumExx(Mp4WriteFile* handle, const char* value);   // "©alb"
bool MP4SetMetadataYearExx(Mp4WriteFile* handle, const char* value);    // "©day"
bool MP4SetMetadataGenreExx(Mp4WriteFile* handle, const char* value);   // "©gen"
bool MP4SetMetadataCommentExx(Mp4WriteFile* handle, const char* value); // "©cmt"
bool MP4SetMetadataWriterExx(Mp4WriteFile* handle, const char* value);  // "©wrt"
// "trkn": track number and total (0: not given).
bool MP4SetMetadataTrackExx(Mp4WriteFile* handle, uint16_t track, uint16_t total);
// "covr": one picture of byteCount bytes (at most 16 MiB), of the given data
// type; it replaces an earlier one. Written after the text items.
inline constexpr uint32_t MP4_COVER_JPEG = 13;
inline constexpr uint32_t MP4_COVER_PNG = 14;
bool MP4SetMetadataCoverArtExx(Mp4WriteFile* handle, const uint8_t* bytes, uint32_t byteCount, uint32_t dataType);
// "----": a free-form item, its mean (the owner, "com.apple.iTunes") and
// name, with a UTF-8 text value; it replaces an earlier one of the same mean
// and name. Written after the cover, in the order first set.
bool MP4SetMetadataFreeFormExx(Mp4WriteFile* handle, const char* name, const char* value, const char* mean);

// Writes the index and the metadata, closes the file and releases handle.
// False when anything written since MP4CreateExx failed to reach the file
// (also when no sample could be written because the header was refused, or
// when the cover or free-form items could not be added); a file without a
// track is left empty.
bool MP4CloseExx(Mp4WriteFile* handle);

struct Mp4WriteCloser {
    void operator()(Mp4WriteFile* handle) const { MP4CloseExx(handle); }
};
using Mp4WriteHandle = std::unique_ptr<Mp4WriteFile, Mp4WriteCloser>;

} // namespace sonivert
