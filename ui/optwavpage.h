#pragma once

#include "ui/presetoptionpage.h"

namespace sonivert::ui {

// "WAV Options": preset, sample rate, sample width and channels of the WAV
// writer, and the amplification. WAV takes every pair of rate and width, so
// a choice is stored as it is.
class COptWavPage : public PresetOptionPage {
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
    enum List : int { kRateList = 0, kBitsList = 1 };

    explicit COptWavPage(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    // With auto on, WAVBitsPerSample, WAVSampleRate and WAVChannelNum keep
    // their stored values.
    void copyOut(ConversionSettings& settings) const override;

    QComboBox* rateList() const { return valueList(kRateList); }
    QComboBox* bitsList() const { return valueList(kBitsList); }
};

} // namespace sonivert::ui
