#include "filelist/folderscan.h"

#include "engine/utf8path.h"
#include "filelist/pathtext.h"
#include "filelist/shelllink.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unordered_set>

#ifdef _WIN32
#include <cwctype>
#else
#include <sys/stat.h>
#endif

namespace sonivert {
namespace {

namespace fs = std::filesystem;

// What makes two folder paths the same folder, whatever links lead to it.
std::optional<std::string> folderIdentity(const fs::path& folder)
{
#ifdef _WIN32
    // Junctions and symbolic links resolve to one canonical spelling; names
    // compare without regard to case.
    std::error_code ec;
    const fs::path canonical = fs::canonical(folder, ec);
    if (ec)
        return std::nullopt;
    std::wstring wide = canonical.wstring();
    for (wchar_t& c : wide)
        c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    return pathUtf8(fs::path(wide));
#else
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return std::to_string(static_cast<unsigned long long>(info.st_dev)) + ":" +
           std::to_string(static_cast<unsigned long long>(info.st_ino));
#endif
}

// Calls visit(entry) for every entry of folder in the file system's order;
// stops quietly at the first error.
template <typename Visit>
void forEachEntry(const fs::path& folder, Visit&& visit)
{
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
        visit(*it);
}

bool isFolder(const fs::directory_entry& entry)
{
    std::error_code ec;
    return entry.is_directory(ec); // follows symbolic links
}

} // namespace

void AcceptPath(std::vector<std::string>& pathList, const std::string& path, const ExtensionFilter& filter)
{
    if (!filter.enabled) {
        pathList.push_back(path);
        return;
    }
    std::string current = path;
    for (int resolutions = 0;; ++resolutions) {
        const std::string extension = lowerExtension(current);
        if (std::find(filter.extensions.begin(), filter.extensions.end(), extension) != filter.extensions.end()) {
            std::error_code ec;
            if (resolutions > 0 && fs::is_directory(utf8Path(current), ec))
                return; // a shortcut to a folder adds nothing
            pathList.push_back(std::move(current));
            return;
        }
        if (resolutions == kMaxShortcutResolutions)
            return;
        std::error_code ec;
        if (extension != "lnk" && !fs::is_symlink(utf8Path(current), ec))
            return;
        std::optional<std::string> target = ResolveShortcut(current);
        if (!target)
            return;
        current = std::move(*target);
    }
}

void CollectFolders(std::vector<std::string>& folderList, const std::string& folder)
{
    // An explicit stack instead of recursion, so that a very deep tree cannot
    // exhaust the call stack. Children are pushed in reverse so that they are
    // taken in the file system's order, giving the recursive pre-order.
    std::unordered_set<std::string> visited;
    std::vector<fs::path> pending{utf8Path(folder)};
    while (!pending.empty()) {
        const fs::path current = std::move(pending.back());
        pending.pop_back();
        const std::optional<std::string> identity = folderIdentity(current);
        if (!identity || !visited.insert(*identity).second)
            continue;
        folderList.push_back(pathUtf8(current));

        std::vector<fs::path> children;
        forEachEntry(current, [&](const fs::directory_entry& entry) {
            if (isFolder(entry))
                children.push_back(entry.path());
        });
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.push_back(std::move(*it));
    }
}

void ScanFolder(std::vector<std::string>& pathList, const std::string& folder, const ExtensionFilter& filter)
{
    std::vector<std::string> folders;
    CollectFolders(folders, folder);
    for (const std::string& each : folders) {
        forEachEntry(utf8Path(each), [&](const fs::directory_entry& entry) {
            if (!isFolder(entry))
                AcceptPath(pathList, pathUtf8(entry.path()), filter);
        });
    }
}

} // namespace sonivert
