#include "platform/amr/amrfile.h"

#include <filesystem>
#include <string>

namespace sonivert::amr {

FilePtr createAmrFile(const char* path, std::string_view magic)
{
    if (!path || !*path)
        return nullptr;
    const std::string utf8(path);
    const std::filesystem::path native(std::u8string(utf8.begin(), utf8.end()));
#ifdef _WIN32
    FilePtr file(_wfopen(native.c_str(), L"wb"));
#else
    FilePtr file(std::fopen(native.c_str(), "wb"));
#endif
    if (!file || !writeAll(file.get(), magic.data(), magic.size()))
        return nullptr;
    return file;
}

bool writeAll(std::FILE* file, const void* data, size_t size)
{
    return std::fwrite(data, 1, size, file) == size;
}

bool closeAmrFile(FilePtr file)
{
    if (!file)
        return false;
    const bool flushed = std::fflush(file.get()) == 0 && !std::ferror(file.get());
    return std::fclose(file.release()) == 0 && flushed;
}

} // namespace sonivert::amr
