#include "encoders/mp3parameters.h"

#include "engine/pcmrouting.h"
#include "settings/conversionsettings.h"

#include <algorithm>
#include <array>

namespace sonivert {
namespace {

constexpr std::array<int32_t, 9> kSampleRates = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
constexpr std::array<int32_t, 18> kBitRates = {8,  16,  24,  32,  40,  48,  56,  64,  80,
                                              96, 112, 128, 144, 160, 192, 224, 256, 320};

constexpr int32_t kModeJointStereo = 1;
constexpr int32_t kModeMono = 3;
constexpr int32_t kModeAsSource = 4;

struct AutoRateRow {
    int32_t upTo; // source rates up to this one
    AutoRate mono;
    AutoRate stereo;
};
constexpr std::array<AutoRateRow, 7> kAutoRates = {{
    {11025, {11025, 24}, {11025, 48}},
    {12000, {12000, 24}, {12000, 48}},
    {16000, {16000, 32}, {16000, 56}},
    {22050, {22050, 48}, {22050, 64}},
    {24000, {24000, 48}, {24000, 64}},
    {32000, {32000, 64}, {32000, 96}},
    {44100, {44100, 96}, {44100, 128}},
}};

} // namespace

std::span<const int32_t> mp3SampleRates()
{
    return kSampleRates;
}

std::span<const int32_t> mp3BitRates()
{
    return kBitRates;
}

int32_t SnapToList(int32_t value, std::span<const int32_t> list)
{
    const auto above = std::upper_bound(list.begin(), list.end(), value);
    if (above == list.begin())
        return list.front();
    const int32_t below = *(above - 1);
    if (below == value || above == list.end())
        return below;
    // 64-bit differences: the value may be anywhere in the 32-bit range.
    return int64_t{*above} - value < int64_t{value} - below ? *above : below;
}

AutoRate AutoRateRule(int32_t sourceRate, int32_t channels)
{
    for (const AutoRateRow& row : kAutoRates) {
        if (sourceRate <= row.upTo)
            return channels == 1 ? row.mono : row.stereo;
    }
    return channels == 1 ? AutoRate{48000, 128} : AutoRate{48000, 192};
}

int32_t mp3FactoryRate(const ConversionSettings& s)
{
    return (s.AutoDestMP3EncodingParam == 1 || s.MP3SampleRate < 1) ? 44100 : s.MP3SampleRate;
}

Mp3Parameters chooseMp3Parameters(const ConversionSettings& s, const Mp3SourceFacts& source)
{
    Mp3Parameters p;
    if (s.AutoDestMP3EncodingParam == 1) {
        p.inputChannels = source.channels;
        const AutoRate rate = AutoRateRule(source.sampleRate, source.channels);
        p.outputSampleRate = rate.sampleRate;
        p.bitRate = rate.kbps;
        return p;
    }

    int32_t mode = s.MP3ChannelMode;
    if (mode == kModeAsSource) {
        if (source.code == kInputMp3 && source.channelMode != ChannelMode::NotMpeg)
            mode = static_cast<int32_t>(source.channelMode);
        else
            mode = source.channels == 2 ? kModeJointStereo : kModeMono;
    }
    const int32_t outputChannels = mode == kModeMono ? 1 : 2;
    p.pickOneChannel = source.channels == 2 && mode == kModeMono && monoRouting(s.MonoType) != MonoRouting::Mix;
    p.inputChannels = p.pickOneChannel ? 1 : source.channels;
    p.mode = mode;

    const int32_t rate = SnapToList(s.MP3SampleRate != 0 ? s.MP3SampleRate : source.sampleRate, kSampleRates);
    p.outputSampleRate = rate;

    int32_t kbps = s.MP3BitRate;
    if (kbps == 0) {
        kbps = (source.code == kInputMp3 || source.code == kInputOgg) ? source.bitrateKbps
                                                                      : AutoRateRule(rate, outputChannels).kbps;
    }
    if (kbps > 0) {
        kbps = SnapToList(kbps, kBitRates);
        if (rate <= 12000)
            kbps = std::min(kbps, 64);
        else if (rate <= 24000)
            kbps = std::min(kbps, 160);
        else
            kbps = std::max(kbps, 32);
        p.bitRate = kbps;
    }
    return p;
}

} // namespace sonivert
