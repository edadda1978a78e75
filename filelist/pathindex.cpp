#include "filelist/pathindex.h"

#include "engine/utf8path.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <cwctype>
#endif

namespace sonivert {

std::string PathIndex::keyOf(const std::string& path)
{
    std::filesystem::path p = utf8Path(path);
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(p, ec);
    if (!ec)
        p = std::move(absolute);
    p = p.lexically_normal();
#ifdef _WIN32
    // NTFS and FAT compare names without regard to case.
    std::wstring wide = p.wstring();
    for (wchar_t& c : wide)
        c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    p = std::filesystem::path(wide);
#endif
    return pathUtf8(p);
}

FileEntry* PathIndex::find(const std::string& path) const
{
    const auto it = m_entries.find(keyOf(path));
    return it == m_entries.end() ? nullptr : it->second;
}

bool PathIndex::insertKey(const std::string& key, FileEntry* entry)
{
    return m_entries.emplace(key, entry).second;
}

} // namespace sonivert
