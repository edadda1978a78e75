#pragma once

#include <optional>
#include <string>

namespace sonivert {

// The user's documents folder as a UTF-8 path in native separators, created
// when it is missing. Nothing when the platform names none or it cannot be
// created.
std::optional<std::string> documentsFolder();

// The folder of the running executable (UTF-8), or nothing when it cannot
// be found out.
std::optional<std::string> executableFolder();

} // namespace sonivert
