#pragma once

#include "engine/inputtype.h"

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

struct ConversionSettings;

// What the Ogg Vorbis settings are decided from, read off the opened source.
struct OggSourceFacts {
    InputTypeCode code = kInputOther;
    int32_t sampleRate = 0;
    int32_t channels = 0;      // the source's outputChannels, 1 or 2
    int32_t bitsPerSample = 16;
    int32_t bitrateKbps = 0;   // 0 when unknown
};

// The encoder's set-up for one file and what the routine feeds it.
struct OggParameters {
    int32_t sampleRate = 0; // Configure's rate
    int32_t channels = 0;   // Configure's channels
    int32_t kbps = 0;       // nominal kbit/s
    // MonoType as the channel routing is to apply it (0 in automatic mode,
    // where every channel is kept).
    int32_t monoType = 0;
    // True when the PcmConverter must run between the source and the encoder.
    bool converterNeeded = false;
};

// The preferred output rate handed to the reader factory: 44100 in
// automatic mode or when OGGSampleRate is below 1, else OGGSampleRate.
int32_t oggFactoryRate(const ConversionSettings& settings);

// The parameters by AutoDestOGGEncodingParam:
// - 1: the source's channels; rate and bit rate by AutoRateRule; converted
//   when the rate differs from the source's or the source is not 16-bit.
// - otherwise: OGGSampleRate (0: the source's) snapped to the Ogg rates;
//   OGGChannels (0: the source's); OGGBitRate, or for 0 the source's bit
//   rate for MP3 and Ogg sources and AutoRateRule of the chosen rate and
//   channels for all others; snapped to the Ogg bit rates and kept within
//   VorbisBitRateLimits. The converter runs by converterNeeded with
//   MonoType; a two-channel source for one channel with MonoType 1 or 2
//   feeds the picked channel.
OggParameters chooseOggParameters(const ConversionSettings& settings, const OggSourceFacts& source);

} // namespace sonivert
