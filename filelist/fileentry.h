#pragma once

#include "engine/audiosource.h"
#include "engine/inputtype.h"

#include <cstdint>
#include <string>

namespace sonivert {

// One file of the list: what the intake read from the file's reader, and the
// output the batch driver computed for it. The list model owns one entry per
// row and destroys it with the row.
struct FileEntry {
    // Full path of the input file as it was added (UTF-8, spelling kept).
    std::string sourcePath;
    // Channels the reader reported; used for every input type except MP3.
    int32_t channelCount = 0;
    // MPEG channel mode; used only for MP3 inputs. Values outside
    // Stereo..Mono mean "unknown".
    ChannelMode channelMode = ChannelMode::NotMpeg;
    int32_t sampleRate = 0;        // Hz, 0 when unknown
    int32_t bitrateKbps = 0;       // kbit/s, 0 when unknown
    uint32_t durationSeconds = 0;  // whole seconds, 0 when unknown
    InputTypeCode inputType = kInputOther;
    // Empty until the batch driver sets it to the row's output file; emptied
    // again when the row's conversion fails.
    std::string targetPath;
};

} // namespace sonivert
