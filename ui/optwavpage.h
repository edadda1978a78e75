#pragma once

#include "ui/formatoptionpage.h"

class QButtonGroup;
class QComboBox;
class QRadioButton;

namespace sonivert::ui {

class AmplifyGroup;

// "WAV Options": preset, sample rate, sample width and channels of the WAV
// writer, and the amplification.
class COptWavPage : public FormatOptionPage {
    Q_OBJECT
public:
    enum Preset : int32_t {
        kPresetAuto = 409,
        kPreset11025 = 665,
        kPreset22050 = 921,
        kPreset32000 = 1177,
        kPreset44100 = 1433,
        kPresetCustom = 2457,
    };
    enum Channel : int32_t { kStereo = 0, kMono = 1, kSameAsSource = 2 };

    explicit COptWavPage(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    // With auto on, WAVBitsPerSample, WAVSampleRate and WAVChannelNum keep
    // their stored values.
    void copyOut(ConversionSettings& settings) const override;

    QComboBox* presetList() const { return m_presets; }
    QComboBox* rateList() const { return m_rates; }
    QComboBox* bitsList() const { return m_bits; }
    QRadioButton* channelRadio(int index) const;
    AmplifyGroup* amplifyGroup() const { return m_amplify; }

protected:
    void initialisePage() override;
    bool checkAndRead() override;
    void readSelections() override;

private:
    void presetChosen();
    void setEncodingEnabled(bool enabled);

    struct Values {
        int32_t autoParams = 1;
        int32_t bits = 16;
        int32_t sampleRate = 44100;
        int32_t channel = kStereo;
        int32_t amplify = 0;
        int32_t coefficient = 100;
    } m_values;
    int m_shownChannel = -1;

    QComboBox* m_presets;
    QComboBox* m_rates;
    QComboBox* m_bits;
    QButtonGroup* m_channels;
    AmplifyGroup* m_amplify;
};

} // namespace sonivert::ui
