#pragma once

#include "ui/formatoptionpage.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

namespace sonivert::ui {

class AmplifyGroup;
class NumberEdit;
class TagChoiceGroup;

// The AAC encoder's options as the AAC and MP4/M4A/M4B pages show them:
// auto, average bit rate or quality (VBR), TNS, mid/side, block type, the
// MPEG version (AAC only), "Reset", and the amplification.
class AacPageBase : public FormatOptionPage {
    Q_OBJECT
public:
    enum RateMode : int32_t { kAbr = 0, kVbr = 1 };

    QCheckBox* autoBox() const { return m_auto; }
    QRadioButton* rateModeRadio(int index) const;
    QComboBox* bitRateList() const { return m_bitRates; }
    NumberEdit* qualityEdit() const { return m_quality; }
    QCheckBox* tnsBox() const { return m_tns; }
    QCheckBox* midSideBox() const { return m_midSide; }
    // Null on the MP4/M4A/M4B page.
    QRadioButton* mpegRadio(int index) const;
    QRadioButton* blockRadio(int index) const;
    QPushButton* resetButton() const { return m_reset; }
    AmplifyGroup* amplifyGroup() const { return m_amplify; }

protected:
    // The values of one AAC family in settings order.
    struct Values {
        int32_t autoParams = 1;
        int32_t rateMode = kVbr;
        int32_t quality = 100;
        int32_t bitRate = 128;
        int32_t tns = 0;
        int32_t midSide = 1;
        int32_t mpeg = 0;
        int32_t blockType = 0;
        int32_t amplify = 0;
        int32_t coefficient = 100;
        // The stored numbers behind the two mapped choices, so that a choice
        // left as it was gives back exactly what was stored.
        int32_t storedVbr = 1;
        int32_t storedMpeg = 0;
    };

    // The mapped choices as numbers for the settings.
    int32_t vbrValue() const;
    int32_t mpegValue() const;

    // tagGroup, when given, is placed between the encoding and the
    // amplification groups.
    AacPageBase(const QString& title, bool withMpegVersion, const OptionsPageContext& context);
    void placeTagGroup(QWidget* tagGroup);

    void initialisePage() override;
    bool checkAndRead() override;
    void readSelections() override;

    Values m_values;

private:
    void updateEnabled();
    void reset();

    QCheckBox* m_auto;
    QButtonGroup* m_rateModes;
    QComboBox* m_bitRates;
    NumberEdit* m_quality;
    QCheckBox* m_tns;
    QCheckBox* m_midSide;
    QButtonGroup* m_mpeg = nullptr;
    QButtonGroup* m_blocks;
    QPushButton* m_reset;
    AmplifyGroup* m_amplify;
};

// "AAC Options": raw AAC (ADTS) output.
class COptAacPage : public AacPageBase {
    Q_OBJECT
public:
    explicit COptAacPage(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    // With auto off AACVBR becomes 1 for VBR and 0 for ABR; with auto on
    // the encoding values keep their stored contents.
    void copyOut(ConversionSettings& settings) const override;
};

// "MP4/M4A/M4B Options": the AAC options without the MPEG version, plus the
// tag choice. The tag dialog opens without the copyright line, which MPEG-4
// output does not write.
class COptM4aPage : public AacPageBase {
    Q_OBJECT
public:
    explicit COptM4aPage(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    void copyOut(ConversionSettings& settings) const override;

    TagChoiceGroup* tagChoice() const { return m_tags; }

protected:
    void initialisePage() override;
    bool checkAndRead() override;

private:
    TagChoiceGroup* m_tags;
    int32_t m_tagChoice = 1;
    TagDefaults m_tagDefaults;
};

} // namespace sonivert::ui
