#include "platform/stereodownmix.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>

namespace sonivert {
namespace speakers {

std::vector<Speaker> byDefault(int channels)
{
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channels);
    std::vector<Speaker> out;
    for (int i = 0; i < channels; ++i)
        out.push_back(av_channel_layout_channel_from_index(&layout, static_cast<unsigned>(i)));
    av_channel_layout_uninit(&layout);
    return out;
}

std::vector<Speaker> fromMask(uint64_t mask, int channels)
{
    std::vector<Speaker> out;
    for (int bit = 0; bit < 64; ++bit) {
        if (mask & (uint64_t{1} << bit))
            out.push_back(bit);
    }
    if (static_cast<int>(out.size()) != channels)
        return byDefault(channels);
    return out;
}

std::vector<Speaker> vorbisOrder(int channels)
{
    const Speaker FL = AV_CHAN_FRONT_LEFT, FR = AV_CHAN_FRONT_RIGHT, FC = AV_CHAN_FRONT_CENTER,
                  LFE = AV_CHAN_LOW_FREQUENCY, BL = AV_CHAN_BACK_LEFT, BR = AV_CHAN_BACK_RIGHT,
                  BC = AV_CHAN_BACK_CENTER, SL = AV_CHAN_SIDE_LEFT, SR = AV_CHAN_SIDE_RIGHT;
    switch (channels) {
    case 3: return {FL, FC, FR};
    case 4: return {FL, FR, BL, BR};
    case 5: return {FL, FC, FR, BL, BR};
    case 6: return {FL, FC, FR, BL, BR, LFE};
    case 7: return {FL, FC, FR, SL, SR, BC, LFE};
    case 8: return {FL, FC, FR, SL, SR, BL, BR, LFE};
    default: return byDefault(channels);
    }
}

std::vector<Speaker> aiffOrder(int channels)
{
    switch (channels) {
    case 3: return {AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_RIGHT, AV_CHAN_FRONT_CENTER};
    case 4: return {AV_CHAN_FRONT_LEFT, AV_CHAN_FRONT_RIGHT, AV_CHAN_BACK_LEFT, AV_CHAN_BACK_RIGHT};
    case 6:
        return {AV_CHAN_FRONT_LEFT,  AV_CHAN_FRONT_LEFT_OF_CENTER,  AV_CHAN_FRONT_CENTER,
                AV_CHAN_FRONT_RIGHT, AV_CHAN_FRONT_RIGHT_OF_CENTER, AV_CHAN_BACK_CENTER};
    default: return byDefault(channels);
    }
}

} // namespace speakers

bool StereoDownmix::setSpeakers(std::span<const Speaker> order)
{
    m_left.clear();
    m_right.clear();
    if (order.size() < 3)
        return false;
    uint64_t mask = 0;
    for (const Speaker s : order) {
        if (s < 0 || s >= 64 || (mask & (uint64_t{1} << s)))
            return false; // an unknown or repeated speaker: no position to mix from
        mask |= uint64_t{1} << s;
    }
    AVChannelLayout in{};
    if (av_channel_layout_from_mask(&in, mask) < 0)
        return false;
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    // Room for every channel FFmpeg can name on both sides, as the library
    // fills its matrix row by row at this stride.
    constexpr size_t kStride = 64;
    std::vector<double> matrix(kStride * kStride, 0.0);
    const int built = swr_build_matrix2(&in, &stereo, M_SQRT1_2, M_SQRT1_2, 0.0, 1.0, 1.0, matrix.data(),
                                        static_cast<ptrdiff_t>(kStride), AV_MATRIX_ENCODING_NONE, nullptr);
    if (built < 0) {
        av_channel_layout_uninit(&in);
        return false;
    }
    // The matrix's columns follow the layout's own order; the stream's
    // channels may come in another one.
    for (const Speaker s : order) {
        const int column = av_channel_layout_index_from_channel(&in, static_cast<AVChannel>(s));
        m_left.push_back(static_cast<float>(matrix[static_cast<size_t>(column)]));
        m_right.push_back(static_cast<float>(matrix[static_cast<size_t>(column) + kStride]));
    }
    av_channel_layout_uninit(&in);
    return true;
}

namespace {

int16_t clip16(float v)
{
    return static_cast<int16_t>(std::clamp(std::lrintf(v), -32768L, 32767L));
}

} // namespace

void StereoDownmix::mix(const int16_t* interleaved, size_t frames, int16_t* left, int16_t* right) const
{
    const size_t n = m_left.size();
    for (size_t f = 0; f < frames; ++f) {
        const int16_t* frame = interleaved + f * n;
        float l = 0.0f, r = 0.0f;
        for (size_t c = 0; c < n; ++c) {
            l += m_left[c] * frame[c];
            r += m_right[c] * frame[c];
        }
        left[f] = clip16(l);
        right[f] = clip16(r);
    }
}

void StereoDownmix::mix(const uint8_t* interleaved, size_t frames, uint8_t* left, uint8_t* right) const
{
    const size_t n = m_left.size();
    for (size_t f = 0; f < frames; ++f) {
        const uint8_t* frame = interleaved + f * n;
        float l = 0.0f, r = 0.0f;
        for (size_t c = 0; c < n; ++c) {
            l += m_left[c] * (frame[c] - 128);
            r += m_right[c] * (frame[c] - 128);
        }
        left[f] = static_cast<uint8_t>(std::clamp(std::lrintf(l), -128L, 127L) + 128);
        right[f] = static_cast<uint8_t>(std::clamp(std::lrintf(r), -128L, 127L) + 128);
    }
}

} // namespace sonivert
