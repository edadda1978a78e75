#pragma once

#include <filesystem>
#include <string>

namespace sonivert {

// Every path inside the program is a UTF-8 std::string; these convert at the
// boundary to the standard library's native path type.
inline std::filesystem::path utf8Path(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string pathUtf8(const std::filesystem::path& path)
{
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

} // namespace sonivert
