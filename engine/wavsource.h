#pragma once

#include "engine/audiosource.h"
#include "engine/binaryfile.h"
#include "engine/imaadpcmdecoder.h"
#include "engine/msadpcmdecoder.h"
#include "platform/gsm610decoder.h"
#include "platform/stereodownmix.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace sonivert {

// RIFF/WAVE reader: integer PCM of 8, 16, 24 and 32 bits, IEEE float of 32
// and 64 bits, A-law, mu-law, Microsoft ADPCM, IMA ADPCM and GSM 06.10.
// 8-bit PCM is delivered as 8-bit samples, everything else as 16-bit; a
// file with more than two channels is mixed down to two (StereoDownmix), its
// speakers taken from the extensible format's channel mask, else FFmpeg's
// default layout for the count.
//
// Progress unit: totalLength() is the byte length of the data chunk and
// position() the data bytes consumed so far.
class WavSource final : public AudioSource {
public:
    WavSource() = default;
    ~WavSource() override { close(); }

    void close() override;
    [[nodiscard]] bool open(const std::string& path, int32_t outputRate) override;
    int32_t read(void* left, void* right) override;
    const char* readerName() const override { return "wav"; }

    // The format tag the fmt chunk declares (0xFFFE for the extensible form).
    uint16_t formatTag() const { return m_formatTag; }

private:
    using BlockReader = int32_t (WavSource::*)(void* left, void* right);
    using Expander = int16_t (*)(uint8_t);

    bool parseHeader();
    bool parseFmtChunk(uint32_t chunkSize);
    bool setUpDecoder();
    bool skipToNextChunk();

    // Reads the next raw slice of the data chunk into m_rawBuffer and
    // returns its byte count (never more than what is left of the chunk).
    size_t rawRead();

    int32_t readPcm8(void* left, void* right);
    template <int Width>
    int32_t readPcmWide(void* left, void* right);
    template <typename Float>
    int32_t readFloat(void* left, void* right);
    int32_t readCompanded(void* left, void* right);
    int32_t readBlockCodec(void* left, void* right);
    bool decodeNextBlock(size_t bytes);

    BlockReader m_blockReader = nullptr;
    Expander m_expandSample = nullptr;
    BinaryFile m_file;
    uint16_t m_formatTag = 0;
    uint16_t m_storedBits = 0;
    uint16_t m_blockAlign = 0;
    uint16_t m_samplesPerBlock = 0;
    uint32_t m_channelMask = 0; // of the extensible format; 0 when none
    StereoDownmix m_downmix;    // active for more than two channels
    std::vector<int16_t> m_mix16; // one block of every channel, for the down-mix
    bool m_fmtSeen = false;
    bool m_extensibleFloat = false; // extensible format with the IEEE float sub-format
    bool m_streamEnded = false;
    std::unique_ptr<MsAdpcmDecoder> m_msAdpcm;
    std::unique_ptr<ImaAdpcmDecoder> m_imaAdpcm;
    Gsm610Decoder m_gsm;
    std::vector<uint8_t> m_rawBuffer;
    std::vector<int16_t> m_decodedBuffer;
    uint32_t m_rawBytes = 0;
    uint32_t m_decodedCount = 0;  // capacity of m_decodedBuffer in samples
    uint32_t m_decodedFill = 0;   // samples of the current decoded block
    uint32_t m_decodedCursor = 0; // next sample to hand out

};

} // namespace sonivert
