#pragma once

// MIDI files rendered in stereo through FluidSynth at the output rate with
// the sound fonts in force when the channel was created. The song plays to
// the time of its last event and then for a fixed release tail, so held
// notes and reverb fade out; the length is computed from the events and the
// tempo map before anything is rendered. Without a sound font the channel
// opens and renders silence of that length (a listing needs no font).
//
// The synthesiser runs at 8000..96000 Hz. An output rate outside that range
// is rendered at the nearest rate inside it and resampled to the output
// rate.

#include "platform/bass/channel.h"
#include "platform/bass/midifile.h"
#include "platform/resampler.h"

#include <memory>
#include <string>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;

namespace sonivert::bass {

constexpr int32_t kMidiReleaseTailMilliseconds = 2000;

struct FluidSettingsDeleter {
    void operator()(_fluid_hashtable_t* settings) const;
};
struct FluidSynthDeleter {
    void operator()(_fluid_synth_t* synth) const;
};
using FluidSettingsPtr = std::unique_ptr<_fluid_hashtable_t, FluidSettingsDeleter>;
using FluidSynthPtr = std::unique_ptr<_fluid_synth_t, FluidSynthDeleter>;

// True when path is an SF2 sound font FluidSynth can load.
bool soundFontLoads(const std::string& path);

class MidiChannel final : public Channel {
public:
    // fonts: sound font paths, the first one preferred where several hold a
    // preset. Null when the file is not a MIDI file, a font fails to load,
    // or rate is not positive.
    static std::unique_ptr<MidiChannel> open(const std::string& path, int32_t rate,
                                             const std::vector<std::string>& fonts);

private:
    MidiChannel(const std::string& path, int32_t rate, uint64_t lengthFrames, MidiSequence sequence,
                FluidSettingsPtr settings, FluidSynthPtr synth);
    size_t render(int16_t* out, size_t frames) override;
    // Renders frames at the synthesiser's rate, events dispatched on time.
    size_t renderSynth(int16_t* out, size_t frames);
    // Refills m_resampled from one chunk of the synthesiser; false on failure.
    bool resampleChunk();
    void dispatch(const MidiEvent& event);

    MidiSequence m_sequence; // frames at the synthesiser's rate
    FluidSettingsPtr m_settings;
    FluidSynthPtr m_synth; // after m_settings: destroyed first
    size_t m_next = 0;
    uint64_t m_frame = 0;
    // Only when the output rate differs from the synthesiser's.
    Resampler m_resamplers[2];
    std::vector<int16_t> m_synthBlock;
    std::vector<float> m_in, m_out[2];
    std::vector<int16_t> m_resampled; // interleaved, output rate
    size_t m_resampledCursor = 0;     // frames of m_resampled handed out
};

} // namespace sonivert::bass
