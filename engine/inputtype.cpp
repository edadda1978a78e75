#include "engine/inputtype.h"

#include <array>
#include <string>

namespace sonivert {
namespace {

constexpr std::array kExtensions = {
    ExtensionEntry{".mp3", kInputMp3},
    ExtensionEntry{".wav", kInputWav},       ExtensionEntry{".wave", kInputWav},
    ExtensionEntry{".mod", kInputTracker},   ExtensionEntry{".xm", kInputTracker},
    ExtensionEntry{".it", kInputTracker},    ExtensionEntry{".s3m", kInputTracker},
    ExtensionEntry{".mtm", kInputTracker},   ExtensionEntry{".umx", kInputTracker},
    ExtensionEntry{".mo3", kInputTracker},
    ExtensionEntry{".midi", kInputMidi},     ExtensionEntry{".mid", kInputMidi},
    ExtensionEntry{".rmi", kInputMidi},      ExtensionEntry{".kar", kInputMidi},
    ExtensionEntry{".cda", kInputCdAudio},
    ExtensionEntry{".flac", kInputFlac},     ExtensionEntry{".fla", kInputFlac},
    ExtensionEntry{".wv", kInputWavPack},
    ExtensionEntry{".adx", kInputAdx},
    ExtensionEntry{".ape", kInputMonkeys},   ExtensionEntry{".mac", kInputMonkeys},
    ExtensionEntry{".mpc", kInputMusepack},  ExtensionEntry{".mpp", kInputMusepack},
    ExtensionEntry{".mp+", kInputMusepack},
    ExtensionEntry{".spx", kInputSpeex},
    ExtensionEntry{".tta", kInputTta},
    ExtensionEntry{".ogg", kInputOgg},       ExtensionEntry{".oga", kInputOgg},
    ExtensionEntry{".ogm", kInputOgg},       ExtensionEntry{".ogv", kInputOgg},
    ExtensionEntry{".ogx", kInputOgg},
    ExtensionEntry{".au", kInputAu},         ExtensionEntry{".snd", kInputAu},
    ExtensionEntry{".aif", kInputAiff},      ExtensionEntry{".aiff", kInputAiff},
    ExtensionEntry{".aifc", kInputAiff},     ExtensionEntry{".afc", kInputAiff},
    ExtensionEntry{".aac", kInputAac},
    ExtensionEntry{".m4a", kInputMp4Audio},  ExtensionEntry{".m4b", kInputMp4Audio},
    ExtensionEntry{".mp4", kInputMp4},       ExtensionEntry{".m4v", kInputMp4},
    ExtensionEntry{".wma", kInputWindowsMedia}, ExtensionEntry{".wmv", kInputWindowsMedia},
    ExtensionEntry{".asf", kInputWindowsMedia}, ExtensionEntry{".wm", kInputWindowsMedia},
    ExtensionEntry{".wmd", kInputWindowsMedia}, ExtensionEntry{".xwmv", kInputWindowsMedia},
};

bool isSeparator(char c)
{
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

} // namespace

std::span<const ExtensionEntry> extensionTable()
{
    return kExtensions;
}

InputTypeCode inputTypeForExtension(std::string_view extension)
{
    std::string lower(extension);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    for (const ExtensionEntry& e : kExtensions) {
        if (e.extension == lower)
            return e.code;
    }
    return kInputOther;
}

InputTypeCode inputTypeForPath(std::string_view path)
{
    size_t nameStart = path.size();
    while (nameStart > 0 && !isSeparator(path[nameStart - 1]))
        --nameStart;
    const std::string_view name = path.substr(nameStart);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return kInputOther;
    return inputTypeForExtension(name.substr(dot));
}

} // namespace sonivert
