#pragma once

#include "engine/audiosource.h"
#include "platform/stereodownmix.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sonivert {

// Decodes through the decoding library (platform/bass/bass.h) and the add-on
// modules loaded at start-up: MP3 and the other stream formats, tracker
// modules and MIDI files. Nothing here works before startDecodingBackEnds()
// (sources/decoderstartup.h) has initialised the library; MIDI files render
// only once a sound font is installed (sources/soundfont.h).
//
// Kinds: a path ending in ".mp3" (any letter case) is an MP3 and the only
// kind with an MPEG channel mode and ID3 blocks; ".midi", ".mid", ".rmi" and
// ".kar" are MIDI files, rendered at open()'s outputRate (0: the library's
// rate). Any other file is opened as a stream, and when the library refuses
// it as a stream, as a tracker module rendered at outputRate.
//
// Samples: 16-bit signed or 8-bit unsigned as the library decodes them. A
// mono file goes to the left buffer, a stereo one to left and right; wider
// files are mixed down to two (StereoDownmix) by the speakers the library
// names for their channels. One read() asks the
// library for at most 1152 stereo frames' worth of bytes, rounded down to
// whole frames of the file, so a 5.1 file delivers 384 frames per block.
//
// Progress unit: totalLength() is the decoded length in bytes (all channels
// interleaved) and position() the library's decoded byte position.
class BassSource final : public AudioSource {
public:
    enum class Kind : int32_t { Stream = 0, Mp3 = 1, Module = 2, Midi = 3 };

    BassSource();
    ~BassSource() override;

    // Frees the channel with the call that matches its kind, the block
    // buffer and both ID3 copies. Safe when nothing is open.
    void close() override;
    // Refuses (returns false, closed) when no channel can be made or its
    // length is 0. The MPEG header and the file size only refine the stream
    // information; failing to read them never refuses the file.
    [[nodiscard]] bool open(const std::string& path, int32_t outputRate) override;
    // 0 at the end of the stream and on a library error.
    int32_t read(void* left, void* right) override;

    // MP3 only. The ID3v1 block is asked for on the first call and kept;
    // the ID3v2 block is asked for on every call until the library has one,
    // then kept. Both stay valid until close().
    const uint8_t* id3v1Block() const override;
    const uint8_t* id3v2Block(uint32_t& size) const override;
    // The tag library's title, artist, album, year, genre, comment, track,
    // composer and copyright. False, nothing changed, when the file has no
    // tags or their text cannot be read. See splitTagLines for how a missing
    // line leaves the later fields unchanged.
    bool readTags(std::string& title, std::string& artist, std::string& album, std::string& year,
                  std::string& genre, std::string& comment, std::string& track, std::string& composer,
                  std::string& copyright) override;
    const char* readerName() const override { return "bass"; }

    Kind kind() const { return m_kind; }
    // The library's channel handle, 0 while closed (diagnostics and tests).
    uint32_t handle() const { return m_channel.handle(); }
    // Bytes asked of the library per read().
    uint32_t blockBytes() const { return static_cast<uint32_t>(m_blockBuffer.size()); }

private:
    // The one owner of a library channel; frees a tracker module with the
    // module call and every other channel with the stream call.
    class Channel {
    public:
        Channel() = default;
        ~Channel() { reset(); }
        Channel(const Channel&) = delete;
        Channel& operator=(const Channel&) = delete;

        void reset(uint32_t handle = 0, bool module = false);
        uint32_t handle() const { return m_handle; }

    private:
        uint32_t m_handle = 0;
        bool m_module = false;
    };

    void readChannelMode(const std::string& path);
    void computeBitrate();
    void updatePosition();

    Channel m_channel;
    std::vector<uint8_t> m_blockBuffer; // int16_t-aligned: it holds 16-bit samples
    StereoDownmix m_downmix;            // active for more than two channels
    uint32_t m_frameBytes = 0;
    mutable std::unique_ptr<std::array<uint8_t, 128>> m_id3v1Copy;
    mutable bool m_id3v1Asked = false;
    mutable std::vector<uint8_t> m_id3v2Copy;
    Kind m_kind = Kind::Stream;
    std::string m_path;
};

// The channel mode in the two top bits of byte 3 of an MPEG audio frame
// header, or nothing when the four bytes are not a frame header with a
// listed bit rate: sync (0xFF, then three set bits), a version other than
// the reserved 01, a layer other than the reserved 00, and a bit-rate index
// whose entry in the MPEG-1 or MPEG-2/2.5 table of that layer is neither
// "free" (0) nor "bad" (15).
std::optional<ChannelMode> mpegFrameChannelMode(std::span<const uint8_t, 4> header);

// Length of the ID3v2 block whose 10-byte header starts block: 10 plus the
// 28-bit synchsafe size of bytes 6 to 9 (the low seven bits of each, byte 6
// most significant). A footer is not counted.
uint32_t id3v2BlockLength(std::span<const uint8_t, 10> header);

// The nine fields of the tag library's text, one per line in the order
// track, title, artist, album, genre, year, comment, composer, copyright.
// A field is assigned only when the line feed that ends it is there; the
// copyright is the rest of the text after the eighth line feed and is
// assigned together with the composer. Where a line feed is missing, that
// field and every later one keep their values.
void splitTagLines(std::string_view text, std::string& track, std::string& title, std::string& artist,
                   std::string& album, std::string& genre, std::string& year, std::string& comment,
                   std::string& composer, std::string& copyright);

} // namespace sonivert
