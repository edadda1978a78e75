#include "platform/bass/streamchannel.h"

#include "platform/bass/formatrules.h"
#include "platform/bass/tagtext.h"
#include "platform/ffmpegdecoder.h"
#include "platform/ffmpegmedia.h"
#include "platform/ffmpegptr.h"
#include "platform/stereodownmix.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace sonivert::bass {
namespace {

// Sample conversions to 16 bits, the same arithmetic as FFmpeg's own
// sample-format converter, so decoded output equals the ffmpeg tool's.
int16_t to16(uint8_t v) { return static_cast<int16_t>((v - 0x80) * 256); }
int16_t to16(int16_t v) { return v; }
int16_t to16(int32_t v) { return static_cast<int16_t>(v >> 16); }
int16_t to16(int64_t v) { return static_cast<int16_t>(v >> 48); }
int16_t clip16(long v) { return static_cast<int16_t>(std::clamp<long>(v, -32768, 32767)); }
int16_t to16(float v) { return std::isnan(v) ? 0 : clip16(std::lrintf(std::clamp(v, -2.0f, 2.0f) * 32768.0f)); }
int16_t to16(double v) { return std::isnan(v) ? 0 : clip16(std::lrint(std::clamp(v, -2.0, 2.0) * 32768.0)); }

template <typename T>
void convertFrames(const AVFrame& frame, bool planar, int first, int count, int channels, int16_t* out)
{
    const int have = std::min(frame.ch_layout.nb_channels, channels);
    for (int i = 0; i < count; ++i) {
        const int s = first + i;
        int16_t* o = out + static_cast<size_t>(i) * static_cast<size_t>(channels);
        for (int c = 0; c < have; ++c) {
            const T* plane = reinterpret_cast<const T*>(frame.extended_data[planar ? c : 0]);
            o[c] = to16(planar ? plane[s] : plane[static_cast<size_t>(s) * frame.ch_layout.nb_channels + c]);
        }
        for (int c = have; c < channels; ++c)
            o[c] = 0;
    }
}

void convertAny(const AVFrame& frame, int first, int count, int channels, int16_t* out)
{
    switch (frame.format) {
    case AV_SAMPLE_FMT_U8: return convertFrames<uint8_t>(frame, false, first, count, channels, out);
    case AV_SAMPLE_FMT_U8P: return convertFrames<uint8_t>(frame, true, first, count, channels, out);
    case AV_SAMPLE_FMT_S16: return convertFrames<int16_t>(frame, false, first, count, channels, out);
    case AV_SAMPLE_FMT_S16P: return convertFrames<int16_t>(frame, true, first, count, channels, out);
    case AV_SAMPLE_FMT_S32: return convertFrames<int32_t>(frame, false, first, count, channels, out);
    case AV_SAMPLE_FMT_S32P: return convertFrames<int32_t>(frame, true, first, count, channels, out);
    case AV_SAMPLE_FMT_S64: return convertFrames<int64_t>(frame, false, first, count, channels, out);
    case AV_SAMPLE_FMT_S64P: return convertFrames<int64_t>(frame, true, first, count, channels, out);
    case AV_SAMPLE_FMT_FLT: return convertFrames<float>(frame, false, first, count, channels, out);
    case AV_SAMPLE_FMT_FLTP: return convertFrames<float>(frame, true, first, count, channels, out);
    case AV_SAMPLE_FMT_DBL: return convertFrames<double>(frame, false, first, count, channels, out);
    case AV_SAMPLE_FMT_DBLP: return convertFrames<double>(frame, true, first, count, channels, out);
    default: std::memset(out, 0, static_cast<size_t>(count) * static_cast<size_t>(channels) * 2);
    }
}

bool isPcmCodec(std::string_view codec) { return codec.substr(0, 4) == "pcm_"; }

} // namespace

// One decoding pass over a file: container, decoder and the frame being
// handed out.
class FfmpegDecoder {
public:
    bool open(const std::string& path)
    {
        m_container = openMediaFile(path);
        if (!m_container)
            return false;
        m_stream = firstAudioStreamIndex(*m_container);
        if (m_stream < 0 || !m_decoder.open(*m_container, m_stream))
            return false;
        const AVStream* stream = m_container->streams[m_stream];
        const AVCodecContext& codec = m_decoder.codec();
        m_rate = codec.sample_rate > 0 ? codec.sample_rate : stream->codecpar->sample_rate;
        m_channels = stream->codecpar->ch_layout.nb_channels > 0 ? stream->codecpar->ch_layout.nb_channels
                                                                 : codec.ch_layout.nb_channels;
        return m_rate > 0 && m_channels > 0;
    }

    const AVFormatContext& container() const { return *m_container; }
    const AVStream& stream() const { return *m_container->streams[m_stream]; }
    int rate() const { return m_rate; }
    int channels() const { return m_channels; }
    // The decoder's channel order where it names its speakers, else FFmpeg's
    // default layout for the count.
    std::vector<int> speakers() const
    {
        const AVChannelLayout& layout = m_decoder.codec().ch_layout;
        std::vector<int> order;
        if (layout.nb_channels == m_channels && layout.order != AV_CHANNEL_ORDER_UNSPEC) {
            for (int i = 0; i < m_channels; ++i)
                order.push_back(av_channel_layout_channel_from_index(&layout, static_cast<unsigned>(i)));
            return order;
        }
        return sonivert::speakers::byDefault(m_channels);
    }
    std::string_view demuxerNames() const { return m_container->iformat->name; }
    std::string_view codecName() const { return avcodec_get_name(stream().codecpar->codec_id); }
    uint32_t originalResolution() const
    {
        const AVCodecParameters& par = *stream().codecpar;
        return static_cast<uint32_t>(std::max(par.bits_per_raw_sample, 0));
    }

    // Decodes up to frames frames into out; 0 at the end.
    size_t decode(int16_t* out, size_t frames)
    {
        size_t done = 0;
        while (done < frames) {
            if (m_frame && m_cursor < m_frame->nb_samples) {
                const int n = static_cast<int>(
                    std::min<size_t>(frames - done, static_cast<size_t>(m_frame->nb_samples - m_cursor)));
                convertAny(*m_frame, m_cursor, n, m_channels, out + done * static_cast<size_t>(m_channels));
                m_cursor += n;
                done += static_cast<size_t>(n);
            } else {
                m_cursor = 0;
                m_frame = m_decoder.nextFrame();
                if (!m_frame)
                    break;
            }
        }
        return done;
    }

private:
    FormatContextPtr m_container;
    FfmpegFrameDecoder m_decoder; // after m_container: closed first
    const AVFrame* m_frame = nullptr;
    int m_stream = -1;
    int m_rate = 0;
    int m_channels = 0;
    int m_cursor = 0;
};

namespace {

// The exact sample count where the header records it: FLAC's STREAMINFO
// total and the data size of PCM in WAV and AIFF.
int64_t headerFrames(const FfmpegDecoder& decoder)
{
    const std::string_view codec = decoder.codecName();
    if (codec != "flac" && !isPcmCodec(codec))
        return -1;
    const AVStream& stream = decoder.stream();
    if (stream.duration == AV_NOPTS_VALUE || stream.duration <= 0)
        return -1;
    return av_rescale_q(stream.duration, stream.time_base, AVRational{1, decoder.rate()});
}

// Counts the frames the decoder will deliver from the packets alone, with
// the start and end trimming the demuxer marks on them.
int64_t packetScanFrames(const std::string& path, int rate)
{
    const FormatContextPtr container = openMediaFile(path);
    return container ? countPacketFrames(*container, firstAudioStreamIndex(*container), rate) : -1;
}

// Whether the packet durations of the container add up to what the decoder
// delivers. In Ogg the end trimming by granule position and in ASF the
// packet times do not match the decoded frames; Monkey's Audio and
// Musepack are not known to match. Those take the container's duration as
// an estimate. In the MP4 family the packets add up to the edit list's
// length, which the decoder exceeds by the last frame's padding; the channel
// cuts that off at the length, so the file's true length is delivered.
bool packetsCountExactly(std::string_view demuxerNames)
{
    for (const char* slow : {"ogg", "asf", "ape", "mpc", "mpc8"}) {
        if (formatMatches(std::string(slow) + ":*", demuxerNames, ""))
            return false;
    }
    return true;
}

// The duration the container records (the stream's, else the file's), in
// frames; -1 when it records none. Reading it costs nothing: the demuxer
// found it when the file was opened (Ogg from its last page, ASF, Monkey's
// Audio and Musepack from their headers).
int64_t containerFrames(const FfmpegDecoder& decoder)
{
    const AVStream& stream = decoder.stream();
    const AVRational rate{1, decoder.rate()};
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0)
        return av_rescale_q(stream.duration, stream.time_base, rate);
    const AVFormatContext& container = decoder.container();
    if (container.duration != AV_NOPTS_VALUE && container.duration > 0)
        return av_rescale_q(container.duration, AV_TIME_BASE_Q, rate);
    return -1;
}

// The last resort: decode the whole file once and count.
int64_t decodedFrames(const std::string& path)
{
    FfmpegDecoder decoder;
    if (!decoder.open(path))
        return -1;
    std::vector<int16_t> scratch(4096 * static_cast<size_t>(decoder.channels()));
    int64_t total = 0;
    while (const size_t n = decoder.decode(scratch.data(), 4096))
        total += static_cast<int64_t>(n);
    return total;
}

} // namespace

StreamChannel::StreamChannel(const std::string& path, std::unique_ptr<FfmpegDecoder> decoder, uint64_t lengthFrames,
                             LengthKind lengthKind, uint32_t plugin)
    : Channel(ChannelKind::Stream, path, decoder->rate(), decoder->channels(), lengthFrames, lengthKind),
      m_decoder(std::move(decoder)), m_plugin(plugin), m_originalResolution(m_decoder->originalResolution())
{
}

StreamChannel::~StreamChannel() = default;

std::unique_ptr<StreamChannel> StreamChannel::open(const std::string& path, const FormatGate& gate)
{
    auto decoder = std::make_unique<FfmpegDecoder>();
    if (!decoder->open(path))
        return nullptr;
    uint32_t plugin = 0;
    if (!gate(decoder->demuxerNames(), decoder->codecName(), plugin))
        return nullptr;
    LengthKind kind = LengthKind::Exact;
    int64_t frames = headerFrames(*decoder);
    if (frames < 0) {
        if (packetsCountExactly(decoder->demuxerNames())) {
            frames = packetScanFrames(path, decoder->rate());
        } else {
            frames = containerFrames(*decoder);
            kind = LengthKind::Estimate;
        }
    }
    if (frames < 0) {
        frames = decodedFrames(path);
        kind = LengthKind::Exact;
    }
    if (frames <= 0)
        return nullptr;
    return std::unique_ptr<StreamChannel>(
        new StreamChannel(path, std::move(decoder), static_cast<uint64_t>(frames), kind, plugin));
}

size_t StreamChannel::render(int16_t* out, size_t frames)
{
    return m_decoder->decode(out, frames);
}

std::vector<int> StreamChannel::speakers() const
{
    return m_decoder->speakers();
}

TagValues StreamChannel::tags() const
{
    return readFileTags(path());
}

} // namespace sonivert::bass
