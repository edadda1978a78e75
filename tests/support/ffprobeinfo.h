#pragma once

// What ffprobe says about an encoded file: the first audio stream's figures,
// its decoded frame count and the container's tags. The tests check our
// MP3 outputs through this rather than through our own readers.

#include <map>
#include <string>

namespace sonivert::test {

struct FfprobeInfo {
    bool ok = false;
    int sampleRate = 0;
    int channels = 0;
    long long bitRate = 0;      // bit/s as the stream reports it
    long long frames = 0;       // frames counted by decoding (-count_frames)
    std::string channelLayout;  // "mono", "stereo"
    std::map<std::string, std::string> tags; // lower-case keys; the audio stream's, then the container's
};

FfprobeInfo ffprobeInfo(const std::string& path);

// Samples per MPEG audio frame of an MP3 at this rate: 1152 for MPEG-1
// (32000 Hz and above), 576 below.
int mp3FrameSamples(int sampleRate);

} // namespace sonivert::test
