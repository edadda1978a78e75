#pragma once

#include "ui/optionspage.h"

#include <cstdint>
#include <string>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace sonivert::ui {

class NumberEdit;

// The "General" page: the mono down-mix, the extension filter of folder
// scans and drops, the output folder rule, the rule for existing targets,
// the documents-folder fallback, opening the output folder after a run, how
// many files convert side by side, and loudness (ReplayGain tags, loudness
// normalisation to a target).
//
// Its leave-check refuses a custom folder rule without a folder, a
// switched-on filter without extensions and, while normalisation is on, a
// target that is not an integer in -30..-5; it also normalises the filter text
// (no blanks or tabs, ";" read as ","). An unknown folder rule shows as
// "Same as original file" and an unknown target rule as "Auto rename", and
// once the page has been shown they are handed back as 199 and 11.
class COptOutputPage final : public OptionsPage {
    Q_OBJECT
public:
    explicit COptOutputPage(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    void copyOut(ConversionSettings& settings) const override;
    bool leavePage() override;

    // The page values (what copyOut hands back).
    struct Values {
        int32_t monoType = 0;
        int32_t filterOn = 0;
        std::string filterText;
        int32_t outputFolderRule = 0;
        std::string customFolder;
        int32_t createFolders = 0;
        int32_t targetExistsRule = 0;
        int32_t documentsFallback = 0;
        int32_t browseWhenDone = 0;
        int32_t conversionJobs = 0; // 0: one per core
        int32_t replayGain = 0;
        int32_t normalizeLoudness = 0;
        int32_t normalizeTargetLufs = -16;
    };
    const Values& values() const { return m_values; }

    // Blanks and tabs removed, every ";" turned into ",", a leading "*." or
    // "." of each extension dropped.
    static std::string normalisedFilterText(const std::string& text);

protected:
    void initialisePage() override;

private:
    void buildControls();
    // Controls to values (true) or values to controls (false); the two
    // drop-downs and the loudness controls (read only by the leave-check,
    // which validates the target) are not part of it.
    void exchangeValues(bool fromControls);
    void enableCustomFolderControls(bool on);
    void folderRuleChanged(int index);
    void filterClicked();
    void browseClicked();
    void openClicked();
    void explainClicked();

    Values m_values;

    QButtonGroup* m_monoGroup = nullptr;
    QCheckBox* m_filterOn = nullptr;
    QLineEdit* m_filterText = nullptr;
    QComboBox* m_folderRule = nullptr;
    QLineEdit* m_customFolder = nullptr;
    QPushButton* m_browse = nullptr;
    QPushButton* m_open = nullptr;
    QCheckBox* m_createFolders = nullptr;
    QLabel* m_folderExample = nullptr;
    QComboBox* m_targetRule = nullptr;
    QCheckBox* m_documentsFallback = nullptr;
    QCheckBox* m_browseWhenDone = nullptr;
    QSpinBox* m_conversionJobs = nullptr;
    QCheckBox* m_replayGain = nullptr;
    QCheckBox* m_normalize = nullptr;
    NumberEdit* m_targetLufs = nullptr;
};

} // namespace sonivert::ui
