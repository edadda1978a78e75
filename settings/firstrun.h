#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sonivert {

class RegistryStore;
class UserPrompts;

// The Options value that records that the program has started before.
inline constexpr std::string_view kFirstRunValue = "FirstRun";

// FirstRun as the first-run check reads it: the stored number, or 1 (a
// first run) when it is absent, not a number, or the Options key cannot be
// opened.
int32_t storedFirstRun(RegistryStore& store);

// The help manual found from programFolder (the executable's folder): the
// file beside the executable, or in an installation the one in the
// documentation folder (platform/programfiles.h). Nothing when programFolder
// is not known or neither is a regular file.
std::optional<std::string> helpManualPath(const std::optional<std::string>& programFolder);

// Run once while the main window initialises, after the settings were
// loaded. When FirstRun is not 0 it is set to 0; when it was, and the help
// manual is found from programFolder (helpManualPath), the manual is opened
// through prompts. A missing manual shows nothing. Returns whether this was
// the first run. Store errors are ignored.
bool firstRunCheck(RegistryStore& store, UserPrompts& prompts, const std::optional<std::string>& programFolder);

} // namespace sonivert
