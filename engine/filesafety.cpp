#include "engine/filesafety.h"

#include "engine/utf8path.h"

#include <filesystem>

namespace sonivert {
namespace {

std::string foldedAbsolute(const std::string& path)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(utf8Path(path), ec);
    if (ec)
        p = utf8Path(path);
    std::string s = pathUtf8(p.lexically_normal());
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

} // namespace

bool mayBeSameFile(const std::string& a, const std::string& b)
{
    if (foldedAbsolute(a) == foldedAbsolute(b))
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
