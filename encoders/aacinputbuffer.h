#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sonivert {

// The input side the AAC writers share: planar 8- or 16-bit samples are
// interleaved into one encoder frame of 16-bit samples (input samples per
// call, all channels), and each frame is handed on as soon as it is full,
// also when that happens with the last sample of a block. The library is
// never given a partial frame except by the owner's Close.
class AacInputBuffer {
public:
    // Room for samplesPerCall samples (plus 4 spare, as the library's
    // callers have always kept), channels 1 or 2; empties the buffer.
    void allocate(uint32_t samplesPerCall, int32_t channels)
    {
        m_samples.assign(static_cast<size_t>(samplesPerCall) + 4, 0);
        m_perCall = samplesPerCall;
        m_channels = channels;
        m_fill = 0;
    }
    void release()
    {
        m_samples = {};
        m_perCall = 0;
        m_fill = 0;
    }

    // Stores count frames of left (and right, for 2 channels) through
    // widen; calls full(samples, count) with each completed frame. Stops
    // and returns false as soon as full does.
    template <typename Sample, typename Widen, typename Full>
    bool add(const Sample* left, const Sample* right, int32_t count, Widen widen, Full full)
    {
        if (m_perCall == 0 || !left || (m_channels == 2 && !right))
            return false;
        for (int32_t i = 0; i < count; ++i) {
            m_samples[m_fill++] = widen(left[i]);
            if (m_channels == 2)
                m_samples[m_fill++] = widen(right[i]);
            if (m_fill >= m_perCall) {
                const uint32_t n = m_fill;
                m_fill = 0;
                if (!full(m_samples.data(), n))
                    return false;
            }
        }
        return true;
    }

    int16_t* data() { return m_samples.data(); }
    // Samples (all channels) waiting in the buffer.
    uint32_t fill() const { return m_fill; }
    void clear() { m_fill = 0; }

    static int16_t widen16(int16_t sample) { return sample; }
    // Unsigned 8-bit samples (128 = silence) as (value - 128) x 256.
    static int16_t widen8(uint8_t sample) { return static_cast<int16_t>((sample - 128) * 256); }

private:
    std::vector<int16_t> m_samples;
    uint32_t m_perCall = 0;
    uint32_t m_fill = 0;
    int32_t m_channels = 1;
};

} // namespace sonivert
