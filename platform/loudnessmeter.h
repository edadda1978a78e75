#pragma once

// The library's state is an unnamed struct, so its header is included here
// rather than the type declared.
#include <ebur128.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace sonivert {

// EBU R128 integrated loudness and sample peak of PCM, through libebur128.
class LoudnessMeter {
public:
    struct Result {
        double integratedLufs = 0;
        double samplePeak = 0; // 1.0 is full scale
    };

    // channels 1 or 2 at sampleRate; false when the library refuses them.
    [[nodiscard]] bool Open(int32_t channels, int32_t sampleRate);

    // frames samples per channel (right unused for one channel). 8-bit
    // samples are unsigned around 128.
    [[nodiscard]] bool Add16(const int16_t* left, const int16_t* right, int32_t frames);
    [[nodiscard]] bool Add8(const uint8_t* left, const uint8_t* right, int32_t frames);

    // Empty when nothing rose above the measurement's absolute gate
    // (silence has no loudness).
    std::optional<Result> Finish() const;

private:
    struct StateDeleter {
        void operator()(ebur128_state* state) const;
    };
    template <typename Sample, typename Widen>
    bool add(const Sample* left, const Sample* right, int32_t frames, Widen widen);

    std::unique_ptr<ebur128_state, StateDeleter> m_state;
    int32_t m_channels = 0;
    std::vector<int16_t> m_interleaved;
};

} // namespace sonivert
