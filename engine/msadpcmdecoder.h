#pragma once

#include "engine/wavformat.h"

#include <cstdint>
#include <span>

namespace sonivert {

// Microsoft ADPCM for one or two channels, as stored in WAVE files.
class MsAdpcmDecoder {
public:
    static constexpr int kMaxChannels = 2;

    void setFormat(const MsAdpcmFormatRecord& format) { m_format = format; }
    const MsAdpcmFormatRecord& format() const { return m_format; }

    // Smallest block that holds samplesPerBlock frames of channels.
    static uint32_t requiredBlockSize(uint32_t channels, uint32_t samplesPerBlock);

    // Decodes one block into interleaved samples. Returns the samples
    // written (samplesPerBlock x channels), or 0 when out cannot hold them,
    // the block is too short, the channel count is unsupported, or a block
    // header names a predictor outside the coefficient table.
    int32_t decodeBlock(std::span<const uint8_t> block, std::span<int16_t> out) const;

private:
    MsAdpcmFormatRecord m_format;
};

} // namespace sonivert
