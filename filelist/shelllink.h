#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace sonivert {

// What a shell link file (.lnk, Microsoft's Shell Link Binary File Format)
// records about its target, as UTF-8 texts exactly as stored.
struct ShellLinkPaths {
    // LocalBasePath followed by CommonPathSuffix from the LinkInfo structure;
    // their UTF-16 forms are used when the link has them. Empty when absent.
    std::string localPath;
    // The RELATIVE_PATH string, relative to the folder holding the link
    // (Windows separators kept). Empty when absent.
    std::string relativePath;
};

// Reads the header, skips the LinkTargetIDList by its declared size, reads
// LinkInfo and the StringData up to the relative path. Every length and
// offset is checked against the bytes; a file that is not a shell link, or a
// damaged one, gives nullopt. Texts in the system code page are taken only
// when they are valid UTF-8.
std::optional<ShellLinkPaths> parseShellLink(std::span<const uint8_t> bytes);

// The target of a shortcut, one step. For a symbolic link: its target, a
// relative one joined to the link's folder. Otherwise the file is read as a
// shell link: its local path when that is an absolute path here and exists,
// else its relative path joined to the link's folder when that exists. A
// Windows path ("C:\...") is not absolute on POSIX systems, so a link made
// there resolves only through its relative path. A joined target's folder is
// spelled as the file system resolves it (links and ".." resolved); its name
// is kept. Gives nullopt when nothing that exists is named. Paths are UTF-8
// and never shortened.
std::optional<std::string> ResolveShortcut(const std::string& shortcutPath);

} // namespace sonivert
