#pragma once

#include "engine/audiosource.h"
#include "platform/ffmpegptr.h"

#include <cstdint>
#include <string>

namespace sonivert {

// Opens any container FFmpeg opens and reports its stream information for
// the file list, without a decoder: the first audio stream's sample rate,
// channels, bit rate and sample width, the container's duration, and the
// frame size and rate of the first video stream. A container without audio
// is accepted (its audio information stays 0). read() always returns 0;
// totalLength() and position() stay 0.
class FfmpegProbeSource final : public AudioSource {
public:
    FfmpegProbeSource() = default;
    ~FfmpegProbeSource() override { close(); }

    void close() override;
    // outputRate is ignored. True once the container and its stream
    // information were read.
    [[nodiscard]] bool open(const std::string& path, int32_t outputRate) override;
    int32_t read(void* left, void* right) override;
    const char* readerName() const override { return "ffmpeg"; }

private:
    FormatContextPtr m_container;
    int m_audioStream = -1;
};

} // namespace sonivert
