#include "platform/mp4lib/mp4libwrite.h"

#include "platform/ffmpegptr.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/mem.h>
#include <libavutil/opt.h>
}

#include <cstring>
#include <limits>
#include <string>

namespace sonivert {

struct Mp4WriteFile {
    OutputContextPtr context;
    AVStream* stream = nullptr; // owned by context
    PacketPtr packet;
    uint32_t trackTimeScale = 0;
    uint64_t fixedDuration = MP4_INVALID_DURATION;
    bool configured = false;    // the ES configuration is set
    bool headerWritten = false;
    bool failed = false;        // something did not reach the file
    uint64_t samples = 0;
    int64_t nextDts = 0;        // in track units
};

namespace {

constexpr MP4TrackId kTrack = 1;
constexpr auto kMaxInt = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
// Durations and offsets are kept far from the 64-bit limits, so that sums
// of them cannot overflow.
constexpr uint64_t kMaxTime = uint64_t{1} << 48;

// The fields of an AudioSpecificConfig up to its channel configuration.
struct AudioSpecificConfig {
    int channelConfiguration = 0;
    int frameLength = 1024;
};

class BitReader {
public:
    BitReader(const uint8_t* data, uint32_t size) : m_data(data), m_bits(uint64_t{size} * 8) {}
    bool read(int count, uint32_t& value)
    {
        if (m_position + static_cast<uint64_t>(count) > m_bits)
            return false;
        value = 0;
        for (int i = 0; i < count; ++i, ++m_position)
            value = (value << 1) | ((m_data[m_position / 8] >> (7 - m_position % 8)) & 1u);
        return true;
    }

private:
    const uint8_t* m_data;
    uint64_t m_bits;
    uint64_t m_position = 0;
};

bool parseAudioSpecificConfig(const uint8_t* data, uint32_t size, AudioSpecificConfig& out)
{
    BitReader bits(data, size);
    uint32_t objectType = 0, rateIndex = 0, rate = 0, channels = 0, frameLengthFlag = 0, extra = 0;
    if (!bits.read(5, objectType) || (objectType == 31 && !bits.read(6, extra)))
        return false;
    if (!bits.read(4, rateIndex) || (rateIndex == 15 && !bits.read(24, rate)))
        return false;
    if (!bits.read(4, channels) || channels < 1 || channels > 7)
        return false;
    out.channelConfiguration = static_cast<int>(channels);
    // The GASpecificConfig of the AAC object types starts with the frame length flag.
    if (objectType >= 1 && objectType <= 4 && bits.read(1, frameLengthFlag) && frameLengthFlag)
        out.frameLength = 960;
    return true;
}

bool validTrack(const Mp4WriteFile* handle, MP4TrackId track)
{
    return handle && handle->stream && track == kTrack;
}

bool setText(Mp4WriteFile* handle, const char* key, const char* value)
{
    if (!handle || !value)
        return false;
    return av_dict_set(&handle->context->metadata, key, value, 0) >= 0;
}

bool writeHeader(Mp4WriteFile& h)
{
    if (h.headerWritten)
        return true;
    if (avformat_write_header(h.context.get(), nullptr) < 0) {
        h.failed = true;
        return false;
    }
    h.headerWritten = true;
    return true;
}

} // namespace

Mp4WriteFile* MP4CreateExx(const char* path)
{
    if (!path || !*path)
        return nullptr;
    quietFfmpegLog();
    AVFormatContext* raw = nullptr;
    // The muxer is named, not guessed from the extension: .m4a, .m4b and
    // .mp4 files are to be the same bytes.
    if (avformat_alloc_output_context2(&raw, nullptr, "mp4", path) < 0 || !raw)
        return nullptr;
    OutputContextPtr context(raw);
    // No creation time is passed, so the movie, track and media headers
    // carry time 0; bit-exact mode leaves out the muxer's version text.
    context->flags |= AVFMT_FLAG_BITEXACT;
    // "file:" keeps a colon in the name from being read as a protocol.
    const std::string url = std::string("file:") + path;
    if (avio_open(&context->pb, url.c_str(), AVIO_FLAG_WRITE) < 0)
        return nullptr;
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return nullptr;
    auto* handle = new Mp4WriteFile;
    handle->context = std::move(context);
    handle->packet = std::move(packet);
    return handle;
}

bool MP4SetTimeScaleExx(Mp4WriteFile* handle, uint32_t timeScale)
{
    if (!handle || handle->headerWritten || timeScale == 0 || timeScale > kMaxInt)
        return false;
    return av_opt_set_int(handle->context->priv_data, "movie_timescale", timeScale, 0) >= 0;
}

MP4TrackId MP4AddAudioTrackExx(Mp4WriteFile* handle, uint32_t timeScale, uint64_t sampleDuration, uint8_t audioType)
{
    if (!handle || handle->stream || audioType != MP4_MPEG4_AUDIO_TYPE || timeScale == 0 ||
        timeScale > kMaxInt ||
        (sampleDuration != MP4_INVALID_DURATION && (sampleDuration == 0 || sampleDuration > kMaxTime)))
        return MP4_INVALID_TRACK_ID;
    AVStream* stream = avformat_new_stream(handle->context.get(), nullptr);
    if (!stream)
        return MP4_INVALID_TRACK_ID;
    stream->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    stream->codecpar->codec_id = AV_CODEC_ID_AAC;
    // The muxer takes the audio track's time scale from the sample rate.
    stream->codecpar->sample_rate = static_cast<int>(timeScale);
    stream->time_base = AVRational{1, static_cast<int>(timeScale)};
    handle->stream = stream;
    handle->trackTimeScale = timeScale;
    handle->fixedDuration = sampleDuration;
    return kTrack;
}

bool MP4SetAudioProfileLevelExx(Mp4WriteFile* handle, uint8_t level)
{
    if (!handle || handle->headerWritten)
        return false;
    void* options = handle->context->priv_data;
    return av_opt_set_int(options, "skip_iods", 0, 0) >= 0 &&
           av_opt_set_int(options, "iods_audio_profile", level, 0) >= 0;
}

bool MP4SetTrackESConfigurationExx(Mp4WriteFile* handle, MP4TrackId track, const uint8_t* config, uint32_t length)
{
    if (!validTrack(handle, track) || handle->headerWritten || !config || length == 0 || length > 64)
        return false;
    AudioSpecificConfig asc;
    if (!parseAudioSpecificConfig(config, length, asc))
        return false;
    AVCodecParameters* par = handle->stream->codecpar;
    auto* copy = static_cast<uint8_t*>(av_mallocz(length + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!copy)
        return false;
    std::memcpy(copy, config, length);
    av_freep(&par->extradata);
    par->extradata = copy;
    par->extradata_size = static_cast<int>(length);
    av_channel_layout_uninit(&par->ch_layout);
    av_channel_layout_default(&par->ch_layout, asc.channelConfiguration == 7 ? 8 : asc.channelConfiguration);
    par->frame_size = asc.frameLength;
    handle->configured = true;
    return true;
}

bool MP4WriteSampleExx(Mp4WriteFile* handle, MP4TrackId track, const uint8_t* bytes, uint32_t byteCount,
                       uint64_t duration, uint64_t renderingOffset, bool isSyncSample)
{
    if (!validTrack(handle, track) || !handle->configured || !bytes || byteCount == 0 ||
        byteCount > kMaxInt)
        return false;
    Mp4WriteFile& h = *handle;
    if (duration == MP4_INVALID_DURATION)
        duration = h.fixedDuration;
    if (duration == MP4_INVALID_DURATION || duration > kMaxTime || renderingOffset > kMaxTime)
        return false;
    if (h.samples == 0) {
        if (!writeHeader(h))
            return false;
        h.nextDts = -static_cast<int64_t>(renderingOffset);
        renderingOffset = 0;
    }
    if (h.nextDts > static_cast<int64_t>(kMaxTime)) // the track would outgrow the time fields
        return false;

    AVPacket* packet = h.packet.get();
    if (av_new_packet(packet, static_cast<int>(byteCount)) < 0)
        return false;
    std::memcpy(packet->data, bytes, byteCount);
    const AVRational units{1, static_cast<int>(h.trackTimeScale)};
    const AVRational base = h.stream->time_base;
    packet->dts = av_rescale_q(h.nextDts, units, base);
    packet->pts = av_rescale_q(h.nextDts + static_cast<int64_t>(renderingOffset), units, base);
    packet->duration = av_rescale_q(static_cast<int64_t>(duration), units, base);
    packet->stream_index = h.stream->index;
    packet->flags = isSyncSample ? AV_PKT_FLAG_KEY : 0;
    const int result = av_write_frame(h.context.get(), packet);
    av_packet_unref(packet);
    if (result < 0) {
        h.failed = true;
        return false;
    }
    h.nextDts += static_cast<int64_t>(duration);
    ++h.samples;
    return true;
}

bool MP4SetMetadataNameExx(Mp4WriteFile* handle, const char* value)
{
    return setText(handle, "title", value);
}

bool MP4SetMetadataArtistExx(Mp4WriteFile* handle, const char* value)
{
    return setText(handle, "artist", value);
}

bool MP4SetMetadataAlbumExx(Mp4WriteFile* handle, const char* value)
{
    return setText(handle, "album", value);
}

bool MP4SetMetadataYearExx(Mp4WriteFile* handle, const char* value)
{
    return setText(handle, "date", value);
}

bool MP4SetMetadataGenreExx(Mp4WriteFile* handle, const char* value)
{
    return setText(handle, "genre", value);
}

bool MP4SetMetadataCommentExx(Mp4WriteFile* handle, const char* value)
{
    return setText(handle, "comment", value);
}

bool MP4SetMetadataWriterExx(Mp4WriteFile* handle, const char* value)
{
    return setText(handle, "composer", value);
}

bool MP4SetMetadataTrackExx(Mp4WriteFile* handle, uint16_t track, uint16_t total)
{
    std::string text = std::to_string(track);
    if (total > 0)
        text += "/" + std::to_string(total);
    return setText(handle, "track", text.c_str());
}

bool MP4CloseExx(Mp4WriteFile* handle)
{
    if (!handle)
        return false;
    Mp4WriteFile& h = *handle;
    bool ok = !h.failed;
    // A track without samples still makes a complete (empty) file; a track
    // without its configuration cannot be described, so nothing is written.
    if (ok && h.stream)
        ok = h.configured && writeHeader(h) && av_write_trailer(h.context.get()) >= 0;
    if (h.context->pb) {
        if (h.context->pb->error < 0)
            ok = false;
        if (avio_closep(&h.context->pb) < 0)
            ok = false;
    }
    delete handle;
    return ok;
}

} // namespace sonivert
