#pragma once

#include <optional>
#include <string>

namespace sonivert {

// Starts the decoding back-ends that need starting before the first reader
// is built. programFolder is the folder of the executable, where add-on
// modules and the sound font live beside it. Returns false when a back-end
// the program cannot work without fails to start; the program then ends
// before its window opens. Call once per process, before any reader is
// built, and stopDecodingBackEnds() once at the end.
bool startDecodingBackEnds(const std::optional<std::string>& programFolder);
void stopDecodingBackEnds();

} // namespace sonivert
