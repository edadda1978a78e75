#include "engine/wavsource.h"

#include "platform/floatsample.h"
#include "engine/g711.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace sonivert {
namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagMsAdpcm = 2;
constexpr uint16_t kTagFloat = 3;
constexpr uint16_t kTagAlaw = 6;
constexpr uint16_t kTagUlaw = 7;
constexpr uint16_t kTagImaAdpcm = 17;
constexpr uint16_t kTagGsm610 = 49;
constexpr uint16_t kTagExtensible = 0xFFFE;

constexpr int32_t kMaxPcmChannels = 8;
constexpr int32_t kMaxCodecChannels = 2;
constexpr uint32_t kGsmSamplesPerBlock = 320;

bool isAsciiLetter(int c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Upper 16 bits of a little-endian integer sample of Width bytes.
template <int Width>
int16_t upper16(const uint8_t* p)
{
    return static_cast<int16_t>(p[Width - 2] | (p[Width - 1] << 8));
}

template <typename Float>
Float loadLeFloat(const uint8_t* p)
{
    if constexpr (sizeof(Float) == 4) {
        return std::bit_cast<float>(loadLe32(p));
    } else {
        const uint64_t v = static_cast<uint64_t>(loadLe32(p)) | (static_cast<uint64_t>(loadLe32(p + 4)) << 32);
        return std::bit_cast<double>(v);
    }
}

} // namespace

void WavSource::close()
{
    m_file.close();
    m_blockReader = nullptr;
    m_expandSample = nullptr;
    m_formatTag = 0;
    m_storedBits = 0;
    m_blockAlign = 0;
    m_samplesPerBlock = 0;
    m_channelMask = 0;
    m_downmix.setSpeakers({});
    m_fmtSeen = false;
    m_extensibleFloat = false;
    m_streamEnded = false;
    m_msAdpcm.reset();
    m_imaAdpcm.reset();
    m_gsm.reset();
    m_rawBuffer = {};
    m_decodedBuffer = {};
    m_rawBytes = 0;
    m_decodedCount = 0;
    m_decodedFill = 0;
    m_decodedCursor = 0;
    resetBaseState();
}

bool WavSource::open(const std::string& path, int32_t /*outputRate*/)
{
    close();
    if (!m_file.open(path) || !parseHeader() || !setUpDecoder()) {
        close();
        return false;
    }
    m_bytesPerSample = m_bitsPerSample / 8;
    return true;
}

bool WavSource::parseHeader()
{
    uint8_t head[12];
    if (!m_file.seek(0) || !m_file.readExact(head, 8) || std::memcmp(head, "RIFF", 4) != 0)
        return false;
    if (!m_file.readExact(head + 8, 4) || std::memcmp(head + 8, "WAVE", 4) != 0)
        return false;

    for (;;) {
        uint8_t chunk[8];
        if (!m_file.readExact(chunk, 8))
            return false;
        const uint32_t size = loadLe32(chunk + 4);

        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (!parseFmtChunk(size))
                return false;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!m_fmtSeen)
                return false;
            const uint64_t offset = m_file.tell();
            uint64_t length = size;
            if (size == 0) {
                const uint64_t fileSize = m_file.size();
                length = fileSize > offset ? fileSize - offset : 0;
            }
            m_totalLength = length;
            m_position = 0;

            uint64_t frames = 0;
            if (m_formatTag == kTagGsm610)
                frames = length * kGsmSamplesPerBlock / Gsm610Decoder::kBlockBytes;
            else if (m_formatTag == kTagMsAdpcm || m_formatTag == kTagImaAdpcm)
                frames = length * m_samplesPerBlock / m_blockAlign;
            else if (m_storedBits != 0)
                frames = length * 8 / m_storedBits / static_cast<uint32_t>(m_channels);

            const uint64_t seconds = frames / static_cast<uint32_t>(m_sampleRate);
            setDurationAndBitrate(seconds, length,
                                  uint64_t{m_storedBits} * static_cast<uint32_t>(m_channels) *
                                      static_cast<uint32_t>(m_sampleRate) / 1000);
            return true;
        } else if (!m_file.skip(size)) {
            return false;
        }
        if (!skipToNextChunk())
            return false;
    }
}

// Steps over pad bytes and stray bytes: the next chunk header starts at the
// next ASCII letter.
bool WavSource::skipToNextChunk()
{
    for (;;) {
        const int c = m_file.readByte();
        if (c < 0)
            return false;
        if (isAsciiLetter(c))
            return m_file.skip(-1);
    }
}

bool WavSource::parseFmtChunk(uint32_t chunkSize)
{
    const uint64_t start = m_file.tell();
    uint8_t body[16];
    if (chunkSize < sizeof body || !m_file.readExact(body, sizeof body))
        return false;

    WaveFormatRecord format;
    format.formatTag = loadLe16(body);
    format.channels = loadLe16(body + 2);
    format.sampleRate = loadLe32(body + 4);
    format.avgBytesPerSecond = loadLe32(body + 8);
    format.blockAlign = loadLe16(body + 12);
    format.bitsPerSample = loadLe16(body + 14);

    // A later format chunk replaces everything an earlier one set up: a
    // decoder of another codec kept from the first chunk would decode blocks
    // sized by the second.
    m_msAdpcm.reset();
    m_imaAdpcm.reset();
    m_samplesPerBlock = 0;
    m_bitsPerSample = 0;
    m_channelMask = 0;
    m_formatTag = format.formatTag;
    m_extensibleFloat = false;
    m_storedBits = format.bitsPerSample;
    m_blockAlign = format.blockAlign;
    m_channels = format.channels;
    m_outputChannels = std::min<int32_t>(m_channels, 2);
    m_fmtSeen = true;

    // A rate or channel count of 0 would divide by zero in every length
    // computation; no decoder can work with either.
    if (format.sampleRate == 0 || format.sampleRate > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) ||
        format.channels == 0)
        return false;
    m_sampleRate = static_cast<int32_t>(format.sampleRate);

    auto readU16 = [this](uint16_t& v) {
        uint8_t b[2];
        if (!m_file.readExact(b, 2))
            return false;
        v = loadLe16(b);
        return true;
    };

    switch (format.formatTag) {
    case kTagExtensible:
        // The sub-format GUID begins with the format tag it stands for. Of
        // the sub-formats only IEEE float is told apart; everything else is
        // read as integer PCM of the stored width. Reading float samples as
        // integers would turn them into full-scale noise.
        if (chunkSize >= 40) {
            uint8_t extension[24];
            if (!m_file.readExact(extension, sizeof extension))
                return false;
            if (loadLe16(extension) >= 22)
                m_channelMask = loadLe32(extension + 4);
            if (loadLe16(extension) >= 22 && loadLe16(extension + 8) == kTagFloat) {
                m_extensibleFloat = true;
                m_bitsPerSample = 16;
                if (m_channels > kMaxPcmChannels)
                    return false;
                break;
            }
        }
        [[fallthrough]];
    case kTagPcm:
        if (m_storedBits == 8)
            m_bitsPerSample = 8;
        else if (m_storedBits == 16 || m_storedBits == 24 || m_storedBits == 32)
            m_bitsPerSample = 16;
        else
            return false;
        if (m_channels > kMaxPcmChannels)
            return false;
        break;

    case kTagFloat:
        m_bitsPerSample = 16;
        if (m_channels > kMaxPcmChannels)
            return false;
        break;

    case kTagAlaw:
    case kTagUlaw:
        m_bitsPerSample = 16;
        if (m_channels > kMaxCodecChannels)
            return false;
        break;

    case kTagMsAdpcm: {
        MsAdpcmFormatRecord ms;
        static_cast<WaveFormatRecord&>(ms) = format;
        uint16_t count = 0;
        if (!readU16(ms.extensionSize) || ms.extensionSize <= 3 || !readU16(ms.samplesPerBlock) ||
            !readU16(count) || count == 0)
            return false;
        ms.coefficients.resize(count);
        for (auto& pair : ms.coefficients) {
            uint8_t b[4];
            if (!m_file.readExact(b, 4))
                return false;
            pair.c1 = static_cast<int16_t>(loadLe16(b));
            pair.c2 = static_cast<int16_t>(loadLe16(b + 2));
        }
        if (m_channels > kMaxCodecChannels || ms.samplesPerBlock < 2 || ms.blockAlign == 0 ||
            ms.blockAlign < MsAdpcmDecoder::requiredBlockSize(ms.channels, ms.samplesPerBlock))
            return false;
        m_samplesPerBlock = ms.samplesPerBlock;
        m_msAdpcm = std::make_unique<MsAdpcmDecoder>();
        m_msAdpcm->setFormat(ms);
        m_bitsPerSample = 16;
        break;
    }

    case kTagImaAdpcm: {
        WaveFormatRecord ima = format;
        if (!readU16(ima.extensionSize) || ima.extensionSize < 2 || !readU16(ima.samplesPerBlock))
            return false;
        if (m_channels > kMaxCodecChannels || ima.samplesPerBlock == 0 || ima.blockAlign == 0 ||
            ima.blockAlign < ImaAdpcmDecoder::requiredBlockSize(ima.channels, ima.samplesPerBlock))
            return false;
        m_samplesPerBlock = ima.samplesPerBlock;
        m_imaAdpcm = std::make_unique<ImaAdpcmDecoder>();
        m_imaAdpcm->setFormat(ima);
        m_bitsPerSample = 16;
        break;
    }

    case kTagGsm610: {
        uint16_t extensionSize = 0;
        uint16_t samplesPerBlock = 0;
        if (format.blockAlign != Gsm610Decoder::kBlockBytes || chunkSize < 20 ||
            !readU16(extensionSize) || extensionSize < 2 || !readU16(samplesPerBlock) ||
            samplesPerBlock != kGsmSamplesPerBlock || m_channels > kMaxCodecChannels)
            return false;
        m_samplesPerBlock = samplesPerBlock;
        m_bitsPerSample = 16;
        break;
    }

    default:
        return false;
    }

    // Skip what is left of the chunk (never backwards: a coefficient table
    // may run past a chunk that declares itself too short).
    const uint64_t end = start + chunkSize;
    if (m_file.tell() < end)
        return m_file.seek(end);
    return true;
}

bool WavSource::setUpDecoder()
{
    const auto channels = static_cast<uint32_t>(m_channels);
    const uint16_t decoderTag = m_extensibleFloat ? kTagFloat : m_formatTag;
    switch (decoderTag) {
    case kTagPcm:
    case kTagExtensible:
        switch (m_storedBits) {
        case 8:
            m_rawBytes = channels * 1152;
            m_blockReader = &WavSource::readPcm8;
            break;
        case 16:
            m_rawBytes = channels * 2304;
            m_blockReader = &WavSource::readPcmWide<2>;
            break;
        case 24:
            m_rawBytes = channels * 3456;
            m_blockReader = &WavSource::readPcmWide<3>;
            break;
        case 32:
            m_rawBytes = channels * 4608;
            m_blockReader = &WavSource::readPcmWide<4>;
            break;
        default:
            return false;
        }
        break;
    case kTagFloat:
        if (m_storedBits == 32) {
            m_rawBytes = channels * 4608;
            m_blockReader = &WavSource::readFloat<float>;
        } else if (m_storedBits == 64) {
            m_rawBytes = channels * 9216;
            m_blockReader = &WavSource::readFloat<double>;
        } else {
            return false;
        }
        break;
    case kTagAlaw:
    case kTagUlaw:
        m_rawBytes = channels * 1152;
        m_expandSample = m_formatTag == kTagAlaw ? &alawToLinear : &ulawToLinear;
        m_blockReader = &WavSource::readCompanded;
        break;
    case kTagMsAdpcm:
    case kTagImaAdpcm:
        m_rawBytes = m_blockAlign;
        m_decodedCount = uint32_t{m_samplesPerBlock} * static_cast<uint32_t>(m_outputChannels);
        m_blockReader = &WavSource::readBlockCodec;
        break;
    case kTagGsm610:
        if (!m_gsm.init(Gsm610Decoder::Framing::Wav49))
            return false;
        m_rawBytes = Gsm610Decoder::kBlockBytes;
        m_decodedCount = Gsm610Decoder::kBlockSamples;
        m_blockReader = &WavSource::readBlockCodec;
        break;
    default:
        return false;
    }
    m_rawBuffer.resize(m_rawBytes);
    m_decodedBuffer.resize(m_decodedCount);
    if (m_channels > 2) {
        const std::vector<Speaker> order = m_channelMask != 0 ? speakers::fromMask(m_channelMask, m_channels)
                                                               : speakers::byDefault(m_channels);
        if (!m_downmix.setSpeakers(order))
            return false;
    }
    return true;
}

int32_t WavSource::read(void* left, void* right)
{
    if (!m_blockReader || !left || (m_outputChannels == 2 && !right))
        return 0;
    return (this->*m_blockReader)(left, right);
}

size_t WavSource::rawRead()
{
    const uint64_t remaining = m_totalLength - m_position;
    const auto request = static_cast<size_t>(std::min<uint64_t>(m_rawBytes, remaining));
    m_position += request;
    if (request == 0)
        return 0;
    return m_file.read(m_rawBuffer.data(), request);
}

int32_t WavSource::readPcm8(void* left, void* right)
{
    const size_t bytes = rawRead();
    const uint8_t* raw = m_rawBuffer.data();
    auto* l = static_cast<uint8_t*>(left);
    if (m_channels == 1) {
        std::memcpy(l, raw, bytes);
        return static_cast<int32_t>(bytes);
    }
    auto* r = static_cast<uint8_t*>(right);
    const size_t stride = static_cast<size_t>(m_channels);
    const size_t frames = bytes / stride;
    if (m_downmix.active()) {
        m_downmix.mix(raw, frames, l, r);
        return static_cast<int32_t>(frames);
    }
    for (size_t f = 0; f < frames; ++f) {
        l[f] = raw[f * stride];
        r[f] = raw[f * stride + 1];
    }
    return static_cast<int32_t>(frames);
}

// Each sample keeps its upper 16 bits. A trailing partial frame (a truncated
// file) is dropped rather than completed with stale bytes.
template <int Width>
int32_t WavSource::readPcmWide(void* left, void* right)
{
    const size_t bytes = rawRead();
    const uint8_t* raw = m_rawBuffer.data();
    const size_t stride = static_cast<size_t>(m_channels) * Width;
    const size_t frames = bytes / stride;
    auto* l = static_cast<int16_t*>(left);
    if (m_downmix.active()) {
        m_mix16.resize(frames * static_cast<size_t>(m_channels));
        for (size_t i = 0; i < m_mix16.size(); ++i)
            m_mix16[i] = upper16<Width>(raw + i * Width);
        m_downmix.mix(m_mix16.data(), frames, l, static_cast<int16_t*>(right));
    } else if (m_channels == 1) {
        for (size_t f = 0; f < frames; ++f)
            l[f] = upper16<Width>(raw + f * Width);
    } else {
        auto* r = static_cast<int16_t*>(right);
        for (size_t f = 0; f < frames; ++f) {
            l[f] = upper16<Width>(raw + f * stride);
            r[f] = upper16<Width>(raw + f * stride + Width);
        }
    }
    return static_cast<int32_t>(frames);
}

template <typename Float>
int32_t WavSource::readFloat(void* left, void* right)
{
    const size_t bytes = rawRead();
    const uint8_t* raw = m_rawBuffer.data();
    constexpr size_t kWidth = sizeof(Float);
    const size_t stride = static_cast<size_t>(m_channels) * kWidth;
    const size_t frames = bytes / stride;
    auto* l = static_cast<int16_t*>(left);
    auto* r = static_cast<int16_t*>(right);
    if (m_downmix.active()) {
        m_mix16.resize(frames * static_cast<size_t>(m_channels));
        for (size_t i = 0; i < m_mix16.size(); ++i)
            m_mix16[i] = floatToSample(loadLeFloat<Float>(raw + i * kWidth));
        m_downmix.mix(m_mix16.data(), frames, l, r);
        return static_cast<int32_t>(frames);
    }
    for (size_t f = 0; f < frames; ++f) {
        l[f] = floatToSample(loadLeFloat<Float>(raw + f * stride));
        if (m_channels > 1)
            r[f] = floatToSample(loadLeFloat<Float>(raw + f * stride + kWidth));
    }
    return static_cast<int32_t>(frames);
}

int32_t WavSource::readCompanded(void* left, void* right)
{
    const size_t bytes = rawRead();
    const uint8_t* raw = m_rawBuffer.data();
    auto* l = static_cast<int16_t*>(left);
    if (m_channels == 1) {
        for (size_t i = 0; i < bytes; ++i)
            l[i] = m_expandSample(raw[i]);
        return static_cast<int32_t>(bytes);
    }
    auto* r = static_cast<int16_t*>(right);
    const size_t frames = bytes / 2;
    for (size_t f = 0; f < frames; ++f) {
        l[f] = m_expandSample(raw[2 * f]);
        r[f] = m_expandSample(raw[2 * f + 1]);
    }
    return static_cast<int32_t>(frames);
}

bool WavSource::decodeNextBlock(size_t bytes)
{
    // A short final block is dropped; so is everything after a block that
    // fails to decode.
    if (bytes < m_rawBytes)
        return false;
    const std::span<const uint8_t> block(m_rawBuffer.data(), bytes);
    int32_t samples = 0;
    if (m_msAdpcm)
        samples = m_msAdpcm->decodeBlock(block, m_decodedBuffer);
    else if (m_imaAdpcm)
        samples = m_imaAdpcm->decodeBlock(block, m_decodedBuffer);
    else if (m_gsm.decodeWav49Block(block.data(), m_decodedBuffer.data()))
        samples = Gsm610Decoder::kBlockSamples;
    if (samples <= 0)
        return false;
    m_decodedFill = static_cast<uint32_t>(samples);
    m_decodedCursor = 0;
    return true;
}

int32_t WavSource::readBlockCodec(void* left, void* right)
{
    auto* l = static_cast<int16_t*>(left);
    auto* r = static_cast<int16_t*>(right);
    const bool stereo = m_outputChannels == 2;
    const uint32_t step = stereo ? 2 : 1;
    int32_t frames = 0;
    while (frames < kBlockFrames) {
        if (m_decodedCursor + step > m_decodedFill) {
            if (m_streamEnded || !decodeNextBlock(rawRead())) {
                m_streamEnded = true;
                m_decodedFill = 0;
                m_decodedCursor = 0;
                break;
            }
        }
        const int16_t* samples = m_decodedBuffer.data();
        while (frames < kBlockFrames && m_decodedCursor + step <= m_decodedFill) {
            l[frames] = samples[m_decodedCursor];
            if (stereo)
                r[frames] = samples[m_decodedCursor + 1];
            m_decodedCursor += step;
            ++frames;
        }
    }
    return frames;
}

} // namespace sonivert
