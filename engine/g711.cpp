#include "engine/g711.h"

namespace sonivert {

int16_t alawToLinear(uint8_t value)
{
    // Even bits are inverted on the line; the top bit is the sign (1 = positive).
    const int a = value ^ 0x55;
    int magnitude = (a & 0x0F) << 4;
    const int segment = (a & 0x70) >> 4;
    if (segment == 0)
        magnitude += 8;
    else if (segment == 1)
        magnitude += 0x108;
    else
        magnitude = (magnitude + 0x108) << (segment - 1);
    return static_cast<int16_t>((a & 0x80) ? magnitude : -magnitude);
}

int16_t ulawToLinear(uint8_t value)
{
    constexpr int kBias = 0x84;
    const int u = ~value & 0xFF;
    int magnitude = ((u & 0x0F) << 3) + kBias;
    magnitude <<= (u & 0x70) >> 4;
    return static_cast<int16_t>((u & 0x80) ? (kBias - magnitude) : (magnitude - kBias));
}

} // namespace sonivert
