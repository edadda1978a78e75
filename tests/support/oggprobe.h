#pragma once

// Independent views of an Ogg Vorbis file for the tests: its pages as the
// container format lays them out (read here from the bytes, not through
// libogg), the comments as vorbiscomment lists them, the samples oggdec
// decodes, and the duration ffprobe reports.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sonivert::test {

struct OggPage {
    uint8_t flags = 0;      // 0x01 continued packet, 0x02 first page, 0x04 last page
    int64_t granule = 0;    // -1 when no packet ends on the page
    uint32_t serial = 0;
    uint32_t sequence = 0;
    int packetsEnded = 0;   // packets whose last segment is on this page
    bool endsOnPacket = false; // the last segment closes a packet
};

// The pages of the file at path in order; nullopt when anything but whole,
// well-formed pages is found (a capture pattern missing, a page cut short).
std::optional<std::vector<OggPage>> walkOggPages(const std::string& path);

// The user comments ("KEY=value") as `vorbiscomment -l -R` lists them, in
// file order, UTF-8 untouched; nullopt when the tool fails.
std::optional<std::vector<std::string>> listVorbisComments(const std::string& path);

// Interleaved 16-bit samples as oggdec decodes the file (libvorbisfile's
// own tool); nullopt when it fails.
std::optional<std::vector<int16_t>> oggdecSamples(const std::string& path);

// The comments of the first audio stream as ffprobe reports them (for Ogg
// they belong to the stream, not the container), keys in lower case.
std::map<std::string, std::string> ffprobeStreamTags(const std::string& path);

// The container duration ffprobe reports in seconds; a negative value when
// it fails.
double ffprobeDurationSeconds(const std::string& path);

} // namespace sonivert::test
