#include "platform/bass/midichannel.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
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
// The sample rates the synthesiser takes.
constexpr int32_t kMinSynthRate = 8000;
constexpr int32_t kMaxSynthRate = 96000;

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

// The library initialises its shared tables on the first synthesiser
// without a lock, and its fonts come from a cache that all synthesisers
// share: creating, loading and deleting take this lock, so channels may be
// opened and freed on any thread. Rendering needs no lock.
std::mutex& synthLifetimeLock()
{
    static std::mutex lock;
    return lock;
}

// A synthesiser with the fonts loaded, the first of them preferred; null
// when one does not load. The cache shares the sample data of a font among
// the synthesisers that load it.
FluidSynthPtr makeSynth(fluid_settings_t* settings, const std::vector<std::string>& fonts)
{
    const std::lock_guard lock(synthLifetimeLock());
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (!synth)
        return nullptr;
    // Fonts loaded later take precedence, so the preferred one goes last.
    for (auto font = fonts.rbegin(); font != fonts.rend(); ++font) {
        if (fluid_synth_sfload(synth, font->c_str(), 1) == FLUID_FAILED) {
            delete_fluid_synth(synth); // the owner's deleter would take the lock again
            return nullptr;
        }
    }
    return FluidSynthPtr(synth);
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
    const std::lock_guard lock(synthLifetimeLock());
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
    return settings && makeSynth(settings.get(), {path});
}

MidiChannel::MidiChannel(const std::string& path, int32_t rate, uint64_t lengthFrames, MidiSequence sequence,
                         FluidSettingsPtr settings, FluidSynthPtr synth)
    : Channel(ChannelKind::Midi, path, rate, 2, lengthFrames), m_sequence(std::move(sequence)),
      m_settings(std::move(settings)), m_synth(std::move(synth))
{
}

std::unique_ptr<MidiChannel> MidiChannel::open(const std::string& path, int32_t rate,
                                               const std::vector<std::string>& fonts)
{
    if (rate <= 0)
        return nullptr;
    const int32_t synthRate = std::clamp(rate, kMinSynthRate, kMaxSynthRate);
    std::vector<uint8_t> data;
    if (!readWholeFile(path, data))
        return nullptr;
    std::optional<MidiSequence> sequence = parseMidiFile(data, synthRate);
    if (!sequence || sequence->endFrame > kMaxSeconds * static_cast<uint64_t>(synthRate))
        return nullptr;
    // The length at the output rate: the song and its release tail, in whole frames.
    const uint64_t synthFrames =
        sequence->endFrame + static_cast<uint64_t>(synthRate) * kMidiReleaseTailMilliseconds / 1000;
    const uint64_t lengthFrames =
        synthRate == rate ? synthFrames
                          : (synthFrames * static_cast<uint64_t>(rate) + static_cast<uint64_t>(synthRate) - 1) /
                                static_cast<uint64_t>(synthRate);
    FluidSettingsPtr settings = makeSettings(synthRate);
    if (!settings)
        return nullptr;
    FluidSynthPtr synth = makeSynth(settings.get(), fonts);
    if (!synth)
        return nullptr;
    auto channel = std::unique_ptr<MidiChannel>(
        new MidiChannel(path, rate, lengthFrames, std::move(*sequence), std::move(settings), std::move(synth)));
    if (synthRate != rate) {
        const double factor = static_cast<double>(rate) / synthRate;
        if (!channel->m_resamplers[0].open(factor) || !channel->m_resamplers[1].open(factor))
            return nullptr;
    }
    return channel;
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
    if (!m_resamplers[0].isOpen())
        return renderSynth(out, frames);
    size_t done = 0;
    while (done < frames) {
        const size_t held = m_resampled.size() / 2 - m_resampledCursor;
        if (held == 0) {
            if (!resampleChunk())
                break;
            continue;
        }
        const size_t n = std::min(held, frames - done);
        std::copy_n(m_resampled.begin() + static_cast<ptrdiff_t>(m_resampledCursor * 2), n * 2, out + done * 2);
        m_resampledCursor += n;
        done += n;
    }
    return done;
}

bool MidiChannel::resampleChunk()
{
    m_synthBlock.resize(kRenderChunk * 2);
    const size_t frames = renderSynth(m_synthBlock.data(), kRenderChunk);
    if (frames == 0)
        return false;
    m_in.resize(frames);
    int64_t produced = -1;
    for (int c = 0; c < 2; ++c) {
        for (size_t f = 0; f < frames; ++f)
            m_in[f] = static_cast<float>(m_synthBlock[f * 2 + static_cast<size_t>(c)]) / 32768.0f;
        const int64_t n = m_resamplers[c].process(m_in.data(), static_cast<int32_t>(frames), m_out[c]);
        if (n < 0 || (produced >= 0 && n != produced))
            return false;
        produced = n;
    }
    m_resampled.resize(static_cast<size_t>(produced) * 2);
    for (size_t f = 0; f < static_cast<size_t>(produced); ++f) {
        for (size_t c = 0; c < 2; ++c)
            m_resampled[f * 2 + c] = static_cast<int16_t>(std::clamp(std::lrint(m_out[c][f] * 32768.0f), -32768L, 32767L));
    }
    m_resampledCursor = 0;
    return true;
}

size_t MidiChannel::renderSynth(int16_t* out, size_t frames)
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
