#include "ui/optmp3page.h"

#include "encoders/mp3parameters.h"
#include "engine/constants.h"
#include "ui/editid3tagdialog.h"
#include "ui/hyperlink.h"
#include "ui/optionpagecontrols.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

namespace sonivert::ui {
namespace {

struct PresetValues {
    int32_t preset;
    int32_t kbps;
    int32_t rate;
    int32_t channel;
};

constexpr std::array<PresetValues, 4> kPresetValues{{
    {COptMp3Page::kPreset11025, 16, 11025, COptMp3Page::kMono},
    {COptMp3Page::kPreset22050, 32, 22050, COptMp3Page::kJointStereo},
    {COptMp3Page::kPreset32000, 96, 32000, COptMp3Page::kJointStereo},
    {COptMp3Page::kPreset44100, 128, 44100, COptMp3Page::kJointStereo},
}};

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

} // namespace

COptMp3Page::COptMp3Page(const OptionsPageContext& context)
    : FormatOptionPage(QStringLiteral("MP3 Options"), context),
      m_presets(new QComboBox(this)),
      m_rates(new QComboBox(this)),
      m_bitRates(new QComboBox(this)),
      m_channels(new QButtonGroup(this)),
      m_jointLink(new HyperLink(QStringLiteral("Joint Stereo vs. Stereo"), QString::fromUtf8(kJointStereoSearchUrl),
                                context.prompts, this)),
      m_encoderLink(new HyperLink(QStringLiteral("The program uses LAME MP3 encoder."),
                                  QString::fromUtf8(kMp3EncoderWebSite), context.prompts, this)),
      m_tags(new TagChoiceGroup({"Add &ID3 tag", "T&ransfer ID3 tag from source file", "&None", "Edit ID3 &tag"},
                                true, this)),
      m_amplify(new AmplifyGroup(this))
{
    auto* encoding = new QGroupBox(this);
    auto* grid = new QGridLayout(encoding);
    auto addList = [&](int row, const QString& text, QComboBox* list) {
        auto* label = new QLabel(text, encoding);
        label->setBuddy(list);
        grid->addWidget(label, row, 0);
        grid->addWidget(list, row, 1, 1, 4);
    };
    addList(0, QStringLiteral("&Encoding Options:"), m_presets);
    addList(1, QStringLiteral("Sample &Frequency:"), m_rates);
    addList(2, QStringLiteral("&Bit Rate:"), m_bitRates);
    const char* channelTexts[4] = {"&Joint Stereo", "&Stereo", "&Mono", "Same as &original file"};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(channelTexts[i]), encoding);
        m_channels->addButton(radio, i);
        grid->addWidget(radio, 3, 1 + i);
    }
    auto* links = new QHBoxLayout;
    links->addWidget(m_jointLink);
    links->addStretch(1);
    links->addWidget(m_encoderLink);
    grid->addLayout(links, 4, 0, 1, 5);
    grid->setColumnStretch(4, 1);

    auto* tagBox = new QGroupBox(this);
    auto* tagLayout = new QVBoxLayout(tagBox);
    m_tags->setParent(tagBox);
    tagLayout->addWidget(m_tags);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(encoding);
    layout->addWidget(tagBox);
    layout->addWidget(m_amplify);
    layout->addStretch(1);

    connect(m_presets, &QComboBox::activated, this, [this](int) { presetChosen(); });
    connect(m_bitRates, &QComboBox::activated, this, [this](int) { bitRateChosen(); });
    connect(m_rates, &QComboBox::activated, this, [this](int) { rateChosen(); });
    connect(m_channels, &QButtonGroup::idClicked, this, [this](int id) { channelClicked(id); });
    connect(m_tags, &TagChoiceGroup::editRequested, this,
            [this] { (void)EditId3TagDialog::edit(m_values.tags, true, m_prompts, this); });
}

QRadioButton* COptMp3Page::channelRadio(int index) const
{
    return qobject_cast<QRadioButton*>(m_channels->button(index));
}

void COptMp3Page::copyIn(const ConversionSettings& settings)
{
    m_values.autoParams = settings.AutoDestMP3EncodingParam;
    m_values.bitRate = settings.MP3BitRate;
    m_values.sampleRate = settings.MP3SampleRate;
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
        settings.MP3BitRate = m_values.bitRate;
        settings.MP3SampleRate = m_values.sampleRate;
        settings.MP3ChannelMode = channelModeOf(m_values.channel);
    }
    settings.MP3ID3TagType = m_values.tagChoice;
    settings.MP3WriteID3Version = m_values.id3Version;
    settings.AmplifyMp3 = m_values.amplify;
    settings.AmplifyMp3Coeff = m_values.coefficient;
    settings.MP3Tag = m_values.tags;
}

void COptMp3Page::initialisePage()
{
    const ListEntry presets[] = {
        {QStringLiteral("Auto"), kPresetAuto},
        {QStringLiteral("11025 Hz, 16 kbps, Mono (low quality, smaller file size)"), kPreset11025},
        {QStringLiteral("22050 Hz, 32 kbps, Joint Stereo (OK quality, small size)"), kPreset22050},
        {QStringLiteral("32000 Hz, 96 kbps, Joint Stereo (medium quality, normal size)"), kPreset32000},
        {QStringLiteral("44100Hz, 128 kbps, Joint Stereo (close to CD-quality, large size)"), kPreset44100},
        {QStringLiteral("Custom"), kPresetCustom},
    };
    fillList(*m_presets, presets);
    int32_t preset = kPresetCustom;
    if (m_values.autoParams != 0) {
        preset = kPresetAuto;
    } else {
        for (const PresetValues& values : kPresetValues) {
            if (values.kbps == m_values.bitRate && values.rate == m_values.sampleRate &&
                values.channel == m_values.channel) {
                preset = values.preset;
                break;
            }
        }
    }
    selectData(*m_presets, preset);

    fillKbpsList(*m_bitRates, mp3BitRates());
    selectDataOrFirst(*m_bitRates, m_values.bitRate);
    fillHzList(*m_rates, mp3SampleRates());
    selectDataOrFirst(*m_rates, m_values.sampleRate);

    setRadioChoice(*m_channels, m_values.channel);
    m_shownChannel = m_values.channel;
    m_tags->showValues(m_values.tagChoice, m_values.id3Version);
    m_amplify->showValues(m_values.amplify, m_values.coefficient);
    setEncodingEnabled(m_values.autoParams == 0);
}

void COptMp3Page::setEncodingEnabled(bool enabled)
{
    m_bitRates->setEnabled(enabled);
    m_rates->setEnabled(enabled);
    for (QAbstractButton* radio : m_channels->buttons())
        radio->setEnabled(enabled);
}

void COptMp3Page::switchToCustom()
{
    selectData(*m_presets, kPresetCustom);
}

void COptMp3Page::presetChosen()
{
    const int32_t preset = selectedData(*m_presets);
    if (preset == kPresetAuto) {
        setEncodingEnabled(false);
        return;
    }
    setEncodingEnabled(true);
    for (const PresetValues& values : kPresetValues) {
        if (values.preset != preset)
            continue;
        selectData(*m_bitRates, values.kbps);
        selectData(*m_rates, values.rate);
        setRadioChoice(*m_channels, values.channel);
        m_shownChannel = values.channel;
    }
}

void COptMp3Page::bitRateChosen()
{
    const int32_t kbps = selectedData(*m_bitRates);
    int32_t rate = selectedData(*m_rates);
    if (kbps == m_values.bitRate || kbps == 0 || rate == 0)
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
        selectData(*m_rates, corrected);
        rate = corrected;
    }
    switchToCustom();
    m_values.bitRate = kbps;
    m_values.sampleRate = rate;
}

void COptMp3Page::rateChosen()
{
    const int32_t rate = selectedData(*m_rates);
    int32_t kbps = selectedData(*m_bitRates);
    if (rate == m_values.sampleRate || rate == 0 || kbps == 0)
        return;
    int32_t corrected = kbps;
    if (rate <= 12000 && kbps > 64)
        corrected = 64;
    else if (rate >= 16000 && rate <= 24000 && kbps > 160)
        corrected = 160;
    else if (rate >= 32000 && kbps < 32)
        corrected = 32;
    if (corrected != kbps) {
        selectData(*m_bitRates, corrected);
        kbps = corrected;
    }
    switchToCustom();
    m_values.bitRate = kbps;
    m_values.sampleRate = rate;
}

void COptMp3Page::channelClicked(int id)
{
    if (id != m_shownChannel)
        switchToCustom();
    m_shownChannel = id;
}

bool COptMp3Page::checkAndRead()
{
    if (!m_amplify->read(m_prompts, m_values.amplify, m_values.coefficient))
        return false;
    m_values.channel = radioChoice(*m_channels, m_values.channel);
    m_values.tagChoice = m_tags->choice(m_values.tagChoice);
    m_values.id3Version = m_tags->version(m_values.id3Version);
    return true;
}

void COptMp3Page::readSelections()
{
    m_values.autoParams = selectedData(*m_presets) == kPresetAuto ? 1 : 0;
    m_values.bitRate = selectedData(*m_bitRates, m_values.bitRate);
    m_values.sampleRate = selectedData(*m_rates, m_values.sampleRate);
}

} // namespace sonivert::ui
