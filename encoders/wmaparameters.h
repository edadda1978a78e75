#pragma once

#include <cstdint>

namespace sonivert {

struct ConversionSettings;

// What a WMA output asks of the codec format list, and what the writer is fed.
struct WmaParameters {
    int32_t sampleRate = 0;         // wanted rate, Hz
    int32_t bitRate = 0;            // wanted bit rate, bit/s
    int32_t channels = 0;           // wanted channel count
    int32_t deliveredChannels = 0;  // channels handed to the writer (1 or 2)
    bool operator==(const WmaParameters&) const = default;
};

// The preferred output rate handed to the reader factory: 44100 in automatic
// mode, else WMASampleRate.
int32_t wmaFactoryRate(const ConversionSettings& settings);

// The parameters by AutoDestWMAEncodingParam, from the source's rate and its
// delivered channels (1 or 2):
// - 1: by the source rate s, for mono and stereo:
//     s <= 12000: 22050 Hz at 20000 / 32000 bit/s;
//     s <= 16000: 44100 Hz at 32000 / 48000;
//     s <= 24000: 44100 Hz at 48000 / 64000;
//     s <= 32000: 44100 Hz at 48000 / 96000;
//     s <= 44100: 44100 Hz at 48000 / 128000;
//     above: 44100 Hz at 48000 (mono), 48000 Hz at 192000 (stereo);
//   the source's channels are wanted and all are delivered.
// - otherwise: WMASampleRate, WMABitRate, WMAChannels. When WMAChannels is
//   below the source's channels and MonoType is 1 or 2, the left or right
//   channel alone is delivered; otherwise every source channel is, and the
//   run-time converts.
WmaParameters chooseWmaParameters(const ConversionSettings& settings, int32_t sourceRate, int32_t sourceChannels);

} // namespace sonivert
