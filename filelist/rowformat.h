#pragma once

#include "filelist/fileentry.h"

#include <cstdint>
#include <string>

namespace sonivert {

// The cell texts of a file list row. Unknown values (0) give empty cells.

// "mm:ss" (both two digits) below one hour, "h:mm:ss" from one hour on.
std::string durationText(uint32_t seconds);
// "%d kbps".
std::string bitRateText(int32_t kbps);
// "%d Hz".
std::string sampleRateText(int32_t hz);
// MP3 inputs show their channel mode ("Stereo", "J-Stereo", "Dual Channel",
// "Mono"; empty when unknown); every other input its channel count ("Mono"
// for 0 or 1, "Stereo" for 2, "5.1" for 6, the number otherwise).
std::string channelsText(const FileEntry& entry);

} // namespace sonivert
