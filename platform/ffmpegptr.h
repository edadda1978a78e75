#pragma once

// One owner per FFmpeg object. Each pointer type frees its object with the
// library's own release call, so a reader holds its container, decoder,
// packet and frame as plain members and never frees anything by hand.
// FFmpeg's headers stay out of this one; the types are only named here.

#include <memory>

extern "C" {
struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct AVDictionary;
}

namespace sonivert {

struct FormatContextCloser {
    void operator()(AVFormatContext* context) const; // avformat_close_input
};
// A muxing context: closes its file (avio_closep) when it has one, then
// frees the context (avformat_free_context).
struct OutputContextCloser {
    void operator()(AVFormatContext* context) const;
};
struct CodecContextFreer {
    void operator()(AVCodecContext* context) const; // avcodec_free_context
};
struct PacketFreer {
    void operator()(AVPacket* packet) const; // av_packet_free (unreferences first)
};
struct FrameFreer {
    void operator()(AVFrame* frame) const; // av_frame_free (unreferences first)
};
struct DictionaryFreer {
    void operator()(AVDictionary* dictionary) const; // av_dict_free
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextCloser>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextCloser>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using DictionaryPtr = std::unique_ptr<AVDictionary, DictionaryFreer>;

// Keeps FFmpeg's own log output off the terminal: only fatal messages pass.
// Damaged input makes the decoders report every broken packet, which would
// flood a batch run; the readers report failure through their results
// instead. Safe to call any number of times from any thread.
void quietFfmpegLog();

} // namespace sonivert
