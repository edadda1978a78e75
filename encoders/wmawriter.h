#pragma once

#include "encoders/wmaformatlist.h"
#include "engine/tracktags.h"
#include "platform/wmvcore/wmvcore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonivert {

// Writes a Windows Media Audio file through the Windows Media run-time's
// writer: a one-stream audio profile from a codec format of the
// WmaFormatList, PCM input in the caller's own format (the run-time
// converts rate and channels), tag attributes in the header.
//
// Call order: SetPath, SetInputFormat, SetCodecFormat and optionally SetTags
// and SetPicture (configured), Start (writing), WriteBlock16 or WriteBlock8 per block,
// Finish (idle again). A failed Start releases everything and forgets the
// configuration. Finish is safe in every state and is the destructor's
// work too. The run-time must be loaded (LoadWmaRuntime); without it Start
// fails.
class WmaWriter {
public:
    // A tag attribute as it goes into the header of stream 0.
    struct Attribute {
        std::u16string name;
        wmvcore::AttributeType type = wmvcore::AttributeType::String;
        std::vector<uint8_t> value; // the bytes passed, their count the length passed
    };

    WmaWriter() = default;
    WmaWriter(const WmaWriter&) = delete;
    WmaWriter& operator=(const WmaWriter&) = delete;
    ~WmaWriter() { (void)Finish(); }

    // The output file (UTF-8).
    void SetPath(const std::string& path) { m_path = path; }
    // The PCM the caller will deliver: rate in Hz, 8 or 16 bits, 1 or 2 channels.
    void SetInputFormat(int32_t sampleRate, int32_t bitsPerSample, int32_t channels);
    // The codec format chosen from the WmaFormatList (its media type and bit rate).
    void SetCodecFormat(const WmaFormat& format);
    // The tag texts (UTF-8) and the track number. A text that is not valid
    // UTF-8 is left out.
    void SetTags(const std::string& title, const std::string& album, const std::string& artist,
                 const std::string& genre, const std::string& year, const std::string& comment,
                 const std::string& composer, const std::string& copyright, int32_t trackNumber);

    // The picture of the tags, written as the binary "WM/Picture": picture
    // type (one byte), data length (32-bit little-endian), MIME type and
    // description (UTF-16LE, each with its terminating zero), the data. A
    // picture without data or MIME type is left out, and so is a
    // description that is not valid UTF-8.
    void SetPicture(const TagPicture& picture);

    // The header attributes SetTags gives, in the order they are written:
    // "Title" (its length counts the terminating zero), "Author",
    // "WM/AlbumArtist" (both the artist), "Description", "WM/AlbumTitle",
    // "WM/Genre", "WM/TrackNumber" (a 32-bit number), "WM/Year",
    // "WM/Composer", "Copyright" (strings without their terminator); then
    // "WM/Picture" after SetPicture. Empty before either.
    std::vector<Attribute> tagAttributes() const;

    // Creates the run-time's writer and profile, declares the input, writes
    // the tag attributes and begins writing. False, with everything released
    // and the configuration forgotten, when any step fails or no codec
    // format was set.
    [[nodiscard]] bool Start();

    // Writes count frames (at most what one sample may hold): left and right
    // interleaved for two channels (right must then be given), left alone
    // for one. The sample time advances by count x 10 000 000 / rate.
    [[nodiscard]] bool WriteBlock16(const int16_t* left, const int16_t* right, int32_t count);
    [[nodiscard]] bool WriteBlock8(const uint8_t* left, const uint8_t* right, int32_t count);

    // Ends writing (the run-time encodes what it holds and closes the file),
    // releases everything and resets all fields. False when writing was
    // under way and could not be ended cleanly.
    [[nodiscard]] bool Finish();

    bool isWriting() const { return m_writer != nullptr; }

private:
    struct Tags {
        std::optional<std::u16string> title, album, artist, genre, year, comment, composer, copyright;
        int32_t trackNumber = 0;
    };

    static void appendTextAttributes(const Tags& tags, std::vector<Attribute>& list);
    bool startSteps();
    bool writeBlock(const void* left, const void* right, int32_t count, int32_t bytesPerSample);
    void reset();

    std::optional<Tags> m_tags;
    std::optional<std::vector<uint8_t>> m_picture; // the WM/Picture value
    std::string m_path;
    int32_t m_inputRate = 0;
    int32_t m_inputBits = 0;
    int32_t m_inputChannels = 0;
    std::optional<WmaFormat> m_codec;

    // While writing; released in reverse order.
    wmvcore::Ptr<wmvcore::Writer> m_writer;
    wmvcore::Ptr<wmvcore::HeaderInfo> m_header;
    wmvcore::Ptr<wmvcore::Profile> m_profile;
    uint32_t m_input = 0;
    uint64_t m_sampleTime = 0;
};

} // namespace sonivert
