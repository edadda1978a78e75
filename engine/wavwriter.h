#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sonivert {

// Writes a canonical RIFF/WAVE file: the 44-byte header ("RIFF", "WAVE", a
// 16-byte "fmt " chunk of PCM, "data") followed by interleaved uncompressed
// PCM, 8-bit unsigned or 16-bit signed little-endian, mono or stereo. No
// other chunk is written.
//
// The two size fields hold the placeholder 4 until close() patches them, so
// a file whose writer never closed is recognisable. Blocks arrive planar (one
// buffer per channel) and are interleaved here; nothing is buffered across
// calls beyond the C library's stream buffer.
//
// Both size fields are 32-bit: the data may hold at most kMaxDataBytes. A
// write that would pass it fails and writes nothing, so the header never
// lies about the data.
class WavWriter {
public:
    static constexpr int kHeaderBytes = 44;
    // The RIFF size field (file size - 8) is the larger of the two and must
    // fit in 32 bits.
    static constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8);

    WavWriter() = default;
    ~WavWriter() { (void)close(); }
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // path is UTF-8. Creates the file (replacing an existing one, not shared
    // with other writers where the system allows that) and writes the header.
    // bits is 8 or 16; rate in Hz, positive. A writer open before is closed
    // first. False when the format is invalid or the file cannot be created
    // or its header written; the writer is closed then, and a file this call
    // created is removed.
    [[nodiscard]] bool open(const std::string& path, bool stereo, int32_t bits, int32_t rate);

    // Appends count frames: left (and, for stereo, right) hold count samples
    // each; right is ignored for mono. write16 only on a 16-bit file, write8
    // only on an 8-bit one. False when closed, on the wrong width, when the
    // data would pass kMaxDataBytes (nothing is written then), or when the
    // system did not take every byte.
    [[nodiscard]] bool write16(const int16_t* left, const int16_t* right, int32_t count);
    [[nodiscard]] bool write8(const uint8_t* left, const uint8_t* right, int32_t count);

    // When open: patches the RIFF size (file size - 8) and the data size
    // (file size - 44) and closes the file. False when patching or the final
    // flush failed; the file is closed in every case. Nothing happens (true)
    // when no file is open.
    [[nodiscard]] bool close();

    bool isOpen() const { return m_file != nullptr; }
    // Sample bytes written since the last open().
    uint64_t dataBytes() const { return m_dataBytes; }

private:
    bool writeBytes(const void* data, size_t bytes);
    // The bytes a write of count frames of bits-wide samples takes, or
    // nothing when it must fail: closed, the wrong width, a missing buffer,
    // or data that would pass kMaxDataBytes.
    std::optional<size_t> writeSize(int32_t bits, const void* left, const void* right, int32_t count) const;

    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> m_file;
    uint16_t m_channels = 0;
    uint16_t m_bits = 0;
    uint64_t m_dataBytes = 0;
    std::vector<uint8_t> m_interleaved; // reused by every write; only grows
};

} // namespace sonivert
