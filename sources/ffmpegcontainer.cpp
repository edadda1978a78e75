#include "sources/ffmpegcontainer.h"

#include "platform/ffmpegmedia.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <algorithm>
#include <limits>

namespace sonivert {
namespace {

int32_t clampToInt32(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, std::numeric_limits<int32_t>::max()));
}

} // namespace

FormatContextPtr openContainer(const std::string& path)
{
    return openMediaFile(path);
}

int firstAudioStream(const AVFormatContext& container)
{
    return firstAudioStreamIndex(container);
}

int firstVideoStream(const AVFormatContext& container)
{
    for (unsigned i = 0; i < container.nb_streams; ++i) {
        const AVStream* stream = container.streams[i];
        if (stream->codecpar && stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return static_cast<int>(i);
    }
    return -1;
}

int32_t containerDurationSeconds(const AVFormatContext& container)
{
    if (container.duration == AV_NOPTS_VALUE || container.duration <= 0)
        return 0;
    return clampToInt32(container.duration / AV_TIME_BASE);
}

AudioStreamInfo audioStreamInfo(int sampleRate, int channels, int sampleFormat, int64_t bitRate)
{
    AudioStreamInfo info;
    info.sampleRate = std::max(sampleRate, 0);
    info.channels = std::max(channels, 0);
    info.outputChannels = info.channels > 1 ? 2 : 1;
    info.channelMode = info.channels == 1 ? ChannelMode::Mono : ChannelMode::Stereo;
    info.bitsPerSample = (sampleFormat == AV_SAMPLE_FMT_U8 || sampleFormat == AV_SAMPLE_FMT_U8P) ? 8 : 16;
    info.bitrateKbps = clampToInt32(bitRate / 1000);
    return info;
}

} // namespace sonivert
