#pragma once

// Independent views of AAC outputs for the tests: ffprobe's stream and
// format fields, ffmpeg's decoding, and a walk over ADTS frame headers by
// the layout of ISO/IEC 13818-7.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sonivert::test {

// ffprobe's entries for the first audio stream and the format, as
// "stream.NAME", "format.NAME" and "tag.NAME" (lower-case tag names).
// Empty when ffprobe fails.
std::map<std::string, std::string> probeAudio(const std::string& path);

// What ffmpeg decodes: interleaved 16-bit samples, and whether it ran
// without a single message at its error level (-xerror stops at the first
// damaged frame).
struct DecodedAudio {
    bool clean = false;
    std::vector<int16_t> samples;
};
DecodedAudio ffmpegDecode(const std::string& path, int channels);

struct AdtsScan {
    bool wellFormed = false; // frames with sync words cover the file exactly
    int frames = 0;
    std::vector<int> ids;    // the ID bit of each frame: 0 MPEG-4, 1 MPEG-2
    int profile = -1;        // of the first frame (1 = Low Complexity)
    int channels = -1;
    int rateIndex = -1;
};
AdtsScan scanAdts(const std::vector<uint8_t>& bytes);

// Peak of |sample| / 32768 over samples[begin, end) of one channel.
double peakOf(const std::vector<int16_t>& interleaved, int channels, int channel, size_t begin, size_t end);

} // namespace sonivert::test
