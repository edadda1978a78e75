#pragma once

#include "ui/formatoptionpage.h"

class QComboBox;

namespace sonivert::ui {

class AmplifyGroup;
class TagChoiceGroup;

// "WMA Options": one list of "Auto" and the Windows Media audio codec
// formats of this machine, the tag choice and the amplification. The list
// is filled when the page is first shown, after the run-time has been
// loaded (or the user asked to install it); without the run-time it holds
// "Auto" alone.
class CPageWMAOptions : public FormatOptionPage {
    Q_OBJECT
public:
    // Item data of the "Auto" entry; a codec entry's data is its index in
    // the format list.
    static constexpr int32_t kAutoEntry = -1;

    explicit CPageWMAOptions(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    // With auto on, WMASampleRate, WMABitRate and WMAChannels keep their
    // stored values.
    void copyOut(ConversionSettings& settings) const override;

    QComboBox* formatList() const { return m_formats; }
    TagChoiceGroup* tagChoice() const { return m_tags; }
    AmplifyGroup* amplifyGroup() const { return m_amplify; }

protected:
    void initialisePage() override;
    bool checkAndRead() override;
    void readSelections() override;

private:
    struct Values {
        int32_t autoParams = 1;
        int32_t sampleRate = 44100;
        int32_t bitRate = 128000; // bit/s
        int32_t channels = 2;
        int32_t tagChoice = 1;
        int32_t amplify = 0;
        int32_t coefficient = 100;
        TagDefaults tags;
    } m_values;

    QComboBox* m_formats;
    TagChoiceGroup* m_tags;
    AmplifyGroup* m_amplify;
};

} // namespace sonivert::ui
