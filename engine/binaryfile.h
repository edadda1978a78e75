#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace sonivert {

// A file opened for binary reading, closed by its destructor. Offsets are
// 64-bit on every platform. No operation throws; short reads report the
// bytes actually read.
class BinaryFile {
public:
    BinaryFile() = default;

    // path is UTF-8. Closes any file open before.
    [[nodiscard]] bool open(const std::string& path);
    void close() { m_file.reset(); }
    bool isOpen() const { return m_file != nullptr; }

    // Reads up to size bytes; returns the count read (0 at the end or on error).
    size_t read(void* buffer, size_t size);
    // Reads exactly size bytes; false (and an unspecified file position) when
    // fewer are left.
    [[nodiscard]] bool readExact(void* buffer, size_t size) { return read(buffer, size) == size; }
    // Reads one byte; -1 at the end or on error.
    int readByte();

    [[nodiscard]] bool seek(uint64_t offset);
    // Moves by delta bytes from the current offset.
    [[nodiscard]] bool skip(int64_t delta);
    uint64_t tell() const;
    // Size of the file in bytes, 0 when unknown; the offset is kept.
    uint64_t size() const;

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> m_file;
};

// Little- and big-endian loads from a byte buffer the caller has checked to
// hold enough bytes.
inline uint16_t loadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t loadLe32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint16_t loadBe16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t loadBe32(const uint8_t* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

} // namespace sonivert
