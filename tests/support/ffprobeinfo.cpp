#include "tests/support/ffprobeinfo.h"

#include "tests/support/testsupport.h"

#include <algorithm>
#include <sstream>

namespace sonivert::test {

FfprobeInfo ffprobeInfo(const std::string& path)
{
    FfprobeInfo info;
    int status = 0;
    const std::string output = captureCommand(
        "ffprobe -v error -count_frames -select_streams a:0 -show_entries "
        "stream=sample_rate,channels,channel_layout,bit_rate,nb_read_frames:stream_tags:format_tags -of default=nw=1 " +
            shellQuote(path),
        status);
    if (status != 0)
        return info;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        auto number = [&] { return value == "N/A" ? 0LL : std::stoll(value); };
        if (key == "sample_rate")
            info.sampleRate = static_cast<int>(number());
        else if (key == "channels")
            info.channels = static_cast<int>(number());
        else if (key == "bit_rate")
            info.bitRate = number();
        else if (key == "nb_read_frames")
            info.frames = number();
        else if (key == "channel_layout")
            info.channelLayout = value;
        else if (key.rfind("TAG:", 0) == 0) {
            key = key.substr(4);
            std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
            info.tags[key] = value;
        }
    }
    info.ok = info.sampleRate > 0;
    return info;
}

int mp3FrameSamples(int sampleRate)
{
    return sampleRate >= 32000 ? 1152 : 576;
}

} // namespace sonivert::test
