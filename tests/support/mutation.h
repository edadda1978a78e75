#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <vector>

namespace sonivert::test {

// One to four random edits of seed: flipped bits, an extreme 16- or 32-bit
// value (one of extremes, in the given byte order), truncation, dropped
// bytes or inserted noise. Three edits in four aim at the first hundred
// bytes, where the headers are.
std::vector<uint8_t> mutateBytes(const std::vector<uint8_t>& seed, std::mt19937& rng,
                                 std::span<const uint32_t> extremes, bool bigEndian = false);

} // namespace sonivert::test
