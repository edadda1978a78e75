#include "filelist/rowformat.h"

namespace sonivert {
namespace {

std::string twoDigits(uint32_t value)
{
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

} // namespace

std::string durationText(uint32_t seconds)
{
    if (seconds == 0)
        return {};
    const uint32_t minutes = seconds / 60;
    if (seconds < 3600)
        return twoDigits(minutes) + ":" + twoDigits(seconds % 60);
    return std::to_string(seconds / 3600) + ":" + twoDigits(minutes % 60) + ":" + twoDigits(seconds % 60);
}

std::string bitRateText(int32_t kbps)
{
    return kbps > 0 ? std::to_string(kbps) + " kbps" : std::string();
}

std::string sampleRateText(int32_t hz)
{
    return hz > 0 ? std::to_string(hz) + " Hz" : std::string();
}

std::string channelsText(const FileEntry& entry)
{
    if (entry.inputType == kInputMp3) {
        switch (entry.channelMode) {
        case ChannelMode::Stereo:
            return "Stereo";
        case ChannelMode::JointStereo:
            return "J-Stereo";
        case ChannelMode::DualChannel:
            return "Dual Channel";
        case ChannelMode::Mono:
            return "Mono";
        case ChannelMode::NotMpeg:
            break;
        }
        return {};
    }
    switch (entry.channelCount) {
    case 0:
    case 1:
        return "Mono";
    case 2:
        return "Stereo";
    case 6:
        return "5.1";
    default:
        return std::to_string(entry.channelCount);
    }
}

} // namespace sonivert
