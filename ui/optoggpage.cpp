#include "ui/optoggpage.h"

#include "encoders/oggparameters.h"
#include "ui/editid3tagdialog.h"
#include "ui/optionpagecontrols.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
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
    {COptOggPage::kPreset11025, 16, 11025, COptOggPage::kMono},
    {COptOggPage::kPreset22050, 32, 22050, COptOggPage::kStereo},
    {COptOggPage::kPreset32000, 96, 32000, COptOggPage::kStereo},
    {COptOggPage::kPreset44100, 128, 44100, COptOggPage::kStereo},
}};

} // namespace

COptOggPage::COptOggPage(const OptionsPageContext& context)
    : FormatOptionPage(QStringLiteral("OGG Options"), context),
      m_presets(new QComboBox(this)),
      m_rates(new QComboBox(this)),
      m_bitRates(new QComboBox(this)),
      m_channels(new QButtonGroup(this)),
      m_tags(new TagChoiceGroup({"Add &ID3 tag", "T&ransfer ID3 tag from source file", "&None", "Edit ID3 &tag"},
                                false, this)),
      m_amplify(new AmplifyGroup(this))
{
    auto* encoding = new QGroupBox(this);
    auto* grid = new QGridLayout(encoding);
    auto addList = [&](int row, const QString& text, QComboBox* list) {
        auto* label = new QLabel(text, encoding);
        label->setBuddy(list);
        grid->addWidget(label, row, 0);
        grid->addWidget(list, row, 1, 1, 3);
    };
    addList(0, QStringLiteral("&Encoding Options:"), m_presets);
    addList(1, QStringLiteral("Sample &Frequency:"), m_rates);
    addList(2, QStringLiteral("&Bit Rate:"), m_bitRates);
    const char* channelTexts[3] = {"&Stereo", "&Mono", "Same as &original file"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(channelTexts[i]), encoding);
        m_channels->addButton(radio, i);
        grid->addWidget(radio, 3, 1 + i);
    }
    grid->setColumnStretch(3, 1);

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
    connect(m_rates, &QComboBox::activated, this, [this](int) {
        if (selectedData(*m_rates) != m_values.sampleRate)
            correct(true);
    });
    connect(m_bitRates, &QComboBox::activated, this, [this](int) {
        if (selectedData(*m_bitRates) != m_values.bitRate)
            correct(true);
    });
    connect(m_channels, &QButtonGroup::idClicked, this, [this](int id) {
        const bool changed = id != m_shownChannel;
        m_shownChannel = id;
        correct(changed);
    });
    connect(m_tags, &TagChoiceGroup::editRequested, this,
            [this] { (void)EditId3TagDialog::edit(m_values.tags, true, m_prompts, this); });
}

QRadioButton* COptOggPage::channelRadio(int index) const
{
    return qobject_cast<QRadioButton*>(m_channels->button(index));
}

void COptOggPage::copyIn(const ConversionSettings& settings)
{
    m_values.autoParams = settings.AutoDestOGGEncodingParam;
    m_values.bitRate = settings.OGGBitRate;
    m_values.sampleRate = settings.OGGSampleRate;
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
        settings.OGGBitRate = m_values.bitRate;
        settings.OGGSampleRate = m_values.sampleRate;
        settings.OGGChannels = m_values.channel == kMono ? 1 : (m_values.channel == kStereo ? 2 : 0);
    }
    settings.OGGID3TagType = m_values.tagChoice;
    settings.AmplifyOGG = m_values.amplify;
    settings.AmplifyOGGCoeff = m_values.coefficient;
    settings.OGGTag = m_values.tags;
}

void COptOggPage::initialisePage()
{
    const ListEntry presets[] = {
        {QStringLiteral("Auto"), kPresetAuto},
        {QStringLiteral("11025 Hz, 16 kbps, Mono (low quality, smaller size)"), kPreset11025},
        {QStringLiteral("22050 Hz, 32 kbps, Stereo (OK quality, small size)"), kPreset22050},
        {QStringLiteral("32000 Hz, 96 kbps, Stereo (medium quality, normal size)"), kPreset32000},
        {QStringLiteral("44100Hz, 128 kbps, Stereo (close to CD-quality, large size)"), kPreset44100},
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

    fillKbpsList(*m_bitRates, oggBitRates());
    selectDataOrFirst(*m_bitRates, m_values.bitRate);
    fillHzList(*m_rates, oggSampleRates());
    selectDataOrFirst(*m_rates, m_values.sampleRate);

    setRadioChoice(*m_channels, m_values.channel);
    m_shownChannel = m_values.channel;
    m_tags->showValues(m_values.tagChoice, 0);
    m_amplify->showValues(m_values.amplify, m_values.coefficient);
    setEncodingEnabled(m_values.autoParams == 0);
}

void COptOggPage::setEncodingEnabled(bool enabled)
{
    m_bitRates->setEnabled(enabled);
    m_rates->setEnabled(enabled);
    for (QAbstractButton* radio : m_channels->buttons())
        radio->setEnabled(enabled);
}

void COptOggPage::presetChosen()
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

void COptOggPage::correct(bool switchPreset)
{
    const int32_t rate = selectedData(*m_rates);
    int32_t kbps = selectedData(*m_bitRates);
    const int channel = m_channels->checkedId();
    if (rate == 0 || kbps == 0 || channel == kSameAsSource || channel < 0)
        return;
    if (const auto limits = VorbisBitRateLimits(rate, channel == kMono ? 1 : 2)) {
        const int32_t clamped = std::clamp(kbps, limits->minKbps, limits->maxKbps);
        if (clamped != kbps && selectData(*m_bitRates, clamped))
            kbps = clamped;
    }
    if (switchPreset)
        selectData(*m_presets, kPresetCustom);
    m_values.bitRate = kbps;
    m_values.sampleRate = rate;
}

bool COptOggPage::checkAndRead()
{
    if (!m_amplify->read(m_prompts, m_values.amplify, m_values.coefficient))
        return false;
    m_values.channel = radioChoice(*m_channels, m_values.channel);
    m_values.tagChoice = m_tags->choice(m_values.tagChoice);
    return true;
}

void COptOggPage::readSelections()
{
    m_values.autoParams = selectedData(*m_presets) == kPresetAuto ? 1 : 0;
    m_values.bitRate = selectedData(*m_bitRates, m_values.bitRate);
    m_values.sampleRate = selectedData(*m_rates, m_values.sampleRate);
}

} // namespace sonivert::ui
