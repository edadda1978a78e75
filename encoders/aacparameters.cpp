#include "encoders/aacparameters.h"

#include "settings/conversionsettings.h"

#include <algorithm>

namespace sonivert {

AacExplicitSettings aacExplicitSettings(const ConversionSettings& s)
{
    return {s.AACVBR,        s.AACVBRQuality,    s.AACABRBitRate, s.AACMpegVersion,
            s.AACEnableTNS,  s.AACEnableMidside, s.AACBlockType};
}

AacExplicitSettings m4aExplicitSettings(const ConversionSettings& s)
{
    return {s.M4AVBR,       s.M4AVBRQuality,    s.M4AABRBitRate, std::nullopt,
            s.M4AEnableTNS, s.M4AEnableMidside, s.M4ABlockType};
}

void applyAacExplicitSettings(AacEncoderConfiguration& config, const AacExplicitSettings& s, int32_t channels)
{
    if (s.vbr == 1) {
        if (s.vbrQuality >= kAacQualityMin && s.vbrQuality <= kAacQualityMax)
            config.quantqual = static_cast<uint32_t>(s.vbrQuality);
    } else {
        // In 64 bits: a large stored rate must not wrap into a small one.
        const int64_t perChannel = int64_t{s.abrBitRate} * 1000 / std::max(1, channels);
        config.bitRate = static_cast<uint32_t>(std::clamp<int64_t>(perChannel, 0, UINT32_MAX));
    }
    if (s.mpegVersion)
        config.mpegVersion = *s.mpegVersion;
    config.useTns = s.enableTns != 0 ? 1 : 0;
    config.allowMidside = s.enableMidside != 0 ? 1 : 0;
    config.shortctl = s.blockType;
}

} // namespace sonivert
