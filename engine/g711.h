#pragma once

#include <cstdint>

namespace sonivert {

// ITU-T G.711 expansion of one companded byte to a 16-bit linear sample.
int16_t alawToLinear(uint8_t value);
int16_t ulawToLinear(uint8_t value);

} // namespace sonivert
