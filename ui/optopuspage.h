#pragma once

#include "ui/presetoptionpage.h"

namespace sonivert::ui {

// "Opus Options": preset, bit rate and channels of the Opus encoder, the
// tag choice (with the default tags' editor) and the amplification. Opus
// always codes at 48000 Hz, so there is no rate to choose. "Auto" lets the
// conversion take 128 kbit/s for two channels and 64 for one, with the
// source's channels.
class COptOpusPage : public PresetOptionPage {
    Q_OBJECT
public:
    enum Preset : int32_t {
        kPresetAuto = 0,
        kPreset64Mono = 1,
        kPreset96 = 2,
        kPreset128 = 3,
        kPreset192 = 4,
        kPresetCustom = 5,
    };
    enum Channel : int32_t { kStereo = 0, kMono = 1, kSameAsSource = 2 };

    explicit COptOpusPage(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    // With auto on, OPUSBitRate and OPUSChannels keep their stored values.
    void copyOut(ConversionSettings& settings) const override;

    // A stored bit rate the list does not offer (one set from the command
    // line) is listed as well, so that looking at the page keeps it.
    QComboBox* bitRateList() const { return valueList(0); }
};

} // namespace sonivert::ui
