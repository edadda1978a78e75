#pragma once

#include <cstdint>
#include <vector>

namespace sonivert {

// The fields of a WAVE fmt chunk that the block decoders need, with the
// 16-bit extension size and samples-per-block value that ADPCM formats store
// after the common part.
struct WaveFormatRecord {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t avgBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extensionSize = 0;
    uint16_t samplesPerBlock = 0;
};

// Microsoft ADPCM adds the predictor coefficient pairs.
struct MsAdpcmFormatRecord : WaveFormatRecord {
    struct Coefficients {
        int16_t c1 = 0;
        int16_t c2 = 0;
    };
    std::vector<Coefficients> coefficients;
};

} // namespace sonivert
