#pragma once

// The opening steps both FFmpeg readers share: the container and its stream
// information, the stream to read, and the stream information as the file
// list shows it.

#include "engine/audiosource.h"
#include "platform/ffmpegptr.h"

#include <cstdint>
#include <string>

namespace sonivert {

// Opens path (UTF-8) as a local file and reads its stream information. Null
// when the file cannot be opened as a container or its stream information
// cannot be read. The name is never taken for a URL or a protocol
// ("http:x.mp3", "concat:a|b" are file names), and nothing the container
// refers to is fetched from the network.
FormatContextPtr openContainer(const std::string& path);

// Index of the first audio stream, -1 when there is none.
int firstAudioStream(const AVFormatContext& container);

// Index of the first video stream, -1 when there is none. Cover art (a
// still picture attached to an audio file) is not a video stream.
int firstVideoStream(const AVFormatContext& container);

// The container's playing time in whole seconds, truncated; 0 when the
// container does not know it.
int32_t containerDurationSeconds(const AVFormatContext& container);

// Stream information of an audio stream as the file list shows it.
struct AudioStreamInfo {
    int32_t sampleRate = 0;
    int32_t channels = 0;
    int32_t outputChannels = 0;  // 2 above one channel, else 1
    int32_t bitsPerSample = 16;  // 8 for unsigned 8-bit samples, else 16
    int32_t bitrateKbps = 0;
    ChannelMode channelMode = ChannelMode::Stereo; // Mono for one channel
};

// sampleFormat is an AVSampleFormat value (-1 when not known); bitRate is
// in bit/s.
AudioStreamInfo audioStreamInfo(int sampleRate, int channels, int sampleFormat, int64_t bitRate);

} // namespace sonivert
