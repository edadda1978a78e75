#pragma once

#include "engine/outcome.h"
#include "engine/outputformat.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace sonivert {

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

// One row's output name and the hidden temporary beside it (same folder,
// same file system) that the conversion writes into. The name is reserved
// for this process while the reservation lives, so no other row takes it;
// the target's name appears only when commit() moves the finished file onto
// it in one step. Destroying or releasing an uncommitted reservation
// removes the temporary and frees the name: a failed, cancelled or killed
// conversion leaves nothing under the target's name.
class TargetReservation {
public:
    TargetReservation() = default;
    ~TargetReservation();
    TargetReservation(TargetReservation&& other) noexcept;
    TargetReservation& operator=(TargetReservation&& other) noexcept;
    TargetReservation(const TargetReservation&) = delete;
    TargetReservation& operator=(const TargetReservation&) = delete;

    // The target's name (after commit: the name the file got).
    const std::string& path() const { return m_path; }
    // The file to write; empty once committed or released.
    const std::string& temporaryPath() const { return m_temporary; }

    // Renames the temporary onto the name. An existing target is replaced
    // only under Overwrite (a link is replaced itself, never followed).
    // When another process took the name meanwhile, auto rename moves on to
    // the next free "%s_%d%s" name and Skip fails. The folder is flushed
    // after the rename.
    Outcome commit();
    // What the destructor does: removes an uncommitted temporary, frees the name.
    void release();

private:
    friend bool prepareTarget(const std::string&, const std::string&, const TargetRules&, TargetReservation&,
                              std::string&);
    void claim(std::string path);

    std::string m_path;
    std::string m_temporary;
    std::string m_stem;      // the name without extension and "_N", for renaming at commit
    std::string m_extension; // ".wav"
    std::string m_sourcePath;
    int32_t m_policy = kTargetAutoRename;
    bool m_claimed = false; // m_path is in this process's reserved names
};

// Builds and checks the target path of sourcePath for a format with
// outputExtension (".wav") and reserves it: on success reservation holds the
// name and its temporary, created empty, and true is returned. A name
// reserved by a running conversion of this process counts as taken. With
// Overwrite an existing target stays untouched until the commit. On failure
// status holds the reason as the list shows it and false is returned.
[[nodiscard]] bool prepareTarget(const std::string& sourcePath, const std::string& outputExtension,
                                 const TargetRules& rules, TargetReservation& reservation, std::string& status);

// The same, keeping only the name: the reservation ends before the call
// returns, so nothing is left on disk.
[[nodiscard]] bool prepareTarget(const std::string& sourcePath, const std::string& outputExtension,
                                 const TargetRules& rules, std::string& target, std::string& status);

// Removes from folder the temporaries left by conversions of processes that
// no longer run (a crash, a kill); those of running processes stay.
// Returns how many were removed.
size_t removeStaleTemporaries(const std::string& folder);

// Creates path and every missing folder above it. False when a part of it is
// an existing non-folder or cannot be created.
[[nodiscard]] bool createFolderPath(const std::string& path);

// The source's folder path as it is recreated below a custom folder: the
// root separator removed (and on Windows every colon, with doubled
// separators made single), ending with a separator; empty for a file at the
// root.
std::string mirroredFolderPart(const std::string& sourcePath);

} // namespace sonivert
