#pragma once

// File-system steps that must not race, follow links or be lost in a crash,
// behind one interface so that each platform uses its own calls. Paths are
// UTF-8. Every call reports the system's error; none throws.

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace sonivert {

// Creates path as a new, empty regular file and closes it. Fails with
// std::errc::file_exists when anything is there already, a symbolic link
// included (a link is never followed, even a dangling one), so two
// processes can never both create the same name.
[[nodiscard]] std::error_code createNewFile(const std::string& path);

// Renames from to to in one step when nothing is at to; fails with
// std::errc::file_exists (and changes nothing) when something is. Both must
// be on one file system.
[[nodiscard]] std::error_code renameNoReplace(const std::string& from, const std::string& to);

// Renames from to to in one step, replacing what is at to: a file, or a
// symbolic link itself (never the file it points to).
[[nodiscard]] std::error_code renameReplacing(const std::string& from, const std::string& to);

// Flushes a file's data, or a folder's entries, to the disk.
[[nodiscard]] std::error_code syncFile(const std::string& path);
[[nodiscard]] std::error_code syncFolder(const std::string& path);

// Bytes the calling user may still write on the file system of path.
[[nodiscard]] std::optional<uint64_t> freeBytes(const std::string& path);

// This process's id, and whether a process of that id runs (a process that
// cannot be signalled for lack of permission runs all the same).
[[nodiscard]] int64_t currentProcessId();
[[nodiscard]] bool processRuns(int64_t pid);

} // namespace sonivert
