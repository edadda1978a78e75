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

// Run once while the main window initialises, after the settings were
// loaded. When FirstRun is not 0 it is set to 0; when it was, and
// programFolder is known and holds the help manual, the manual is opened
// through prompts. A missing manual shows nothing. Returns whether this was
// the first run. Store errors are ignored.
bool firstRunCheck(RegistryStore& store, UserPrompts& prompts, const std::optional<std::string>& programFolder);

} // namespace sonivert
