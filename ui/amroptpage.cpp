#include "ui/amroptpage.h"

#include "encoders/amrmodes.h"
#include "ui/optionpagecontrols.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <span>

namespace sonivert::ui {
namespace {

// The entry a mode list falls back to when the stored mode is not listed.
constexpr int kFallbackModeIndex = 4;

void fillModes(QComboBox& list, std::span<const AmrModeEntry> modes)
{
    list.clear();
    for (const AmrModeEntry& entry : modes)
        list.addItem(QString::fromUtf8(entry.text.data(), static_cast<qsizetype>(entry.text.size())), entry.mode);
}

void selectMode(QComboBox& list, int32_t mode)
{
    if (!selectData(list, mode))
        list.setCurrentIndex(kFallbackModeIndex);
}

} // namespace

CAmrOptPage::CAmrOptPage(const OptionsPageContext& context)
    : FormatOptionPage(QStringLiteral("AMR/AWB Options"), context),
      m_bands(new QButtonGroup(this)),
      m_nbModes(new QComboBox(this)),
      m_wbModes(new QComboBox(this)),
      m_dtx(new QCheckBox(QStringLiteral("&Enable DTX (Discontinuous Transmission)"), this)),
      m_awbModes(new QComboBox(this)),
      m_awbDtx(new QCheckBox(QStringLiteral("&Enable DTX (Discontinuous Transmission)"), this)),
      m_amplify(new AmplifyGroup(this))
{
    auto* amr = new QGroupBox(this);
    auto* grid = new QGridLayout(amr);
    auto* nb = new QRadioButton(QStringLiteral("NB (Narrow Band, 8000 Hz)"), amr);
    auto* wb = new QRadioButton(QStringLiteral("WB (Wide Band, 16000 Hz)"), amr);
    m_bands->addButton(nb, kNarrowBand);
    m_bands->addButton(wb, kWideBand);
    auto addBand = [&](int row, QRadioButton* radio, QComboBox* list) {
        grid->addWidget(radio, row, 0);
        auto* label = new QLabel(QStringLiteral("&Bit Rate:"), amr);
        label->setBuddy(list);
        grid->addWidget(label, row, 1);
        grid->addWidget(list, row, 2);
    };
    addBand(0, nb, m_nbModes);
    addBand(1, wb, m_wbModes);
    grid->addWidget(m_dtx, 2, 0, 1, 3);
    grid->setColumnStretch(3, 1);

    auto* awb = new QGroupBox(QStringLiteral("AWB Encoding Parameters"), this);
    auto* awbGrid = new QGridLayout(awb);
    awbGrid->addWidget(new QLabel(QStringLiteral("Sample Frequency: 16000 Hz"), awb), 0, 0, 1, 2);
    auto* awbLabel = new QLabel(QStringLiteral("&Bit Rate:"), awb);
    awbLabel->setBuddy(m_awbModes);
    awbGrid->addWidget(awbLabel, 1, 0);
    awbGrid->addWidget(m_awbModes, 1, 1);
    m_awbDtx->setParent(awb);
    awbGrid->addWidget(m_awbDtx, 2, 0, 1, 2);
    awbGrid->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(amr);
    layout->addWidget(awb);
    layout->addWidget(m_amplify);
    layout->addStretch(1);

    connect(m_bands, &QButtonGroup::idClicked, this, [this](int) { updateBandLists(); });
}

QRadioButton* CAmrOptPage::bandRadio(int index) const
{
    return qobject_cast<QRadioButton*>(m_bands->button(index));
}

void CAmrOptPage::copyIn(const ConversionSettings& settings)
{
    m_values.band = settings.AMRType;
    m_values.nbMode = settings.AMRMode;
    m_values.wbMode = settings.AMRWBMode;
    m_values.dtx = settings.AMRDTX;
    m_values.awbMode = settings.AWBMode;
    m_values.awbDtx = settings.AWBDTX;
    m_values.amplify = settings.AmplifyAMR;
    m_values.coefficient = settings.AmplifyAMRCoef;
}

void CAmrOptPage::copyOut(ConversionSettings& settings) const
{
    settings.AMRType = m_values.band;
    settings.AMRMode = m_values.nbMode;
    settings.AMRWBMode = m_values.wbMode;
    settings.AMRDTX = m_values.dtx;
    settings.AWBMode = m_values.awbMode;
    settings.AWBDTX = m_values.awbDtx;
    settings.AmplifyAMR = m_values.amplify;
    settings.AmplifyAMRCoef = m_values.coefficient;
}

void CAmrOptPage::initialisePage()
{
    fillModes(*m_nbModes, kAmrNbModes);
    selectMode(*m_nbModes, m_values.nbMode);
    fillModes(*m_wbModes, kAmrWbModes);
    selectMode(*m_wbModes, m_values.wbMode);
    fillModes(*m_awbModes, kAmrWbModes);
    selectMode(*m_awbModes, m_values.awbMode);
    setRadioChoice(*m_bands, m_values.band);
    m_dtx->setChecked(m_values.dtx != 0);
    m_awbDtx->setChecked(m_values.awbDtx != 0);
    m_amplify->showValues(m_values.amplify, m_values.coefficient);
    updateBandLists();
}

void CAmrOptPage::updateBandLists()
{
    const int band = m_bands->checkedId();
    m_nbModes->setEnabled(band != kWideBand);
    m_wbModes->setEnabled(band != kNarrowBand);
}

bool CAmrOptPage::checkAndRead()
{
    if (!m_amplify->read(m_prompts, m_values.amplify, m_values.coefficient))
        return false;
    m_values.band = radioChoice(*m_bands, m_values.band);
    m_values.dtx = checkBoxValue(*m_dtx, m_values.dtx);
    m_values.awbDtx = checkBoxValue(*m_awbDtx, m_values.awbDtx);
    return true;
}

void CAmrOptPage::readSelections()
{
    m_values.nbMode = selectedData(*m_nbModes, m_values.nbMode);
    m_values.wbMode = selectedData(*m_wbModes, m_values.wbMode);
    m_values.awbMode = selectedData(*m_awbModes, m_values.awbMode);
}

} // namespace sonivert::ui
