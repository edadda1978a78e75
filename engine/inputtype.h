#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace sonivert {

// Input kind derived from a file's extension. The values are stored in list
// rows and persisted, so they never change; several double as output-format
// codes.
enum InputTypeCode : int32_t {
    kInputMp3 = 1000,
    kInputWav = 2000,
    kInputTracker = 3000,
    kInputMidi = 3050,
    kInputCdAudio = 3100,
    kInputFlac = 3200,
    kInputWavPack = 3300,
    kInputAdx = 3500,
    kInputMonkeys = 3600,
    kInputMusepack = 3700,
    kInputSpeex = 3800,
    kInputTta = 3900,
    kInputOgg = 4000,
    kInputAu = 5000,
    kInputAiff = 5100,
    kInputAac = 6000,
    kInputMp4Audio = 6500,
    kInputMp4 = 6600,
    kInputWindowsMedia = 7000,
    kInputOther = 9000,
};

struct ExtensionEntry {
    std::string_view extension; // lower case, with the leading dot
    InputTypeCode code;
};

// Every known extension with its code.
std::span<const ExtensionEntry> extensionTable();

// The code for an extension (with the leading dot, any letter case);
// kInputOther when it is not in the table or empty.
InputTypeCode inputTypeForExtension(std::string_view extension);

// The code for a path: its extension is the part of the file name from the
// last dot on. A name without a dot (or a path ending in a separator) gets
// kInputOther.
InputTypeCode inputTypeForPath(std::string_view path);

} // namespace sonivert
