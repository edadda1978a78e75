#include "platform/loudnessmeter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

namespace sonivert {

void LoudnessMeter::StateDeleter::operator()(ebur128_state* state) const
{
    ebur128_destroy(&state);
}

bool LoudnessMeter::Open(int32_t channels, int32_t sampleRate)
{
    if ((channels != 1 && channels != 2) || sampleRate <= 0)
        return false;
    m_state.reset(ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(sampleRate),
                               EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK));
    m_channels = channels;
    return m_state != nullptr;
}

template <typename Sample, typename Widen>
bool LoudnessMeter::add(const Sample* left, const Sample* right, int32_t frames, Widen widen)
{
    if (!m_state || frames < 0 || !left || (m_channels == 2 && !right))
        return false;
    const auto n = static_cast<size_t>(frames);
    m_interleaved.resize(n * static_cast<size_t>(m_channels));
    for (size_t i = 0; i < n; ++i) {
        m_interleaved[i * static_cast<size_t>(m_channels)] = widen(left[i]);
        if (m_channels == 2)
            m_interleaved[i * 2 + 1] = widen(right[i]);
    }
    return frames == 0 || ebur128_add_frames_short(m_state.get(), m_interleaved.data(), n) == EBUR128_SUCCESS;
}

bool LoudnessMeter::Add16(const int16_t* left, const int16_t* right, int32_t frames)
{
    return add(left, right, frames, [](int16_t v) { return v; });
}

bool LoudnessMeter::Add8(const uint8_t* left, const uint8_t* right, int32_t frames)
{
    return add(left, right, frames, [](uint8_t v) { return static_cast<int16_t>((static_cast<int32_t>(v) - 128) * 256); });
}

std::optional<LoudnessMeter::Result> LoudnessMeter::Finish() const
{
    Result result;
    if (!m_state || ebur128_loudness_global(m_state.get(), &result.integratedLufs) != EBUR128_SUCCESS ||
        !std::isfinite(result.integratedLufs))
        return std::nullopt;
    for (int32_t channel = 0; channel < m_channels; ++channel) {
        double peak = 0;
        if (ebur128_sample_peak(m_state.get(), static_cast<unsigned>(channel), &peak) != EBUR128_SUCCESS)
            return std::nullopt;
        result.samplePeak = std::max(result.samplePeak, peak);
    }
    return result;
}

} // namespace sonivert
