#pragma once

#include "platform/vorbisptr.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace sonivert {

struct TrackTags;

// Encodes 16-bit PCM into one logical Ogg Vorbis stream with libvorbis,
// libvorbisenc and libogg: the three header packets flushed to pages of
// their own, then audio pages, the last one flagged end-of-stream. The
// encoder is set up for a nominal bit rate with bit-rate management switched
// off afterwards, so the nominal rate steers a quality-based variable rate.
//
// Calling order: Open(path); Configure(); optionally SetComments(); then
// WriteHeaders(); EncodeBlock() for every block; Finish(); Close(). Close is
// safe in every state and is also the destructor's work. Every library
// record is cleared exactly once, by its owner (platform/vorbisptr.h).
class VorbisEncoder {
public:
    VorbisEncoder() = default;
    ~VorbisEncoder();
    VorbisEncoder(const VorbisEncoder&) = delete;
    VorbisEncoder& operator=(const VorbisEncoder&) = delete;

    // Closes first, then creates (or truncates) the file at path (UTF-8) for
    // binary writing and starts an empty encoder set-up and comment list.
    // False when the file cannot be created.
    [[nodiscard]] bool Open(const std::string& path);

    // Sets the encoder up for sampleRate (Hz), channels (1 or 2) and a
    // nominal bit rate in bit/s, then turns bit-rate management off. False
    // when nothing is open, it was configured already, the channel count is
    // not 1 or 2, or the library rejects the combination; the caller then
    // closes the encoder.
    [[nodiscard]] bool Configure(int32_t sampleRate, int32_t channels, int32_t nominalBitsPerSecond);

    // Adds the non-empty texts (UTF-8) as comments in the order TITLE,
    // ARTIST, ALBUM, DATE (the year), GENRE, COMMENT, COMPOSER, COPYRIGHT,
    // TRACKNUMBER. The track text is added only when its decimal value is
    // above 0; a text that is not valid UTF-8 is left out. Only between
    // Open and WriteHeaders; ignored otherwise.
    void SetComments(const TrackTags& tags);

    // Starts the analysis and writes the identification, comment and setup
    // headers on pages of their own, so the audio starts on a new page. Each
    // encoder of the process gets its own stream serial number. False before
    // Configure, when called twice, or when the library cannot start.
    [[nodiscard]] bool WriteHeaders();

    // Encodes samples frames: left and right each hold samples 16-bit values
    // (right is read only for two channels and may be null for one). Full
    // pages are written as they become ready. False before WriteHeaders,
    // after Finish, without the buffers the channel count needs, or once a
    // write to the file has failed.
    [[nodiscard]] bool EncodeBlock(const int16_t* left, const int16_t* right, int32_t samples);

    // Marks the end of the stream and writes the remaining pages, the last
    // one flagged end-of-stream. False when the stream never started or a
    // write failed. Further calls do nothing.
    bool Finish();

    // Closes the file and clears every library record. True when all pages
    // written reached the file (also when nothing was open); false after a
    // failed write or when closing the file failed.
    bool Close();

    int32_t sampleRate() const { return m_sampleRate; }
    int32_t channels() const { return m_channels; }

private:
    // Hands the finished blocks to the bit-rate stage and their packets to
    // the stream, writing every full page (all of them at the end).
    bool drainBlocks();
    void writePage(const ogg_page& page);

    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    // Declared so that destruction runs file, stream, block, DSP state,
    // comment, info: each record outlives the ones that refer to it.
    VorbisInfoPtr m_info;
    VorbisCommentPtr m_comment;
    VorbisDspPtr m_dsp;
    VorbisBlockPtr m_block;
    OggStreamPtr m_stream;
    std::unique_ptr<std::FILE, FileCloser> m_file;
    int32_t m_sampleRate = 0;
    int32_t m_channels = 0;
    bool m_configured = false;
    bool m_finished = false;
    bool m_endOfStreamWritten = false;
    bool m_writeFailed = false;
};

} // namespace sonivert
