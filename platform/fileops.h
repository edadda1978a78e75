#pragma once

// File-system steps that must not race or follow links, behind one
// interface so that each platform uses its own calls.

#include <string>
#include <system_error>

namespace sonivert {

// Creates path (UTF-8) as a new, empty regular file and closes it. Fails
// with std::errc::file_exists when anything is there already, a symbolic
// link included (a link is never followed, even a dangling one), so two
// processes can never both create the same name.
[[nodiscard]] std::error_code createNewFile(const std::string& path);

} // namespace sonivert
