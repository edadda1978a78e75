#include "ui/optmp3page.h"

#include "encoders/mp3parameters.h"
#include "engine/constants.h"
#include "ui/hyperlink.h"

#include <QHBoxLayout>

namespace sonivert::ui {
namespace {

int32_t channelRadioOf(int32_t mode)
{
    switch (mode) {
    case 1:
        return COptMp3Page::kJointStereo;
    case 0:
        return COptMp3Page::kStereo;
    case 3:
        return COptMp3Page::kMono;
    default:
        return COptMp3Page::kSameAsSource;
    }
}

int32_t channelModeOf(int32_t radio)
{
    switch (radio) {
    case COptMp3Page::kJointStereo:
        return 1;
    case COptMp3Page::kStereo:
        return 0;
    case COptMp3Page::kMono:
        return 3;
    default:
        return 4;
    }
}

PresetOptionPage::Shape mp3Shape()
{
    using P = COptMp3Page;
    PresetOptionPage::Shape shape;
    shape.autoPreset = P::kPresetAuto;
    shape.customPreset = P::kPresetCustom;
    // Values in list order: rate, bit rate.
    shape.presets = {
        {P::kPreset11025, "11025 Hz, 16 kbps, Mono (low quality, smaller file size)", {11025, 16}, P::kMono},
        {P::kPreset22050, "22050 Hz, 32 kbps, Joint Stereo (OK quality, small size)", {22050, 32}, P::kJointStereo},
        {P::kPreset32000, "32000 Hz, 96 kbps, Joint Stereo (medium quality, normal size)", {32000, 96},
         P::kJointStereo},
        {P::kPreset44100, "44100Hz, 128 kbps, Joint Stereo (close to CD-quality, large size)", {44100, 128},
         P::kJointStereo},
    };
    shape.lists = {
        {"Sample &Frequency:", [](QComboBox& list, int32_t) { fillHzList(list, mp3SampleRates()); }},
        {"&Bit Rate:", [](QComboBox& list, int32_t) { fillKbpsList(list, mp3BitRates()); }},
    };
    shape.channels = {"&Joint Stereo", "&Stereo", "&Mono", "Same as &original file"};
    shape.tags = TagChoiceGroup::Texts{"Add &ID3 tag", "T&ransfer ID3 tag from source file", "&None", "Edit ID3 &tag"};
    shape.tagVersions = true;
    return shape;
}

} // namespace

COptMp3Page::COptMp3Page(const OptionsPageContext& context)
    : PresetOptionPage(QStringLiteral("MP3 Options"), mp3Shape(), context),
      m_jointLink(new HyperLink(QStringLiteral("Joint Stereo vs. Stereo"), QString::fromUtf8(kJointStereoSearchUrl),
                                context.prompts, this)),
      m_encoderLink(new HyperLink(QStringLiteral("The program uses LAME MP3 encoder."),
                                  QString::fromUtf8(kMp3EncoderWebSite), context.prompts, this))
{
    auto* links = new QHBoxLayout;
    links->addWidget(m_jointLink);
    links->addStretch(1);
    links->addWidget(m_encoderLink);
    addEncodingRow(links);
}

void COptMp3Page::copyIn(const ConversionSettings& settings)
{
    m_values.autoParams = settings.AutoDestMP3EncodingParam;
    m_values.lists[kBitRateList] = settings.MP3BitRate;
    m_values.lists[kRateList] = settings.MP3SampleRate;
    m_values.channel = channelRadioOf(settings.MP3ChannelMode);
    m_values.tagChoice = settings.MP3ID3TagType;
    m_values.id3Version = settings.MP3WriteID3Version;
    m_values.amplify = settings.AmplifyMp3;
    m_values.coefficient = settings.AmplifyMp3Coeff;
    m_values.tags = settings.MP3Tag;
}

void COptMp3Page::copyOut(ConversionSettings& settings) const
{
    settings.AutoDestMP3EncodingParam = m_values.autoParams != 0 ? 1 : 0;
    if (m_values.autoParams == 0) {
        settings.MP3BitRate = m_values.lists[kBitRateList];
        settings.MP3SampleRate = m_values.lists[kRateList];
        settings.MP3ChannelMode = channelModeOf(m_values.channel);
    }
    settings.MP3ID3TagType = m_values.tagChoice;
    settings.MP3WriteID3Version = m_values.id3Version;
    settings.AmplifyMp3 = m_values.amplify;
    settings.AmplifyMp3Coeff = m_values.coefficient;
    settings.MP3Tag = m_values.tags;
}

void COptMp3Page::valueChosen(int list)
{
    if (list == kBitRateList)
        bitRateChosen();
    else
        rateChosen();
}

void COptMp3Page::bitRateChosen()
{
    const int32_t kbps = shownValue(kBitRateList);
    int32_t rate = shownValue(kRateList);
    if (kbps == m_values.lists[kBitRateList] || kbps == 0 || rate == 0)
        return;
    // Keep the pair to what the MPEG layer III rates allow: low bit rates
    // exist only at the MPEG-2 rates, high ones only at the MPEG-1 rates.
    int32_t corrected = rate;
    if (kbps <= 24 && rate > 24000)
        corrected = 24000;
    else if (kbps >= 80 && kbps <= 160 && rate < 16000)
        corrected = 16000;
    else if (kbps >= 192 && rate < 32000)
        corrected = 32000;
    if (corrected != rate) {
        selectData(*rateList(), corrected);
        rate = corrected;
    }
    switchToCustom();
    m_values.lists[kBitRateList] = kbps;
    m_values.lists[kRateList] = rate;
}

void COptMp3Page::rateChosen()
{
    const int32_t rate = shownValue(kRateList);
    int32_t kbps = shownValue(kBitRateList);
    if (rate == m_values.lists[kRateList] || rate == 0 || kbps == 0)
        return;
    int32_t corrected = kbps;
    if (rate <= 12000 && kbps > 64)
        corrected = 64;
    else if (rate >= 16000 && rate <= 24000 && kbps > 160)
        corrected = 160;
    else if (rate >= 32000 && kbps < 32)
        corrected = 32;
    if (corrected != kbps) {
        selectData(*bitRateList(), corrected);
        kbps = corrected;
    }
    switchToCustom();
    m_values.lists[kBitRateList] = kbps;
    m_values.lists[kRateList] = rate;
}

} // namespace sonivert::ui
