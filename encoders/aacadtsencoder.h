#pragma once

#include "encoders/aacinputbuffer.h"
#include "platform/aac/aacencoderlib.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace sonivert {

// Encodes PCM into a bare AAC stream in ADTS framing: the file is the
// concatenation of the encoder's ADTS frames and nothing else (no tags).
// The stream keeps the input's sample rate and channel count.
//
// Calling order: Open(path, rate, channels, bits); optionally change fields
// of Configuration(); ApplyConfiguration(); EncodeBlock16 or EncodeBlock8
// for every block; Close(). Open on an open encoder closes it first; the
// destructor closes.
class AacAdtsEncoder {
public:
    AacAdtsEncoder() = default;
    ~AacAdtsEncoder();
    AacAdtsEncoder(const AacAdtsEncoder&) = delete;
    AacAdtsEncoder& operator=(const AacAdtsEncoder&) = delete;

    // Creates (or truncates) the file at path (UTF-8), opens the encoder for
    // sampleRate and channels (1 or 2) and sets the configuration's defaults:
    // Low Complexity, MPEG-4, no TNS, mid/side allowed, the encoder's
    // bandwidth, ADTS output, 16-bit input. False when the file or the
    // encoder cannot be had; a file created by then stays for the caller.
    [[nodiscard]] bool Open(const std::string& path, int32_t sampleRate, int32_t channels, int32_t bitsPerSample);

    // The configuration record between Open and ApplyConfiguration; null
    // when no encoder is open.
    AacEncoderConfiguration* Configuration() { return m_config; }

    // Hands the configuration to the encoder and prepares the buffers.
    // False when the encoder refuses it.
    [[nodiscard]] bool ApplyConfiguration();

    // Interleave count frames of left (and right, with 2 channels) into the
    // input buffer, encoding and writing each frame as soon as it is full.
    // False before ApplyConfiguration, when an encode fails or when the
    // file took fewer bytes than the encoder produced.
    [[nodiscard]] bool EncodeBlock16(const int16_t* left, const int16_t* right, int32_t count);
    // 8-bit unsigned samples, widened as (value - 128) x 256.
    [[nodiscard]] bool EncodeBlock8(const uint8_t* left, const uint8_t* right, int32_t count);

    // Encodes the partial frame still buffered, drains the encoder's held
    // frames into the file, closes the file and the encoder. True when
    // everything reached the file (also when nothing was open); false after
    // any failed write or encode, so the output must not be trusted.
    bool Close();

    int32_t sampleRate() const { return m_sampleRate; }
    int32_t channels() const { return m_channels; }
    int32_t bitsPerSample() const { return m_bitsPerSample; }

private:
    // Encodes count samples (0: one flush step) and writes what comes out.
    // The bytes written, or -1 after a failed encode or write.
    int encodeAndWrite(const int16_t* samples, uint32_t count);

    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::unique_ptr<std::FILE, FileCloser> m_file;
    AacEncoderHandle m_encoder;
    AacEncoderConfiguration* m_config = nullptr; // owned by m_encoder
    int32_t m_sampleRate = 0;
    int32_t m_channels = 0;
    int32_t m_bitsPerSample = 0;
    std::vector<uint8_t> m_output;
    AacInputBuffer m_input;
    uint32_t m_inputSamples = 0;
    uint32_t m_maxOutputBytes = 0;
    bool m_applied = false;
    bool m_failed = false;
};

} // namespace sonivert
