#include "engine/wavwriter.h"

#include "engine/utf8path.h"

#include <bit>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <share.h>
#endif

namespace sonivert {
namespace {

void storeLe16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void storeLe32(uint8_t* p, uint32_t v)
{
    storeLe16(p, v & 0xFFFFu);
    storeLe16(p + 2, v >> 16);
}

constexpr bool kLittleEndianHost = std::endian::native == std::endian::little;

// The stream buffer is larger than the C library's default so that a block
// of stereo 16-bit samples costs one system call at most.
constexpr size_t kStreamBufferBytes = 1 << 16;

std::FILE* createForWriting(const std::string& path)
{
#ifdef _WIN32
    // Denies other readers and writers while the file is being written.
    return _wfsopen(utf8Path(path).c_str(), L"wb", _SH_DENYRW);
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

} // namespace

bool WavWriter::open(const std::string& path, bool stereo, int32_t bits, int32_t rate)
{
    (void)close();
    if ((bits != 8 && bits != 16) || rate <= 0)
        return false;
    std::error_code ec;
    const bool existed = std::filesystem::symlink_status(utf8Path(path), ec).type() != std::filesystem::file_type::not_found;
    m_file.reset(createForWriting(path));
    if (!m_file)
        return false;
    std::setvbuf(m_file.get(), nullptr, _IOFBF, kStreamBufferBytes);

    m_channels = stereo ? 2 : 1;
    m_bits = static_cast<uint16_t>(bits);
    m_dataBytes = 0;
    const uint32_t blockAlign = m_channels * m_bits / 8u;
    const uint32_t byteRate = blockAlign * static_cast<uint32_t>(rate);

    uint8_t header[kHeaderBytes];
    std::memcpy(header, "RIFF", 4);
    storeLe32(header + 4, 4); // placeholder until close()
    std::memcpy(header + 8, "WAVEfmt ", 8);
    storeLe32(header + 16, 16);
    storeLe16(header + 20, 1); // PCM
    storeLe16(header + 22, m_channels);
    storeLe32(header + 24, static_cast<uint32_t>(rate));
    storeLe32(header + 28, byteRate);
    storeLe16(header + 32, blockAlign);
    storeLe16(header + 34, m_bits);
    std::memcpy(header + 36, "data", 4);
    storeLe32(header + 40, 4); // placeholder until close()

    // The header goes to the file at once, so that a file that cannot take
    // even that is known here; one this call created is removed again
    // rather than left empty.
    if (std::fwrite(header, 1, sizeof header, m_file.get()) != sizeof header || std::fflush(m_file.get()) != 0) {
        m_file.reset();
        if (!existed)
            std::filesystem::remove(utf8Path(path), ec);
        return false;
    }
    return true;
}

std::optional<size_t> WavWriter::writeSize(int32_t bits, const void* left, const void* right, int32_t count) const
{
    if (!m_file || m_bits != bits || count < 0)
        return std::nullopt;
    if (count == 0)
        return size_t{0};
    if (left == nullptr || (m_channels == 2 && right == nullptr))
        return std::nullopt;
    const size_t bytes = static_cast<size_t>(count) * m_channels * static_cast<size_t>(bits / 8);
    if (bytes > kMaxDataBytes - m_dataBytes)
        return std::nullopt;
    return bytes;
}

bool WavWriter::write16(const int16_t* left, const int16_t* right, int32_t count)
{
    const std::optional<size_t> size = writeSize(16, left, right, count);
    if (!size)
        return false;
    const size_t bytes = *size;
    if (bytes == 0)
        return true;
    const bool stereo = m_channels == 2;

    if (!stereo && kLittleEndianHost)
        return writeBytes(left, bytes);

    if (m_interleaved.size() < bytes)
        m_interleaved.resize(bytes);
    uint8_t* out = m_interleaved.data();
    if (stereo) {
        for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
            storeLe16(out + 4 * i, static_cast<uint16_t>(left[i]));
            storeLe16(out + 4 * i + 2, static_cast<uint16_t>(right[i]));
        }
    } else {
        for (size_t i = 0; i < static_cast<size_t>(count); ++i)
            storeLe16(out + 2 * i, static_cast<uint16_t>(left[i]));
    }
    return writeBytes(out, bytes);
}

bool WavWriter::write8(const uint8_t* left, const uint8_t* right, int32_t count)
{
    const std::optional<size_t> size = writeSize(8, left, right, count);
    if (!size)
        return false;
    const size_t bytes = *size;
    if (bytes == 0)
        return true;
    const bool stereo = m_channels == 2;
    if (!stereo)
        return writeBytes(left, bytes);

    if (m_interleaved.size() < bytes)
        m_interleaved.resize(bytes);
    uint8_t* out = m_interleaved.data();
    for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
        out[2 * i] = left[i];
        out[2 * i + 1] = right[i];
    }
    return writeBytes(out, bytes);
}

bool WavWriter::writeBytes(const void* data, size_t bytes)
{
    const size_t written = std::fwrite(data, 1, bytes, m_file.get());
    m_dataBytes += written;
    return written == bytes;
}

bool WavWriter::close()
{
    if (!m_file)
        return true;
    // The sizes come from the bytes the stream took, which is the file size
    // less the header; the write limit keeps both within 32 bits.
    uint8_t riffSize[4];
    uint8_t dataSize[4];
    storeLe32(riffSize, static_cast<uint32_t>(m_dataBytes + (kHeaderBytes - 8)));
    storeLe32(dataSize, static_cast<uint32_t>(m_dataBytes));
    std::FILE* f = m_file.get();
    bool ok = std::fseek(f, 4, SEEK_SET) == 0 && std::fwrite(riffSize, 1, 4, f) == 4 &&
              std::fseek(f, 40, SEEK_SET) == 0 && std::fwrite(dataSize, 1, 4, f) == 4;
    ok = std::fclose(m_file.release()) == 0 && ok;
    return ok;
}

} // namespace sonivert
