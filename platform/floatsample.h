#pragma once

#include <cstdint>

namespace sonivert {

// A float sample x as a 16-bit sample: x * 2147483647 truncated toward zero,
// kept to its low 32 bits and shifted down by 16, so 1.0 gives 32767 and
// -1.0 gives -32768. Values outside -1..1 are clamped first (NaN counts as
// silence): decoders of lossy formats overshoot full scale, and beyond that
// range the product would wrap into full-scale clicks or leave the 64-bit
// range altogether.
inline int16_t floatToSample(double x)
{
    if (!(x >= -1.0))
        x = (x != x) ? 0.0 : -1.0;
    else if (x > 1.0)
        x = 1.0;
    const auto wide = static_cast<int64_t>(x * 2147483647.0);
    const auto low = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(wide)));
    return static_cast<int16_t>(low >> 16);
}

} // namespace sonivert
