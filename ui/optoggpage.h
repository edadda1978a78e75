#pragma once

#include "ui/presetoptionpage.h"

namespace sonivert::ui {

// "OGG Options": preset, sample rate, nominal bit rate and channels of the
// Vorbis encoder, the tag choice and the amplification. The bit rate shown
// is kept inside what the encoder accepts for the rate and channels shown.
class COptOggPage : public PresetOptionPage {
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
    enum List : int { kRateList = 0, kBitRateList = 1 };

    explicit COptOggPage(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    // With auto on, OGGBitRate, OGGSampleRate and OGGChannels keep their
    // stored values.
    void copyOut(ConversionSettings& settings) const override;

    QComboBox* rateList() const { return valueList(kRateList); }
    QComboBox* bitRateList() const { return valueList(kBitRateList); }

protected:
    // A rate or bit rate other than the stored one runs the correction and
    // shows "Custom".
    void valueChosen(int list) override;
    // Runs the correction; shows "Custom" only when the choice changed.
    void channelClicked(int id) override;

private:
    // Clamps the shown bit rate into the Vorbis limits of the shown rate and
    // channels, stores both and, when switchPreset, shows "Custom". Nothing
    // while a list or the channel choice is "Same as original file".
    void correct(bool switchPreset);
};

} // namespace sonivert::ui
