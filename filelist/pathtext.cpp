#include "filelist/pathtext.h"

namespace sonivert {

bool isPathSeparator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

std::string_view fileNamePart(std::string_view path)
{
    size_t start = path.size();
    while (start > 0 && !isPathSeparator(path[start - 1]))
        --start;
    return path.substr(start);
}

std::string asciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string lowerExtensionWithDot(std::string_view path)
{
    const std::string_view name = fileNamePart(path);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    return asciiLower(name.substr(dot));
}

std::string lowerExtension(std::string_view path)
{
    const std::string withDot = lowerExtensionWithDot(path);
    return withDot.empty() ? withDot : withDot.substr(1);
}

} // namespace sonivert
