#pragma once

#include "engine/audiosource.h"
#include "platform/stereodownmix.h"
#include "platform/vorbisptr.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sonivert {

// Ogg Vorbis reader over libvorbisfile. Stream information covers the whole
// file (every link of a chained file); a mono stream is delivered as one
// channel, every other one as two: a stereo link as it is, a wider one mixed
// down (StereoDownmix) by the Vorbis channel order.
// Samples are 16-bit.
//
// Progress unit: totalLength() is the file's compressed size over all links
// and position() the compressed bytes consumed so far, both as libvorbisfile
// counts them (ov_raw_total, ov_raw_tell).
//
// A read delivers what one call of the library gives: up to kBlockFrames
// samples for a mono stream, up to 4096 bytes of interleaved samples (1024
// stereo frames) otherwise. A stream that keeps reporting damaged data ends
// after kMaxConsecutiveErrors failed calls in a row.
class OggSource final : public AudioSource {
public:
    static constexpr int kMaxConsecutiveErrors = 64;
    static constexpr size_t kInterleaveBytes = 4096;

    OggSource() = default;
    ~OggSource() override { close(); }

    void close() override;
    [[nodiscard]] bool open(const std::string& path, int32_t outputRate) override;
    int32_t read(void* left, void* right) override;
    uint64_t position() const override;
    const char* readerName() const override { return "ogg"; }

    // The nine texts from the comments with the keys TITLE, ARTIST, ALBUM,
    // DATE, GENRE, COMMENT, TRACKNUMBER, COMPOSER, COPYRIGHT, compared without
    // regard to case; the last comment with a key wins, a key without comment
    // gives an empty text. Always true for an open file, even without
    // comments, so no other tag source is asked.
    bool readTags(std::string& title, std::string& artist, std::string& album, std::string& year,
                  std::string& genre, std::string& comment, std::string& track, std::string& composer,
                  std::string& copyright) override;

    // The user comments ("KEY=value", UTF-8) in file order; a comment that is
    // not valid UTF-8 is left out.
    const std::vector<std::string>& comments() const { return m_comments; }
    const std::string& vendor() const { return m_vendor; }
    int32_t streamVersion() const { return m_streamVersion; }

private:
    // One ov_read into buffer, retried while the library reports a hole or
    // damage, at most kMaxConsecutiveErrors times. Returns the bytes read
    // (0 at the end or when the errors do not stop) and the channel count
    // of the link they came from.
    long readBytes(char* buffer, int bytes, int& linkChannels);

    OggVorbisFilePtr m_file;
    std::vector<std::string> m_comments;
    std::string m_vendor;
    int32_t m_streamVersion = 0;
    // Interleaved samples of the last multi-channel read. A link with fewer
    // channels than the first (chained files) can give more frames than one
    // block holds; those wait here for the next read.
    std::array<int16_t, kInterleaveBytes / sizeof(int16_t)> m_interleave{};
    int32_t m_pendingFrames = 0;
    int32_t m_pendingOffset = 0; // in frames
    int32_t m_pendingChannels = 0;
    StereoDownmix m_downmix; // for the link being read, when it has more than two channels
};

} // namespace sonivert
