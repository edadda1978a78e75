#include "engine/tracktags.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace sonivert {

int32_t TrackTags::trackNumber() const
{
    int32_t value = 0;
    const char* begin = track.data();
    if (!track.empty() && track.front() == '+')
        ++begin;
    const auto [end, ec] = std::from_chars(begin, track.data() + track.size(), value);
    (void)end;
    return ec == std::errc() ? value : 0;
}

namespace {

// value with `decimals` places, '.' whatever the locale.
std::string fixed(double value, int decimals)
{
    std::array<char, 64> text{};
    const auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed,
                                         decimals);
    return ec == std::errc() ? std::string(text.data(), end) : std::string("0");
}

} // namespace

std::string TrackLoudness::replayGainText() const
{
    return fixed(-18.0 - integratedLufs, 2) + " dB";
}

std::string TrackLoudness::peakText() const
{
    return fixed(samplePeak, 6);
}

int32_t TrackLoudness::r128TrackGain() const
{
    const double q78 = std::round((-23.0 - integratedLufs) * 256.0);
    return static_cast<int32_t>(std::clamp(q78, -32768.0, 32767.0));
}

} // namespace sonivert
