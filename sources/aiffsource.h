#pragma once

#include "engine/audiosource.h"
#include "engine/binaryfile.h"
#include "engine/imaadpcmdecoder.h"
#include "platform/gsm610decoder.h"
#include "platform/stereodownmix.h"
#include "sources/dwvwdecoder.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace sonivert {

// AIFF and AIFC reader: integer PCM of 1 to 32 bits in either byte order,
// 32- and 64-bit float, mu-law, A-law, unsigned 8-bit ("raw "), IMA4
// (stereo only), GSM 06.10 and DWVW, for 1, 2, 3, 4 or 6 channels. PCM of up
// to 8 bits and "raw " are delivered as 8-bit samples, everything else as
// 16-bit. More than two channels are mixed down to two (StereoDownmix) with
// the speakers of the format's documented order for 3, 4 and 6 channels.
//
// Progress unit: totalLength() is the file size in bytes and position() the
// file offset of the next unread sample byte (it starts at the first one).
class AiffSource final : public AudioSource {
public:
    // How the sample data is coded (the values are those of the format's
    // compression table).
    enum class Encoding : int32_t {
        None = 0,
        Ulaw = 1,
        Alaw = 2,
        Float32 = 3,
        Float64 = 4,
        Pcm = 5,
        Ima4 = 6,
        Unsigned8 = 7,
        Gsm = 8,
        Dwvw = 9,
    };

    AiffSource() = default;
    ~AiffSource() override { close(); }

    void close() override;
    [[nodiscard]] bool open(const std::string& path, int32_t outputRate) override;
    int32_t read(void* left, void* right) override;
    const char* readerName() const override { return "aiff"; }

    Encoding encoding() const { return m_encoding; }
    bool littleEndian() const { return m_littleEndian; }
    // Sample frames: the COMM count (0 and 0xFFFFFFFF read as 1), or the
    // count the data holds for IMA4 and GSM.
    uint32_t frameCount() const { return m_frameCount; }
    // Bits per stored sample as the compression defines it.
    int32_t sampleSize() const { return m_sampleSize; }
    uint64_t dataStart() const { return m_dataStart; }
    uint64_t dataBytes() const { return m_dataBytes; }

private:
    using BlockReader = int32_t (AiffSource::*)(void* left, void* right);
    using Expander = int16_t (*)(uint8_t);

    // Feeds the DWVW decoder from the sample data.
    class DwvwInput final : public DwvwDecoder::ByteSource {
    public:
        explicit DwvwInput(AiffSource& source) : m_source(source) {}
        size_t readBytes(uint8_t* buffer, size_t size) override { return m_source.readData(buffer, size); }

    private:
        AiffSource& m_source;
    };

    bool parse();
    bool parseComm(uint32_t size);
    bool applyCompression(const uint8_t* type);
    bool parseSsnd(uint32_t size, uint64_t bodyStart);
    bool setUpDecoding();

    // Reads up to size sample bytes (never more than bytesLeft, which drops
    // by the request) and advances the position by the bytes read.
    size_t readData(uint8_t* buffer, size_t size);

    int32_t readSigned8(void* left, void* right);
    int32_t readUnsigned8(void* left, void* right);
    template <int Width, bool LittleEndian>
    int32_t readPcm(void* left, void* right);
    template <typename Float>
    int32_t readFloat(void* left, void* right);
    int32_t readCompanded(void* left, void* right);
    int32_t readIma4(void* left, void* right);
    int32_t readGsm(void* left, void* right);
    int32_t readDwvw(void* left, void* right);

    BinaryFile m_file;
    BlockReader m_blockReader = nullptr;
    Expander m_expand = nullptr;
    bool m_aifc = false;
    bool m_commSeen = false;
    bool m_ssndSeen = false;
    bool m_streamEnded = false;
    Encoding m_encoding = Encoding::None;
    bool m_littleEndian = false;
    uint32_t m_frameCount = 0;
    int32_t m_sampleSize = 0;
    uint32_t m_storedBytes = 0; // bytes per stored sample
    uint32_t m_frameBytes = 0;  // bytes per stored frame
    StereoDownmix m_downmix; // active for more than two channels
    std::vector<int16_t> m_mix16; // one block of every channel, for the down-mix
    std::vector<uint8_t> m_mix8;
    uint64_t m_fileSize = 0;
    uint64_t m_dataStart = 0;
    uint64_t m_dataBytes = 0;
    uint64_t m_bytesLeft = 0;
    std::unique_ptr<ImaAdpcmDecoder> m_ima;
    Gsm610Decoder m_gsm;
    DwvwDecoder m_dwvw;
    std::vector<int32_t> m_dwvwBuffer;
    std::vector<uint8_t> m_buffer;
};

} // namespace sonivert
