#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace sonivert {

// MPEG channel mode as stored in the two mode bits of an MPEG audio frame
// header; NotMpeg for every other kind of stream.
enum class ChannelMode : int32_t {
    Stereo = 0,
    JointStereo = 1,
    DualChannel = 2,
    Mono = 3,
    NotMpeg = 4,
};

// What a source delivers: sample rate, delivered channels (1 or 2) and the
// width of one delivered sample (8 = unsigned with 128 as silence, 16 = signed
// in machine byte order).
struct PcmFormat {
    int32_t sampleRate = 0;
    int32_t channels = 0;
    int32_t bitsPerSample = 0;

    friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};

// The abstract reader every input decoder implements.
//
// Calling protocol: open(); read the stream information (valid only while
// open) and, if wanted, the tags; call read() with two buffers of
// kBlockFrames samples of bitsPerSample() width each until it returns 0 or
// less; position() against totalLength() is the progress; close() or destroy.
//
// PCM is planar: channel 0 goes to the left buffer, channel 1 to the right
// buffer. A mono source (outputChannels() == 1) never touches the right
// buffer, which may then be null. A source never delivers more than
// kBlockFrames frames from one read(). Files with more than two channels are
// delivered as two channels; each reader documents how.
//
// open() on an open source closes it first. After a failed open() the source
// is closed again, so the caller may only destroy it (or open it anew).
// Implementations call close() from their destructor.
class AudioSource {
public:
    static constexpr int32_t kBlockFrames = 1152;

    AudioSource() = default;
    AudioSource(const AudioSource&) = delete;
    AudioSource& operator=(const AudioSource&) = delete;
    virtual ~AudioSource() = default;

    virtual void close() = 0;
    // path is UTF-8. outputRate is the render rate of synthesised inputs
    // (MIDI, tracker modules); other readers ignore it.
    [[nodiscard]] virtual bool open(const std::string& path, int32_t outputRate) = 0;
    // Returns the frames delivered per channel (at most kBlockFrames); 0 or
    // less at the end of the stream or on a read error.
    virtual int32_t read(void* left, void* right) = 0;

    // Stream length and progress, in the reader's own unit (documented by
    // each reader); fixed after open().
    virtual uint64_t totalLength() const { return m_totalLength; }
    virtual uint64_t position() const { return m_position; }
    virtual int32_t durationSeconds() const { return m_durationSeconds; }
    virtual int32_t channels() const { return m_channels; }
    virtual int32_t outputChannels() const { return m_outputChannels; }
    virtual int32_t sampleRate() const { return m_sampleRate; }
    virtual int32_t bitsPerSample() const { return m_bitsPerSample; }
    virtual ChannelMode channelMode() const { return m_channelMode; }
    virtual int32_t bitrateKbps() const { return m_bitrateKbps; }

    // A 128-byte ID3v1 block owned by the source (valid until close()), or null.
    virtual const uint8_t* id3v1Block() const { return nullptr; }
    // An ID3v2 block owned by the source (valid until close()) and its length
    // in size, or null with size 0.
    virtual const uint8_t* id3v2Block(uint32_t& size) const
    {
        size = 0;
        return nullptr;
    }
    // Fills the nine tag texts (UTF-8) and returns true when the file has
    // tags; leaves them untouched and returns false otherwise.
    virtual bool readTags(std::string& title, std::string& artist, std::string& album,
                          std::string& year, std::string& genre, std::string& comment,
                          std::string& track, std::string& composer, std::string& copyright)
    {
        (void)title, (void)artist, (void)album, (void)year, (void)genre, (void)comment;
        (void)track, (void)composer, (void)copyright;
        return false;
    }
    virtual void videoSize(int32_t& width, int32_t& height) const
    {
        width = m_videoWidth;
        height = m_videoHeight;
    }
    virtual double videoFrameRate() const { return m_videoFrameRate; }

    // Short name of the reader ("wav", "aiff", ...), for diagnostics.
    virtual const char* readerName() const = 0;

    PcmFormat pcmFormat() const { return {sampleRate(), outputChannels(), bitsPerSample()}; }

protected:
    // Puts the base state back to its closed values: every field 0, the
    // channel mode NotMpeg.
    void resetBaseState()
    {
        m_totalLength = 0;
        m_position = 0;
        m_durationSeconds = 0;
        m_sampleRate = 0;
        m_channels = 0;
        m_outputChannels = 0;
        m_bitsPerSample = 0;
        m_bytesPerSample = 0;
        m_bitrateKbps = 0;
        m_channelMode = ChannelMode::NotMpeg;
        m_videoWidth = 0;
        m_videoHeight = 0;
        m_videoFrameRate = 0.0;
    }

    // The rule the file-parsing readers share: whole seconds of the stream,
    // and the bit rate as the stream bytes over those seconds, or the
    // format's nominal rate (in kbit/s) when the stream is shorter than a
    // second. Values beyond 32 bits are clamped.
    void setDurationAndBitrate(uint64_t seconds, uint64_t streamBytes, uint64_t nominalKbps)
    {
        m_durationSeconds = clampToInt32(seconds);
        m_bitrateKbps = clampToInt32(seconds != 0 ? streamBytes / (seconds * 125) : nominalKbps);
    }
    static int32_t clampToInt32(uint64_t v)
    {
        return static_cast<int32_t>(std::min<uint64_t>(v, std::numeric_limits<int32_t>::max()));
    }

    uint64_t m_totalLength = 0;
    uint64_t m_position = 0;
    int32_t m_durationSeconds = 0;
    int32_t m_sampleRate = 0;
    int32_t m_channels = 0;
    int32_t m_outputChannels = 0;
    int32_t m_bitsPerSample = 0;
    int32_t m_bytesPerSample = 0;
    int32_t m_bitrateKbps = 0;
    ChannelMode m_channelMode = ChannelMode::NotMpeg;
    int32_t m_videoWidth = 0;
    int32_t m_videoHeight = 0;
    double m_videoFrameRate = 0.0;
};

} // namespace sonivert
