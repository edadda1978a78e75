#pragma once

// The one FFmpeg decode loop: one audio stream of an open container decoded
// frame by frame, for every reader that decodes through FFmpeg (the FFmpeg
// reader, the decoding library's streams, the Windows Media run-time).
//
// Packets of the stream go to the decoder and its frames come back. A
// packet the decoder refuses for now (it still holds output) is offered
// again a few times, one it refuses as broken is dropped whole; the end of
// the container (a read error ends it too) drains the decoder, and a decoder
// that keeps failing while it drains counts as drained. Only frames whose
// samples can be read are handed out: a known sample format, every plane
// present.

#include "platform/ffmpegptr.h"

namespace sonivert {

class FfmpegFrameDecoder {
public:
    // Opens the decoder of stream index of container, which stays the
    // caller's and must outlive this object. The container's other streams
    // are discarded. options (or null) are the decoder's options; what it
    // leaves unused stays there for the caller. False when no decoder opens.
    [[nodiscard]] bool open(AVFormatContext& container, int index, AVDictionary** options = nullptr);
    void close();
    bool isOpen() const { return m_decoder != nullptr; }

    // The next frame, valid until the next call; null at the end.
    const AVFrame* nextFrame();

    const AVCodecContext& codec() const { return *m_decoder; }

private:
    void feed();

    AVFormatContext* m_container = nullptr;
    int m_stream = -1;
    CodecContextPtr m_decoder;
    PacketPtr m_packet;
    FramePtr m_frame;
    int m_refusedSends = 0;
    bool m_packetHeld = false;
    bool m_draining = false;
    bool m_ended = false;
};

// Whether frame's samples can be read: samples, channels, a known sample
// format and every plane it uses present.
bool readableFrame(const AVFrame& frame);

} // namespace sonivert
