#include "platform/bass/midichannel.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

namespace sonivert::bass {
namespace {

// MIDI files are read whole; anything larger is not a MIDI file.
constexpr std::streamoff kMaxMidiBytes = 64L * 1024 * 1024;
constexpr uint64_t kMaxSeconds = 24 * 3600;
constexpr size_t kRenderChunk = 4096;

void quietFluidLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

FluidSettingsPtr makeSettings(int32_t rate)
{
    quietFluidLog();
    FluidSettingsPtr settings(new_fluid_settings());
    if (!settings)
        return nullptr;
    fluid_settings_setnum(settings.get(), "synth.sample-rate", rate);
    // One thread drives each synthesiser; locking sample memory needs a
    // privilege the program does not have.
    fluid_settings_setint(settings.get(), "synth.threadsafe-api", 0);
    fluid_settings_setint(settings.get(), "synth.lock-memory", 0);
    return settings;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& data)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > kMaxMidiBytes)
        return false;
    in.seekg(0);
    data.resize(static_cast<size_t>(size));
    return static_cast<bool>(in.read(reinterpret_cast<char*>(data.data()), size));
}

} // namespace

void FluidSettingsDeleter::operator()(_fluid_hashtable_t* settings) const
{
    delete_fluid_settings(settings);
}

void FluidSynthDeleter::operator()(_fluid_synth_t* synth) const
{
    delete_fluid_synth(synth);
}

bool soundFontLoads(const std::string& path)
{
    // Only SF2 files ("RIFF" form "sfbk") are offered to FluidSynth; its
    // other loaders take any RIFF file for a font and complain on the
    // terminal when it is not.
    std::ifstream in(path, std::ios::binary);
    char head[12] = {};
    if (!in.read(head, sizeof head) || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "sfbk", 4) != 0)
        return false;
    const FluidSettingsPtr settings = makeSettings(44100);
    if (!settings)
        return false;
    const FluidSynthPtr synth(new_fluid_synth(settings.get()));
    return synth && fluid_synth_sfload(synth.get(), path.c_str(), 1) != FLUID_FAILED;
}

MidiChannel::MidiChannel(const std::string& path, int32_t rate, MidiSequence sequence, FluidSettingsPtr settings,
                         FluidSynthPtr synth)
    : Channel(ChannelKind::Midi, path, rate, 2,
              sequence.endFrame + static_cast<uint64_t>(rate) * kMidiReleaseTailMilliseconds / 1000),
      m_sequence(std::move(sequence)), m_settings(std::move(settings)), m_synth(std::move(synth))
{
}

std::unique_ptr<MidiChannel> MidiChannel::open(const std::string& path, int32_t rate,
                                               const std::vector<std::string>& fonts)
{
    if (rate < 8000 || rate > 96000)
        return nullptr;
    std::vector<uint8_t> data;
    if (!readWholeFile(path, data))
        return nullptr;
    std::optional<MidiSequence> sequence = parseMidiFile(data, rate);
    if (!sequence || sequence->endFrame > kMaxSeconds * static_cast<uint64_t>(rate))
        return nullptr;
    FluidSettingsPtr settings = makeSettings(rate);
    if (!settings)
        return nullptr;
    FluidSynthPtr synth(new_fluid_synth(settings.get()));
    if (!synth)
        return nullptr;
    // Fonts loaded later take precedence, so the preferred one goes last.
    for (auto font = fonts.rbegin(); font != fonts.rend(); ++font) {
        if (fluid_synth_sfload(synth.get(), font->c_str(), 1) == FLUID_FAILED)
            return nullptr;
    }
    return std::unique_ptr<MidiChannel>(
        new MidiChannel(path, rate, std::move(*sequence), std::move(settings), std::move(synth)));
}

void MidiChannel::dispatch(const MidiEvent& event)
{
    fluid_synth_t* synth = m_synth.get();
    const int channel = event.status & 0x0F;
    switch (event.status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth, channel, event.data1); break;
    case 0x90:
        if (event.data2 == 0)
            fluid_synth_noteoff(synth, channel, event.data1);
        else
            fluid_synth_noteon(synth, channel, event.data1, event.data2);
        break;
    case 0xA0: fluid_synth_key_pressure(synth, channel, event.data1, event.data2); break;
    case 0xB0: fluid_synth_cc(synth, channel, event.data1, event.data2); break;
    case 0xC0: fluid_synth_program_change(synth, channel, event.data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth, channel, event.data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth, channel, event.data1 | (event.data2 << 7)); break;
    case 0xF0:
        if (event.sysexLength > 0)
            fluid_synth_sysex(synth, reinterpret_cast<const char*>(m_sequence.sysex.data() + event.sysexOffset),
                              static_cast<int>(event.sysexLength), nullptr, nullptr, nullptr, 0);
        break;
    default: break;
    }
}

size_t MidiChannel::render(int16_t* out, size_t frames)
{
    size_t done = 0;
    while (done < frames) {
        while (m_next < m_sequence.events.size() && m_sequence.events[m_next].frame <= m_frame)
            dispatch(m_sequence.events[m_next++]);
        uint64_t n = std::min<uint64_t>(frames - done, kRenderChunk);
        if (m_next < m_sequence.events.size())
            n = std::min<uint64_t>(n, m_sequence.events[m_next].frame - m_frame);
        int16_t* at = out + done * 2;
        if (fluid_synth_write_s16(m_synth.get(), static_cast<int>(n), at, 0, 2, at, 1, 2) != FLUID_OK)
            break;
        m_frame += n;
        done += static_cast<size_t>(n);
    }
    return done;
}

} // namespace sonivert::bass
