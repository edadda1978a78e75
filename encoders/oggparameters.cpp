#include "encoders/oggparameters.h"

#include "encoders/mp3parameters.h"
#include "engine/pcmrouting.h"
#include "settings/conversionsettings.h"

#include <algorithm>

namespace sonivert {
namespace {

constexpr int32_t kDefaultFactoryRate = 44100;

} // namespace

int32_t oggFactoryRate(const ConversionSettings& s)
{
    return (s.AutoDestOGGEncodingParam == 1 || s.OGGSampleRate < 1) ? kDefaultFactoryRate : s.OGGSampleRate;
}

OggParameters chooseOggParameters(const ConversionSettings& s, const OggSourceFacts& source)
{
    OggParameters p;
    if (s.AutoDestOGGEncodingParam == 1) {
        const AutoRate rate = AutoRateRule(source.sampleRate, source.channels);
        p.sampleRate = rate.sampleRate;
        p.channels = source.channels;
        p.kbps = rate.kbps;
        p.converterNeeded = rate.sampleRate != source.sampleRate || source.bitsPerSample != 16;
        return p;
    }

    p.sampleRate = SnapToList(s.OGGSampleRate != 0 ? s.OGGSampleRate : source.sampleRate, oggSampleRates());
    p.channels = s.OGGChannels != 0 ? s.OGGChannels : source.channels;
    int32_t kbps = s.OGGBitRate;
    if (kbps == 0) {
        kbps = (source.code == kInputMp3 || source.code == kInputOgg) ? source.bitrateKbps
                                                                      : AutoRateRule(p.sampleRate, p.channels).kbps;
    }
    kbps = SnapToList(kbps, oggBitRates());
    if (const auto limits = VorbisBitRateLimits(p.sampleRate, p.channels))
        kbps = std::clamp(kbps, limits->minKbps, limits->maxKbps);
    p.kbps = kbps;
    p.monoType = s.MonoType;
    p.converterNeeded = converterNeeded({source.sampleRate, source.channels, source.bitsPerSample},
                                        {p.sampleRate, p.channels, 16}, s.MonoType);
    return p;
}

} // namespace sonivert
