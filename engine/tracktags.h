#pragma once

#include <cstdint>
#include <string>

namespace sonivert {

// The nine tag texts every tagged output receives, in the readTags order.
// Texts are UTF-8; track is a decimal number as text and may be empty.
struct TrackTags {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string genre;
    std::string comment;
    std::string track;
    std::string composer;
    std::string copyright;

    // The decimal value of the leading digits of track (an optional sign
    // included): "7" and "7/12" give 7; empty, non-numeric or out-of-range
    // text gives 0.
    int32_t trackNumber() const;

    bool operator==(const TrackTags&) const = default;
};

} // namespace sonivert
