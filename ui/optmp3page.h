#pragma once

#include "ui/presetoptionpage.h"

namespace sonivert::ui {

class HyperLink;

// "MP3 Options": preset, sample rate, bit rate and channel mode of the MP3
// encoder, the tag choice with the ID3 version, and the amplification. A
// chosen bit rate or rate corrects the other list to a pair MPEG layer III
// allows.
class COptMp3Page : public PresetOptionPage {
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
    // The value lists, top to bottom.
    enum List : int { kRateList = 0, kBitRateList = 1 };

    explicit COptMp3Page(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    // With auto on, MP3BitRate, MP3SampleRate and MP3ChannelMode keep their
    // stored values.
    void copyOut(ConversionSettings& settings) const override;

    QComboBox* rateList() const { return valueList(kRateList); }
    QComboBox* bitRateList() const { return valueList(kBitRateList); }
    HyperLink* jointStereoLink() const { return m_jointLink; }
    HyperLink* encoderLink() const { return m_encoderLink; }

protected:
    void valueChosen(int list) override;

private:
    void bitRateChosen();
    void rateChosen();

    HyperLink* m_jointLink;
    HyperLink* m_encoderLink;
};

} // namespace sonivert::ui
