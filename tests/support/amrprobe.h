#pragma once

// What FFmpeg makes of an AMR-NB or AMR-WB file: its demuxer's packets
// (one per 20 ms frame) and the samples of its own native AMR decoders,
// which share no code with the encoder libraries the program uses.

#include <cstdint>
#include <string>
#include <vector>

namespace sonivert::test {

struct AmrProbe {
    bool ok = false;
    std::string magic;     // "#!AMR\n", "#!AMR-WB\n" or "" (the file's first bytes)
    std::string codec;     // "amr_nb" or "amr_wb" as ffprobe names the stream
    int sampleRate = 0;
    int channels = 0;
    std::vector<int> packetSizes; // bytes per frame including the ToC byte
};

AmrProbe amrProbe(const std::string& path);

// The file decoded by FFmpeg's native decoder of its band (amrnb or amrwb)
// to mono 16-bit samples at the stream's rate. ok is false when ffmpeg
// reported an error.
struct AmrDecoded {
    bool ok = false;
    std::vector<int16_t> samples;
};
AmrDecoded decodeAmr(const std::string& path, bool wideBand);

// The power of frequency hz in samples at rate (Goertzel), normalised per
// sample: a full-scale sine gives about 0.25 x 32768^2.
double tonePower(const std::vector<int16_t>& samples, int rate, double hz);

} // namespace sonivert::test
