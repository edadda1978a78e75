#pragma once

#include "platform/lameptr.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace sonivert {

// Encodes 16-bit PCM into a constant-bit-rate MP3 file with libmp3lame:
// [ID3v2 block] [MP3 frames] [128-byte ID3v1 block], each block optional.
// No VBR and no Xing/LAME information frame.
//
// Calling order: Open(path); optionally SetId3v1Block / SetId3v2Block; the
// parameter setters; Start(); EncodeBlock() for every block; Close(). The
// setters only take effect between Open and Start and are ignored otherwise.
// Open on an open encoder closes it first; the destructor closes.
class Mp3Encoder {
public:
    Mp3Encoder() = default;
    ~Mp3Encoder();
    Mp3Encoder(const Mp3Encoder&) = delete;
    Mp3Encoder& operator=(const Mp3Encoder&) = delete;

    // Creates (or truncates) the file at path (UTF-8) for binary writing and
    // an encoder handle. False when either cannot be had; nothing is left
    // open then, though a created file stays for the caller to delete.
    [[nodiscard]] bool Open(const std::string& path);

    // Keeps a copy of the first 128 bytes of block, written after the last
    // frame by Close(). A block shorter than 128 bytes is not kept.
    void SetId3v1Block(std::span<const uint8_t> block);
    // Keeps a copy of block, written in front of the first frame by Start().
    void SetId3v2Block(std::span<const uint8_t> block);

    void SetInputSampleRate(int32_t hz);
    // 1 or 2 input channels: values below 1 become 1, above 2 become 2.
    void SetChannels(int32_t channels);
    // 0 stereo, 1 joint stereo, 3 mono; every other value becomes 0.
    void SetMode(int32_t mode);
    void SetOutputSampleRate(int32_t hz);
    // kbit/s, clamped to 8..320. The library writes the nearest bit rate the
    // output sample rate allows.
    void SetBitRate(int32_t kbps);

    // Fixes the parameters (constant bit rate, no information frame) and
    // writes the ID3v2 block when one is held. False when no positive input
    // rate was set, the library refuses the parameters or the block cannot
    // be written.
    [[nodiscard]] bool Start();

    // Encodes samples frames: left and right each hold samples 16-bit values
    // (right is not read, and may be null, with one input channel). Any
    // number of frames is taken. False before Start, on an encoder error
    // or when the file took fewer bytes than the library produced.
    [[nodiscard]] bool EncodeBlock(const int16_t* left, const int16_t* right, int32_t samples);

    // Ends the file: after Start, flushes the library's last frames and
    // writes the ID3v1 block when one is held; closes the file; drops both
    // blocks and the handle. True when everything reached the file (also
    // when nothing was open); false when a flush, a write or closing the
    // file failed, so that the output must not be trusted.
    bool Close();

    // The input channel count in force (after SetChannels' clamp), 0 when closed.
    int32_t inputChannels() const { return m_lame ? m_channels : 0; }

    // The block size the routines feed and the library's frame length.
    static constexpr int32_t kBlockSamples = 1152;

private:
    bool writeBytes(const void* data, size_t size);
    bool writeEncoded(int result);

    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::unique_ptr<std::FILE, FileCloser> m_file;
    LamePtr m_lame;
    std::vector<unsigned char> m_buffer;
    std::vector<uint8_t> m_id3v1;
    std::vector<uint8_t> m_id3v2;
    int32_t m_channels = 1;
    int32_t m_inputRate = 0;
    bool m_started = false;
    bool m_writeFailed = false;
};

} // namespace sonivert
