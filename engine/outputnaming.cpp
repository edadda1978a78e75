#include "engine/outputnaming.h"

#include "engine/filesafety.h"
#include "engine/utf8path.h"
#include "platform/fileops.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace sonivert {
namespace {

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

bool isSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

size_t nameStart(const std::string& path)
{
    size_t i = path.size();
    while (i > 0 && !isSeparator(path[i - 1]))
        --i;
    return i;
}

bool existsAnyKind(const std::string& path)
{
    std::error_code ec;
    return fs::symlink_status(utf8Path(path), ec).type() != fs::file_type::not_found && !ec;
}

bool isDirectory(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(utf8Path(path), ec);
}

std::string folderFailure(const std::string& folder)
{
    return "Failed to create folder \"" + folder + "\"";
}

// Whether candidate must be treated as an existing target: something is
// there by that name, or it may be the source itself under another spelling.
bool targetTaken(const std::string& candidate, const std::string& sourcePath)
{
    return existsAnyKind(candidate) || mayBeSameFile(candidate, sourcePath);
}

// Creates the file as a new one, then deletes it again. Nothing is opened
// through an existing name, so a symbolic link there is never followed.
std::error_code tryCreateAndDelete(const std::string& path)
{
    if (const std::error_code ec = createNewFile(path))
        return ec;
    std::error_code ec;
    fs::remove(utf8Path(path), ec);
    return {};
}

// Overwrite: the existing entry itself is removed (a link, not the file it
// points to); a folder stays, and creating the file there then fails.
void removeExistingTarget(const std::string& path)
{
    std::error_code ec;
    if (fs::symlink_status(utf8Path(path), ec).type() != fs::file_type::directory)
        fs::remove(utf8Path(path), ec);
}

// The first free "%s_%d%s" name.
std::string renamedCandidate(const std::string& stem, const std::string& extension, const std::string& sourcePath)
{
    for (uint64_t k = 1;; ++k) {
        std::string candidate = stem + "_" + std::to_string(k) + extension;
        if (!targetTaken(candidate, sourcePath))
            return candidate;
    }
}

} // namespace

bool createFolderPath(const std::string& path)
{
    if (path.empty())
        return false;
    if (isDirectory(path))
        return true;
    // Every prefix that ends before a separator, then the whole path.
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && !isSeparator(path[i]))
            continue;
        const std::string prefix = path.substr(0, i);
        if (isSeparator(prefix.back()) || prefix.back() == ':')
            continue;
        std::error_code ec;
        const fs::file_status st = fs::status(utf8Path(prefix), ec);
        if (st.type() == fs::file_type::directory)
            continue;
        if (st.type() != fs::file_type::not_found)
            return false;
        if (!fs::create_directory(utf8Path(prefix), ec) && !isDirectory(prefix))
            return false;
    }
    return isDirectory(path);
}

std::string mirroredFolderPart(const std::string& sourcePath)
{
    std::string folder = sourcePath.substr(0, nameStart(sourcePath));
    std::string out;
    out.reserve(folder.size());
    for (char c : folder) {
#ifdef _WIN32
        if (c == ':')
            continue;
        if (c == '/')
            c = '\\';
#endif
        if (isSeparator(c) && (out.empty() || isSeparator(out.back())))
            continue; // the root separator and doubled separators
        out += c;
    }
    return out;
}

bool prepareTarget(const std::string& sourcePath, const std::string& outputExtension, const TargetRules& rules,
                   std::string& target, std::string& status)
{
    const size_t name = nameStart(sourcePath);
    const size_t dot = sourcePath.rfind('.');
    const bool hasExtension = dot != std::string::npos && dot >= name;
    const std::string baseName = sourcePath.substr(name, hasExtension ? dot - name : std::string::npos);

    std::string folder = rules.customFolder;
    int32_t mode = rules.folderMode;
    bool mirror = rules.mirrorSourceFolders;
    bool triedFallback = false;

    for (;;) {
        std::string stem;
        bool failed = false;
        if (mode == kFolderCustom) {
            if (folder.empty() || !createFolderPath(folder)) {
                status = folderFailure(folder);
                failed = true;
            } else {
                stem = folder;
                if (!isSeparator(stem.back()))
                    stem += kSeparator;
                if (mirror) {
                    stem += mirroredFolderPart(sourcePath);
                    if (!createFolderPath(stem)) {
                        status = folderFailure(stem);
                        failed = true;
                    }
                }
                stem += baseName;
            }
        } else {
            stem = hasExtension ? sourcePath.substr(0, dot) : sourcePath;
        }

        if (!failed) {
            std::string candidate = stem + outputExtension;
            const bool renaming = rules.existsPolicy != kTargetOverwrite && rules.existsPolicy != kTargetSkip;
            if (targetTaken(candidate, sourcePath)) {
                if (rules.existsPolicy == kTargetOverwrite) {
                    if (mayBeSameFile(candidate, sourcePath)) {
                        status = "Target file name is same as original file that can't be overwritten. Please "
                                 "output files to a custom folder.";
                        return false;
                    }
                    removeExistingTarget(candidate);
                } else if (rules.existsPolicy == kTargetSkip) {
                    status = "Target exists and skipped";
                    return false;
                } else {
                    candidate = renamedCandidate(stem, outputExtension, sourcePath);
                }
            }
            for (;;) {
                const std::error_code ec = tryCreateAndDelete(candidate);
                if (!ec) {
                    target = candidate;
                    return true;
                }
                // Another process took the name between the check and the
                // create: auto rename goes on with the next free name.
                if (!renaming || ec != std::errc::file_exists)
                    break;
                candidate = renamedCandidate(stem, outputExtension, sourcePath);
            }
            status = "Failed to create file \"" + candidate + "\"";
        }

        if (!rules.fallbackToDocuments || triedFallback)
            return false;
        triedFallback = true;
        const std::optional<std::string> documents = rules.documentsFolder ? rules.documentsFolder() : std::nullopt;
        if (!documents)
            return false;
        folder = *documents;
        mirror = rules.folderMode == kFolderCustom && rules.mirrorSourceFolders;
        mode = kFolderCustom;
    }
}

} // namespace sonivert
