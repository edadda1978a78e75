#include "ui/optopuspage.h"

#include <algorithm>
#include <array>

namespace sonivert::ui {
namespace {

constexpr std::array<int32_t, 19> kOpusBitRates = {6,   8,   12,  16,  24,  32,  48,  64,  80, 96,
                                                   112, 128, 160, 192, 256, 320, 384, 450, 510};
constexpr int32_t kMinKbps = 6;
constexpr int32_t kMaxKbps = 510;

void fillBitRates(QComboBox& list, int32_t shown)
{
    std::vector<int32_t> kbps(kOpusBitRates.begin(), kOpusBitRates.end());
    if (shown >= kMinKbps && shown <= kMaxKbps && !std::binary_search(kbps.begin(), kbps.end(), shown))
        kbps.insert(std::lower_bound(kbps.begin(), kbps.end(), shown), shown);
    list.clear();
    for (int32_t value : kbps)
        list.addItem(QStringLiteral("%1 kbps").arg(value), value);
}

PresetOptionPage::Shape opusShape()
{
    using P = COptOpusPage;
    PresetOptionPage::Shape shape;
    shape.autoPreset = P::kPresetAuto;
    shape.customPreset = P::kPresetCustom;
    shape.presets = {
        {P::kPreset64Mono, "64 kbps, Mono (speech, smaller size)", {64}, P::kMono},
        {P::kPreset96, "96 kbps, Stereo (good quality, small size)", {96}, P::kStereo},
        {P::kPreset128, "128 kbps, Stereo (high quality, normal size)", {128}, P::kStereo},
        {P::kPreset192, "192 kbps, Stereo (close to transparent, large size)", {192}, P::kStereo},
    };
    shape.lists = {{"&Bit Rate:", fillBitRates}};
    shape.channels = {"&Stereo", "&Mono", "Same as &original file"};
    shape.tags = TagChoiceGroup::Texts{"Add &tag", "T&ransfer tag from source file", "&None", "Edit &tag"};
    return shape;
}

} // namespace

COptOpusPage::COptOpusPage(const OptionsPageContext& context)
    : PresetOptionPage(QStringLiteral("Opus Options"), opusShape(), context)
{
}

void COptOpusPage::copyIn(const ConversionSettings& settings)
{
    m_values.autoParams = settings.AutoDestOPUSEncodingParam;
    m_values.lists[0] = settings.OPUSBitRate;
    m_values.channel = settings.OPUSChannels == 1 ? kMono : (settings.OPUSChannels == 2 ? kStereo : kSameAsSource);
    m_values.tagChoice = settings.OPUSID3TagType;
    m_values.amplify = settings.AmplifyOPUS;
    m_values.coefficient = settings.AmplifyOPUSCoeff;
    m_values.tags = settings.OPUSTag;
}

void COptOpusPage::copyOut(ConversionSettings& settings) const
{
    settings.AutoDestOPUSEncodingParam = m_values.autoParams != 0 ? 1 : 0;
    if (m_values.autoParams == 0) {
        settings.OPUSBitRate = m_values.lists[0];
        settings.OPUSChannels = m_values.channel == kMono ? 1 : (m_values.channel == kStereo ? 2 : 0);
    }
    settings.OPUSID3TagType = m_values.tagChoice;
    settings.AmplifyOPUS = m_values.amplify;
    settings.AmplifyOPUSCoeff = m_values.coefficient;
    settings.OPUSTag = m_values.tags;
}

} // namespace sonivert::ui
