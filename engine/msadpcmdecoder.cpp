#include "engine/msadpcmdecoder.h"

#include <algorithm>
#include <array>

namespace sonivert {
namespace {

constexpr std::array<int32_t, 16> kAdaptation = {230, 230, 230, 230, 307, 409, 512, 614,
                                                 768, 614, 512, 409, 307, 230, 230, 230};

struct ChannelState {
    int32_t c1 = 0;
    int32_t c2 = 0;
    uint16_t delta = 0;
    int32_t sample1 = 0;
    int32_t sample2 = 0;

    int16_t decode(uint8_t nibble)
    {
        const int32_t signedNibble = (nibble & 0x08) ? static_cast<int32_t>(nibble) - 16 : nibble;
        // Both divisions truncate toward zero, as the format's reference
        // decoder does.
        int32_t predicted = (sample1 * c1 + sample2 * c2) / 256 + static_cast<int32_t>(delta) * signedNibble;
        predicted = std::clamp(predicted, -32768, 32767);
        const int32_t next = static_cast<int32_t>(delta) * kAdaptation[nibble & 0x0F] / 256;
        delta = static_cast<uint16_t>(std::max(next, 16));
        sample2 = sample1;
        sample1 = predicted;
        return static_cast<int16_t>(predicted);
    }
};

int16_t le16(const uint8_t* p)
{
    return static_cast<int16_t>(p[0] | (p[1] << 8));
}

} // namespace

uint32_t MsAdpcmDecoder::requiredBlockSize(uint32_t channels, uint32_t samplesPerBlock)
{
    const uint32_t nibbles = samplesPerBlock >= 2 ? (samplesPerBlock - 2) * channels : 0;
    return 7 * channels + (nibbles + 1) / 2;
}

int32_t MsAdpcmDecoder::decodeBlock(std::span<const uint8_t> block, std::span<int16_t> out) const
{
    const uint32_t channels = m_format.channels;
    const uint32_t frames = m_format.samplesPerBlock;
    if (channels < 1 || channels > kMaxChannels || frames < 2 ||
        block.size() < requiredBlockSize(channels, frames) || out.size() < size_t{frames} * channels)
        return 0;

    const uint8_t* p = block.data();
    std::array<ChannelState, kMaxChannels> state;
    for (uint32_t c = 0; c < channels; ++c) {
        const uint8_t index = p[c];
        if (index >= m_format.coefficients.size())
            return 0;
        state[c].c1 = m_format.coefficients[index].c1;
        state[c].c2 = m_format.coefficients[index].c2;
        state[c].delta = static_cast<uint16_t>(le16(p + channels + 2 * c));
        state[c].sample1 = le16(p + 3 * channels + 2 * c);
        state[c].sample2 = le16(p + 5 * channels + 2 * c);
    }
    for (uint32_t c = 0; c < channels; ++c) {
        out[c] = static_cast<int16_t>(state[c].sample2);
        out[channels + c] = static_cast<int16_t>(state[c].sample1);
    }

    // The nibbles follow, high nibble first, alternating between the channels
    // of a stereo stream.
    const uint8_t* data = p + 7 * channels;
    const uint32_t total = frames * channels;
    uint32_t channel = 0;
    for (uint32_t i = 2 * channels; i < total; ++i) {
        const uint32_t k = i - 2 * channels;
        const uint8_t byte = data[k / 2];
        const uint8_t nibble = (k & 1) ? (byte & 0x0F) : (byte >> 4);
        out[i] = state[channel].decode(nibble);
        channel = (channel + 1) % channels;
    }
    return static_cast<int32_t>(total);
}

} // namespace sonivert
