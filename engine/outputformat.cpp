#include "engine/outputformat.h"

#include <array>

namespace sonivert {
namespace {

constexpr std::array kFormats = {
    OutputFormatInfo{kOutputMp3, "MP3", ".mp3", "mp3"}, OutputFormatInfo{kOutputWav, "WAV", ".wav", "wav"},
    OutputFormatInfo{kOutputOgg, "OGG", ".ogg", "ogg"}, OutputFormatInfo{kOutputAmr, "AMR", ".amr", "amr"},
    OutputFormatInfo{kOutputAwb, "AWB", ".awb", "awb"}, OutputFormatInfo{kOutputAac, "AAC", ".aac", "aac"},
    OutputFormatInfo{kOutputM4a, "M4A", ".m4a", "m4a"}, OutputFormatInfo{kOutputMp4, "MP4", ".mp4", "mp4"},
    OutputFormatInfo{kOutputM4b, "M4B", ".m4b", "m4b"}, OutputFormatInfo{kOutputWma, "WMA", ".wma", "wma"},
    OutputFormatInfo{kOutputFlac, "FLAC", ".flac", "flac"}, OutputFormatInfo{kOutputOpus, "Opus", ".opus", "opus"},
    OutputFormatInfo{kOutputAlac, "ALAC", ".m4a", "alac"},
};

} // namespace

std::span<const OutputFormatInfo> outputFormats()
{
    return kFormats;
}

const OutputFormatInfo* outputFormatInfo(int32_t code)
{
    for (const OutputFormatInfo& f : kFormats) {
        if (f.code == code)
            return &f;
    }
    return nullptr;
}

const OutputFormatInfo* outputFormatByCliName(std::string_view name)
{
    for (const OutputFormatInfo& f : kFormats) {
        if (f.cliName == name)
            return &f;
    }
    return nullptr;
}

} // namespace sonivert
