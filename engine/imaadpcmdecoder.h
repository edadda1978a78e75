#pragma once

#include "engine/wavformat.h"

#include <cstdint>
#include <span>

namespace sonivert {

// IMA/DVI ADPCM, for one or two channels: the block layout of WAVE files
// (decodeBlock) and the 34-byte packets of AIFC "ima4" (decodePackets).
class ImaAdpcmDecoder {
public:
    static constexpr int kMaxChannels = 2;

    void setFormat(const WaveFormatRecord& format) { m_format = format; }
    const WaveFormatRecord& format() const { return m_format; }

    // Smallest WAVE block that holds samplesPerBlock frames of channels.
    static uint32_t requiredBlockSize(uint32_t channels, uint32_t samplesPerBlock);

    // Decodes one WAVE block into interleaved samples. Returns the samples
    // written (samplesPerBlock x channels), or 0 when out cannot hold them,
    // the block is too short for the format or the format has an unsupported
    // channel count.
    int32_t decodeBlock(std::span<const uint8_t> block, std::span<int16_t> out) const;

    // Decodes one packet per channel (2-byte big-endian header, then data);
    // channel 0's samples go to out0, channel 1's to out1 (ignored for mono).
    // Each output buffer must hold samplesPerBlock samples. Returns the samples
    // per channel written.
    int32_t decodePackets(std::span<const uint8_t> packet0, std::span<const uint8_t> packet1,
                          int16_t* out0, int16_t* out1) const;

private:
    WaveFormatRecord m_format;
};

} // namespace sonivert
