#pragma once

#include "platform/aac/aacencoderlib.h"

#include <cstdint>
#include <optional>

namespace sonivert {

struct ConversionSettings;

// The explicit encoding settings of one AAC option page.
struct AacExplicitSettings {
    int32_t vbr = 1;             // 1: quality mode, else average bit rate
    int32_t vbrQuality = 100;    // used only when in kAacQualityMin..kAacQualityMax
    int32_t abrBitRate = 128;    // kbit/s for all channels together
    std::optional<int32_t> mpegVersion; // none: left as it is (MPEG-4 files are always MPEG-4)
    int32_t enableTns = 0;
    int32_t enableMidside = 1;
    int32_t blockType = 0;
};

inline constexpr int32_t kAacQualityMin = 10;
inline constexpr int32_t kAacQualityMax = 500;

// The ADTS page's settings (AACVBR, AACVBRQuality, AACABRBitRate,
// AACMpegVersion, AACEnableTNS, AACEnableMidside, AACBlockType) and the
// MPEG-4 page's (the same with M4A, without an MPEG version).
AacExplicitSettings aacExplicitSettings(const ConversionSettings& settings);
AacExplicitSettings m4aExplicitSettings(const ConversionSettings& settings);

// Changes config by the explicit settings for a stream of channels:
// quality mode sets the quantizer quality when vbrQuality is in range (a
// value outside it keeps the encoder's default); otherwise the bit rate
// per channel is abrBitRate x 1000 / channels (integer division, a value
// of 0 or below gives 0). Then the MPEG version when given, TNS and
// mid/side (on for any value but 0) and the block-type control as it is
// (the encoder refuses values it does not know).
void applyAacExplicitSettings(AacEncoderConfiguration& config, const AacExplicitSettings& settings, int32_t channels);

} // namespace sonivert
