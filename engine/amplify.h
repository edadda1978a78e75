#pragma once

#include <cstdint>
#include <optional>

namespace sonivert {

// The gain of an output format's amplification setting: the coefficient in
// percent x 0.01 as a 32-bit float. Empty when amplification is off, which
// it is when the flag is clear or the coefficient is exactly 100 (whatever
// the flag says), so that samples pass bit-identical.
[[nodiscard]] std::optional<float> amplifyGain(bool enabled, int32_t coefficientPercent);

// Amplifies count samples of left in place and, only when channels is 2,
// count samples of right (which may be null otherwise). Applied last, just
// before encoding.
//
// 16-bit: factor x s truncated toward zero, clipped to -32767..32767 (so
// that the scale stays symmetric, even -32768 becomes -32767).
void amplify(int16_t* left, int16_t* right, int32_t count, int32_t channels, float factor);

// 8-bit unsigned (128 = silence): factor x (u - 128) truncated toward zero,
// clipped to -128..127, then 128 added back.
void amplify(uint8_t* left, uint8_t* right, int32_t count, int32_t channels, float factor);

} // namespace sonivert
