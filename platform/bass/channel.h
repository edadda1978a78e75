#pragma once

// A decoding channel of the library: a stream decoded through FFmpeg, a
// tracker module rendered through libopenmpt, or a MIDI file rendered through
// FluidSynth. Every channel delivers interleaved 16-bit signed samples in
// machine byte order, all channels of the source.
//
// The length is fixed when the channel is created; it is what a listing
// shows and what progress is measured against. An exact length (a count the
// file records or one made from its packets, a synthesised song) also ends
// the channel: a decoder that produces more is cut there. An estimate (a
// container's duration) does not. Either way the channel ends where its
// decodable audio ends and never delivers a sample it did not decode: a
// damaged or cut file ends early, its position short of the length.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace sonivert::bass {

enum class ChannelKind { Stream, Music, Midi };
enum class LengthKind { Exact, Estimate };

// The nine tag texts TAGS_Read can name, in UTF-8; empty when absent.
struct TagValues {
    std::string track, title, artist, album, genre, year, comment, composer, copyright;
};

class Channel {
public:
    Channel(ChannelKind kind, std::string path, int32_t sampleRate, int32_t channels, uint64_t lengthFrames,
            LengthKind lengthKind = LengthKind::Exact);
    virtual ~Channel() = default;
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    ChannelKind kind() const { return m_kind; }
    const std::string& path() const { return m_path; }
    int32_t sampleRate() const { return m_sampleRate; }
    int32_t channels() const { return m_channels; }
    uint32_t frameBytes() const { return static_cast<uint32_t>(m_channels) * 2u; }
    uint64_t lengthBytes() const { return m_lengthFrames * frameBytes(); }
    uint64_t positionBytes() const { return m_positionFrames * frameBytes(); }

    // Writes whole frames, at most bytes, into buffer; returns the bytes
    // written (0 when bytes holds no whole frame), or kEnd once the source
    // has no more (or an exact length has been delivered).
    static constexpr uint32_t kEnd = 0xFFFFFFFFu;
    uint32_t read(void* buffer, uint32_t bytes);

    // The add-on that enabled the channel's format, 0 for the core.
    virtual uint32_t plugin() const { return 0; }
    // Bits per sample of the source before decoding, 0 when unknown.
    virtual uint32_t originalResolution() const { return 0; }
    virtual TagValues tags() const { return {}; }
    // The speaker of each channel in delivery order (FFmpeg's AVChannel
    // numbers); by default FFmpeg's default layout for the count.
    virtual std::vector<int> speakers() const;

    // Serialises the calls on one channel; the handle table hands out shared
    // owners, so a channel freed on one thread outlives a call in progress
    // on another.
    std::mutex& mutex() { return m_mutex; }

protected:
    // Renders up to frames frames into out (interleaved, channels() wide);
    // returns the frames produced, 0 when the source has no more.
    virtual size_t render(int16_t* out, size_t frames) = 0;

private:
    const ChannelKind m_kind;
    const std::string m_path;
    const int32_t m_sampleRate;
    const int32_t m_channels;
    const uint64_t m_lengthFrames;
    const bool m_lengthEnds;
    uint64_t m_positionFrames = 0;
    bool m_sourceEnded = false;
    std::mutex m_mutex;
};

} // namespace sonivert::bass
