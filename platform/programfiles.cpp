#include "platform/programfiles.h"

#include "platform/installlayout.h"

#include <filesystem>

namespace sonivert {
namespace {

std::filesystem::path fromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string toUtf8(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

std::vector<std::string> programFileFolders(const std::string& programFolder, ProgramFileKind kind)
{
    if (programFolder.empty())
        return {};
    const char* installed = kind == ProgramFileKind::Module ? kInstalledModuleFolder : kInstalledDocumentFolder;
    // The executable's folder comes from the system already resolved, so
    // taking ".." away by its spelling lands where the file system would.
    const std::filesystem::path own = fromUtf8(programFolder);
    return {programFolder, toUtf8((own / fromUtf8(installed)).lexically_normal())};
}

std::optional<std::string> findProgramFile(const std::optional<std::string>& programFolder, ProgramFileKind kind,
                                           std::string_view name)
{
    if (!programFolder)
        return std::nullopt;
    for (const std::string& folder : programFileFolders(*programFolder, kind)) {
        const std::filesystem::path candidate = fromUtf8(folder) / fromUtf8(name);
        std::error_code ec;
        if (std::filesystem::exists(candidate, ec))
            return toUtf8(candidate);
    }
    return std::nullopt;
}

} // namespace sonivert
