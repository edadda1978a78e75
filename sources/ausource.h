#pragma once

#include "engine/audiosource.h"
#include "engine/binaryfile.h"
#include "sources/g72xdecoder.h"

#include <cstdint>
#include <vector>

namespace sonivert {

// Sun/NeXT audio reader (".snd" big-endian and "dns." little-endian
// headers): mu-law, A-law, 8/16/24/32-bit linear PCM, 32/64-bit float and
// G.721/G.723 ADPCM, one or two channels, always delivered as 16-bit
// samples. A header with another channel count is read as mono.
//
// Progress unit: totalLength() is the length of the sample data in bytes
// and position() the data bytes consumed so far.
class AuSource final : public AudioSource {
public:
    // Encoding codes of the header.
    static constexpr uint32_t kUlaw = 1;
    static constexpr uint32_t kLinear8 = 2;
    static constexpr uint32_t kLinear16 = 3;
    static constexpr uint32_t kLinear24 = 4;
    static constexpr uint32_t kLinear32 = 5;
    static constexpr uint32_t kFloat = 6;
    static constexpr uint32_t kDouble = 7;
    static constexpr uint32_t kG721 = 23;
    static constexpr uint32_t kG723_3 = 25;
    static constexpr uint32_t kG723_5 = 26;
    static constexpr uint32_t kAlaw = 27;

    AuSource() = default;
    ~AuSource() override { close(); }

    void close() override;
    [[nodiscard]] bool open(const std::string& path, int32_t outputRate) override;
    int32_t read(void* left, void* right) override;
    const char* readerName() const override { return "au"; }

    uint32_t encoding() const { return m_encoding; }
    bool bigEndian() const { return m_bigEndian; }
    uint32_t dataOffset() const { return m_dataOffset; }
    // Bits per stored sample (the code width for ADPCM).
    int32_t storedBits() const { return m_storedBits; }

private:
    using BlockReader = int32_t (AuSource::*)(void* left, void* right);
    using Expander = int16_t (*)(uint8_t);

    bool parseHeader();
    // Reads the next slice of sample data into m_buffer; returns its bytes.
    size_t readBlock();

    int32_t readLinear8(void* left, void* right);
    template <int Width, bool BigEndian>
    int32_t readLinear(void* left, void* right);
    template <typename Float, bool BigEndian>
    int32_t readFloat(void* left, void* right);
    int32_t readCompanded(void* left, void* right);
    int32_t readAdpcm(void* left, void* right);

    BinaryFile m_file;
    BlockReader m_blockReader = nullptr;
    Expander m_expand = nullptr;
    uint32_t m_dataOffset = 0;
    uint32_t m_encoding = 0;
    int32_t m_storedBits = 0;
    bool m_bigEndian = true;
    size_t m_requestBytes = 0; // bytes asked for by one block read
    G72xDecoder m_g72x;
    uint32_t m_codeBits = 0;
    uint32_t m_bitBuffer = 0; // ADPCM codes not yet decoded, oldest in the low bits
    uint32_t m_bitCount = 0;
    std::vector<uint8_t> m_buffer;
};

} // namespace sonivert
