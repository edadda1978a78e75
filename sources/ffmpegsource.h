#pragma once

#include "engine/audiosource.h"
#include "platform/ffmpegdecoder.h"
#include "platform/stereodownmix.h"
#include "platform/ffmpegptr.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sonivert {

// Decodes the first audio stream of any container FFmpeg opens (MP3, FLAC,
// MPEG-4, Windows Media, Ogg, Matroska, video files, ...).
//
// Samples: unsigned 8-bit decoder output is delivered as 8-bit samples,
// everything else as 16-bit: 32-bit integers keep their upper 16 bits,
// floating point is clamped to -1..1 and scaled by 2147483647 before the
// upper 16 bits are kept. A stream of more than two channels is mixed down
// to two (StereoDownmix) by the speakers the decoder names.
//
// Progress unit: totalLength() is the file size in bytes and position() the
// byte position the container has read up to.
//
// Ownership: the container, decoder, packet and frame each have one owner
// (the members below); close() releases them all.
class FfmpegSource final : public AudioSource {
public:
    FfmpegSource() = default;
    ~FfmpegSource() override { close(); }

    void close() override;
    // outputRate is ignored.
    [[nodiscard]] bool open(const std::string& path, int32_t outputRate) override;
    // Decoding errors drop the rest of the packet concerned and reading goes
    // on with the next one; the end of the container ends the stream once
    // the decoder has handed out what it still holds.
    int32_t read(void* left, void* right) override;
    // Title, artist, album, year, genre, comment, track and copyright from
    // the container's metadata (the audio stream's metadata fills what the
    // container lacks). Year and track are the leading numbers of the
    // date and track texts, left empty unless above 0. The composer stays
    // empty. False, with nothing changed, when all of them are empty.
    bool readTags(std::string& title, std::string& artist, std::string& album, std::string& year,
                  std::string& genre, std::string& comment, std::string& track, std::string& composer,
                  std::string& copyright) override;
    const char* readerName() const override { return "ffmpeg"; }

private:
    // Makes the next decoded frame current; false at the end of the stream.
    bool decodeNextFrame();
    // Converts count frames of the current frame from m_frameCursor on into
    // left and right (right may be null) from index offset on.
    void deliver(void* left, void* right, int32_t offset, int32_t count);
    void updatePosition();

    FormatContextPtr m_container;
    FfmpegFrameDecoder m_decoder; // after m_container: closed first
    const AVFrame* m_frame = nullptr;
    int m_audioStream = -1;
    StereoDownmix m_downmix; // for frames of more than two channels
    std::vector<int16_t> m_mix16;
    std::vector<uint8_t> m_mix8;
    int32_t m_frameCursor = 0; // next sample frame of m_frame to hand out
    int32_t m_frameEnd = 0;    // sample frames in m_frame
};

} // namespace sonivert
