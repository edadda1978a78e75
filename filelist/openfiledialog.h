#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sonivert {

// One choice of the open-file dialog's type list. pattern is the text inside
// the parentheses at the end of description ("*.3gp;*.3gpp").
struct FileDialogFilter {
    std::string_view description;
    std::string_view pattern;
};

// The fifty choices of the "Add Files" dialog in their order; the first,
// "All Files (*.*)", is preselected.
std::span<const FileDialogFilter> openFileDialogFilters();

// Turns what the open-file dialog returned into the working path list. One
// string is a full path and is used as it is. Several strings are a folder
// followed by file names: each name is joined to the folder with one
// separator, which is added only when the folder does not already end in one
// (a drive or file system root). Nothing returned gives an empty list.
std::vector<std::string> workingPathList(std::span<const std::string> dialogResult);

} // namespace sonivert
