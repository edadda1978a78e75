#include "engine/pcmconverter.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace sonivert {
namespace {

template <typename T>
T* grown(std::vector<T>& buffer, size_t count)
{
    if (buffer.size() < count)
        buffer.resize(count);
    return buffer.data();
}

uint8_t* bytesOf(int16_t* samples) { return reinterpret_cast<uint8_t*>(samples); }

void widen(const uint8_t* in, int16_t* out, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        out[i] = static_cast<int16_t>((in[i] - 128) * 256);
}

void narrow(const int16_t* in, uint8_t* out, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        out[i] = static_cast<uint8_t>((in[i] >> 8) + 128);
}

void changeWidth(const void* in, int32_t inBits, void* out, int32_t count)
{
    if (inBits == 8)
        widen(static_cast<const uint8_t*>(in), static_cast<int16_t*>(out), count);
    else
        narrow(static_cast<const int16_t*>(in), static_cast<uint8_t*>(out), count);
}

// 16-bit: the sum shifted right arithmetically, so -1 and 0 give -1.
// 8-bit: the unsigned values averaged with the remainder dropped.
void mix(const void* left, const void* right, int32_t bits, void* out, int32_t count)
{
    if (bits == 16) {
        const auto* l = static_cast<const int16_t*>(left);
        const auto* r = static_cast<const int16_t*>(right);
        auto* o = static_cast<int16_t*>(out);
        for (int32_t i = 0; i < count; ++i)
            o[i] = static_cast<int16_t>((l[i] + r[i]) >> 1);
    } else {
        const auto* l = static_cast<const uint8_t*>(left);
        const auto* r = static_cast<const uint8_t*>(right);
        auto* o = static_cast<uint8_t*>(out);
        for (int32_t i = 0; i < count; ++i)
            o[i] = static_cast<uint8_t>((l[i] + r[i]) / 2);
    }
}

void toFloat(const void* in, int32_t bits, float* out, int32_t count)
{
    if (bits == 16) {
        const auto* s = static_cast<const int16_t*>(in);
        for (int32_t i = 0; i < count; ++i)
            out[i] = static_cast<float>(s[i]) / 32768.0f;
    } else {
        const auto* u = static_cast<const uint8_t*>(in);
        for (int32_t i = 0; i < count; ++i)
            out[i] = static_cast<float>(u[i] - 128) / 128.0f;
    }
}

// Clamped first, so filter overshoot saturates instead of wrapping; -1 maps
// to -32767 and 1 (the scale is symmetric). NaN, which a finite input never
// produces, would end up as -1 rather than as undefined behaviour.
inline float clampUnit(float x) { return x > 1.0f ? 1.0f : (x >= -1.0f ? x : -1.0f); }

void fromFloat(const float* in, int64_t count, int32_t bits, void* out)
{
    if (bits == 16) {
        auto* s = static_cast<int16_t*>(out);
        for (int64_t i = 0; i < count; ++i)
            s[i] = static_cast<int16_t>(clampUnit(in[i]) * 32767.0f);
    } else {
        auto* u = static_cast<uint8_t*>(out);
        for (int64_t i = 0; i < count; ++i)
            u[i] = static_cast<uint8_t>(128 + static_cast<int32_t>(clampUnit(in[i]) * 127.0f));
    }
}

bool validChannels(int32_t c) { return c == 1 || c == 2; }
bool validBits(int32_t b) { return b == 8 || b == 16; }

} // namespace

bool PcmConverter::configure(const Config& config)
{
    if (!validChannels(config.outChannels) || !validChannels(config.inChannels) || !validBits(config.outBits) ||
        !validBits(config.inBits) || config.outRate <= 0 || config.inRate <= 0)
        return false;
    m_config = config;
    m_prepared = false;
    return true;
}

bool PcmConverter::prepare()
{
    m_resampler0.close();
    m_resampler1.close();
    m_prepared = false;
    m_ending = false;
    m_pendingFrames = 0;
    if (!configured())
        return false;
    if (resampling()) {
        m_factor = static_cast<double>(m_config.outRate) / static_cast<double>(m_config.inRate);
        if (!m_resampler0.open(m_factor))
            return false;
        if (twoChannelsResampled() && !m_resampler1.open(m_factor)) {
            m_resampler0.close();
            return false;
        }
    } else {
        m_factor = 1.0;
    }
    m_prepared = true;
    return true;
}

int64_t PcmConverter::maxOutputFrames(int32_t count) const
{
    if (!configured() || count <= 0)
        return 0;
    return static_cast<int64_t>(m_config.outRate / m_config.inRate + 1) * count;
}

int32_t PcmConverter::resamplerCount() const
{
    return (m_resampler0.isOpen() ? 1 : 0) + (m_resampler1.isOpen() ? 1 : 0);
}

bool PcmConverter::process(const void* inLeft, const void* inRight, int32_t count, void* outLeft, void* outRight,
                           int32_t& outCount)
{
    outCount = 0;
    if (!m_prepared || m_ending || count < 0)
        return false;
    if (count == 0)
        return true;
    if (inLeft == nullptr || (m_config.inChannels == 2 && inRight == nullptr) || outLeft == nullptr ||
        (m_config.outChannels == 2 && outRight == nullptr))
        return false;

    if (!resampling()) {
        convertSameRate(inLeft, inRight, count, outLeft, outRight);
        outCount = count;
        return true;
    }

    // A stereo input for a mono output is mixed at the input width first, so
    // only one channel goes through a resampler.
    const void* channel0 = inLeft;
    if (m_config.inChannels == 2 && m_config.outChannels == 1) {
        int16_t* mixed = grown(m_mix, static_cast<size_t>(count));
        mix(inLeft, inRight, m_config.inBits, mixed, count);
        channel0 = mixed;
    }
    if (!resampleBlock(channel0, inRight, count))
        return false;
    emitPending(maxOutputFrames(count), outLeft, outRight, outCount);
    return true;
}

bool PcmConverter::flush(void* outLeft, void* outRight, int32_t& outCount)
{
    outCount = 0;
    if (!m_prepared)
        return false;
    if (!resampling())
        return true;
    if (outLeft == nullptr || (m_config.outChannels == 2 && outRight == nullptr))
        return false;
    if (!m_ending) {
        m_ending = true;
        if (!resampleBlock(nullptr, nullptr, 0))
            return false;
    }
    emitPending(maxOutputFrames(kFlushBlockFrames), outLeft, outRight, outCount);
    return true;
}

void PcmConverter::convertSameRate(const void* inLeft, const void* inRight, int32_t count, void* outLeft,
                                   void* outRight)
{
    const int32_t inBits = m_config.inBits;
    const int32_t outBits = m_config.outBits;
    const size_t outBytes = static_cast<size_t>(count) * static_cast<size_t>(outBits / 8);
    const int32_t inChannels = m_config.inChannels;
    const int32_t outChannels = m_config.outChannels;

    if (inChannels == 2 && outChannels == 1) {
        // Width first, then the mix at the output width.
        const void* left = inLeft;
        const void* right = inRight;
        if (inBits != outBits) {
            int16_t* l = grown(m_width0, static_cast<size_t>(count));
            int16_t* r = grown(m_width1, static_cast<size_t>(count));
            changeWidth(inLeft, inBits, l, count);
            changeWidth(inRight, inBits, r, count);
            left = l;
            right = r;
        }
        mix(left, right, outBits, outLeft, count);
        return;
    }

    if (inBits != outBits)
        changeWidth(inLeft, inBits, outLeft, count);
    else
        std::memmove(outLeft, inLeft, outBytes);

    if (outChannels == 2) {
        if (inChannels == 1)
            std::memmove(outRight, outLeft, outBytes);
        else if (inBits != outBits)
            changeWidth(inRight, inBits, outRight, count);
        else
            std::memmove(outRight, inRight, outBytes);
    }
}

bool PcmConverter::resampleBlock(const void* channel0, const void* channel1, int32_t count)
{
    int64_t produced0 = 0;
    if (!resampleChannel(m_resampler0, channel0, count, m_pending0, produced0))
        return false;
    if (twoChannelsResampled()) {
        // Both resamplers run at the same factor over the same number of
        // samples, so they yield the same number of frames.
        int64_t produced1 = 0;
        if (!resampleChannel(m_resampler1, channel1, count, m_pending1, produced1) || produced1 != produced0)
            return false;
    }
    m_pendingFrames += produced0;
    return true;
}

bool PcmConverter::resampleChannel(Resampler& resampler, const void* in, int32_t count, std::vector<int16_t>& pending,
                                   int64_t& produced)
{
    int64_t got = 0;
    if (count > 0) {
        float* floats = grown(m_floatIn, static_cast<size_t>(count));
        toFloat(in, m_config.inBits, floats, count);
        got = resampler.process(floats, count, m_floatOut);
    } else {
        got = resampler.flush(m_floatOut);
    }
    if (got < 0)
        return false;
    // Sample storage is int16_t, wide enough for either output width.
    int16_t* base = grown(pending, static_cast<size_t>(m_pendingFrames + got));
    void* tail = m_config.outBits == 16 ? static_cast<void*>(base + m_pendingFrames)
                                        : static_cast<void*>(bytesOf(base) + m_pendingFrames);
    fromFloat(m_floatOut.data(), got, m_config.outBits, tail);
    produced = got;
    return true;
}

void PcmConverter::emitPending(int64_t limit, void* outLeft, void* outRight, int32_t& outCount)
{
    const int64_t frames = std::min({m_pendingFrames, limit, static_cast<int64_t>(INT32_MAX)});
    const size_t sampleBytes = static_cast<size_t>(m_config.outBits / 8);
    const size_t bytes = static_cast<size_t>(frames) * sampleBytes;
    const size_t restBytes = static_cast<size_t>(m_pendingFrames - frames) * sampleBytes;
    // A mono input for a stereo output was resampled once; both sides get it.
    const bool twoResampled = twoChannelsResampled();

    if (bytes > 0) {
        std::memcpy(outLeft, m_pending0.data(), bytes);
        if (m_config.outChannels == 2)
            std::memcpy(outRight, twoResampled ? m_pending1.data() : m_pending0.data(), bytes);
    }

    if (restBytes > 0) {
        std::memmove(bytesOf(m_pending0.data()), bytesOf(m_pending0.data()) + bytes, restBytes);
        if (twoResampled)
            std::memmove(bytesOf(m_pending1.data()), bytesOf(m_pending1.data()) + bytes, restBytes);
    }
    m_pendingFrames -= frames;
    outCount = static_cast<int32_t>(frames);
}

} // namespace sonivert
