#include "engine/amplify.h"

namespace sonivert {
namespace {

// Clips in float before converting, so that no product, however large,
// reaches an out-of-range integer conversion. A NaN factor clips to hi.
inline int32_t scaled(float factor, int32_t value, int32_t lo, int32_t hi)
{
    const float v = factor * static_cast<float>(value);
    if (!(v < static_cast<float>(hi)))
        return hi;
    if (v <= static_cast<float>(lo))
        return lo;
    return static_cast<int32_t>(v); // truncates toward zero
}

void amplifyChannel(int16_t* samples, int32_t count, float factor)
{
    for (int32_t i = 0; i < count; ++i)
        samples[i] = static_cast<int16_t>(scaled(factor, samples[i], -32767, 32767));
}

void amplifyChannel(uint8_t* samples, int32_t count, float factor)
{
    for (int32_t i = 0; i < count; ++i)
        samples[i] = static_cast<uint8_t>(scaled(factor, samples[i] - 128, -128, 127) + 128);
}

template <typename Sample>
void amplifyBlock(Sample* left, Sample* right, int32_t count, int32_t channels, float factor)
{
    if (left != nullptr)
        amplifyChannel(left, count, factor);
    if (channels == 2 && right != nullptr)
        amplifyChannel(right, count, factor);
}

} // namespace

std::optional<float> amplifyGain(bool enabled, int32_t coefficientPercent)
{
    if (!enabled || coefficientPercent == 100)
        return std::nullopt;
    return static_cast<float>(static_cast<double>(coefficientPercent) * 0.01);
}

void amplify(int16_t* left, int16_t* right, int32_t count, int32_t channels, float factor)
{
    amplifyBlock(left, right, count, channels, factor);
}

void amplify(uint8_t* left, uint8_t* right, int32_t count, int32_t channels, float factor)
{
    amplifyBlock(left, right, count, channels, factor);
}

} // namespace sonivert
