#include "platform/ffmpegdecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace sonivert {
namespace {

// Consecutive decoding errors after the end of the container before the
// decoder counts as drained: a decoder that fails on every flush call would
// otherwise be asked forever.
constexpr int kMaxDrainErrors = 16;
// Times the decoder may ask to hand in the same packet later (it still holds
// output) before that packet is dropped.
constexpr int kMaxRefusedSends = 2;

} // namespace

bool readableFrame(const AVFrame& frame)
{
    if (frame.nb_samples <= 0 || frame.ch_layout.nb_channels <= 0 || !frame.extended_data)
        return false;
    const auto format = static_cast<AVSampleFormat>(frame.format);
    if (format <= AV_SAMPLE_FMT_NONE || format >= AV_SAMPLE_FMT_NB)
        return false;
    const int planes = av_sample_fmt_is_planar(format) ? frame.ch_layout.nb_channels : 1;
    for (int i = 0; i < planes; ++i) {
        if (!frame.extended_data[i])
            return false;
    }
    return true;
}

bool FfmpegFrameDecoder::open(AVFormatContext& container, int index, AVDictionary** options)
{
    close();
    if (index < 0 || static_cast<unsigned>(index) >= container.nb_streams)
        return false;
    for (unsigned i = 0; i < container.nb_streams; ++i)
        container.streams[i]->discard = static_cast<int>(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    const AVStream* stream = container.streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec)
        return false;
    CodecContextPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0)
        return false;
    decoder->pkt_timebase = stream->time_base;
    if (avcodec_open2(decoder.get(), codec, options) < 0)
        return false;
    m_packet.reset(av_packet_alloc());
    m_frame.reset(av_frame_alloc());
    if (!m_packet || !m_frame)
        return false;
    m_decoder = std::move(decoder);
    m_container = &container;
    m_stream = index;
    return true;
}

void FfmpegFrameDecoder::close()
{
    m_frame.reset();
    m_packet.reset();
    m_decoder.reset();
    m_container = nullptr;
    m_stream = -1;
    m_refusedSends = 0;
    m_packetHeld = false;
    m_draining = false;
    m_ended = false;
}

const AVFrame* FfmpegFrameDecoder::nextFrame()
{
    if (!m_decoder)
        return nullptr;
    av_frame_unref(m_frame.get());
    int drainErrors = 0;
    while (!m_ended) {
        const int received = avcodec_receive_frame(m_decoder.get(), m_frame.get());
        if (received == 0) {
            if (readableFrame(*m_frame))
                return m_frame.get();
            av_frame_unref(m_frame.get());
        } else if (received == AVERROR_EOF) {
            m_ended = true;
        } else if (m_draining) {
            // Nothing new comes in; an error here dropped one held packet.
            if (received == AVERROR(EAGAIN) || ++drainErrors > kMaxDrainErrors)
                m_ended = true;
        } else {
            // AVERROR(EAGAIN): the decoder wants input. Any other error
            // dropped the rest of the packet it was decoding; go on with
            // the next one.
            feed();
        }
    }
    return nullptr;
}

void FfmpegFrameDecoder::feed()
{
    while (!m_packetHeld) {
        if (av_read_frame(m_container, m_packet.get()) < 0) {
            avcodec_send_packet(m_decoder.get(), nullptr);
            m_draining = true;
            return;
        }
        // An empty packet would read as the end-of-stream signal.
        if (m_packet->stream_index == m_stream && m_packet->size > 0)
            m_packetHeld = true;
        else
            av_packet_unref(m_packet.get());
    }
    const int sent = avcodec_send_packet(m_decoder.get(), m_packet.get());
    if (sent == AVERROR(EAGAIN) && ++m_refusedSends <= kMaxRefusedSends)
        return; // hand it in again once its output has been received
    // Taken, or refused as broken (a broken packet is dropped whole).
    m_refusedSends = 0;
    av_packet_unref(m_packet.get());
    m_packetHeld = false;
}

} // namespace sonivert
