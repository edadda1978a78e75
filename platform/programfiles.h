#pragma once

// Where the program finds the files it comes with, worked out from the
// folder of its executable alone (never from the current directory).
//
// A build tree keeps each of them beside every executable that uses it: the
// build copies the "addons" folder, the Windows Media run-time module and the
// help manual there. An installation keeps the loadable modules in a private
// folder under lib/ and the manual in the documentation folder under share/,
// both at fixed paths relative to the folder of the installed executables
// (platform/installlayout.h). The executable's own folder is searched first,
// so a tree with everything beside the program (a build, a Windows copy)
// never looks further.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonivert {

enum class ProgramFileKind {
    Module,   // the "addons" folder, the Windows Media run-time module
    Document, // the help manual
};

// The folders that may hold a file of this kind, in search order: the
// executable's folder, then the installation's folder for the kind, spelled
// from it without "." or ".." steps. Both are UTF-8; empty when
// programFolder is empty.
std::vector<std::string> programFileFolders(const std::string& programFolder, ProgramFileKind kind);

// The first of programFileFolders(programFolder, kind) joined with name that
// exists (a file or a folder, directly or through a link), as a UTF-8 path.
// Nothing when none does or programFolder is not known.
std::optional<std::string> findProgramFile(const std::optional<std::string>& programFolder, ProgramFileKind kind,
                                           std::string_view name);

} // namespace sonivert
