#pragma once

// Many channels as two: the standard stereo down-mix of libswresample (the
// one `ffmpeg -ac 2` applies), for every reader that delivers a stream of
// more than two channels as a stereo pair. Front left and right go to their
// side at full level, centre and surrounds at -3 dB to their side (a centre
// to both), the low-frequency channel is left out, and the matrix is
// normalised so that a full-scale signal on every channel cannot clip.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sonivert {

// A speaker position as FFmpeg numbers it (enum AVChannel: 0 front left,
// 1 front right, 2 front centre, 3 low frequency, 4 back left, ...).
using Speaker = int;

// The speakers of a stream's channels, in stream order.
namespace speakers {
// FFmpeg's default layout for the count (a WAV file without a channel mask,
// an FFmpeg stream without a layout).
std::vector<Speaker> byDefault(int channels);
// The bits of a WAVE_FORMAT_EXTENSIBLE channel mask (the same bits as
// FFmpeg's), lowest first; the default layout when the mask does not name
// exactly channels speakers.
std::vector<Speaker> fromMask(uint64_t mask, int channels);
// The Vorbis (and Opus family 1) channel order for 1 to 8 channels.
std::vector<Speaker> vorbisOrder(int channels);
// The AIFF order for 3, 4 and 6 channels (left, right, centre; front left,
// front right, rear left, rear right; left, left centre, centre, right,
// right centre, surround), the default layout otherwise.
std::vector<Speaker> aiffOrder(int channels);
} // namespace speakers

class StereoDownmix {
public:
    // Builds the matrix for a stream of these speakers. False (and mixing
    // disabled) for fewer than three channels or speakers FFmpeg cannot mix.
    bool setSpeakers(std::span<const Speaker> order);
    bool active() const { return !m_left.empty(); }
    size_t channels() const { return m_left.size(); }

    // frames frames of channels() interleaved samples into left and right.
    void mix(const int16_t* interleaved, size_t frames, int16_t* left, int16_t* right) const;
    // The same for unsigned 8-bit samples (128 is silence).
    void mix(const uint8_t* interleaved, size_t frames, uint8_t* left, uint8_t* right) const;

    // The weight of channel c in the left and right output (for tests).
    float leftWeight(size_t c) const { return m_left[c]; }
    float rightWeight(size_t c) const { return m_right[c]; }

private:
    std::vector<float> m_left, m_right;
};

} // namespace sonivert
