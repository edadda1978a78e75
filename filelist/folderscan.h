#pragma once

#include <string>
#include <vector>

namespace sonivert {

// The extension filter of the General options, as the settings parse it:
// when enabled, only files whose extension (after the last dot, lower-cased,
// without the dot) equals one of the entries are taken. Entries are compared
// exactly: an empty entry matches a file name without a dot, and an entry
// written with a leading dot matches nothing.
struct ExtensionFilter {
    bool enabled = false;
    std::vector<std::string> extensions;
};

// A chain of shortcuts (shell links or symbolic links, each naming the next)
// is followed for at most this many steps; a longer chain, or one that
// loops, adds nothing.
inline constexpr int kMaxShortcutResolutions = 8;

// The step every found or dropped file passes. With the filter off the path
// is appended as it is (a shortcut then enters the add loop itself). With
// the filter on the path is appended when its extension is accepted;
// otherwise a shell link (".lnk", any letter case) or a symbolic link is
// replaced by its target and the target is tried the same way. A target
// that is a folder is dropped. Paths that are not taken are dropped
// silently.
void AcceptPath(std::vector<std::string>& pathList, const std::string& path, const ExtensionFilter& filter);

// Appends folder and every folder below it, depth first in pre-order, each
// folder's subfolders in the order the file system lists them. Symbolic
// links to folders are followed, but no folder is entered twice: folders are
// recognised by file identity, so link cycles end. Folders that cannot be
// read are skipped silently.
void CollectFolders(std::vector<std::string>& folderList, const std::string& folder);

// Passes every file of folder and of all folders below it (in the order of
// CollectFolders, and inside a folder in the file system's order) through
// AcceptPath into pathList.
void ScanFolder(std::vector<std::string>& pathList, const std::string& folder, const ExtensionFilter& filter);

} // namespace sonivert
