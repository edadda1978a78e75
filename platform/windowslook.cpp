#include "platform/windowslook.h"

#include <algorithm>
#include <cctype>

#ifdef _WIN32
#include <windows.h>
#endif

namespace sonivert {
namespace {

int probeVersionClass()
{
#ifdef _WIN32
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    // Versions after 6.2 may be reported as 6.2 to an unmanifested program;
    // they all fall into class 1 anyway.
    if (!GetVersionExW(&info))
        return 1;
    return windowsVersionClassFor(info.dwPlatformId == VER_PLATFORM_WIN32_NT, info.dwMajorVersion,
                                  info.dwMinorVersion);
#else
    return 1;
#endif
}

bool probeClassicTheme()
{
#ifdef _WIN32
    char buffer[260] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Plus!\\Themes\\Current", nullptr, RRF_RT_REG_SZ,
                     nullptr, buffer, &size) != ERROR_SUCCESS)
        return false;
    return isClassicThemeFile(buffer);
#else
    return false;
#endif
}

} // namespace

int windowsVersionClassFor(bool ntLine, uint32_t major, uint32_t minor)
{
    if (!ntLine) {
        if (major < 4)
            return 0;
        if (major == 4 && minor == 10)
            return 3;
        if (major == 4 && minor == 90)
            return 4;
        return 2;
    }
    if (major == 4)
        return 5;
    if (major == 5 && minor == 0)
        return 6;
    if (major == 5 && minor == 1)
        return 7;
    return 1;
}

bool isClassicThemeFile(std::string_view path)
{
    constexpr std::string_view kClassic = "windows classic.theme";
    if (path.size() < kClassic.size())
        return false;
    const std::string_view tail = path.substr(path.size() - kClassic.size());
    return std::equal(tail.begin(), tail.end(), kClassic.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

int windowsVersionClass()
{
    static const int versionClass = probeVersionClass();
    return versionClass;
}

bool classicThemeActive()
{
    static const bool classic = probeClassicTheme();
    return classic;
}

} // namespace sonivert
