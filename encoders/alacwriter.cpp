#include "encoders/alacwriter.h"

#include "encoders/mp4metadata.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <cstring>

namespace sonivert {
namespace {

// The encoder's extradata is the whole "alac" box: its size, type, version
// and flags, then the 24-byte magic cookie the track is given.
constexpr int kBoxHeaderBytes = 12;
constexpr int kCookieBytes = 24;

int16_t widen16(int16_t sample)
{
    return sample;
}

int16_t widen8(uint8_t sample)
{
    return static_cast<int16_t>((sample - 128) * 256);
}

} // namespace

AlacWriter::~AlacWriter()
{
    Close();
}

bool AlacWriter::Open(const std::string& path, int32_t sampleRate, int32_t channels, int32_t bitsPerSample)
{
    Close();
    m_file.reset(MP4CreateExx(path.c_str()));
    if (!m_file || sampleRate <= 0 || channels < 1 || channels > 2 || (bitsPerSample != 8 && bitsPerSample != 16))
        return false;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_ALAC);
    CodecContextPtr context(codec ? avcodec_alloc_context3(codec) : nullptr);
    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    if (!context || !frame || !packet)
        return false;
    AVCodecContext* c = context.get();
    c->sample_fmt = AV_SAMPLE_FMT_S16P;
    c->sample_rate = sampleRate;
    c->time_base = AVRational{1, sampleRate};
    av_channel_layout_default(&c->ch_layout, channels);
    if (avcodec_open2(c, codec, nullptr) < 0 || c->frame_size != kFrameLength ||
        c->extradata_size != kBoxHeaderBytes + kCookieBytes || std::memcmp(c->extradata + 4, "alac", 4) != 0)
        return false;

    const auto rate = static_cast<uint32_t>(sampleRate);
    if (!MP4SetTimeScaleExx(m_file.get(), rate))
        return false;
    m_track = MP4AddALACAudioTrackExx(m_file.get(), rate, c->extradata + kBoxHeaderBytes, kCookieBytes);
    if (m_track == MP4_INVALID_TRACK_ID)
        return false;

    frame->format = AV_SAMPLE_FMT_S16P;
    frame->sample_rate = sampleRate;
    frame->nb_samples = kFrameLength;
    if (av_channel_layout_copy(&frame->ch_layout, &c->ch_layout) < 0 || av_frame_get_buffer(frame.get(), 0) < 0)
        return false;
    m_codec = std::move(context);
    m_frame = std::move(frame);
    m_packet = std::move(packet);
    m_channels = channels;
    return true;
}

void AlacWriter::SetMetadata(const TrackTags& tags, int32_t trackNumber)
{
    if (m_codec)
        setMp4Metadata(m_file.get(), tags, trackNumber);
}

bool AlacWriter::encode(bool endOfStream)
{
    AVFrame* frame = nullptr;
    if (!endOfStream) {
        m_frame->nb_samples = m_fill;
        m_frame->pts = m_nextPts;
        m_nextPts += m_fill;
        m_fill = 0;
        frame = m_frame.get();
    }
    if (avcodec_send_frame(m_codec.get(), frame) < 0)
        return false;
    for (;;) {
        const int result = avcodec_receive_packet(m_codec.get(), m_packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0)
            return false;
        // Time base 1/rate: a packet lasts as many units as its frame has samples.
        const AVPacket& p = *m_packet;
        const bool written = p.duration > 0 && p.size > 0 &&
                             MP4WriteSampleExx(m_file.get(), m_track, p.data, static_cast<uint32_t>(p.size),
                                               static_cast<uint64_t>(p.duration), 0, true);
        av_packet_unref(m_packet.get());
        if (!written)
            return false;
    }
}

template <typename Sample, typename Widen>
bool AlacWriter::add(const Sample* left, const Sample* right, int32_t count, Widen widen)
{
    if (!m_codec || m_failed || !left || (m_channels == 2 && !right) || count < 0)
        return false;
    for (int32_t i = 0; i < count;) {
        // The encoder keeps no reference to a frame it was given, so this
        // only allocates when it does.
        if (m_fill == 0 && av_frame_make_writable(m_frame.get()) < 0) {
            m_failed = true;
            return false;
        }
        const int32_t n = std::min(count - i, kFrameLength - m_fill);
        auto* l = reinterpret_cast<int16_t*>(m_frame->data[0]) + m_fill;
        for (int32_t k = 0; k < n; ++k)
            l[k] = widen(left[i + k]);
        if (m_channels == 2) {
            auto* r = reinterpret_cast<int16_t*>(m_frame->data[1]) + m_fill;
            for (int32_t k = 0; k < n; ++k)
                r[k] = widen(right[i + k]);
        }
        m_fill += n;
        i += n;
        if (m_fill == kFrameLength && !encode(false)) {
            m_failed = true;
            return false;
        }
    }
    return true;
}

bool AlacWriter::EncodeBlock16(const int16_t* left, const int16_t* right, int32_t count)
{
    return add(left, right, count, widen16);
}

bool AlacWriter::EncodeBlock8(const uint8_t* left, const uint8_t* right, int32_t count)
{
    return add(left, right, count, widen8);
}

bool AlacWriter::Close()
{
    bool ok = true;
    if (m_file) {
        if (m_codec && !m_failed) {
            // The partial frame is shorter, and so is its sample.
            if ((m_fill > 0 && !encode(false)) || !encode(true))
                m_failed = true;
        }
        ok = !m_failed;
        if (!MP4CloseExx(m_file.release()))
            ok = false;
    }
    m_track = MP4_INVALID_TRACK_ID;
    m_packet.reset();
    m_frame.reset();
    m_codec.reset();
    m_channels = 0;
    m_fill = 0;
    m_nextPts = 0;
    m_failed = false;
    return ok;
}

} // namespace sonivert
