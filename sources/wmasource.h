#pragma once

#include "engine/audiosource.h"
#include "platform/wmvcore/wmvcore.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sonivert {

// Reads Windows Media files (input code 7000) through the Windows Media
// run-time's synchronous reader, which delivers 16-bit PCM. The run-time
// must be loaded first (the factory's Windows Media check does that);
// without it open() refuses.
//
// Stream information: rate and channels of the audio output's wave format;
// two channels are delivered when the file has more than one. Of a file with
// more than two channels every 16-bit value goes to the left channel as a
// frame of its own (six frames per source frame for six channels), as the
// run-time's samples are passed on unmixed.
//
// Progress unit: totalLength() is the "Duration" attribute and position()
// the presentation time of the last sample fetched, both in 100-nanosecond
// units.
class WmaSource final : public AudioSource {
public:
    static constexpr size_t kInitialSampleBufferBytes = 102400;

    WmaSource();
    ~WmaSource() override { close(); }

    void close() override;
    // outputRate is ignored.
    [[nodiscard]] bool open(const std::string& path, int32_t outputRate) override;
    int32_t read(void* left, void* right) override;
    // Always true: the file's title, artist, album, year, genre, comment,
    // composer and copyright attributes (empty when absent) and the track
    // number in decimal ("0" when absent).
    bool readTags(std::string& title, std::string& artist, std::string& album, std::string& year,
                  std::string& genre, std::string& comment, std::string& track, std::string& composer,
                  std::string& copyright) override;
    const char* readerName() const override { return "wma"; }

private:
    bool readAttributes(wmvcore::HeaderInfo& header);
    bool findAudioOutput();
    // Hands out up to want frames of the held sample from count on.
    int32_t handOut(int16_t* left, int16_t* right, int32_t count, int32_t want);

    wmvcore::Ptr<wmvcore::SyncReader> m_reader;
    bool m_isOpen = false;
    uint16_t m_audioStreamNumber = 0;
    uint32_t m_audioOutput = 0;
    std::string m_title, m_artist, m_comment, m_album, m_genre, m_year, m_copyright, m_composer;
    int32_t m_trackNumber = 0;
    std::vector<uint8_t> m_sampleBuffer; // its size is the buffer's capacity in bytes
    size_t m_sampleCursor = 0;           // next unread frame of the held sample
    size_t m_framesLeft = 0;             // frames of the held sample not handed out
};

} // namespace sonivert
