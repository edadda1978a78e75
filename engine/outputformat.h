#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace sonivert {

// The output formats; the values are persisted as the chosen format.
enum OutputFormatCode : int32_t {
    kOutputMp3 = 1000,
    kOutputWav = 2000,
    kOutputOgg = 4000,
    kOutputAmr = 5500,
    kOutputAwb = 5600,
    kOutputAac = 6000,
    kOutputM4a = 6500,
    kOutputMp4 = 6600,
    kOutputM4b = 6700,
    kOutputWma = 7000,
    kOutputFlac = 8000,
    kOutputOpus = 8100,
    kOutputAlac = 8200,
};

// Where converted files go.
enum OutputFolderMode : int32_t {
    kFolderSameAsSource = 199,
    kFolderCustom = 399,
};

// What happens when the target name exists.
enum TargetExistsPolicy : int32_t {
    kTargetAutoRename = 11,
    kTargetOverwrite = 22,
    kTargetSkip = 33,
};

struct OutputFormatInfo {
    OutputFormatCode code;
    std::string_view displayName; // "MP3", used in progress texts
    std::string_view extension;   // ".mp3", with the dot
    std::string_view cliName;     // "mp3", the command line's --format word
};

// Every output format, in code order, whether this build can write it or not.
std::span<const OutputFormatInfo> outputFormats();
const OutputFormatInfo* outputFormatInfo(int32_t code);
const OutputFormatInfo* outputFormatByCliName(std::string_view name);

} // namespace sonivert
