#include "ui/optwavpage.h"

#include "ui/optionpagecontrols.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

namespace sonivert::ui {
namespace {

struct PresetValues {
    int32_t preset;
    int32_t bits;
    int32_t rate;
    int32_t channel;
};

constexpr std::array<PresetValues, 4> kPresetValues{{
    {COptWavPage::kPreset11025, 8, 11025, COptWavPage::kMono},
    {COptWavPage::kPreset22050, 16, 22050, COptWavPage::kStereo},
    {COptWavPage::kPreset32000, 16, 32000, COptWavPage::kStereo},
    {COptWavPage::kPreset44100, 16, 44100, COptWavPage::kStereo},
}};

constexpr std::array<int32_t, 12> kWavRates = {6000,  8000,  11025, 12000, 16000, 22050,
                                               24000, 32000, 44100, 48000, 88200, 96000};

} // namespace

COptWavPage::COptWavPage(const OptionsPageContext& context)
    : FormatOptionPage(QStringLiteral("WAV Options"), context),
      m_presets(new QComboBox(this)),
      m_rates(new QComboBox(this)),
      m_bits(new QComboBox(this)),
      m_channels(new QButtonGroup(this)),
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
    addList(2, QStringLiteral("&Bits:"), m_bits);
    const char* channelTexts[3] = {"&Stereo", "&Mono", "Same as &original file"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(channelTexts[i]), encoding);
        m_channels->addButton(radio, i);
        grid->addWidget(radio, 3, 1 + i);
    }
    grid->setColumnStretch(3, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(encoding);
    layout->addWidget(m_amplify);
    layout->addStretch(1);

    connect(m_presets, &QComboBox::activated, this, [this](int) { presetChosen(); });
    // A rate or width other than the stored one is a custom choice; WAV
    // takes every pair, so nothing is corrected.
    connect(m_rates, &QComboBox::activated, this, [this](int) {
        const int32_t rate = selectedData(*m_rates);
        if (rate == m_values.sampleRate)
            return;
        selectData(*m_presets, kPresetCustom);
        m_values.sampleRate = rate;
    });
    connect(m_bits, &QComboBox::activated, this, [this](int) {
        const int32_t bits = selectedData(*m_bits);
        if (bits == m_values.bits)
            return;
        selectData(*m_presets, kPresetCustom);
        m_values.bits = bits;
    });
    connect(m_channels, &QButtonGroup::idClicked, this, [this](int id) {
        if (id != m_shownChannel)
            selectData(*m_presets, kPresetCustom);
        m_shownChannel = id;
    });
}

QRadioButton* COptWavPage::channelRadio(int index) const
{
    return qobject_cast<QRadioButton*>(m_channels->button(index));
}

void COptWavPage::copyIn(const ConversionSettings& settings)
{
    m_values.autoParams = settings.AutoDestWAVEncodingParam;
    m_values.bits = settings.WAVBitsPerSample;
    m_values.sampleRate = settings.WAVSampleRate;
    m_values.channel = settings.WAVChannelNum == 1 ? kMono : (settings.WAVChannelNum == 2 ? kStereo : kSameAsSource);
    m_values.amplify = settings.AmplifyWav;
    m_values.coefficient = settings.AmplifyWavCoeff;
}

void COptWavPage::copyOut(ConversionSettings& settings) const
{
    settings.AutoDestWAVEncodingParam = m_values.autoParams != 0 ? 1 : 0;
    if (m_values.autoParams == 0) {
        settings.WAVBitsPerSample = m_values.bits;
        settings.WAVSampleRate = m_values.sampleRate;
        settings.WAVChannelNum = m_values.channel == kMono ? 1 : (m_values.channel == kStereo ? 2 : 0);
    }
    settings.AmplifyWav = m_values.amplify;
    settings.AmplifyWavCoeff = m_values.coefficient;
}

void COptWavPage::initialisePage()
{
    const ListEntry presets[] = {
        {QStringLiteral("Auto"), kPresetAuto},
        {QStringLiteral("11025 Hz, 8 bits, Mono (low quality, smaller file size)"), kPreset11025},
        {QStringLiteral("22050 Hz, 16 bits, Stereo (OK quality, small size)"), kPreset22050},
        {QStringLiteral("32000 Hz, 16 bits, Stereo (medium quality, normal size)"), kPreset32000},
        {QStringLiteral("44100Hz, 16 bits, Stereo (high quality, large size)"), kPreset44100},
        {QStringLiteral("Custom"), kPresetCustom},
    };
    fillList(*m_presets, presets);
    int32_t preset = kPresetCustom;
    if (m_values.autoParams != 0) {
        preset = kPresetAuto;
    } else {
        for (const PresetValues& values : kPresetValues) {
            if (values.bits == m_values.bits && values.rate == m_values.sampleRate &&
                values.channel == m_values.channel) {
                preset = values.preset;
                break;
            }
        }
    }
    selectData(*m_presets, preset);

    const ListEntry bits[] = {
        {QStringLiteral("8 bits"), 8},
        {QStringLiteral("16 bits"), 16},
        {QStringLiteral("Same as original file"), 0},
    };
    fillList(*m_bits, bits);
    selectDataOrFirst(*m_bits, m_values.bits);
    fillHzList(*m_rates, kWavRates);
    selectDataOrFirst(*m_rates, m_values.sampleRate);

    setRadioChoice(*m_channels, m_values.channel);
    m_shownChannel = m_values.channel;
    m_amplify->showValues(m_values.amplify, m_values.coefficient);
    setEncodingEnabled(m_values.autoParams == 0);
}

void COptWavPage::setEncodingEnabled(bool enabled)
{
    m_bits->setEnabled(enabled);
    m_rates->setEnabled(enabled);
    for (QAbstractButton* radio : m_channels->buttons())
        radio->setEnabled(enabled);
}

void COptWavPage::presetChosen()
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
        selectData(*m_bits, values.bits);
        selectData(*m_rates, values.rate);
        setRadioChoice(*m_channels, values.channel);
        m_shownChannel = values.channel;
    }
}

bool COptWavPage::checkAndRead()
{
    if (!m_amplify->read(m_prompts, m_values.amplify, m_values.coefficient))
        return false;
    m_values.channel = radioChoice(*m_channels, m_values.channel);
    return true;
}

void COptWavPage::readSelections()
{
    m_values.autoParams = selectedData(*m_presets) == kPresetAuto ? 1 : 0;
    m_values.bits = selectedData(*m_bits, m_values.bits);
    m_values.sampleRate = selectedData(*m_rates, m_values.sampleRate);
}

} // namespace sonivert::ui
