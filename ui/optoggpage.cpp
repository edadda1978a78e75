#include "ui/optoggpage.h"

#include "encoders/oggparameters.h"

#include <algorithm>

namespace sonivert::ui {
namespace {

PresetOptionPage::Shape oggShape()
{
    using P = COptOggPage;
    PresetOptionPage::Shape shape;
    shape.autoPreset = P::kPresetAuto;
    shape.customPreset = P::kPresetCustom;
    // Values in list order: rate, bit rate.
    shape.presets = {
        {P::kPreset11025, "11025 Hz, 16 kbps, Mono (low quality, smaller size)", {11025, 16}, P::kMono},
        {P::kPreset22050, "22050 Hz, 32 kbps, Stereo (OK quality, small size)", {22050, 32}, P::kStereo},
        {P::kPreset32000, "32000 Hz, 96 kbps, Stereo (medium quality, normal size)", {32000, 96}, P::kStereo},
        {P::kPreset44100, "44100Hz, 128 kbps, Stereo (close to CD-quality, large size)", {44100, 128}, P::kStereo},
    };
    shape.lists = {
        {"Sample &Frequency:", [](QComboBox& list, int32_t) { fillHzList(list, oggSampleRates()); }},
        {"&Bit Rate:", [](QComboBox& list, int32_t) { fillKbpsList(list, oggBitRates()); }},
    };
    shape.channels = {"&Stereo", "&Mono", "Same as &original file"};
    shape.tags = TagChoiceGroup::Texts{"Add &ID3 tag", "T&ransfer ID3 tag from source file", "&None", "Edit ID3 &tag"};
    return shape;
}

} // namespace

COptOggPage::COptOggPage(const OptionsPageContext& context)
    : PresetOptionPage(QStringLiteral("OGG Options"), oggShape(), context)
{
}

void COptOggPage::copyIn(const ConversionSettings& settings)
{
    m_values.autoParams = settings.AutoDestOGGEncodingParam;
    m_values.lists[kBitRateList] = settings.OGGBitRate;
    m_values.lists[kRateList] = settings.OGGSampleRate;
    m_values.channel = settings.OGGChannels == 1 ? kMono : (settings.OGGChannels == 2 ? kStereo : kSameAsSource);
    m_values.tagChoice = settings.OGGID3TagType;
    m_values.amplify = settings.AmplifyOGG;
    m_values.coefficient = settings.AmplifyOGGCoeff;
    m_values.tags = settings.OGGTag;
}

void COptOggPage::copyOut(ConversionSettings& settings) const
{
    settings.AutoDestOGGEncodingParam = m_values.autoParams != 0 ? 1 : 0;
    if (m_values.autoParams == 0) {
        settings.OGGBitRate = m_values.lists[kBitRateList];
        settings.OGGSampleRate = m_values.lists[kRateList];
        settings.OGGChannels = m_values.channel == kMono ? 1 : (m_values.channel == kStereo ? 2 : 0);
    }
    settings.OGGID3TagType = m_values.tagChoice;
    settings.AmplifyOGG = m_values.amplify;
    settings.AmplifyOGGCoeff = m_values.coefficient;
    settings.OGGTag = m_values.tags;
}

void COptOggPage::valueChosen(int list)
{
    if (shownValue(list) != m_values.lists[static_cast<size_t>(list)])
        correct(true);
}

void COptOggPage::channelClicked(int id)
{
    const bool changed = id != m_shownChannel;
    m_shownChannel = id;
    correct(changed);
}

void COptOggPage::correct(bool switchPreset)
{
    const int32_t rate = shownValue(kRateList);
    int32_t kbps = shownValue(kBitRateList);
    const int channel = checkedChannel();
    if (rate == 0 || kbps == 0 || channel == kSameAsSource || channel < 0)
        return;
    if (const auto limits = VorbisBitRateLimits(rate, channel == kMono ? 1 : 2)) {
        const int32_t clamped = std::clamp(kbps, limits->minKbps, limits->maxKbps);
        if (clamped != kbps && selectData(*bitRateList(), clamped))
            kbps = clamped;
    }
    if (switchPreset)
        switchToCustom();
    m_values.lists[kBitRateList] = kbps;
    m_values.lists[kRateList] = rate;
}

} // namespace sonivert::ui
