#pragma once

#include <optional>
#include <string>

namespace sonivert {

// The user's documents folder as a UTF-8 path in native separators, created
// when it is missing. Nothing when the platform names none or it cannot be
// created.
std::optional<std::string> documentsFolder();

// The user's folder for application data (UTF-8): $XDG_DATA_HOME or
// ~/.local/share on Linux, the roaming AppData folder on Windows. Not
// created. Nothing when the platform names none.
std::optional<std::string> userDataFolder();

// The folder of the running executable (UTF-8), or nothing when it cannot
// be found out.
std::optional<std::string> executableFolder();

} // namespace sonivert
