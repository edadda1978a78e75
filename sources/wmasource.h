#pragma once

#include "engine/audiosource.h"
#include "platform/stereodownmix.h"
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
// two channels are delivered when the file has more than one. A file of more
// than two channels is mixed down to two (StereoDownmix, FFmpeg's default
// layout for the count: the run-time names no speakers).
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
    StereoDownmix m_downmix;             // active for more than two channels
    std::vector<int16_t> m_mix16;
};

} // namespace sonivert
