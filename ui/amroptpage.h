#pragma once

#include "ui/formatoptionpage.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QRadioButton;

namespace sonivert::ui {

class AmplifyGroup;

// "AMR/AWB Options": the band and codec mode of ".amr" output, its DTX
// switch, the mode and DTX switch of ".awb" output, and the amplification
// of both.
class CAmrOptPage : public FormatOptionPage {
    Q_OBJECT
public:
    enum Band : int32_t { kNarrowBand = 0, kWideBand = 1 };

    explicit CAmrOptPage(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    void copyOut(ConversionSettings& settings) const override;

    QRadioButton* bandRadio(int index) const;
    QComboBox* nbModeList() const { return m_nbModes; }
    QComboBox* wbModeList() const { return m_wbModes; }
    QCheckBox* dtxBox() const { return m_dtx; }
    QComboBox* awbModeList() const { return m_awbModes; }
    QCheckBox* awbDtxBox() const { return m_awbDtx; }
    AmplifyGroup* amplifyGroup() const { return m_amplify; }

protected:
    void initialisePage() override;
    bool checkAndRead() override;
    void readSelections() override;

private:
    void updateBandLists();

    struct Values {
        int32_t band = kNarrowBand;
        int32_t nbMode = 6;
        int32_t wbMode = 6;
        int32_t dtx = 0;
        int32_t awbMode = 6;
        int32_t awbDtx = 0;
        int32_t amplify = 0;
        int32_t coefficient = 100;
    } m_values;

    QButtonGroup* m_bands;
    QComboBox* m_nbModes;
    QComboBox* m_wbModes;
    QCheckBox* m_dtx;
    QComboBox* m_awbModes;
    QCheckBox* m_awbDtx;
    AmplifyGroup* m_amplify;
};

} // namespace sonivert::ui
