#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace sonivert {

// One channel of sample-rate conversion over libsoxr in its high-quality
// mode, at one fixed factor (output rate / input rate). The filter history is
// kept from call to call, so consecutive blocks join without seams; the first
// output sample lines up with the first input sample.
//
// Samples are 32-bit floats with full scale at -1..1; the output may pass full
// scale (filter ringing), clamping is the caller's business.
//
// Output goes into a caller-owned work vector that only ever grows: once it
// has grown to what the largest block needs, no call allocates.
class Resampler {
public:
    Resampler() = default;

    // Opens a resampler for factor (> 0), closing any open before. False when
    // the factor is not usable or the library cannot provide a resampler.
    [[nodiscard]] bool open(double factor);
    void close();
    bool isOpen() const { return m_handle != nullptr; }
    double factor() const { return m_factor; }

    // Resamples count input samples, all of which are consumed. The output
    // is written to out[0 .. returned count); out is enlarged when it is too
    // small and never shrunk. Returns -1 when no resampler is open, count is
    // negative or the library fails.
    [[nodiscard]] int64_t process(const float* in, int32_t count, std::vector<float>& out);

    // Ends the stream: emits the samples still held inside the filter, so
    // that the whole output lasts as long as the whole input: for N input
    // samples, ceil(N x factor) output samples in all (the output instants
    // that fall before the end of the input). Written to out as with
    // process(). Afterwards the resampler is closed; open() starts a new
    // stream. Returns -1 when none was open or the library fails.
    [[nodiscard]] int64_t flush(std::vector<float>& out);

private:
    int64_t run(const float* in, int32_t count, bool last, std::vector<float>& out);

    struct Closer {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Closer> m_handle;
    double m_factor = 0.0;
    int64_t m_inputSamples = 0;  // consumed since open()
    int64_t m_outputSamples = 0; // produced since open()
};

} // namespace sonivert
