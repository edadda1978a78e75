#pragma once

#include "ui/formatoptionpage.h"

class QComboBox;

namespace sonivert::ui {

class AmplifyGroup;
class TagChoiceGroup;

// "FLAC Options": the compression level of ".flac" output, where its tags
// come from (with the default tags' editor) and its amplification. FLAC
// keeps the source's rate, channels and width, so there is nothing else to
// choose.
class COptFlacPage : public FormatOptionPage {
    Q_OBJECT
public:
    explicit COptFlacPage(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    void copyOut(ConversionSettings& settings) const override;

    QComboBox* levelList() const { return m_levels; }
    TagChoiceGroup* tagChoice() const { return m_tags; }
    AmplifyGroup* amplifyGroup() const { return m_amplify; }

protected:
    void initialisePage() override;
    bool checkAndRead() override;
    void readSelections() override;

private:
    struct Values {
        int32_t level = 5;
        int32_t tagChoice = kTagSourceCopy;
        int32_t amplify = 0;
        int32_t coefficient = 100;
        TagDefaults tags;
    } m_values;

    QComboBox* m_levels;
    TagChoiceGroup* m_tags;
    AmplifyGroup* m_amplify;
};

} // namespace sonivert::ui
