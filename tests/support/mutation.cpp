#include "tests/support/mutation.h"

#include <algorithm>

namespace sonivert::test {

std::vector<uint8_t> mutateBytes(const std::vector<uint8_t>& seed, std::mt19937& rng,
                                 std::span<const uint32_t> extremes, bool bigEndian)
{
    std::vector<uint8_t> m = seed;
    auto pick = [&](size_t bound) { return std::uniform_int_distribution<size_t>(0, bound - 1)(rng); };
    auto position = [&]() { return (rng() % 4 != 0) ? pick(std::min<size_t>(m.size(), 100)) : pick(m.size()); };
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !m.empty(); ++e) {
        switch (rng() % 5) {
        case 0: // flip bits
            m[position()] ^= static_cast<uint8_t>(1u << (rng() % 8));
            break;
        case 1: { // an extreme 16- or 32-bit value
            const uint32_t v = extremes[rng() % extremes.size()];
            const size_t at = position();
            const size_t width = (rng() % 2) ? 4 : 2;
            for (size_t i = 0; i < width && at + i < m.size(); ++i)
                m[at + i] = static_cast<uint8_t>(v >> (8 * (bigEndian ? width - 1 - i : i)));
            break;
        }
        case 2: // truncate
            m.resize(pick(m.size()));
            break;
        case 3: { // drop bytes
            const size_t at = position();
            m.erase(m.begin() + static_cast<ptrdiff_t>(at),
                    m.begin() + static_cast<ptrdiff_t>(std::min(m.size(), at + 1 + rng() % 8)));
            break;
        }
        default: { // insert random bytes
            const size_t at = position();
            std::vector<uint8_t> noise(1 + rng() % 8);
            for (uint8_t& b : noise)
                b = static_cast<uint8_t>(rng());
            m.insert(m.begin() + static_cast<ptrdiff_t>(at), noise.begin(), noise.end());
            break;
        }
        }
    }
    return m;
}

} // namespace sonivert::test
