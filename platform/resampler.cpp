#include "platform/resampler.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include <libresample.h>

namespace sonivert {
namespace {

// Factors outside this range would make the library's filter buffers grow
// without bound (their sizes scale with the factor or its inverse), and no
// rate pair a conversion meets comes near them.
constexpr double kMinFactor = 1.0 / 256.0;
constexpr double kMaxFactor = 256.0;

// Room for the output samples a call may yield beyond count x factor: the
// rounding of the output instants and the filter's own block boundaries.
constexpr size_t kSlack = 16;

} // namespace

void Resampler::Closer::operator()(void* handle) const
{
    resample_close(handle);
}

bool Resampler::open(double factor)
{
    close();
    if (!(factor >= kMinFactor && factor <= kMaxFactor))
        return false;
    // High quality; the factor never changes, so the range is that one value.
    m_handle.reset(resample_open(1, factor, factor));
    if (!m_handle)
        return false;
    m_factor = factor;
    m_inputSamples = 0;
    m_outputSamples = 0;
    return true;
}

void Resampler::close()
{
    m_handle.reset();
    m_factor = 0.0;
}

int64_t Resampler::process(const float* in, int32_t count, std::vector<float>& out)
{
    if (count < 0 || (count > 0 && in == nullptr))
        return -1;
    return run(in, count, false, out);
}

int64_t Resampler::flush(std::vector<float>& out)
{
    const int64_t before = m_outputSamples;
    int64_t written = run(nullptr, 0, true, out);
    // The library ends the stream at the first input instant past the last
    // sample plus the fraction of an input step at which its previous pass
    // stopped, so for factors above 1 it may add up to factor samples of the
    // zero padding. Only instants before the end of the input are kept. The
    // small subtraction keeps an exact product from counting one more.
    if (written > 0) {
        const double exact = static_cast<double>(m_inputSamples) * m_factor;
        const auto due = static_cast<int64_t>(std::ceil(exact - 1e-7 * std::max(1.0, exact)));
        written = std::clamp<int64_t>(due - before, 0, written);
    }
    close();
    return written;
}

int64_t Resampler::run(const float* in, int32_t count, bool last, std::vector<float>& out)
{
    if (!m_handle)
        return -1;
    const size_t expected = static_cast<size_t>(std::ceil(static_cast<double>(count) * m_factor)) + kSlack;
    if (out.size() < expected)
        out.resize(expected);

    // The library stops early when the output buffer fills and keeps the rest
    // of its output for the next call; it has finished with the input once
    // all of it is consumed and a call returns without filling the buffer.
    size_t written = 0;
    int32_t consumed = 0;
    for (;;) {
        if (out.size() - written < kSlack)
            out.resize(out.size() * 2);
        const int room = static_cast<int>(std::min<size_t>(out.size() - written, INT_MAX));
        int used = 0;
        // The input is only read; the C interface is not const-correct.
        float* input = count > consumed ? const_cast<float*>(in + consumed) : nullptr;
        const int got = resample_process(m_handle.get(), m_factor, input, count - consumed, last ? 1 : 0, &used,
                                         out.data() + written, room);
        if (got < 0 || used < 0 || used > count - consumed)
            return -1;
        consumed += used;
        written += static_cast<size_t>(got);
        m_inputSamples += used;
        m_outputSamples += got;
        if (consumed == count && got < room)
            break;
        if (got == 0 && used == 0)
            return -1; // no progress: never loop forever on a misbehaving library
    }
    return static_cast<int64_t>(written);
}

} // namespace sonivert
