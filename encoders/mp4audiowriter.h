#pragma once

#include "encoders/aacinputbuffer.h"
#include "platform/aac/aacencoderlib.h"
#include "platform/mp4lib/mp4libwrite.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sonivert {

struct TrackTags;

// Writes PCM as AAC Low Complexity into an MPEG-4 file: one audio track at
// the input's sample rate and channel count, one raw AAC frame per sample,
// and iTunes-style metadata. The same input gives the same bytes whatever
// the file's name (.m4a, .mp4, .m4b).
//
// Sample timing: the track's time scale is the sample rate. The first
// sample carries the encoder delay as its rendering offset; each sample
// lasts one frame length, except that the durations never add up to more
// than the input length plus the delay, so the last frames get shorter ones.
//
// Calling order: Open(path, rate, channels, bits); optionally change fields
// of Configuration(); Start(); SetMetadata at any time before Close;
// EncodeBlock16 or EncodeBlock8 for every block; Close(). Open on an open
// writer closes it first; the destructor closes.
class Mp4AudioWriter {
public:
    Mp4AudioWriter() = default;
    ~Mp4AudioWriter();
    Mp4AudioWriter(const Mp4AudioWriter&) = delete;
    Mp4AudioWriter& operator=(const Mp4AudioWriter&) = delete;

    // Creates (or truncates) the MPEG-4 file at path (UTF-8), opens the
    // encoder for sampleRate and channels (1 or 2) and sets the
    // configuration's defaults: Low Complexity, MPEG-4, no TNS, mid/side
    // allowed, the encoder's bandwidth, raw frames, 16-bit input. False when
    // the file or the encoder cannot be had; a file created by then stays
    // for the caller.
    [[nodiscard]] bool Open(const std::string& path, int32_t sampleRate, int32_t channels, int32_t bitsPerSample);

    // The configuration record between Open and Start; null when no encoder
    // is open.
    AacEncoderConfiguration* Configuration() { return m_config; }

    // Hands the configuration to the encoder, then sets up the file: movie
    // time scale 90000, the audio track (time scale = sample rate, MPEG-4
    // audio), audio profile level 0x0F and the encoder's AudioSpecificConfig.
    // False when the encoder refuses the configuration or the file takes no
    // track for it.
    [[nodiscard]] bool Start();

    // Writes the tags' items as setMp4Metadata does (mp4metadata.h). Only
    // between Start and Close.
    void SetMetadata(const TrackTags& tags, int32_t trackNumber);

    // Interleave count frames of left (and right, with 2 channels), encoding
    // each full frame at once and writing its bytes as one sample. False
    // before Start, when an encode fails or when a sample was not written.
    [[nodiscard]] bool EncodeBlock16(const int16_t* left, const int16_t* right, int32_t count);
    // 8-bit unsigned samples, widened as (value - 128) x 256.
    [[nodiscard]] bool EncodeBlock8(const uint8_t* left, const uint8_t* right, int32_t count);

    // Encodes the partial frame still buffered, writes the encoder's held
    // frames as samples, then writes the file's index and metadata and
    // closes it. True when everything reached the file (also when nothing
    // was open); false after any failed encode or write.
    bool Close();

    // The movie time scale and the audio profile level every file gets.
    static constexpr uint32_t kMovieTimeScale = 90000;
    static constexpr uint8_t kAudioProfileLevel = 0x0F;

private:
    // Encodes count samples (0: one flush step) and writes the frame that
    // comes out as a sample. The frame's byte count, or -1 on failure.
    int encodeAndWrite(const int16_t* samples, uint32_t count);
    bool writeSample(uint32_t bytes);

    Mp4WriteHandle m_file;
    MP4TrackId m_track = MP4_INVALID_TRACK_ID;
    uint64_t m_total = 0;   // samples per channel handed to the encoder
    uint64_t m_written = 0; // samples per channel written as sample durations
    uint32_t m_delay = 0;
    uint32_t m_frameLength = 0;
    AacEncoderHandle m_encoder;
    AacEncoderConfiguration* m_config = nullptr; // owned by m_encoder
    int32_t m_sampleRate = 0;
    int32_t m_channels = 0;
    int32_t m_bitsPerSample = 0;
    std::vector<uint8_t> m_output;
    AacInputBuffer m_input;
    uint32_t m_inputSamples = 0;
    uint32_t m_maxOutputBytes = 0;
    bool m_started = false;
    bool m_failed = false;
};

} // namespace sonivert
