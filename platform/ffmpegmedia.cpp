#include "platform/ffmpegmedia.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/intreadwrite.h>
}

#include <algorithm>

namespace sonivert {

FormatContextPtr openMediaFile(const std::string& path, int64_t analyzeMicroseconds)
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
    if (analyzeMicroseconds > 0) {
        container->max_analyze_duration = analyzeMicroseconds;
        container->probesize = 1 << 16;
    }
    if (avformat_find_stream_info(container.get(), nullptr) < 0)
        return nullptr;
    return container;
}

int firstAudioStreamIndex(const AVFormatContext& container)
{
    for (unsigned i = 0; i < container.nb_streams; ++i) {
        const AVStream* stream = container.streams[i];
        if (stream->codecpar && stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            return static_cast<int>(i);
    }
    return -1;
}

int64_t countPacketFrames(AVFormatContext& container, int index, int rate)
{
    if (index < 0 || static_cast<unsigned>(index) >= container.nb_streams || rate <= 0)
        return -1;
    for (unsigned i = 0; i < container.nb_streams; ++i) {
        if (static_cast<int>(i) != index)
            container.streams[i]->discard = AVDISCARD_ALL;
    }
    const AVRational timeBase = container.streams[index]->time_base;
    const PacketPtr packet(av_packet_alloc());
    if (!packet)
        return -1;
    int64_t total = 0;
    int64_t skip = 0;
    while (av_read_frame(&container, packet.get()) >= 0) {
        if (packet->stream_index != index || packet->size <= 0) {
            av_packet_unref(packet.get());
            continue;
        }
        if (packet->duration <= 0) {
            av_packet_unref(packet.get());
            return -1;
        }
        int64_t frames = av_rescale_q(packet->duration, timeBase, AVRational{1, rate});
        int64_t discard = 0;
        size_t sideSize = 0;
        const uint8_t* side = av_packet_get_side_data(packet.get(), AV_PKT_DATA_SKIP_SAMPLES, &sideSize);
        if (side && sideSize >= 10) {
            skip = std::max<int64_t>(0, static_cast<int32_t>(AV_RL32(side)));
            discard = AV_RL32(side + 4);
        }
        av_packet_unref(packet.get());
        if (skip > 0) {
            const int64_t skipped = std::min(skip, frames);
            skip -= skipped;
            frames -= skipped;
            if (frames == 0)
                continue;
        }
        if (discard > 0 && discard <= frames)
            frames -= discard;
        total += frames;
    }
    return total;
}

std::optional<AudioDuration> probeAudioDuration(const std::string& path)
{
    // The parameters of a file we wrote ourselves show in its first packets.
    const FormatContextPtr container = openMediaFile(path, AV_TIME_BASE / 10);
    if (!container)
        return std::nullopt;
    const int index = firstAudioStreamIndex(*container);
    if (index < 0)
        return std::nullopt;
    const AVStream& stream = *container->streams[index];
    const int rate = stream.codecpar->sample_rate;
    if (rate <= 0)
        return std::nullopt;
    if (container->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE && stream.duration != AV_NOPTS_VALUE &&
        stream.duration > 0)
        return AudioDuration{av_rescale_q(stream.duration, stream.time_base, AVRational{1, rate}), rate};
    const int64_t counted = countPacketFrames(*container, index, rate);
    if (counted < 0)
        return std::nullopt;
    return AudioDuration{counted, rate};
}

} // namespace sonivert
