#pragma once

#include "ui/formatoptionpage.h"

class QButtonGroup;
class QComboBox;
class QRadioButton;

namespace sonivert::ui {

class AmplifyGroup;
class HyperLink;
class TagChoiceGroup;

// "MP3 Options": preset, sample rate, bit rate and channel mode of the MP3
// encoder, the tag choice with the ID3 version, and the amplification.
class COptMp3Page : public FormatOptionPage {
    Q_OBJECT
public:
    // Item data of the preset list.
    enum Preset : int32_t {
        kPresetAuto = 392,
        kPreset11025 = 648,
        kPreset22050 = 904,
        kPreset32000 = 1160,
        kPreset44100 = 1416,
        kPresetCustom = 2440,
    };
    // The channel radios, top to bottom.
    enum Channel : int32_t { kJointStereo = 0, kStereo = 1, kMono = 2, kSameAsSource = 3 };

    explicit COptMp3Page(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    // With auto on, MP3BitRate, MP3SampleRate and MP3ChannelMode keep their
    // stored values.
    void copyOut(ConversionSettings& settings) const override;

    QComboBox* presetList() const { return m_presets; }
    QComboBox* rateList() const { return m_rates; }
    QComboBox* bitRateList() const { return m_bitRates; }
    QRadioButton* channelRadio(int index) const;
    TagChoiceGroup* tagChoice() const { return m_tags; }
    AmplifyGroup* amplifyGroup() const { return m_amplify; }
    HyperLink* jointStereoLink() const { return m_jointLink; }
    HyperLink* encoderLink() const { return m_encoderLink; }

protected:
    void initialisePage() override;
    bool checkAndRead() override;
    void readSelections() override;

private:
    void presetChosen();
    void bitRateChosen();
    void rateChosen();
    void channelClicked(int id);
    void setEncodingEnabled(bool enabled);
    void switchToCustom();

    struct Values {
        int32_t autoParams = 1;
        int32_t bitRate = 128;
        int32_t sampleRate = 44100;
        int32_t channel = kJointStereo;
        int32_t tagChoice = 1;
        int32_t id3Version = 1;
        int32_t amplify = 0;
        int32_t coefficient = 100;
        TagDefaults tags;
    } m_values;
    int m_shownChannel = -1;

    QComboBox* m_presets;
    QComboBox* m_rates;
    QComboBox* m_bitRates;
    QButtonGroup* m_channels;
    HyperLink* m_jointLink;
    HyperLink* m_encoderLink;
    TagChoiceGroup* m_tags;
    AmplifyGroup* m_amplify;
};

} // namespace sonivert::ui
