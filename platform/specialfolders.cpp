#include "platform/specialfolders.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace sonivert {

std::optional<std::string> documentsFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return std::nullopt;
    return QDir::toNativeSeparators(folder).toStdString();
}

std::optional<std::string> userDataFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (folder.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(folder).toStdString();
}

std::optional<std::string> executableFolder()
{
#ifdef _WIN32
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size())
        return std::nullopt;
    buffer.resize(length);
    const std::filesystem::path exe(buffer);
#else
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::nullopt;
#endif
    if (!exe.has_parent_path())
        return std::nullopt;
    const std::u8string folder = exe.parent_path().u8string();
    return std::string(folder.begin(), folder.end());
}

} // namespace sonivert
