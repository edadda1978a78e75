#include "sources/ausource.h"

#include "platform/floatsample.h"
#include "engine/g711.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

namespace sonivert {
namespace {

constexpr size_t kHeaderReadBytes = 120;
constexpr size_t kMinHeaderBytes = 24;
constexpr uint32_t kDataSizeNotGiven = 0xFFFFFFFF;
constexpr uint32_t kEncodingLimit = 28;
constexpr size_t kFirstSearchOffset = 13;
constexpr size_t kLastSearchOffset = 32;
constexpr uint32_t kDefaultRate = 8000;

template <bool BigEndian>
uint32_t load32(const uint8_t* p)
{
    if constexpr (BigEndian)
        return loadBe32(p);
    else
        return loadLe32(p);
}

// The two most significant bytes of a sample of Width bytes.
template <int Width, bool BigEndian>
int16_t top16(const uint8_t* p)
{
    if constexpr (BigEndian)
        return static_cast<int16_t>((p[0] << 8) | p[1]);
    else
        return static_cast<int16_t>((p[Width - 1] << 8) | p[Width - 2]);
}

template <typename Float, bool BigEndian>
Float loadFloat(const uint8_t* p)
{
    if constexpr (sizeof(Float) == 4) {
        return std::bit_cast<float>(load32<BigEndian>(p));
    } else {
        const uint64_t first = load32<BigEndian>(p);
        const uint64_t second = load32<BigEndian>(p + 4);
        return std::bit_cast<double>(BigEndian ? (first << 32) | second : (second << 32) | first);
    }
}

} // namespace

void AuSource::close()
{
    m_file.close();
    m_blockReader = nullptr;
    m_expand = nullptr;
    m_dataOffset = 0;
    m_encoding = 0;
    m_storedBits = 0;
    m_bigEndian = true;
    m_requestBytes = 0;
    m_g72x = G72xDecoder();
    m_codeBits = 0;
    m_bitBuffer = 0;
    m_bitCount = 0;
    m_buffer = {};
    resetBaseState();
}

bool AuSource::open(const std::string& path, int32_t /*outputRate*/)
{
    close();
    if (!m_file.open(path) || !parseHeader()) {
        close();
        return false;
    }
    return true;
}

bool AuSource::parseHeader()
{
    uint8_t head[kHeaderReadBytes];
    if (!m_file.seek(0))
        return false;
    const size_t got = m_file.read(head, sizeof head);
    if (got < kMinHeaderBytes)
        return false;

    static constexpr uint8_t kBigMagic[] = {0x2E, 0x73, 0x6E, 0x64};    // ".snd"
    static constexpr uint8_t kBigMagicAlt[] = {0x2E, 0x73, 0x64, 0x00}; // ".sd\0"
    static constexpr uint8_t kLittleMagic[] = {0x64, 0x6E, 0x73, 0x2E}; // "dns."
    static constexpr uint8_t kLittleMagicAlt[] = {0x00, 0x64, 0x73, 0x2E};
    if (std::memcmp(head, kBigMagic, 4) == 0 || std::memcmp(head, kBigMagicAlt, 4) == 0)
        m_bigEndian = true;
    else if (std::memcmp(head, kLittleMagic, 4) == 0 || std::memcmp(head, kLittleMagicAlt, 4) == 0)
        m_bigEndian = false;
    else
        return false;
    const auto load = [this](const uint8_t* p) { return m_bigEndian ? loadBe32(p) : loadLe32(p); };

    m_dataOffset = load(head + 4);
    if (m_dataOffset < kMinHeaderBytes)
        return false;
    const uint32_t dataSize = load(head + 8);

    // A damaged header may have its encoding, rate and channel fields
    // shifted: the first value below the encoding limit at byte offsets 13
    // to 32 is taken, with the rate and channel count after it. A position
    // qualifies only when all three fields lie within the bytes read.
    uint32_t encoding = load(head + 12);
    uint32_t rate = load(head + 16);
    uint32_t channels = load(head + 20);
    if (encoding >= kEncodingLimit) {
        bool found = false;
        for (size_t at = kFirstSearchOffset; at <= kLastSearchOffset && at + 12 <= got; ++at) {
            const uint32_t value = load(head + at);
            if (value < kEncodingLimit) {
                encoding = value;
                rate = load(head + at + 4);
                channels = load(head + at + 8);
                found = true;
                break;
            }
        }
        if (!found)
            return false;
    }

    switch (encoding) {
    case kUlaw:
    case kAlaw:
        m_storedBits = 8;
        m_expand = encoding == kUlaw ? &ulawToLinear : &alawToLinear;
        m_blockReader = &AuSource::readCompanded;
        break;
    case kLinear8:
        m_storedBits = 8;
        m_blockReader = &AuSource::readLinear8;
        break;
    case kLinear16:
        m_storedBits = 16;
        m_blockReader = m_bigEndian ? &AuSource::readLinear<2, true> : &AuSource::readLinear<2, false>;
        break;
    case kLinear24:
        m_storedBits = 24;
        m_blockReader = m_bigEndian ? &AuSource::readLinear<3, true> : &AuSource::readLinear<3, false>;
        break;
    case kLinear32:
        m_storedBits = 32;
        m_blockReader = m_bigEndian ? &AuSource::readLinear<4, true> : &AuSource::readLinear<4, false>;
        break;
    case kFloat:
        m_storedBits = 32;
        m_blockReader = m_bigEndian ? &AuSource::readFloat<float, true> : &AuSource::readFloat<float, false>;
        break;
    case kDouble:
        m_storedBits = 64;
        m_blockReader = m_bigEndian ? &AuSource::readFloat<double, true> : &AuSource::readFloat<double, false>;
        break;
    case kG721:
    case kG723_3:
    case kG723_5: {
        const G72xDecoder::Rate g72xRate = encoding == kG721     ? G72xDecoder::Rate::G721_32
                                           : encoding == kG723_3 ? G72xDecoder::Rate::G723_24
                                                                 : G72xDecoder::Rate::G723_40;
        m_g72x.reset(g72xRate);
        m_codeBits = static_cast<uint32_t>(m_g72x.codeBits());
        m_storedBits = static_cast<int32_t>(m_codeBits);
        m_blockReader = &AuSource::readAdpcm;
        break;
    }
    default:
        return false;
    }
    m_encoding = encoding;

    if (rate < 1000 || rate > 100000)
        rate = kDefaultRate;
    if (channels != 1 && channels != 2)
        channels = 1;
    m_sampleRate = static_cast<int32_t>(rate);
    m_channels = static_cast<int32_t>(channels);
    m_outputChannels = m_channels;
    m_bitsPerSample = 16;
    m_bytesPerSample = 2;

    if (dataSize == kDataSizeNotGiven) {
        const uint64_t fileSize = m_file.size();
        m_totalLength = fileSize > m_dataOffset ? fileSize - m_dataOffset : 0;
    } else {
        m_totalLength = dataSize;
    }
    m_position = 0;

    const uint64_t bitsPerFrame = static_cast<uint64_t>(m_storedBits) * channels;
    const uint64_t seconds = m_totalLength * 8 / bitsPerFrame / rate;
    setDurationAndBitrate(seconds, m_totalLength, bitsPerFrame * rate / 1000);

    // One block is 1152 samples of every channel (ADPCM: as many codes).
    m_requestBytes = static_cast<size_t>(bitsPerFrame) * kBlockFrames / 8;
    m_buffer.resize(m_requestBytes);
    return m_file.seek(m_dataOffset);
}

int32_t AuSource::read(void* left, void* right)
{
    if (!m_blockReader || !left || (m_outputChannels == 2 && !right))
        return 0;
    return (this->*m_blockReader)(left, right);
}

size_t AuSource::readBlock()
{
    if (m_position >= m_totalLength)
        return 0;
    const auto request = static_cast<size_t>(std::min<uint64_t>(m_requestBytes, m_totalLength - m_position));
    m_position += request;
    return m_file.read(m_buffer.data(), request);
}

int32_t AuSource::readLinear8(void* left, void* right)
{
    const auto channels = static_cast<size_t>(m_channels);
    const size_t frames = readBlock() / channels;
    const auto* raw = reinterpret_cast<const int8_t*>(m_buffer.data());
    auto* l = static_cast<int16_t*>(left);
    auto* r = static_cast<int16_t*>(right);
    for (size_t f = 0; f < frames; ++f) {
        l[f] = static_cast<int16_t>(raw[f * channels] * 256);
        if (channels == 2)
            r[f] = static_cast<int16_t>(raw[f * channels + 1] * 256);
    }
    return static_cast<int32_t>(frames);
}

// A trailing partial frame (a truncated file) is dropped.
template <int Width, bool BigEndian>
int32_t AuSource::readLinear(void* left, void* right)
{
    const size_t stride = static_cast<size_t>(m_channels) * Width;
    const size_t frames = readBlock() / stride;
    const uint8_t* raw = m_buffer.data();
    auto* l = static_cast<int16_t*>(left);
    auto* r = static_cast<int16_t*>(right);
    for (size_t f = 0; f < frames; ++f) {
        l[f] = top16<Width, BigEndian>(raw + f * stride);
        if (m_channels == 2)
            r[f] = top16<Width, BigEndian>(raw + f * stride + Width);
    }
    return static_cast<int32_t>(frames);
}

template <typename Float, bool BigEndian>
int32_t AuSource::readFloat(void* left, void* right)
{
    constexpr size_t kWidth = sizeof(Float);
    const size_t stride = static_cast<size_t>(m_channels) * kWidth;
    const size_t frames = readBlock() / stride;
    const uint8_t* raw = m_buffer.data();
    auto* l = static_cast<int16_t*>(left);
    auto* r = static_cast<int16_t*>(right);
    for (size_t f = 0; f < frames; ++f) {
        l[f] = floatToSample(loadFloat<Float, BigEndian>(raw + f * stride));
        if (m_channels == 2)
            r[f] = floatToSample(loadFloat<Float, BigEndian>(raw + f * stride + kWidth));
    }
    return static_cast<int32_t>(frames);
}

int32_t AuSource::readCompanded(void* left, void* right)
{
    const auto channels = static_cast<size_t>(m_channels);
    const size_t frames = readBlock() / channels;
    const uint8_t* raw = m_buffer.data();
    auto* l = static_cast<int16_t*>(left);
    auto* r = static_cast<int16_t*>(right);
    for (size_t f = 0; f < frames; ++f) {
        l[f] = m_expand(raw[f * channels]);
        if (channels == 2)
            r[f] = m_expand(raw[f * channels + 1]);
    }
    return static_cast<int32_t>(frames);
}

// Codes are taken least significant bit first; in stereo they alternate
// left and right through the one decoder state.
int32_t AuSource::readAdpcm(void* left, void* right)
{
    const size_t bytes = readBlock();
    const auto channels = static_cast<size_t>(m_channels);
    const size_t frames = bytes * 8 / (channels * m_codeBits);
    const uint32_t mask = (1u << m_codeBits) - 1;
    const uint8_t* raw = m_buffer.data();
    size_t next = 0;
    const std::array<int16_t*, 2> out = {static_cast<int16_t*>(left), static_cast<int16_t*>(right)};
    for (size_t f = 0; f < frames; ++f) {
        for (size_t c = 0; c < channels; ++c) {
            // frames is bounded by the bits read, so a byte is always there.
            while (m_bitCount < m_codeBits && next < bytes) {
                m_bitBuffer |= static_cast<uint32_t>(raw[next++]) << m_bitCount;
                m_bitCount += 8;
            }
            out[c][f] = m_g72x.decode(m_bitBuffer & mask);
            m_bitBuffer >>= m_codeBits;
            m_bitCount -= std::min(m_bitCount, m_codeBits);
        }
    }
    return static_cast<int32_t>(frames);
}

} // namespace sonivert
