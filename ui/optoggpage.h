#pragma once

#include "ui/formatoptionpage.h"

class QButtonGroup;
class QComboBox;
class QRadioButton;

namespace sonivert::ui {

class AmplifyGroup;
class TagChoiceGroup;

// "OGG Options": preset, sample rate, nominal bit rate and channels of the
// Vorbis encoder, the tag choice and the amplification. The bit rate shown
// is kept inside what the encoder accepts for the rate and channels shown.
class COptOggPage : public FormatOptionPage {
    Q_OBJECT
public:
    enum Preset : int32_t {
        kPresetAuto = 392,
        kPreset11025 = 776,
        kPreset22050 = 792,
        kPreset32000 = 808,
        kPreset44100 = 824,
        kPresetCustom = 2440,
    };
    enum Channel : int32_t { kStereo = 0, kMono = 1, kSameAsSource = 2 };

    explicit COptOggPage(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    // With auto on, OGGBitRate, OGGSampleRate and OGGChannels keep their
    // stored values.
    void copyOut(ConversionSettings& settings) const override;

    QComboBox* presetList() const { return m_presets; }
    QComboBox* rateList() const { return m_rates; }
    QComboBox* bitRateList() const { return m_bitRates; }
    QRadioButton* channelRadio(int index) const;
    TagChoiceGroup* tagChoice() const { return m_tags; }
    AmplifyGroup* amplifyGroup() const { return m_amplify; }

protected:
    void initialisePage() override;
    bool checkAndRead() override;
    void readSelections() override;

private:
    void presetChosen();
    // Clamps the shown bit rate into the Vorbis limits of the shown rate and
    // channels, stores both and, when switchPreset, shows "Custom". Nothing
    // while a list or the channel choice is "Same as original file".
    void correct(bool switchPreset);
    void setEncodingEnabled(bool enabled);

    struct Values {
        int32_t autoParams = 1;
        int32_t bitRate = 128;
        int32_t sampleRate = 44100;
        int32_t channel = kStereo;
        int32_t tagChoice = 1;
        int32_t amplify = 0;
        int32_t coefficient = 100;
        TagDefaults tags;
    } m_values;
    int m_shownChannel = -1;

    QComboBox* m_presets;
    QComboBox* m_rates;
    QComboBox* m_bitRates;
    QButtonGroup* m_channels;
    TagChoiceGroup* m_tags;
    AmplifyGroup* m_amplify;
};

} // namespace sonivert::ui
