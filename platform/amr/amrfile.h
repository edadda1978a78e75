#pragma once

// The output file the AMR encoder stand-ins write: a stdio stream owned by
// one handle, opened from a UTF-8 path. Private to platform/amr/.

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string_view>

namespace sonivert::amr {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Creates (or truncates) the file at path (UTF-8) and writes magic, the
// storage format's header. Null when the file cannot be created or the
// header cannot be written; a created file is left for the caller to delete.
FilePtr createAmrFile(const char* path, std::string_view magic);

// Writes size bytes; false when the stream took fewer.
bool writeAll(std::FILE* file, const void* data, size_t size);

// Flushes and closes the stream; false when buffered data could not be
// written or closing failed.
bool closeAmrFile(FilePtr file);

} // namespace sonivert::amr
