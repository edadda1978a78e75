#pragma once

#include "engine/tracktags.h"
#include "platform/opusptr.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace sonivert {

// Ogg Opus through libopusenc: PCM at any rate (the library resamples to
// Opus's 48 kHz and records the input rate), variable bit rate, OpusTags
// from the track's tags with its picture, and the pre-skip and end trimming
// that make the decoded length the input's. Open, then Encode blocks, then
// Finish exactly once; a failed step leaves the encoder unusable and the
// file for the caller to remove.
class OggOpusEncoder {
public:
    struct Format {
        int32_t sampleRate = 48000;
        int32_t channels = 2;       // 1 or 2
        int32_t bitsPerSample = 16; // 8 or 16
        int32_t kbps = 128;         // 6..510
    };

    OggOpusEncoder() = default;
    ~OggOpusEncoder();
    OggOpusEncoder(const OggOpusEncoder&) = delete;
    OggOpusEncoder& operator=(const OggOpusEncoder&) = delete;

    // Creates path and sets the encoder up; the headers are written with the
    // first pages. tags may be null (the vendor string only). A picture the
    // library cannot parse is left out. False when the file cannot be
    // created or the library refuses the format.
    [[nodiscard]] bool Open(const std::string& path, const Format& format, const TrackTags* tags);

    // frames samples per channel; right is ignored for one channel. 8-bit
    // samples are unsigned around 128, as WAV stores them.
    [[nodiscard]] bool Encode16(const int16_t* left, const int16_t* right, int32_t frames);
    [[nodiscard]] bool Encode8(const uint8_t* left, const uint8_t* right, int32_t frames);

    // Encodes what is buffered, writes the last page with the end trimming
    // and closes the file. False when any of it, or an earlier step, failed.
    [[nodiscard]] bool Finish();

private:
    static int writePage(void* self, const unsigned char* data, opus_int32 length);
    template <typename Sample, typename Widen>
    bool encode(const Sample* left, const Sample* right, int32_t frames, Widen widen);
    bool closeFile();

    std::FILE* m_file = nullptr;
    OpusEncoderPtr m_encoder;
    int32_t m_channels = 0;
    bool m_failed = false;
    std::vector<opus_int16> m_interleaved;
};

} // namespace sonivert
