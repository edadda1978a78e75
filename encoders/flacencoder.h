#pragma once

#include "engine/tracktags.h"
#include "platform/flacptr.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sonivert {

// FLAC through libFLAC: the PCM it is given, written losslessly, with
// Vorbis comments, the tags' picture in a PICTURE block (left out when it
// does not fit one) and a seek table. Open, then Encode blocks, then Finish
// exactly once; a failed step leaves the encoder unusable and the file for
// the caller to remove.
class FlacEncoder {
public:
    struct Format {
        int32_t sampleRate = 44100;
        int32_t channels = 2;      // 1 or 2
        int32_t bitsPerSample = 16; // 8 or 16
        int32_t level = 5;          // compression level 0..8
        // The stream's length as far as it is known, for the seek table
        // (one point every ten seconds); 0 writes none.
        uint64_t framesEstimate = 0;
        // Room for loudness comments that Finish adds once the audio is
        // written: a comment block even without tags, and padding.
        bool reserveLoudness = false;
    };

    // Creates path and writes the stream's metadata. tags may be null (no
    // comments but the encoder's vendor string). False when the library
    // refuses the format or the file cannot be created.
    [[nodiscard]] bool Open(const std::string& path, const Format& format, const TrackTags* tags);

    // frames samples per channel; right is ignored for one channel. 8-bit
    // samples are unsigned around 128, as WAV stores them.
    [[nodiscard]] bool Encode16(const int16_t* left, const int16_t* right, int32_t frames);
    [[nodiscard]] bool Encode8(const uint8_t* left, const uint8_t* right, int32_t frames);

    // Writes the last frame, the final stream information (length, MD5) and
    // the filled seek table, and closes the file. False when any of it, or
    // an earlier write, failed.
    // With loudness (only after Open with reserveLoudness), its ReplayGain
    // comments are then added to the comment block, in the reserved padding.
    [[nodiscard]] bool Finish(const TrackLoudness* loudness = nullptr);

private:
    template <typename Sample, typename Widen>
    bool encode(const Sample* left, const Sample* right, int32_t frames, Widen widen);

    bool addComments(const TrackLoudness& loudness) const;

    std::string m_path;
    FlacEncoderPtr m_encoder;
    FlacMetadataPtr m_padding;
    FlacMetadataPtr m_comments;
    FlacMetadataPtr m_picture;
    FlacMetadataPtr m_seekTable;
    int32_t m_channels = 0;
    bool m_failed = false;
    std::vector<FLAC__int32> m_left, m_right;
};

} // namespace sonivert
