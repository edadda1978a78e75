#include "platform/ffmpegptr.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
}

#include <mutex>

namespace sonivert {

void FormatContextCloser::operator()(AVFormatContext* context) const
{
    avformat_close_input(&context);
}

void OutputContextCloser::operator()(AVFormatContext* context) const
{
    if (context && context->oformat && !(context->oformat->flags & AVFMT_NOFILE))
        avio_closep(&context->pb);
    avformat_free_context(context);
}

void CodecContextFreer::operator()(AVCodecContext* context) const
{
    avcodec_free_context(&context);
}

void PacketFreer::operator()(AVPacket* packet) const
{
    av_packet_free(&packet);
}

void FrameFreer::operator()(AVFrame* frame) const
{
    av_frame_free(&frame);
}

void DictionaryFreer::operator()(AVDictionary* dictionary) const
{
    av_dict_free(&dictionary);
}

void quietFfmpegLog()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

} // namespace sonivert
