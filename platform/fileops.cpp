#include "platform/fileops.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

namespace sonivert {
namespace {

std::error_code lastError()
{
#ifdef _WIN32
    return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
#else
    return std::error_code(errno, std::generic_category());
#endif
}

#ifdef _WIN32
std::wstring wide(const std::string& path)
{
    return std::filesystem::path(std::u8string(path.begin(), path.end())).wstring();
}
#endif

} // namespace

std::error_code createNewFile(const std::string& path)
{
#ifdef _WIN32
    const HANDLE handle = ::CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    ::CloseHandle(handle);
    return {};
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return lastError();
    if (::close(fd) != 0)
        return lastError();
    return {};
#endif
}

std::error_code renameNoReplace(const std::string& from, const std::string& to)
{
#ifdef _WIN32
    if (!::MoveFileExW(wide(from).c_str(), wide(to).c_str(), 0))
        return lastError();
    return {};
#else
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS)
        return lastError();
    // A file system without the flag: a hard link is just as exclusive,
    // then the old name goes.
    if (::link(from.c_str(), to.c_str()) != 0)
        return lastError();
    if (::unlink(from.c_str()) != 0)
        return lastError();
    return {};
#endif
}

std::error_code renameReplacing(const std::string& from, const std::string& to)
{
#ifdef _WIN32
    if (!::MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING))
        return lastError();
    return {};
#else
    if (std::rename(from.c_str(), to.c_str()) != 0)
        return lastError();
    return {};
#endif
}

std::error_code syncFile(const std::string& path)
{
#ifdef _WIN32
    const HANDLE handle = ::CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return lastError();
    const bool flushed = ::FlushFileBuffers(handle);
    const std::error_code ec = flushed ? std::error_code() : lastError();
    ::CloseHandle(handle);
    return ec;
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return lastError();
    const std::error_code ec = ::fsync(fd) == 0 ? std::error_code() : lastError();
    ::close(fd);
    return ec;
#endif
}

std::error_code syncFolder(const std::string& path)
{
#ifdef _WIN32
    (void)path; // NTFS journals the rename; folders cannot be flushed by handle
    return {};
#else
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return lastError();
    // Some file systems cannot flush a folder; the data itself is on disk.
    const bool flushed = ::fsync(fd) == 0 || errno == EINVAL;
    const std::error_code ec = flushed ? std::error_code() : lastError();
    ::close(fd);
    return ec;
#endif
}

std::optional<uint64_t> freeBytes(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::space_info space =
        std::filesystem::space(std::filesystem::path(std::u8string(path.begin(), path.end())), ec);
    if (ec || space.available == static_cast<std::uintmax_t>(-1))
        return std::nullopt;
    return space.available;
}

int64_t currentProcessId()
{
#ifdef _WIN32
    return static_cast<int64_t>(::GetCurrentProcessId());
#else
    return static_cast<int64_t>(::getpid());
#endif
}

bool processRuns(int64_t pid)
{
    if (pid <= 0)
        return false;
#ifdef _WIN32
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
#else
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#endif
}

} // namespace sonivert
