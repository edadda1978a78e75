#include "sources/aiffsource.h"

#include "platform/floatsample.h"
#include "engine/g711.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <span>

namespace sonivert {
namespace {

constexpr size_t kCommAiffBytes = 18;
constexpr size_t kCommAifcBytes = 22;
constexpr uint32_t kIma4PacketBytes = 34;
constexpr uint32_t kIma4PacketFrames = 64;
constexpr uint16_t kImaFormatTag = 0x11;

// The 80-bit IEEE 754 extended value of the COMM sample rate: sign and
// 15-bit biased exponent, then a 64-bit mantissa with its integer bit.
double extendedToDouble(const uint8_t* p)
{
    const int exponent = ((p[0] & 0x7F) << 8) | p[1];
    const uint32_t hi = loadBe32(p + 2);
    const uint32_t lo = loadBe32(p + 6);
    if (exponent == 0 && hi == 0 && lo == 0)
        return 0.0;
    double value;
    if (exponent == 0x7FFF)
        value = std::numeric_limits<double>::infinity();
    else
        value = std::ldexp(static_cast<double>(hi), exponent - 16414) +
                std::ldexp(static_cast<double>(lo), exponent - 16446);
    return (p[0] & 0x80) ? -value : value;
}

// The two most significant bytes of a sample of Width bytes.
template <int Width, bool LittleEndian>
int16_t top16(const uint8_t* p)
{
    if constexpr (LittleEndian)
        return static_cast<int16_t>((p[Width - 1] << 8) | p[Width - 2]);
    else
        return static_cast<int16_t>((p[0] << 8) | p[1]);
}

template <typename Float>
Float loadBeFloat(const uint8_t* p)
{
    if constexpr (sizeof(Float) == 4) {
        return std::bit_cast<float>(loadBe32(p));
    } else {
        const uint64_t v = (static_cast<uint64_t>(loadBe32(p)) << 32) | loadBe32(p + 4);
        return std::bit_cast<double>(v);
    }
}

} // namespace

void AiffSource::close()
{
    m_file.close();
    m_blockReader = nullptr;
    m_expand = nullptr;
    m_aifc = false;
    m_commSeen = false;
    m_ssndSeen = false;
    m_streamEnded = false;
    m_encoding = Encoding::None;
    m_littleEndian = false;
    m_frameCount = 0;
    m_sampleSize = 0;
    m_storedBytes = 0;
    m_frameBytes = 0;
    m_downmix.setSpeakers({});
    m_fileSize = 0;
    m_dataStart = 0;
    m_dataBytes = 0;
    m_bytesLeft = 0;
    m_ima.reset();
    m_gsm.reset();
    m_dwvw = DwvwDecoder();
    m_dwvwBuffer = {};
    m_buffer = {};
    resetBaseState();
}

bool AiffSource::open(const std::string& path, int32_t /*outputRate*/)
{
    close();
    if (!m_file.open(path) || !parse() || !setUpDecoding()) {
        close();
        return false;
    }
    return true;
}

bool AiffSource::parse()
{
    m_fileSize = m_file.size();
    uint8_t head[12];
    if (!m_file.seek(0) || !m_file.readExact(head, sizeof head) || std::memcmp(head, "FORM", 4) != 0)
        return false;
    if (std::memcmp(head + 8, "AIFC", 4) == 0)
        m_aifc = true;
    else if (std::memcmp(head + 8, "AIFF", 4) != 0)
        return false;

    // Chunks until both COMM and SSND have been seen, in either order. Each
    // step moves on by at least the 8-byte header, so the walk ends.
    for (;;) {
        uint8_t chunk[8];
        if (!m_file.readExact(chunk, sizeof chunk))
            return false;
        const uint32_t size = loadBe32(chunk + 4);
        const uint64_t bodyStart = m_file.tell();
        const uint64_t next = bodyStart + size + (size & 1u);

        if (std::memcmp(chunk, "COMM", 4) == 0) {
            if (!parseComm(size))
                return false;
            m_commSeen = true;
            if (m_ssndSeen)
                return true;
        } else if (std::memcmp(chunk, "SSND", 4) == 0) {
            if (!parseSsnd(size, bodyStart))
                return false;
            m_ssndSeen = true;
            if (m_commSeen)
                return true;
        }
        if (!m_file.seek(next))
            return false;
    }
}

bool AiffSource::parseComm(uint32_t size)
{
    // Only the fields in use are read; the rest of a longer chunk (the
    // AIFC compression name, anything appended) is stepped over by the walk.
    const size_t needed = m_aifc ? kCommAifcBytes : kCommAiffBytes;
    uint8_t body[kCommAifcBytes];
    if (size < needed || !m_file.readExact(body, needed))
        return false;

    const uint16_t channels = loadBe16(body);
    if (channels != 1 && channels != 2 && channels != 3 && channels != 4 && channels != 6)
        return false;
    const uint32_t frames = loadBe32(body + 2);
    m_frameCount = (frames == 0 || frames == 0xFFFFFFFF) ? 1 : frames;
    m_sampleSize = loadBe16(body + 6);

    // A negative, infinite or not-a-number rate, or one beyond the 32-bit
    // range, has no integer value to truncate to.
    const double rate = extendedToDouble(body + 8);
    if (!(rate >= 0.0) || rate >= 2147483648.0)
        return false;
    m_sampleRate = static_cast<int32_t>(rate);
    m_channels = channels;
    m_outputChannels = channels == 1 ? 1 : 2;

    m_encoding = Encoding::Pcm;
    m_littleEndian = false;
    m_ima.reset();
    if (m_aifc)
        return applyCompression(body + 18);
    return true;
}

bool AiffSource::applyCompression(const uint8_t* type)
{
    char id[5] = {};
    for (int i = 0; i < 4; ++i)
        id[i] = static_cast<char>(std::toupper(type[i]));
    const auto is = [&id](const char* name) { return std::memcmp(id, name, 4) == 0; };

    if (is("NONE") || is("TWOS") || is("IN24") || is("IN32")) {
        m_encoding = Encoding::Pcm;
    } else if (is("SOWT") || is("23NI")) {
        m_encoding = Encoding::Pcm;
        m_littleEndian = true;
    } else if (is("ULAW")) {
        m_encoding = Encoding::Ulaw;
        m_sampleSize = 8;
    } else if (is("ALAW")) {
        m_encoding = Encoding::Alaw;
        m_sampleSize = 8;
    } else if (is("FL32")) {
        m_encoding = Encoding::Float32;
        m_sampleSize = 32;
    } else if (is("FL64")) {
        m_encoding = Encoding::Float64;
        m_sampleSize = 64;
    } else if (is("IMA4")) {
        // The packet decoder serves a pair of channels; mono IMA4 is left
        // to the next reader.
        if (m_channels != 2)
            return false;
        WaveFormatRecord format;
        format.formatTag = kImaFormatTag;
        format.channels = static_cast<uint16_t>(m_channels);
        format.sampleRate = static_cast<uint32_t>(m_sampleRate);
        format.avgBytesPerSecond = 0;
        format.blockAlign = static_cast<uint16_t>(m_channels * kIma4PacketBytes);
        format.bitsPerSample = 4;
        format.extensionSize = 0;
        format.samplesPerBlock = kIma4PacketFrames;
        m_ima = std::make_unique<ImaAdpcmDecoder>();
        m_ima->setFormat(format);
        m_encoding = Encoding::Ima4;
        m_sampleSize = 4;
    } else if (is("RAW ")) {
        m_encoding = Encoding::Unsigned8;
        m_sampleSize = 8;
    } else if (is("GSM ")) {
        // A GSM frame holds 160 samples, which are not whole frames of 3 or
        // 6 channels; beyond two channels the samples cannot be told apart.
        if (m_channels > 2)
            return false;
        m_encoding = Encoding::Gsm;
    } else if (is("DWVW")) {
        if (m_sampleSize < DwvwDecoder::kMinBits || m_sampleSize > DwvwDecoder::kMaxBits)
            return false;
        m_encoding = Encoding::Dwvw;
    } else {
        return false;
    }
    return true;
}

bool AiffSource::parseSsnd(uint32_t size, uint64_t bodyStart)
{
    uint8_t body[8];
    if (size < sizeof body || !m_file.readExact(body, sizeof body))
        return false;
    const uint32_t offset = loadBe32(body);
    // An offset beyond the chunk leaves no sample data in it.
    if (offset > size - 8)
        return false;
    m_dataStart = bodyStart + 8 + offset;
    m_dataBytes = size - 8 - offset;
    return true;
}

bool AiffSource::setUpDecoding()
{
    // Sample data that starts beyond the end of the file is not there at
    // all; data declared beyond the end is not counted.
    if (m_dataStart > m_fileSize)
        return false;
    m_dataBytes = std::min<uint64_t>(m_dataBytes, m_fileSize - m_dataStart);

    m_bitsPerSample = 16;
    m_storedBytes = static_cast<uint32_t>((m_sampleSize + 7) / 8);
    switch (m_encoding) {
    case Encoding::Pcm:
        // A width of 0 has no bytes to step by.
        if (m_sampleSize <= 0) {
            return false;
        } else if (m_sampleSize <= 8) {
            m_blockReader = &AiffSource::readSigned8;
            m_bitsPerSample = 8;
        } else if (m_sampleSize <= 16) {
            m_blockReader = m_littleEndian ? &AiffSource::readPcm<2, true> : &AiffSource::readPcm<2, false>;
        } else if (m_sampleSize <= 24) {
            m_blockReader = m_littleEndian ? &AiffSource::readPcm<3, true> : &AiffSource::readPcm<3, false>;
        } else if (m_sampleSize <= 32) {
            m_blockReader = m_littleEndian ? &AiffSource::readPcm<4, true> : &AiffSource::readPcm<4, false>;
        } else {
            return false;
        }
        break;
    case Encoding::Ulaw:
    case Encoding::Alaw:
        m_expand = m_encoding == Encoding::Ulaw ? &ulawToLinear : &alawToLinear;
        m_blockReader = &AiffSource::readCompanded;
        break;
    case Encoding::Float32:
        m_blockReader = &AiffSource::readFloat<float>;
        break;
    case Encoding::Float64:
        m_blockReader = &AiffSource::readFloat<double>;
        break;
    case Encoding::Unsigned8:
        m_blockReader = &AiffSource::readUnsigned8;
        m_bitsPerSample = 8;
        break;
    case Encoding::Ima4:
        m_blockReader = &AiffSource::readIma4;
        m_frameCount = static_cast<uint32_t>(
            std::min<uint64_t>(m_dataBytes / m_ima->format().blockAlign * kIma4PacketFrames, 0xFFFFFFFF));
        m_buffer.resize(m_ima->format().blockAlign);
        break;
    case Encoding::Gsm:
        if (!m_gsm.init(Gsm610Decoder::Framing::Plain))
            return false;
        m_blockReader = &AiffSource::readGsm;
        m_frameCount = static_cast<uint32_t>(std::min<uint64_t>(
            m_dataBytes * Gsm610Decoder::kFrameSamples / Gsm610Decoder::kFrameBytes, 0xFFFFFFFF));
        m_buffer.resize(Gsm610Decoder::kFrameBytes);
        break;
    case Encoding::Dwvw:
        if (!m_dwvw.init(m_sampleSize))
            return false;
        m_blockReader = &AiffSource::readDwvw;
        m_dwvwBuffer.resize(static_cast<size_t>(m_channels) * kBlockFrames);
        break;
    case Encoding::None:
        return false;
    }

    const auto channels = static_cast<uint32_t>(m_channels);
    m_frameBytes = channels * m_storedBytes;
    if (channels > 2 && !m_downmix.setSpeakers(speakers::aiffOrder(m_channels)))
        return false;
    if (m_buffer.empty())
        m_buffer.resize(static_cast<size_t>(m_frameBytes) * kBlockFrames);

    m_bytesPerSample = m_bitsPerSample / 8;
    const uint64_t seconds = m_sampleRate > 0 ? m_frameCount / static_cast<uint32_t>(m_sampleRate) : 0;
    setDurationAndBitrate(seconds, m_fileSize,
                          static_cast<uint64_t>(m_sampleSize) * channels * static_cast<uint32_t>(m_sampleRate) / 1000);

    m_totalLength = m_fileSize;
    m_position = m_dataStart;
    m_bytesLeft = m_dataBytes;
    return m_file.seek(m_dataStart);
}

namespace {

// Hands out frames whose channel c holds sample(f, c): one or two channels
// as they are, more mixed down to two.
template <typename T, typename Sample>
int32_t deliverFrames(const StereoDownmix& downmix, std::vector<T>& scratch, int32_t channels, size_t frames,
                      void* left, void* right, Sample&& sample)
{
    auto* l = static_cast<T*>(left);
    auto* r = static_cast<T*>(right);
    if (downmix.active()) {
        const auto n = static_cast<size_t>(channels);
        scratch.resize(frames * n);
        for (size_t f = 0; f < frames; ++f) {
            for (size_t c = 0; c < n; ++c)
                scratch[f * n + c] = sample(f, c);
        }
        downmix.mix(scratch.data(), frames, l, r);
        return static_cast<int32_t>(frames);
    }
    for (size_t f = 0; f < frames; ++f) {
        l[f] = sample(f, 0);
        if (channels == 2)
            r[f] = sample(f, 1);
    }
    return static_cast<int32_t>(frames);
}

} // namespace

int32_t AiffSource::read(void* left, void* right)
{
    if (!m_blockReader || !left || (m_outputChannels == 2 && !right) || m_streamEnded)
        return 0;
    return (this->*m_blockReader)(left, right);
}

size_t AiffSource::readData(uint8_t* buffer, size_t size)
{
    const auto request = static_cast<size_t>(std::min<uint64_t>(size, m_bytesLeft));
    m_bytesLeft -= request;
    if (request == 0)
        return 0;
    const size_t got = m_file.read(buffer, request);
    m_position += got;
    return got;
}

int32_t AiffSource::readSigned8(void* left, void* right)
{
    const size_t frames = readData(m_buffer.data(), m_buffer.size()) / m_frameBytes;
    const uint8_t* raw = m_buffer.data();
    // Signed to unsigned with 128 as silence: the sign bit flips.
    return deliverFrames<uint8_t>(m_downmix, m_mix8, m_channels, frames, left, right, [&](size_t f, size_t c) {
        return static_cast<uint8_t>(raw[f * m_frameBytes + c * m_storedBytes] ^ 0x80);
    });
}

int32_t AiffSource::readUnsigned8(void* left, void* right)
{
    const size_t frames = readData(m_buffer.data(), m_buffer.size()) / m_frameBytes;
    const uint8_t* raw = m_buffer.data();
    return deliverFrames<uint8_t>(m_downmix, m_mix8, m_channels, frames, left, right,
                                  [&](size_t f, size_t c) { return raw[f * m_frameBytes + c * m_storedBytes]; });
}

// A trailing partial frame (a truncated file) is dropped.
template <int Width, bool LittleEndian>
int32_t AiffSource::readPcm(void* left, void* right)
{
    const size_t frames = readData(m_buffer.data(), m_buffer.size()) / m_frameBytes;
    const uint8_t* raw = m_buffer.data();
    return deliverFrames<int16_t>(m_downmix, m_mix16, m_channels, frames, left, right, [&](size_t f, size_t c) {
        return top16<Width, LittleEndian>(raw + f * m_frameBytes + c * m_storedBytes);
    });
}

template <typename Float>
int32_t AiffSource::readFloat(void* left, void* right)
{
    const size_t frames = readData(m_buffer.data(), m_buffer.size()) / m_frameBytes;
    const uint8_t* raw = m_buffer.data();
    return deliverFrames<int16_t>(m_downmix, m_mix16, m_channels, frames, left, right, [&](size_t f, size_t c) {
        return floatToSample(loadBeFloat<Float>(raw + f * m_frameBytes + c * m_storedBytes));
    });
}

int32_t AiffSource::readCompanded(void* left, void* right)
{
    const size_t frames = readData(m_buffer.data(), m_buffer.size()) / m_frameBytes;
    const uint8_t* raw = m_buffer.data();
    return deliverFrames<int16_t>(m_downmix, m_mix16, m_channels, frames, left, right,
                                  [&](size_t f, size_t c) { return m_expand(raw[f * m_frameBytes + c * m_storedBytes]); });
}

// One packet group (a 34-byte packet per channel) gives 64 frames; a read
// decodes as many groups as fit into one block. A short group ends the
// stream.
int32_t AiffSource::readIma4(void* left, void* right)
{
    auto* l = static_cast<int16_t*>(left);
    auto* r = static_cast<int16_t*>(right);
    const size_t groupBytes = m_buffer.size();
    int32_t frames = 0;
    while (frames + static_cast<int32_t>(kIma4PacketFrames) <= kBlockFrames) {
        if (m_bytesLeft < groupBytes || readData(m_buffer.data(), groupBytes) < groupBytes) {
            m_streamEnded = true;
            break;
        }
        const std::span<const uint8_t> group(m_buffer);
        const int32_t decoded = m_ima->decodePackets(group.first(kIma4PacketBytes),
                                                     group.subspan(kIma4PacketBytes, kIma4PacketBytes),
                                                     l + frames, r + frames);
        if (decoded <= 0) {
            m_streamEnded = true;
            break;
        }
        frames += decoded;
    }
    return frames;
}

// A 33-byte frame gives 160 samples: 160 mono frames, or 80 stereo frames
// taken as interleaved pairs. A short or undecodable frame ends the stream.
int32_t AiffSource::readGsm(void* left, void* right)
{
    auto* l = static_cast<int16_t*>(left);
    auto* r = static_cast<int16_t*>(right);
    const bool stereo = m_outputChannels == 2;
    const int32_t framesPerGsmFrame = stereo ? Gsm610Decoder::kFrameSamples / 2 : Gsm610Decoder::kFrameSamples;
    int16_t samples[Gsm610Decoder::kFrameSamples];
    int32_t frames = 0;
    while (frames + framesPerGsmFrame <= kBlockFrames) {
        if (m_bytesLeft < Gsm610Decoder::kFrameBytes ||
            readData(m_buffer.data(), Gsm610Decoder::kFrameBytes) < Gsm610Decoder::kFrameBytes ||
            !m_gsm.decodeFrame(m_buffer.data(), samples)) {
            m_streamEnded = true;
            break;
        }
        for (int32_t i = 0; i < framesPerGsmFrame; ++i) {
            if (stereo) {
                l[frames + i] = samples[2 * i];
                r[frames + i] = samples[2 * i + 1];
            } else {
                l[frames + i] = samples[i];
            }
        }
        frames += framesPerGsmFrame;
    }
    return frames;
}

// Samples are decoded channel after channel, one block's worth at a time.
int32_t AiffSource::readDwvw(void* left, void* right)
{
    DwvwInput input(*this);
    const size_t count = m_dwvw.decode(input, m_dwvwBuffer.data(), m_dwvwBuffer.size());
    const auto channels = static_cast<size_t>(m_channels);
    if (count < m_dwvwBuffer.size())
        m_streamEnded = true;
    return deliverFrames<int16_t>(m_downmix, m_mix16, m_channels, count / channels, left, right,
                                  [&](size_t f, size_t c) { return static_cast<int16_t>(m_dwvwBuffer[f * channels + c] >> 16); });
}

} // namespace sonivert
