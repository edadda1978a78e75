#include "encoders/wmaparameters.h"

#include "settings/conversionsettings.h"

namespace sonivert {
namespace {

constexpr int32_t kAutoFactoryRate = 44100;

struct AutoRow {
    int32_t upToRate; // the row serves source rates up to this one
    int32_t monoRate, monoBitRate;
    int32_t stereoRate, stereoBitRate;
};
constexpr AutoRow kAutoTable[] = {
    {12000, 22050, 20000, 22050, 32000},  {16000, 44100, 32000, 44100, 48000},
    {24000, 44100, 48000, 44100, 64000},  {32000, 44100, 48000, 44100, 96000},
    {44100, 44100, 48000, 44100, 128000},
};
constexpr AutoRow kAboveTable = {0, 44100, 48000, 48000, 192000};

} // namespace

int32_t wmaFactoryRate(const ConversionSettings& s)
{
    return s.AutoDestWMAEncodingParam == 1 ? kAutoFactoryRate : s.WMASampleRate;
}

WmaParameters chooseWmaParameters(const ConversionSettings& s, int32_t sourceRate, int32_t sourceChannels)
{
    WmaParameters p;
    if (s.AutoDestWMAEncodingParam == 1) {
        const AutoRow* row = &kAboveTable;
        for (const AutoRow& r : kAutoTable) {
            if (sourceRate <= r.upToRate) {
                row = &r;
                break;
            }
        }
        const bool mono = sourceChannels == 1;
        p.sampleRate = mono ? row->monoRate : row->stereoRate;
        p.bitRate = mono ? row->monoBitRate : row->stereoBitRate;
        p.channels = sourceChannels;
        p.deliveredChannels = sourceChannels;
        return p;
    }
    p.sampleRate = s.WMASampleRate;
    p.bitRate = s.WMABitRate;
    p.channels = s.WMAChannels;
    const bool pick = s.WMAChannels < sourceChannels && (s.MonoType == 1 || s.MonoType == 2);
    p.deliveredChannels = pick ? 1 : sourceChannels;
    return p;
}

} // namespace sonivert
