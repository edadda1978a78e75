#pragma once

// Reads what sox itself says about an audio file: soxi's header fields and
// sox stat's measurements. The tests check our outputs through these rather
// than through our own readers.

#include <string>

namespace sonivert::test {

struct SoxInfo {
    bool ok = false;
    int rate = 0;
    int channels = 0;
    int bits = 0;
    long long samples = 0; // per channel
};

SoxInfo soxInfo(const std::string& path);

struct SoxStat {
    bool ok = false;
    double maximumAmplitude = 0;
    double roughFrequency = 0;
};

// Measures channel `channel` (1-based) alone, or the mix when 0.
SoxStat soxStat(const std::string& path, int channel = 0);

} // namespace sonivert::test
