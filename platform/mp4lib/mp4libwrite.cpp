#include "platform/mp4lib/mp4libwrite.h"

#include "platform/ffmpegptr.h"
#include "platform/mp4lib/mp4itemlist.h"

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
#include <vector>

namespace sonivert {

struct Mp4WriteFile {
    // The items added to the finished file's item list (see mp4itemlist.h).
    struct FreeForm {
        std::string mean, name, value;
    };

    std::string path;
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
    std::vector<uint8_t> cover;
    uint32_t coverType = 0;
    std::vector<FreeForm> freeForms;
};

namespace {

constexpr MP4TrackId kTrack = 1;
constexpr auto kMaxInt = static_cast<uint32_t>(std::numeric_limits<int32_t>::max());
// Durations and offsets are kept far from the 64-bit limits, so that sums
// of them cannot overflow.
constexpr uint64_t kMaxTime = uint64_t{1} << 48;
constexpr uint32_t kMaxCoverBytes = 16u * 1024u * 1024u;

// The ALACSpecificConfig (the "magic cookie") and the box around it.
constexpr uint32_t kAlacCookieBytes = 24;
constexpr uint32_t kAlacBoxHeaderBytes = 12; // size, "alac", version and flags

uint32_t bigEndian32(const uint8_t* at)
{
    return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | uint32_t{at[3]};
}

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

AVStream* addAudioStream(Mp4WriteFile& h, uint32_t timeScale, AVCodecID codec)
{
    AVStream* stream = avformat_new_stream(h.context.get(), nullptr);
    if (!stream)
        return nullptr;
    stream->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
    stream->codecpar->codec_id = codec;
    // The muxer takes the audio track's time scale from the sample rate.
    stream->codecpar->sample_rate = static_cast<int>(timeScale);
    stream->time_base = AVRational{1, static_cast<int>(timeScale)};
    h.stream = stream;
    h.trackTimeScale = timeScale;
    return stream;
}

bool setExtradata(AVCodecParameters& par, const uint8_t* bytes, uint32_t length)
{
    auto* copy = static_cast<uint8_t*>(av_mallocz(length + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!copy)
        return false;
    std::memcpy(copy, bytes, length);
    av_freep(&par.extradata);
    par.extradata = copy;
    par.extradata_size = static_cast<int>(length);
    return true;
}

// The cover and the free-form items, in the order the item list gets them.
std::vector<uint8_t> addedItems(const Mp4WriteFile& h)
{
    std::vector<uint8_t> items;
    if (!h.cover.empty())
        items = mp4::coverItem(h.cover, h.coverType);
    for (const Mp4WriteFile::FreeForm& f : h.freeForms) {
        const std::vector<uint8_t> item = mp4::freeFormItem(f.mean, f.name, f.value);
        items.insert(items.end(), item.begin(), item.end());
    }
    return items;
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
    handle->path = path;
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
    if (!addAudioStream(*handle, timeScale, AV_CODEC_ID_AAC))
        return MP4_INVALID_TRACK_ID;
    handle->fixedDuration = sampleDuration;
    return kTrack;
}

MP4TrackId MP4AddALACAudioTrackExx(Mp4WriteFile* handle, uint32_t sampleRate, const uint8_t* magicCookie,
                                   uint32_t cookieLength)
{
    if (!handle || handle->stream || !magicCookie || cookieLength != kAlacCookieBytes || sampleRate == 0 ||
        sampleRate > kMaxInt)
        return MP4_INVALID_TRACK_ID;
    // frameLength(4) compatibleVersion(1) bitDepth(1) pb kb mb(3)
    // numChannels(1) maxRun(2) maxFrameBytes(4) avgBitRate(4) sampleRate(4)
    const uint32_t frameLength = bigEndian32(magicCookie);
    const int bitDepth = magicCookie[5];
    const int channels = magicCookie[9];
    if (frameLength == 0 || (bitDepth != 16 && bitDepth != 20 && bitDepth != 24 && bitDepth != 32) ||
        channels < 1 || channels > 8 || bigEndian32(magicCookie + 20) != sampleRate)
        return MP4_INVALID_TRACK_ID;
    // The muxer copies its extradata as the sample entry's "alac" box.
    constexpr uint8_t kBoxBytes = kAlacBoxHeaderBytes + kAlacCookieBytes;
    uint8_t box[kBoxBytes] = {0, 0, 0, kBoxBytes, 'a', 'l', 'a', 'c', 0, 0, 0, 0};
    std::memcpy(box + kAlacBoxHeaderBytes, magicCookie, kAlacCookieBytes);
    AVStream* stream = addAudioStream(*handle, sampleRate, AV_CODEC_ID_ALAC);
    if (!stream || !setExtradata(*stream->codecpar, box, sizeof box))
        return MP4_INVALID_TRACK_ID;
    AVCodecParameters* par = stream->codecpar;
    av_channel_layout_uninit(&par->ch_layout);
    av_channel_layout_default(&par->ch_layout, channels);
    par->bits_per_raw_sample = bitDepth;
    par->frame_size = static_cast<int>(frameLength);
    handle->fixedDuration = MP4_INVALID_DURATION;
    handle->configured = true;
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
    if (!validTrack(handle, track) || handle->headerWritten || !config || length == 0 || length > 64 ||
        handle->stream->codecpar->codec_id != AV_CODEC_ID_AAC)
        return false;
    AudioSpecificConfig asc;
    if (!parseAudioSpecificConfig(config, length, asc))
        return false;
    AVCodecParameters* par = handle->stream->codecpar;
    if (!setExtradata(*par, config, length))
        return false;
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

bool MP4SetMetadataCoverArtExx(Mp4WriteFile* handle, const uint8_t* bytes, uint32_t byteCount, uint32_t dataType)
{
    if (!handle || !bytes || byteCount == 0 || byteCount > kMaxCoverBytes ||
        (dataType != MP4_COVER_JPEG && dataType != MP4_COVER_PNG))
        return false;
    handle->cover.assign(bytes, bytes + byteCount);
    handle->coverType = dataType;
    return true;
}

bool MP4SetMetadataFreeFormExx(Mp4WriteFile* handle, const char* name, const char* value, const char* mean)
{
    if (!handle || !name || !*name || !value || !mean || !*mean)
        return false;
    for (Mp4WriteFile::FreeForm& f : handle->freeForms) {
        if (f.mean == mean && f.name == name) {
            f.value = value;
            return true;
        }
    }
    handle->freeForms.push_back({mean, name, value});
    return true;
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
    if (ok && h.stream && (!h.cover.empty() || !h.freeForms.empty()))
        ok = mp4::appendItemsToItemList(h.path, addedItems(h));
    delete handle;
    return ok;
}

} // namespace sonivert
