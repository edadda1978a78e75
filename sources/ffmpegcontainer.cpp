#include "sources/ffmpegcontainer.h"

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
    quietFfmpegLog();

    // The "file:" prefix keeps a name with a colon from choosing a protocol;
    // the whitelist keeps demuxers that follow references (playlists,
    // reference movies) to local files.
    AVDictionary* options = nullptr;
    if (av_dict_set(&options, "protocol_whitelist", "file", 0) < 0)
        return nullptr;
    AVFormatContext* raw = nullptr;
    const std::string url = "file:" + path;
    const int opened = avformat_open_input(&raw, url.c_str(), nullptr, &options);
    const DictionaryPtr unusedOptions(options); // the options the demuxer left
    if (opened < 0)
        return nullptr; // avformat_open_input frees the context on failure
    FormatContextPtr container(raw);
    if (avformat_find_stream_info(container.get(), nullptr) < 0)
        return nullptr;
    return container;
}

int firstAudioStream(const AVFormatContext& container)
{
    for (unsigned i = 0; i < container.nb_streams; ++i) {
        const AVStream* stream = container.streams[i];
        if (stream->codecpar && stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            return static_cast<int>(i);
    }
    return -1;
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
