#include "platform/bass/filetags.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

namespace sonivert::bass {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

bool readAt(std::FILE* file, uint64_t offset, uint8_t* out, size_t count)
{
    if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0)
        return false;
    return std::fread(out, 1, count, file) == count;
}

} // namespace

uint64_t id3v2BlockLength(const uint8_t* header, size_t available)
{
    if (available < 10 || std::memcmp(header, "ID3", 3) != 0)
        return 0;
    // Version and revision are never 0xFF; the size is synchsafe (the top
    // bit of each byte clear).
    if (header[3] == 0xFF || header[4] == 0xFF)
        return 0;
    uint64_t body = 0;
    for (int i = 6; i < 10; ++i) {
        if (header[i] & 0x80)
            return 0;
        body = (body << 7) | header[i];
    }
    const bool footer = header[3] >= 4 && (header[5] & 0x10);
    return 10 + body + (footer ? 10 : 0);
}

std::optional<FileTagBlocks> readFileTagBlocks(const std::string& path)
{
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return std::nullopt;
    FileTagBlocks blocks;
    if (fseeko(file.get(), 0, SEEK_END) != 0)
        return std::nullopt;
    const off_t size = ftello(file.get());
    if (size < 0)
        return std::nullopt;
    blocks.fileSize = static_cast<uint64_t>(size);

    // Leading ID3v2 blocks, one after the other.
    uint64_t offset = 0;
    std::array<uint8_t, 10> header{};
    while (offset + header.size() <= blocks.fileSize && readAt(file.get(), offset, header.data(), header.size())) {
        const uint64_t length = id3v2BlockLength(header.data(), header.size());
        if (length == 0 || length > blocks.fileSize - offset)
            break;
        if (offset == 0) {
            blocks.id3v2.resize(static_cast<size_t>(length));
            if (!readAt(file.get(), 0, blocks.id3v2.data(), blocks.id3v2.size()))
                blocks.id3v2.clear();
        }
        offset += length;
    }
    blocks.audioStart = offset;

    // The ID3v1 block: the last 128 bytes, when they start with "TAG" and
    // lie after the leading tags.
    if (blocks.fileSize >= blocks.audioStart + 128) {
        std::vector<uint8_t> tail(128);
        if (readAt(file.get(), blocks.fileSize - 128, tail.data(), tail.size()) &&
            std::memcmp(tail.data(), "TAG", 3) == 0)
            blocks.id3v1 = std::move(tail);
    }
    return blocks;
}

} // namespace sonivert::bass
