#include "engine/imaadpcmdecoder.h"

#include <algorithm>
#include <array>

namespace sonivert {
namespace {

constexpr std::array<int16_t, 89> kStepTable = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<int8_t, 16> kIndexTable = {-1, -1, -1, -1, 2, 4, 6, 8,
                                                -1, -1, -1, -1, 2, 4, 6, 8};

struct ChannelState {
    int32_t predictor = 0;
    int32_t stepIndex = 0;

    int16_t decode(uint8_t nibble)
    {
        const int32_t step = kStepTable[static_cast<size_t>(stepIndex)];
        int32_t diff = step >> 3;
        if (nibble & 1)
            diff += step >> 2;
        if (nibble & 2)
            diff += step >> 1;
        if (nibble & 4)
            diff += step;
        if (nibble & 8)
            diff = -diff;
        predictor = std::clamp(predictor + diff, -32768, 32767);
        stepIndex = std::clamp(stepIndex + kIndexTable[nibble & 0x0F], 0, 88);
        return static_cast<int16_t>(predictor);
    }
};

} // namespace

uint32_t ImaAdpcmDecoder::requiredBlockSize(uint32_t channels, uint32_t samplesPerBlock)
{
    if (samplesPerBlock == 0)
        return 4 * channels;
    const uint32_t groups = (samplesPerBlock - 1 + 7) / 8;
    return 4 * channels + groups * 4 * channels;
}

int32_t ImaAdpcmDecoder::decodeBlock(std::span<const uint8_t> block, std::span<int16_t> out) const
{
    const uint32_t channels = m_format.channels;
    const uint32_t frames = m_format.samplesPerBlock;
    if (channels < 1 || channels > kMaxChannels || frames == 0 ||
        block.size() < requiredBlockSize(channels, frames) || out.size() < size_t{frames} * channels)
        return 0;

    std::array<ChannelState, kMaxChannels> state;
    for (uint32_t c = 0; c < channels; ++c) {
        const uint8_t* h = block.data() + 4 * c;
        state[c].predictor = static_cast<int16_t>(h[0] | (h[1] << 8));
        state[c].stepIndex = std::min<int32_t>(h[2], 88);
        out[c] = static_cast<int16_t>(state[c].predictor);
    }

    // Groups of 4 bytes per channel, channel after channel; each group holds
    // the next 8 samples of its channel, low nibble first.
    const uint8_t* data = block.data() + 4 * channels;
    for (uint32_t frame = 1; frame < frames; frame += 8) {
        const uint32_t count = std::min<uint32_t>(8, frames - frame);
        for (uint32_t c = 0; c < channels; ++c) {
            for (uint32_t i = 0; i < count; ++i) {
                const uint8_t byte = data[i / 2];
                const uint8_t nibble = (i & 1) ? (byte >> 4) : (byte & 0x0F);
                out[(frame + i) * channels + c] = state[c].decode(nibble);
            }
            data += 4;
        }
    }
    return static_cast<int32_t>(frames * channels);
}

int32_t ImaAdpcmDecoder::decodePackets(std::span<const uint8_t> packet0,
                                       std::span<const uint8_t> packet1, int16_t* out0,
                                       int16_t* out1) const
{
    const uint32_t channels = m_format.channels;
    if (channels < 1 || channels > kMaxChannels)
        return 0;
    size_t dataBytes = m_format.samplesPerBlock / 2u;
    if (m_format.blockAlign >= 2)
        dataBytes = std::min<size_t>(dataBytes, m_format.blockAlign - 2u);
    else
        dataBytes = 0;

    const std::span<const uint8_t> packets[kMaxChannels] = {packet0, packet1};
    int16_t* const outs[kMaxChannels] = {out0, out1};
    for (uint32_t c = 0; c < channels; ++c) {
        const std::span<const uint8_t> packet = packets[c];
        if (packet.size() < 2 || outs[c] == nullptr)
            return 0;
        dataBytes = std::min(dataBytes, packet.size() - 2);
    }

    for (uint32_t c = 0; c < channels; ++c) {
        const uint8_t* p = packets[c].data();
        const uint16_t header = static_cast<uint16_t>((p[0] << 8) | p[1]);
        ChannelState state;
        state.predictor = static_cast<int16_t>(header & 0xFF80);
        state.stepIndex = std::min<int32_t>(header & 0x7F, 88);
        int16_t* out = outs[c];
        for (size_t i = 0; i < dataBytes; ++i) {
            const uint8_t byte = p[2 + i];
            out[2 * i] = state.decode(byte & 0x0F);
            out[2 * i + 1] = state.decode(byte >> 4);
        }
    }
    return static_cast<int32_t>(dataBytes * 2);
}

} // namespace sonivert
