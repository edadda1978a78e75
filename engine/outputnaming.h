#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace sonivert {

// Where converted files go.
enum OutputFolderMode : int32_t {
    kFolderSameAsSource = 199,
    kFolderCustom = 399,
};

// What happens when the target name exists.
enum TargetExistsPolicy : int32_t {
    kTargetAutoRename = 11,
    kTargetOverwrite = 22,
    kTargetSkip = 33,
};

// The naming rules of one run, taken from the settings.
struct TargetRules {
    int32_t folderMode = kFolderSameAsSource; // any value but 399 means beside the source
    std::string customFolder;                 // UTF-8
    bool mirrorSourceFolders = false;         // recreate the source's folder path below the custom folder
    int32_t existsPolicy = kTargetAutoRename; // any value but 22 and 33 renames
    bool fallbackToDocuments = true;          // retry once in the documents folder
    // The user's documents folder (created when missing), or nothing.
    std::function<std::optional<std::string>()> documentsFolder;
};

// Builds, checks and reserves the target path of sourcePath for a format
// with outputExtension (".wav"). On success target holds the path and true
// is returned; a test file was created there and deleted again, so the
// folder exists and the file can be created. On failure status holds the
// reason as the list shows it and false is returned.
[[nodiscard]] bool prepareTarget(const std::string& sourcePath, const std::string& outputExtension,
                                 const TargetRules& rules, std::string& target, std::string& status);

// Creates path and every missing folder above it. False when a part of it is
// an existing non-folder or cannot be created.
[[nodiscard]] bool createFolderPath(const std::string& path);

// The source's folder path as it is recreated below a custom folder: the
// root separator removed (and on Windows every colon, with doubled
// separators made single), ending with a separator; empty for a file at the
// root.
std::string mirroredFolderPart(const std::string& sourcePath);

} // namespace sonivert
