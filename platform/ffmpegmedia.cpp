#include "platform/ffmpegmedia.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

namespace sonivert {

namespace {

// The container opened and its header read, before any stream is probed.
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
    return FormatContextPtr(raw);
}

} // namespace

FormatContextPtr openMediaFile(const std::string& path, int64_t analyzeMicroseconds)
{
    FormatContextPtr container = openContainer(path);
    if (!container)
        return nullptr;
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

namespace {

// The names FFmpeg's demuxers give the ID3v2 / FLAC picture types in a
// picture stream's "comment", in type order.
constexpr std::array<std::string_view, 21> kPictureTypeNames = {
    "Other",
    "32x32 pixels 'file icon'",
    "Other file icon",
    "Cover (front)",
    "Cover (back)",
    "Leaflet page",
    "Media (e.g. label side of CD)",
    "Lead artist/lead performer/soloist",
    "Artist/performer",
    "Conductor",
    "Band/Orchestra",
    "Composer",
    "Lyricist/text writer",
    "Recording Location",
    "During recording",
    "During performance",
    "Movie/video screen capture",
    "A bright coloured fish",
    "Illustration",
    "Band/artist logotype",
    "Publisher/Studio logotype",
};
constexpr int32_t kFrontCover = 3;

std::string streamTag(const AVStream& stream, const char* key)
{
    const AVDictionaryEntry* entry = av_dict_get(stream.metadata, key, nullptr, 0);
    return entry && entry->value ? entry->value : "";
}

// A cover larger than this is no cover; the limit also keeps a small file
// that claims a huge picture from making the decoder allocate for it.
constexpr int64_t kMaxPicturePixels = int64_t{8192} * 8192;

struct DecodedSize {
    int width = 0;
    int height = 0;
    int depth = 0; // bits per pixel over all components
};

// The size of the stream's attached picture as its decoder makes it;
// nothing when it does not decode.
std::optional<DecodedSize> decodedSize(const AVStream& stream)
{
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!codec)
        return std::nullopt;
    const CodecContextPtr decoder(avcodec_alloc_context3(codec));
    const PacketPtr packet(av_packet_alloc());
    const FramePtr frame(av_frame_alloc());
    if (!decoder || !packet || !frame || avcodec_parameters_to_context(decoder.get(), stream.codecpar) < 0)
        return std::nullopt;
    decoder->thread_count = 1;
    decoder->max_pixels = kMaxPicturePixels;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0 || av_packet_ref(packet.get(), &stream.attached_pic) < 0)
        return std::nullopt;
    if (avcodec_send_packet(decoder.get(), packet.get()) < 0 || avcodec_send_packet(decoder.get(), nullptr) < 0 ||
        avcodec_receive_frame(decoder.get(), frame.get()) < 0 || frame->width <= 0 || frame->height <= 0)
        return std::nullopt;
    DecodedSize size{frame->width, frame->height, 0};
    if (const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format))) {
        for (int c = 0; c < format->nb_components; ++c)
            size.depth += format->comp[c].depth;
    }
    return size;
}

// The picture of one stream, or nothing when the stream holds none that
// readAttachedPicture accepts.
std::optional<AttachedPicture> pictureOf(const AVStream& stream, size_t maxBytes)
{
    if (!(stream.disposition & AV_DISPOSITION_ATTACHED_PIC) || !stream.codecpar)
        return std::nullopt;
    const AVPacket& packet = stream.attached_pic;
    if (!packet.data || packet.size <= 0 || static_cast<size_t>(packet.size) > maxBytes)
        return std::nullopt;
    const std::span<const uint8_t> bytes(packet.data, static_cast<size_t>(packet.size));
    static constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    static constexpr uint8_t kJpegStart[] = {0xFF, 0xD8, 0xFF};
    auto startsWith = [&](std::span<const uint8_t> prefix) {
        return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
    };
    AttachedPicture picture;
    switch (stream.codecpar->codec_id) {
    case AV_CODEC_ID_MJPEG:
        if (!startsWith(kJpegStart))
            return std::nullopt;
        picture.mimeType = "image/jpeg";
        break;
    case AV_CODEC_ID_PNG:
        if (!startsWith(kPngSignature))
            return std::nullopt;
        picture.mimeType = "image/png";
        break;
    default:
        return std::nullopt;
    }
    // A picture counts only when it decodes; its size is the decoded one,
    // whatever the container claims.
    const std::optional<DecodedSize> size = decodedSize(stream);
    if (!size)
        return std::nullopt;
    picture.width = size->width;
    picture.height = size->height;
    picture.depth = size->depth;
    const std::string typeName = streamTag(stream, "comment");
    // A container without picture types (MPEG-4 covr) holds covers.
    picture.type = typeName.empty() ? kFrontCover : 0;
    for (size_t i = 0; i < kPictureTypeNames.size(); ++i) {
        if (typeName == kPictureTypeNames[i])
            picture.type = static_cast<int32_t>(i);
    }
    picture.description = streamTag(stream, "title");
    picture.data.assign(bytes.begin(), bytes.end());
    return picture;
}

} // namespace

std::optional<AttachedPicture> readAttachedPicture(const std::string& path, size_t maxBytes)
{
    // The demuxers make the picture streams while they read the header.
    const FormatContextPtr container = openContainer(path);
    if (!container)
        return std::nullopt;
    std::optional<AttachedPicture> first;
    for (unsigned i = 0; i < container->nb_streams; ++i) {
        std::optional<AttachedPicture> picture = pictureOf(*container->streams[i], maxBytes);
        if (!picture)
            continue;
        if (picture->type == kFrontCover)
            return picture;
        if (!first)
            first = std::move(picture);
    }
    return first;
}

} // namespace sonivert
