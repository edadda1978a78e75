#include "ui/optwavpage.h"

#include <array>

namespace sonivert::ui {
namespace {

constexpr std::array<int32_t, 12> kWavRates = {6000,  8000,  11025, 12000, 16000, 22050,
                                               24000, 32000, 44100, 48000, 88200, 96000};

PresetOptionPage::Shape wavShape()
{
    using P = COptWavPage;
    PresetOptionPage::Shape shape;
    shape.autoPreset = P::kPresetAuto;
    shape.customPreset = P::kPresetCustom;
    // Values in list order: rate, bits.
    shape.presets = {
        {P::kPreset11025, "11025 Hz, 8 bits, Mono (low quality, smaller file size)", {11025, 8}, P::kMono},
        {P::kPreset22050, "22050 Hz, 16 bits, Stereo (OK quality, small size)", {22050, 16}, P::kStereo},
        {P::kPreset32000, "32000 Hz, 16 bits, Stereo (medium quality, normal size)", {32000, 16}, P::kStereo},
        {P::kPreset44100, "44100Hz, 16 bits, Stereo (high quality, large size)", {44100, 16}, P::kStereo},
    };
    shape.lists = {
        {"Sample &Frequency:", [](QComboBox& list, int32_t) { fillHzList(list, kWavRates); }},
        {"&Bits:",
         [](QComboBox& list, int32_t) {
             const ListEntry bits[] = {
                 {QStringLiteral("8 bits"), 8},
                 {QStringLiteral("16 bits"), 16},
                 {QStringLiteral("Same as original file"), 0},
             };
             fillList(list, bits);
         }},
    };
    shape.channels = {"&Stereo", "&Mono", "Same as &original file"};
    return shape;
}

} // namespace

COptWavPage::COptWavPage(const OptionsPageContext& context)
    : PresetOptionPage(QStringLiteral("WAV Options"), wavShape(), context)
{
}

void COptWavPage::copyIn(const ConversionSettings& settings)
{
    m_values.autoParams = settings.AutoDestWAVEncodingParam;
    m_values.lists[kBitsList] = settings.WAVBitsPerSample;
    m_values.lists[kRateList] = settings.WAVSampleRate;
    m_values.channel = settings.WAVChannelNum == 1 ? kMono : (settings.WAVChannelNum == 2 ? kStereo : kSameAsSource);
    m_values.amplify = settings.AmplifyWav;
    m_values.coefficient = settings.AmplifyWavCoeff;
}

void COptWavPage::copyOut(ConversionSettings& settings) const
{
    settings.AutoDestWAVEncodingParam = m_values.autoParams != 0 ? 1 : 0;
    if (m_values.autoParams == 0) {
        settings.WAVBitsPerSample = m_values.lists[kBitsList];
        settings.WAVSampleRate = m_values.lists[kRateList];
        settings.WAVChannelNum = m_values.channel == kMono ? 1 : (m_values.channel == kStereo ? 2 : 0);
    }
    settings.AmplifyWav = m_values.amplify;
    settings.AmplifyWavCoeff = m_values.coefficient;
}

} // namespace sonivert::ui
