#pragma once

#include "engine/conversionjob.h"
#include "sources/soundfont.h"

namespace sonivert {

class UserPrompts;

// The batch's MIDI conditions answered by a MidiSoundFont; every other
// condition is handed on to `others`.
class SoundFontPreconditions final : public BatchPreconditions {
public:
    SoundFontPreconditions(MidiSoundFont& font, UserPrompts& prompts, BatchPreconditions& others)
        : m_font(font), m_prompts(prompts), m_others(others)
    {
    }

    bool windowsMediaReady(Engine& engine) override { return m_others.windowsMediaReady(engine); }
    bool checkSoundFont() override { return m_font.checkBeforeBatch(m_prompts); }
    bool soundFontReady() const override { return m_font.ready(); }

private:
    MidiSoundFont& m_font;
    UserPrompts& m_prompts;
    BatchPreconditions& m_others;
};

} // namespace sonivert
