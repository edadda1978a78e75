#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonivert {

// A picture that travels with the tags: the source's front cover, else its
// first picture. type is the picture type of ID3v2 APIC and FLAC PICTURE
// (3 = front cover); width, height and depth are 0 when unknown.
struct TagPicture {
    // A larger picture is not carried: no tag format or player expects one.
    static constexpr size_t kMaxBytes = 16u * 1024u * 1024u;

    int32_t type = 3;
    std::string mimeType; // "image/jpeg", "image/png", ...
    std::string description; // UTF-8
    int32_t width = 0;
    int32_t height = 0;
    int32_t depth = 0;
    std::vector<uint8_t> data;

    bool operator==(const TagPicture&) const = default;
};

// The loudness of exactly the audio an output holds, measured by EBU R128,
// and the texts the tag formats write for it.
struct TrackLoudness {
    double integratedLufs = 0;
    double samplePeak = 0; // 1.0 is full scale

    // ReplayGain 2.0: the gain to -18 LUFS, as "-3.21 dB".
    std::string replayGainText() const;
    // The peak as "0.987654".
    std::string peakText() const;
    // RFC 7845's R128_TRACK_GAIN: the gain to -23 LUFS in 1/256 dB, within
    // the signed 16-bit range.
    int32_t r128TrackGain() const;

    bool operator==(const TrackLoudness&) const = default;
};

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
    std::optional<TagPicture> picture;
    std::optional<TrackLoudness> loudness;

    // The decimal value of the leading digits of track (an optional sign
    // included): "7" and "7/12" give 7; empty, non-numeric or out-of-range
    // text gives 0.
    int32_t trackNumber() const;

    bool operator==(const TrackTags&) const = default;
};

} // namespace sonivert
