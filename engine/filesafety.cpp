#include "engine/filesafety.h"

#include "engine/utf8path.h"

#include <filesystem>

namespace sonivert {
namespace {

// The absolute, lexically normalised name; on Windows, whose file systems
// fold letter case, also in lower case. Elsewhere case is left to the file
// identity below: a file system that folds it resolves the other spelling
// to the same file, one that does not holds two files.
std::string comparableName(const std::string& path)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(utf8Path(path), ec);
    if (ec)
        p = utf8Path(path);
    std::string s = pathUtf8(p.lexically_normal());
#ifdef _WIN32
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
#endif
    return s;
}

} // namespace

bool mayBeSameFile(const std::string& a, const std::string& b)
{
    if (comparableName(a) == comparableName(b))
        return true;
    std::error_code ec;
    const bool same = std::filesystem::equivalent(utf8Path(a), utf8Path(b), ec);
    return !ec && same;
}

bool deleteTargetUnlessSource(const std::string& target, const std::string& source)
{
    if (mayBeSameFile(target, source))
        return false;
    std::error_code ec;
    std::filesystem::remove(utf8Path(target), ec);
    return std::filesystem::symlink_status(utf8Path(target), ec).type() == std::filesystem::file_type::not_found;
}

} // namespace sonivert
