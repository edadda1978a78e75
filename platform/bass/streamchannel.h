#pragma once

// Streams: files decoded through FFmpeg. The length is known before the
// first sample is decoded: taken from the header where the format records
// the sample count exactly (FLAC, PCM in WAV and AIFF), otherwise counted
// from the packets without decoding them (MPEG audio, MP4, WavPack, TTA,
// ADX, raw AAC), applying the start and end trimming the demuxer marks on
// them as the decoder will. Ogg, ASF (WMA), Monkey's Audio and Musepack
// files take the duration their container records, an estimate; only a
// file that records none is decoded once to count.

#include "platform/bass/channel.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace sonivert::bass {

class FfmpegDecoder;

// Decides whether a stream of the given demuxer and codec may open; sets
// plugin to the add-on that enables it (0 for the core).
using FormatGate = std::function<bool(std::string_view demuxerNames, std::string_view codecName, uint32_t& plugin)>;

class StreamChannel final : public Channel {
public:
    // Null when the file cannot be decoded or the gate refuses its format.
    static std::unique_ptr<StreamChannel> open(const std::string& path, const FormatGate& gate);
    ~StreamChannel() override;

    uint32_t plugin() const override { return m_plugin; }
    uint32_t originalResolution() const override { return m_originalResolution; }
    TagValues tags() const override;
    std::vector<int> speakers() const override;

private:
    StreamChannel(const std::string& path, std::unique_ptr<FfmpegDecoder> decoder, uint64_t lengthFrames,
                  LengthKind lengthKind, uint32_t plugin);
    size_t render(int16_t* out, size_t frames) override;

    std::unique_ptr<FfmpegDecoder> m_decoder;
    uint32_t m_plugin = 0;
    uint32_t m_originalResolution = 0;
};

} // namespace sonivert::bass
