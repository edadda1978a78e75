#include "platform/resampler.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include <soxr.h>

namespace sonivert {
namespace {

// No rate pair a conversion meets comes near the ends of this range; beyond
// them the filters would grow without bound.
constexpr double kMinFactor = 1.0 / 256.0;
constexpr double kMaxFactor = 256.0;

// Room for the output samples a call may yield beyond count x factor: the
// rounding of the output instants and the filter's own block boundaries.
constexpr size_t kSlack = 16;

} // namespace

void Resampler::Closer::operator()(void* handle) const
{
    soxr_delete(static_cast<soxr_t>(handle));
}

bool Resampler::open(double factor)
{
    close();
    if (!(factor >= kMinFactor && factor <= kMaxFactor))
        return false;
    // High quality (20-bit precision, a linear-phase filter whose delay the
    // library removes, so the first output instant is the first input's);
    // one thread: conversions run side by side already.
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    m_handle.reset(soxr_create(1.0, factor, 1, &error, &io, &quality, &runtime));
    if (!m_handle || error)
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
    const int64_t inputs = m_inputSamples;
    // The library ends its output at the last whole output instant inside
    // the input; a little silence after the input lets it reach the instant
    // that ceil(N x factor) counts too.
    std::vector<float> tail;
    const std::vector<float> silence(static_cast<size_t>(std::ceil(1.0 / m_factor)) + 1, 0.0f);
    int64_t written = run(silence.data(), static_cast<int32_t>(silence.size()), false, out);
    if (written >= 0) {
        const int64_t drained = run(nullptr, 0, true, tail);
        if (drained < 0) {
            written = -1;
        } else {
            out.resize(std::max(out.size(), static_cast<size_t>(written + drained)));
            std::copy_n(tail.begin(), drained, out.begin() + written);
            written += drained;
        }
    }
    // Only the output instants before the end of the input belong to the
    // stream: ceil(N x factor) in all. The small subtraction keeps an exact
    // product from counting one more.
    if (written > 0) {
        const double exact = static_cast<double>(inputs) * m_factor;
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
    auto* handle = static_cast<soxr_t>(m_handle.get());
    const size_t expected = static_cast<size_t>(std::ceil(static_cast<double>(count) * m_factor)) + kSlack;
    if (out.size() < expected)
        out.resize(expected);

    // The library takes what input fits and holds back output that does not
    // fit the buffer; it has finished with the input once all of it is
    // consumed and a call leaves room in the buffer. At the end (a null
    // input) it drains its filter until a call produces nothing.
    size_t written = 0;
    size_t consumed = 0;
    const auto total = static_cast<size_t>(count);
    for (;;) {
        if (out.size() - written < kSlack)
            out.resize(out.size() * 2);
        const size_t room = out.size() - written;
        size_t used = 0, got = 0;
        const float* input = last ? nullptr : in + consumed;
        if (soxr_process(handle, input, last ? 0 : total - consumed, &used, out.data() + written, room, &got))
            return -1;
        consumed += used;
        written += got;
        m_inputSamples += static_cast<int64_t>(used);
        m_outputSamples += static_cast<int64_t>(got);
        if (last ? got == 0 : (consumed == total && got < room))
            break;
        if (!last && got == 0 && used == 0)
            return -1; // no progress: never loop forever on a misbehaving library
    }
    return static_cast<int64_t>(written);
}

} // namespace sonivert
