#include "platform/fileops.h"

#include <cerrno>

#ifdef _WIN32
#include <filesystem>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace sonivert {

std::error_code createNewFile(const std::string& path)
{
#ifdef _WIN32
    const std::wstring wide = std::filesystem::path(std::u8string(path.begin(), path.end())).wstring();
    const HANDLE handle = ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
    ::CloseHandle(handle);
    return {};
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return std::error_code(errno, std::generic_category());
    if (::close(fd) != 0)
        return std::error_code(errno, std::generic_category());
    return {};
#endif
}

} // namespace sonivert
