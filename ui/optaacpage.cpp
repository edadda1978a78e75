#include "ui/optaacpage.h"

#include "engine/userprompts.h"
#include "ui/editid3tagdialog.h"
#include "ui/numberedit.h"
#include "ui/optionpagecontrols.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

namespace sonivert::ui {
namespace {

constexpr std::array<int32_t, 17> kAacBitRates = {16,  24,  32,  40,  48,  56,  64,  80, 96,
                                                  112, 128, 144, 160, 192, 224, 256, 320};
constexpr int kMinQuality = 10;
constexpr int kMaxQuality = 500;
constexpr int kQualityStep = 10;
constexpr int32_t kResetQuality = 100;
constexpr int32_t kResetKbps = 128;

} // namespace

AacPageBase::AacPageBase(const QString& title, bool withMpegVersion, const OptionsPageContext& context)
    : FormatOptionPage(title, context),
      m_auto(new QCheckBox(QStringLiteral("A&uto (let the program choose the best parameters)"), this)),
      m_rateModes(new QButtonGroup(this)),
      m_bitRates(new QComboBox(this)),
      m_quality(new NumberEdit(kMinQuality, kMaxQuality, kQualityStep, this)),
      m_tns(new QCheckBox(QStringLiteral("Use &Temporal Noise Shaping (TNS)"), this)),
      m_midSide(new QCheckBox(QStringLiteral("Allow &Mid/Side"), this)),
      m_blocks(new QButtonGroup(this)),
      m_reset(new QPushButton(QStringLiteral("Reset"), this)),
      m_amplify(new AmplifyGroup(this))
{
    auto* encoding = new QGroupBox(this);
    auto* grid = new QGridLayout(encoding);
    grid->addWidget(m_auto, 0, 0, 1, 3);
    auto* abr = new QRadioButton(QStringLiteral("Average &Bit Rate (ABR)"), encoding);
    auto* vbr = new QRadioButton(QStringLiteral("&Variable Bit Rate (VBR)"), encoding);
    m_rateModes->addButton(abr, kAbr);
    m_rateModes->addButton(vbr, kVbr);
    grid->addWidget(abr, 1, 0);
    auto* bitRateLabel = new QLabel(QStringLiteral("Bit &Rate:"), encoding);
    bitRateLabel->setBuddy(m_bitRates);
    grid->addWidget(bitRateLabel, 1, 1);
    grid->addWidget(m_bitRates, 1, 2);
    grid->addWidget(vbr, 2, 0);
    auto* qualityLabel = new QLabel(QStringLiteral("&Quality:"), encoding);
    qualityLabel->setBuddy(m_quality->edit());
    grid->addWidget(qualityLabel, 2, 1);
    auto* qualityLine = new QHBoxLayout;
    m_quality->setFixedWidth(80);
    qualityLine->addWidget(m_quality);
    qualityLine->addWidget(new QLabel(QStringLiteral("(Default: 100. From 10 to 500)"), encoding));
    qualityLine->addStretch(1);
    grid->addLayout(qualityLine, 2, 2);

    auto* advanced = new QGroupBox(QStringLiteral("Advanced Options"), encoding);
    auto* advancedGrid = new QGridLayout(advanced);
    advancedGrid->addWidget(m_tns, 0, 0, 1, 4);
    advancedGrid->addWidget(m_midSide, 1, 0, 1, 4);
    int row = 2;
    if (withMpegVersion) {
        m_mpeg = new QButtonGroup(this);
        advancedGrid->addWidget(new QLabel(QStringLiteral("MPEG Version:"), advanced), row, 0);
        auto* mpeg4 = new QRadioButton(QStringLiteral("MPEG&4"), advanced);
        auto* mpeg2 = new QRadioButton(QStringLiteral("MPEG&2"), advanced);
        m_mpeg->addButton(mpeg4, 0);
        m_mpeg->addButton(mpeg2, 1);
        advancedGrid->addWidget(mpeg4, row, 1);
        advancedGrid->addWidget(mpeg2, row, 2);
        ++row;
    }
    advancedGrid->addWidget(new QLabel(QStringLiteral("Block Type:"), advanced), row, 0);
    const char* blockTexts[3] = {"B&oth long and short", "No &short", "&No long"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(blockTexts[i]), advanced);
        m_blocks->addButton(radio, i);
        advancedGrid->addWidget(radio, row, 1 + i);
    }
    advancedGrid->setColumnStretch(3, 1);
    grid->addWidget(advanced, 3, 0, 1, 3);
    auto* resetLine = new QHBoxLayout;
    resetLine->addStretch(1);
    resetLine->addWidget(m_reset);
    grid->addLayout(resetLine, 4, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(encoding);
    layout->addWidget(m_amplify);
    layout->addStretch(1);

    connect(m_auto, &QCheckBox::clicked, this, [this] { updateEnabled(); });
    connect(m_rateModes, &QButtonGroup::idClicked, this, [this](int id) {
        updateEnabled();
        if (id == kVbr)
            m_quality->focusEdit();
        else
            m_bitRates->setFocus(Qt::OtherFocusReason);
    });
    connect(m_reset, &QPushButton::clicked, this, [this] { reset(); });
}

void AacPageBase::placeTagGroup(QWidget* tagGroup)
{
    auto* box = new QGroupBox(this);
    auto* boxLayout = new QVBoxLayout(box);
    tagGroup->setParent(box);
    boxLayout->addWidget(tagGroup);
    static_cast<QVBoxLayout*>(layout())->insertWidget(1, box);
}

QRadioButton* AacPageBase::rateModeRadio(int index) const
{
    return qobject_cast<QRadioButton*>(m_rateModes->button(index));
}

QRadioButton* AacPageBase::mpegRadio(int index) const
{
    return m_mpeg ? qobject_cast<QRadioButton*>(m_mpeg->button(index)) : nullptr;
}

QRadioButton* AacPageBase::blockRadio(int index) const
{
    return qobject_cast<QRadioButton*>(m_blocks->button(index));
}

void AacPageBase::initialisePage()
{
    m_auto->setChecked(m_values.autoParams != 0);
    setRadioChoice(*m_rateModes, m_values.rateMode);
    m_quality->setNumber(m_values.quality);
    fillKbpsList(*m_bitRates, kAacBitRates);
    selectDataOrFirst(*m_bitRates, m_values.bitRate);
    m_tns->setChecked(m_values.tns != 0);
    m_midSide->setChecked(m_values.midSide != 0);
    if (m_mpeg)
        setRadioChoice(*m_mpeg, m_values.mpeg);
    setRadioChoice(*m_blocks, m_values.blockType);
    m_amplify->showValues(m_values.amplify, m_values.coefficient);
    updateEnabled();
}

void AacPageBase::updateEnabled()
{
    const bool manual = !m_auto->isChecked();
    const int mode = m_rateModes->checkedId();
    for (QAbstractButton* radio : m_rateModes->buttons())
        radio->setEnabled(manual);
    m_bitRates->setEnabled(manual && mode == kAbr);
    m_quality->setEnabled(manual && mode == kVbr);
    m_tns->setEnabled(manual);
    m_midSide->setEnabled(manual);
    if (m_mpeg) {
        for (QAbstractButton* radio : m_mpeg->buttons())
            radio->setEnabled(manual);
    }
    for (QAbstractButton* radio : m_blocks->buttons())
        radio->setEnabled(manual);
}

void AacPageBase::reset()
{
    // The encoder's own defaults; the amplification is not an encoder value.
    m_auto->setChecked(true);
    setRadioChoice(*m_rateModes, kVbr);
    m_quality->setNumber(kResetQuality);
    setRadioChoice(*m_blocks, 0);
    m_tns->setChecked(false);
    m_midSide->setChecked(true);
    if (m_mpeg)
        setRadioChoice(*m_mpeg, 0);
    selectData(*m_bitRates, kResetKbps);
    updateEnabled();
}

bool AacPageBase::checkAndRead()
{
    const bool manual = !m_auto->isChecked();
    const int32_t mode = radioChoice(*m_rateModes, m_values.rateMode);
    const std::optional<int32_t> quality = m_quality->number();
    // A quality that cannot be edited is not used either: when it does not
    // read as a number the stored one stays.
    if (m_quality->isEnabled() && !quality) {
        m_prompts.showMessage(UserPrompts::Icon::Exclamation, "Please enter an integer.");
        m_quality->focusEdit();
        return false;
    }
    if (manual && mode == kVbr && (!quality || *quality < kMinQuality || *quality > kMaxQuality)) {
        m_prompts.showMessage(UserPrompts::Icon::Exclamation, "Invalid quality value. It's betwen 10 and 500.");
        m_quality->focusEdit();
        return false;
    }
    if (!m_amplify->read(m_prompts, m_values.amplify, m_values.coefficient))
        return false;
    m_values.autoParams = checkBoxValue(*m_auto, m_values.autoParams);
    m_values.rateMode = mode;
    if (quality)
        m_values.quality = *quality;
    m_values.tns = checkBoxValue(*m_tns, m_values.tns);
    m_values.midSide = checkBoxValue(*m_midSide, m_values.midSide);
    if (m_mpeg)
        m_values.mpeg = radioChoice(*m_mpeg, m_values.mpeg);
    m_values.blockType = radioChoice(*m_blocks, m_values.blockType);
    return true;
}

int32_t AacPageBase::vbrValue() const
{
    const bool vbr = m_values.rateMode == kVbr;
    return vbr == (m_values.storedVbr != 0) ? m_values.storedVbr : (vbr ? 1 : 0);
}

int32_t AacPageBase::mpegValue() const
{
    const int32_t stored = m_values.storedMpeg != 0 ? 1 : 0;
    return m_values.mpeg == stored ? m_values.storedMpeg : m_values.mpeg;
}

void AacPageBase::readSelections()
{
    m_values.bitRate = selectedData(*m_bitRates, m_values.bitRate);
}

COptAacPage::COptAacPage(const OptionsPageContext& context)
    : AacPageBase(QStringLiteral("AAC Options"), true, context)
{
}

void COptAacPage::copyIn(const ConversionSettings& settings)
{
    m_values.autoParams = settings.AutoDestAACEncodingParam;
    m_values.rateMode = settings.AACVBR != 0 ? kVbr : kAbr;
    m_values.quality = settings.AACVBRQuality;
    m_values.bitRate = settings.AACABRBitRate;
    m_values.tns = settings.AACEnableTNS;
    m_values.midSide = settings.AACEnableMidside;
    m_values.mpeg = settings.AACMpegVersion != 0 ? 1 : 0;
    m_values.blockType = settings.AACBlockType;
    m_values.amplify = settings.AmplifyAAC;
    m_values.coefficient = settings.AmplifyAACCoef;
    m_values.storedVbr = settings.AACVBR;
    m_values.storedMpeg = settings.AACMpegVersion;
}

void COptAacPage::copyOut(ConversionSettings& settings) const
{
    settings.AutoDestAACEncodingParam = m_values.autoParams;
    if (m_values.autoParams == 0) {
        settings.AACVBR = vbrValue();
        settings.AACVBRQuality = m_values.quality;
        settings.AACABRBitRate = m_values.bitRate;
        settings.AACEnableTNS = m_values.tns;
        settings.AACEnableMidside = m_values.midSide;
        settings.AACMpegVersion = mpegValue();
        settings.AACBlockType = m_values.blockType;
    }
    settings.AmplifyAAC = m_values.amplify;
    settings.AmplifyAACCoef = m_values.coefficient;
}

COptM4aPage::COptM4aPage(const OptionsPageContext& context)
    : AacPageBase(QStringLiteral("MP4/M4A/M4B Options"), false, context),
      m_tags(new TagChoiceGroup({"Add &ID3 tag", "Trans&fer ID3 tag from source file", "Non&e", "E&dit ID3 tag"},
                                false, this))
{
    placeTagGroup(m_tags);
    connect(m_tags, &TagChoiceGroup::editRequested, this,
            [this] { (void)EditId3TagDialog::edit(m_tagDefaults, false, m_prompts, this); });
}

void COptM4aPage::copyIn(const ConversionSettings& settings)
{
    m_values.autoParams = settings.AutoDestM4AEncodingParam;
    m_values.rateMode = settings.M4AVBR != 0 ? kVbr : kAbr;
    m_values.quality = settings.M4AVBRQuality;
    m_values.bitRate = settings.M4AABRBitRate;
    m_values.tns = settings.M4AEnableTNS;
    m_values.midSide = settings.M4AEnableMidside;
    m_values.blockType = settings.M4ABlockType;
    m_values.amplify = settings.AmplifyM4A;
    m_values.coefficient = settings.AmplifyM4ACoef;
    m_tagChoice = settings.M4AID3TagType;
    m_tagDefaults = settings.M4ATag;
    m_values.storedVbr = settings.M4AVBR;
}

void COptM4aPage::copyOut(ConversionSettings& settings) const
{
    settings.AutoDestM4AEncodingParam = m_values.autoParams;
    if (m_values.autoParams == 0) {
        settings.M4AVBR = vbrValue();
        settings.M4AVBRQuality = m_values.quality;
        settings.M4AABRBitRate = m_values.bitRate;
        settings.M4AEnableTNS = m_values.tns;
        settings.M4AEnableMidside = m_values.midSide;
        settings.M4ABlockType = m_values.blockType;
    }
    settings.AmplifyM4A = m_values.amplify;
    settings.AmplifyM4ACoef = m_values.coefficient;
    settings.M4AID3TagType = m_tagChoice;
    settings.M4ATag = m_tagDefaults;
}

void COptM4aPage::initialisePage()
{
    AacPageBase::initialisePage();
    m_tags->showValues(m_tagChoice, 0);
}

bool COptM4aPage::checkAndRead()
{
    if (!AacPageBase::checkAndRead())
        return false;
    m_tagChoice = m_tags->choice(m_tagChoice);
    return true;
}

} // namespace sonivert::ui
