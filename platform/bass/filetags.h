#pragma once

// The raw tag blocks the library reads from a file itself: the ID3v1 block
// at the end and the ID3v2 blocks at the start. Every size is checked
// against the file; a block that does not fit is not a block.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonivert::bass {

struct FileTagBlocks {
    uint64_t fileSize = 0;
    // Offset of the first byte after the ID3v2 blocks at the start of the
    // file (several may follow each other), 0 when there are none.
    uint64_t audioStart = 0;
    std::vector<uint8_t> id3v1; // 128 bytes starting "TAG", or empty
    // The first ID3v2 block: the 10-byte header, the body and the footer
    // when the header announces one; empty when there is none.
    std::vector<uint8_t> id3v2;
};

// Reads the blocks of the file at path (UTF-8); nullopt when the file cannot
// be opened.
std::optional<FileTagBlocks> readFileTagBlocks(const std::string& path);

// The full length of an ID3v2 block from its first 10 bytes (header, body
// and footer), 0 when they are not an ID3v2 header.
uint64_t id3v2BlockLength(const uint8_t* header, size_t available);

} // namespace sonivert::bass
