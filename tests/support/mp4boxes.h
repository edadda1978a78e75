#pragma once

// What an MPEG-4 file's own boxes say about its first track, read by a
// small bounds-checked box walker of the tests (not by the code under test):
// the time scales, the creation times, the sample durations (stts), the
// composition offsets (ctts), the edit list (elst) and the audio profile of
// the initial object descriptor (iods).

#include <cstdint>
#include <string>
#include <vector>

namespace sonivert::test {

struct Mp4Edit {
    uint64_t segmentDuration = 0; // movie time scale
    int64_t mediaTime = 0;        // track time scale; -1 for an empty edit
};

struct Mp4TrackTiming {
    bool ok = false;              // moov, a trak and its stts were found
    uint32_t movieTimeScale = 0;  // mvhd
    uint64_t creationTime = 0;    // mvhd
    uint64_t modificationTime = 0;
    uint32_t mediaTimeScale = 0;  // mdhd of the first track
    std::vector<uint32_t> durations;         // one per sample
    std::vector<int64_t> compositionOffsets; // one per sample; empty without ctts
    std::vector<Mp4Edit> edits;
    int audioProfileLevel = -1; // -1 without iods
};

Mp4TrackTiming readMp4TrackTiming(const std::string& path);

} // namespace sonivert::test
