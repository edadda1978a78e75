#include "engine/tracktags.h"

#include <charconv>

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

} // namespace sonivert
