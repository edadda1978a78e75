#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace sonivert {

// The sample rates (Hz) an Ogg Vorbis output may have, ascending; the list
// SnapToList picks the explicit rate from.
inline constexpr std::array<int32_t, 9> kOggSampleRates = {8000,  11025, 12000, 16000, 22050,
                                                          24000, 32000, 44100, 48000};

// The nominal bit rates (kbit/s) an Ogg Vorbis output may have, ascending.
inline constexpr std::array<int32_t, 20> kOggBitRates = {8,   16,  24,  32,  40,  48,  56,  64,  80,  96,
                                                        112, 128, 144, 160, 192, 224, 256, 320, 400, 480};

constexpr std::span<const int32_t> oggSampleRates()
{
    return kOggSampleRates;
}

constexpr std::span<const int32_t> oggBitRates()
{
    return kOggBitRates;
}

// The nominal bit rates (kbit/s, both ends included) the Vorbis encoder
// accepts at one sample rate.
struct VorbisBitRateRange {
    int32_t minKbps = 0;
    int32_t maxKbps = 0;
    constexpr bool operator==(const VorbisBitRateRange&) const = default;
};

// The range for a sample rate and channel count. Exactly 2 channels use the
// stereo column, every other count the mono one. A rate outside the Ogg rate
// list has no limit (nullopt).
constexpr std::optional<VorbisBitRateRange> VorbisBitRateLimits(int32_t sampleRate, int32_t channels)
{
    const bool stereo = channels == 2;
    switch (sampleRate) {
    case 8000:
        return stereo ? VorbisBitRateRange{16, 80} : VorbisBitRateRange{8, 40};
    case 11025:
    case 12000:
        return stereo ? VorbisBitRateRange{16, 96} : VorbisBitRateRange{16, 48};
    case 16000:
        return stereo ? VorbisBitRateRange{24, 160} : VorbisBitRateRange{16, 80};
    case 22050:
    case 24000:
        return stereo ? VorbisBitRateRange{32, 160} : VorbisBitRateRange{16, 80};
    case 32000:
        return stereo ? VorbisBitRateRange{40, 320} : VorbisBitRateRange{32, 160};
    case 44100:
    case 48000:
        return stereo ? VorbisBitRateRange{48, 480} : VorbisBitRateRange{32, 224};
    default:
        return std::nullopt;
    }
}

} // namespace sonivert
