#pragma once

#include "ui/presetoptionpage.h"

namespace sonivert::ui {

// "FLAC Options": the compression level of ".flac" output, where its tags
// come from (with the default tags' editor) and its amplification. FLAC
// keeps the source's rate, channels and width, so the level is all there
// is to choose. There is no auto setting of its own: "Auto" is level 5,
// the encoder's default, so a stored level 5 shows "Auto" and "Auto" hands
// back level 5.
class COptFlacPage : public PresetOptionPage {
    Q_OBJECT
public:
    enum Preset : int32_t {
        kPresetAuto = 0,
        kPresetFastest = 1,
        kPresetSmallest = 2,
        kPresetCustom = 3,
    };
    static constexpr int32_t kAutoLevel = 5;

    explicit COptFlacPage(const OptionsPageContext& context);

    void copyIn(const ConversionSettings& settings) override;
    void copyOut(ConversionSettings& settings) const override;

    QComboBox* levelList() const { return valueList(0); }
};

} // namespace sonivert::ui
