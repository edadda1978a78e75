#pragma once

#include <optional>
#include <span>
#include <string>

namespace sonivert {

class UserPrompts;

// The add-on modules of the decoding library, in the order they are loaded
// from the folder "addons": the one beside the executable, or in an
// installation the one in the program's private module folder
// (platform/programfiles.h). The names carry the platform's module suffix
// (".dll" on Windows, ".so" elsewhere).
std::span<const std::string> decoderAddonFileNames();

// Starts the decoding back-ends before the first reader is built:
// checks the decoding library's version, initialises it without a sound
// device at 44100 Hz, loads the add-ons from the "addons" folder found from
// programFolder (the executable's folder) in list order (missing or failing
// ones are skipped; their formats then fall back to the other readers), and
// registers FFmpeg's formats.
//
// Returns false when the program must end before its window opens: silently
// for a library of another version, after the message "Failed to initialize
// the software (0x0002020)." for a library that does not start.
// Call once per process, and stopDecodingBackEnds() once at the end.
[[nodiscard]] bool startDecodingBackEnds(const std::optional<std::string>& programFolder, UserPrompts& prompts);

// Frees the decoding library, then all its add-ons. Every reader must be
// destroyed before.
void stopDecodingBackEnds();

} // namespace sonivert
