#pragma once

// The FFmpeg steps every reader, the decoding library and the output check
// share: opening a local media file, finding its audio, and counting its
// frames from the packets without decoding them.

#include "platform/ffmpegptr.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonivert {

// Opens path (UTF-8) as a local file and reads its stream information. Null
// when the file cannot be opened as a container or its stream information
// cannot be read. The name is never taken for a URL or a protocol
// ("http:x.mp3", "concat:a|b" are file names), and nothing the container
// refers to is fetched from the network.
// analyzeMicroseconds, when above 0, bounds how much of the streams is
// decoded to find their parameters (FFmpeg's max_analyze_duration).
FormatContextPtr openMediaFile(const std::string& path, int64_t analyzeMicroseconds = 0);

// Index of the first audio stream, -1 when there is none.
int firstAudioStreamIndex(const AVFormatContext& container);

// Reads every packet of the stream and adds up their durations at rate,
// less the samples the demuxer marks for skipping at the start and for
// discarding at the end (side data that the decoder applies the same way: a
// start skip carries over into later packets, an end discard trims a packet
// only when it is not longer than the packet). The other streams are
// discarded. -1 when a packet has no duration. Reads the container to its
// end.
int64_t countPacketFrames(AVFormatContext& container, int stream, int rate);

// The length of a file's first audio stream in frames at its own rate, as
// cheaply as it can be known exactly: the duration the container records,
// or (where the demuxer only estimates it from the bit rate, as for MP3
// without an information frame, raw AAC and AMR) the packets counted.
struct AudioDuration {
    int64_t frames = 0;
    int32_t sampleRate = 0;
};
std::optional<AudioDuration> probeAudioDuration(const std::string& path);

// A picture a container holds beside the audio (ID3v2 APIC, FLAC PICTURE,
// MPEG-4 covr, Ogg METADATA_BLOCK_PICTURE, ASF WM/Picture), as FFmpeg's
// attached-picture stream shows it.
struct AttachedPicture {
    int32_t type = 3; // ID3v2 / FLAC picture type: 3 (front cover) where the container names none
    std::string mimeType; // "image/jpeg" or "image/png"
    std::string description; // UTF-8, empty when there is none
    int32_t width = 0;
    int32_t height = 0;
    int32_t depth = 0; // bits per pixel
    std::vector<uint8_t> data;
};

// The front cover of the file at path (UTF-8), else its first picture. Only
// JPEG and PNG pictures count, and only one of at most maxBytes whose bytes
// begin as their format does and that decodes to at most 8192 x 8192
// pixels (width, height and depth are the decoded ones); any other is
// passed over. Nothing when the file cannot be
// opened (as openMediaFile opens it) or holds no such picture.
std::optional<AttachedPicture> readAttachedPicture(const std::string& path, size_t maxBytes);

} // namespace sonivert
