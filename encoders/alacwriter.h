#pragma once

#include "platform/ffmpegptr.h"
#include "platform/mp4lib/mp4libwrite.h"

#include <cstdint>
#include <string>

namespace sonivert {

struct TrackTags;

// Writes PCM losslessly as Apple Lossless (FFmpeg's ALAC encoder at its
// default settings) into an MPEG-4 file through the MPEG-4 writer calls:
// one track whose time scale, and the movie's, is the sample rate, so that
// every duration is exact; one encoded frame per sample with its own
// duration (kFrameLength frames, the last one what is left); iTunes-style
// metadata as setMp4Metadata writes it. The same input gives the same bytes
// whatever the file's name and however it is cut into blocks.
//
// Widths: 16-bit samples are written as they are. ALAC has no 8-bit form,
// so 8-bit samples (unsigned, 128 = silence) are widened as
// (value - 128) x 256 and the file holds 16-bit audio; decoding it gives
// back exactly the widened values.
//
// Calling order: Open(path, rate, channels, bits); SetMetadata at any time
// before Close; EncodeBlock16 or EncodeBlock8 for every block; Close().
// Open on an open writer closes it first; the destructor closes.
class AlacWriter {
public:
    AlacWriter() = default;
    ~AlacWriter();
    AlacWriter(const AlacWriter&) = delete;
    AlacWriter& operator=(const AlacWriter&) = delete;

    // Creates (or truncates) the MPEG-4 file at path (UTF-8), opens the
    // encoder for sampleRate and channels (1 or 2) and adds the track with
    // the encoder's configuration (its magic cookie). bitsPerSample, 8 or
    // 16, is the width of the source. False when the file, the encoder or the track cannot be had; a
    // file created by then stays for the caller.
    [[nodiscard]] bool Open(const std::string& path, int32_t sampleRate, int32_t channels, int32_t bitsPerSample);

    // Writes the tags' items as setMp4Metadata does. Only between Open and
    // Close.
    void SetMetadata(const TrackTags& tags, int32_t trackNumber);

    // count frames of left (and right, with 2 channels); each full frame is
    // encoded at once and written as one sample. False when not open, when
    // an encode or a write fails (and from then on).
    [[nodiscard]] bool EncodeBlock16(const int16_t* left, const int16_t* right, int32_t count);
    [[nodiscard]] bool EncodeBlock8(const uint8_t* left, const uint8_t* right, int32_t count);

    // Encodes the partial frame still buffered, then writes the file's
    // index and metadata and closes it. True when everything reached the
    // file (also when nothing was open); false after any failed encode or
    // write.
    bool Close();

    // Frames per encoded frame: the encoder's default, as FFmpeg's own
    // command line writes it.
    static constexpr int32_t kFrameLength = 4096;

private:
    template <typename Sample, typename Widen>
    bool add(const Sample* left, const Sample* right, int32_t count, Widen widen);
    // Hands the encoder the buffered frame (null: the end of the stream)
    // and writes every packet that comes out as a sample.
    bool encode(bool endOfStream);

    Mp4WriteHandle m_file;
    MP4TrackId m_track = MP4_INVALID_TRACK_ID;
    CodecContextPtr m_codec;
    FramePtr m_frame;
    PacketPtr m_packet;
    int32_t m_channels = 0;
    int32_t m_fill = 0;     // frames in m_frame
    int64_t m_nextPts = 0;  // frames handed to the encoder
    bool m_failed = false;
};

} // namespace sonivert
