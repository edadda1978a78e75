#pragma once

// The interface of the Windows Media run-time module: the three entry points
// it exports and the small interfaces they hand out. This header is shared by
// the module and by the program that loads it, so both see the same layout;
// nothing here needs a library.
//
// Conventions, as in the run-time these calls mirror:
// - Every operation returns a Result: 0 for success, a negative code for a
//   failure. No operation throws; the module catches everything inside.
// - Objects are created by the module and given to the caller, who owns one
//   reference and ends it with Release(). An object handed out by another
//   object (a stream configuration of a profile, a sample buffer of the
//   reader) is owned by the caller in the same way and may outlive the call
//   that produced it, but not the module.
// - Texts are UTF-16 (char16_t), zero-terminated where no length is given.
// - Times are in 100-nanosecond units.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

namespace sonivert::wmvcore {

using Result = int32_t;

inline constexpr Result kOk = 0;
inline constexpr Result kFail = static_cast<Result>(0x80004005u);
inline constexpr Result kInvalidArgument = static_cast<Result>(0x80070057u);
inline constexpr Result kOutOfMemory = static_cast<Result>(0x8007000Eu);
// The attribute asked for is not in the file.
inline constexpr Result kAttributeNotFound = static_cast<Result>(0xC00D07F0u);
// The reader has handed out the last sample of the stream.
inline constexpr Result kNoMoreSamples = static_cast<Result>(0xC00D0BCFu);
// The call does not fit the object's state (writing before BeginWriting, ...).
inline constexpr Result kInvalidRequest = static_cast<Result>(0xC00D002Bu);
// A buffer given to the call is too small; the size needed was returned.
inline constexpr Result kBufferTooSmall = static_cast<Result>(0xC00D0BB6u);
// A media type the module cannot produce or accept.
inline constexpr Result kInvalidMediaType = static_cast<Result>(0xC00D0BC0u);

inline bool succeeded(Result r) { return r >= 0; }

struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    uint8_t data4[8] = {};

    friend bool operator==(const Guid& a, const Guid& b)
    {
        return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
               std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
    }
};

// A media sub-type derived from a wave format tag: {tag-0000-0010-8000-00AA00389B71}.
constexpr Guid waveSubtype(uint32_t formatTag)
{
    return Guid{formatTag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

inline constexpr Guid kMediaTypeAudio = waveSubtype(0x73647561); // 'auds'
inline constexpr Guid kMediaTypeVideo = waveSubtype(0x73646976); // 'vids'
inline constexpr Guid kMediaTypeOther = waveSubtype(0x0000);
inline constexpr Guid kSubtypePcm = waveSubtype(0x0001);
inline constexpr Guid kSubtypeWmAudioV8 = waveSubtype(0x0161);
inline constexpr Guid kSubtypeWmAudioV9 = waveSubtype(0x0162);
// The format block of an audio media type is a WaveFormatEx.
inline constexpr Guid kFormatWaveFormatEx = {0x05589F81, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};

// The wave format block: the 18 bytes of the classic WAVEFORMATEX in little
// endian order, followed by extraSize codec-specific bytes.
struct WaveFormatEx {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};
inline constexpr uint32_t kWaveFormatExSize = 18;

// A media type as the interfaces pass it: a block of bytes holding this
// header (copied in and out with memcpy), immediately followed by formatSize
// bytes of format (for audio a WaveFormatEx). Size queries return
// sizeof(MediaType) + formatSize.
struct MediaType {
    Guid majorType;
    Guid subtype;
    int32_t fixedSizeSamples = 0;
    int32_t temporalCompression = 0;
    uint32_t sampleSize = 0;
    Guid formatType;
    uint32_t formatSize = 0;
};

// Reads the header and the format bytes of a media-type block of size bytes.
// False when the block is shorter than its header says.
inline bool readMediaType(const void* block, size_t size, MediaType& header, std::span<const uint8_t>& format)
{
    if (!block || size < sizeof(MediaType))
        return false;
    std::memcpy(&header, block, sizeof(MediaType));
    if (header.formatSize > size - sizeof(MediaType))
        return false;
    format = {static_cast<const uint8_t*>(block) + sizeof(MediaType), header.formatSize};
    return true;
}

// A media-type block of header and format (header.formatSize is set here).
inline std::vector<uint8_t> makeMediaTypeBlock(MediaType header, std::span<const uint8_t> format)
{
    header.formatSize = static_cast<uint32_t>(format.size());
    std::vector<uint8_t> block(sizeof(MediaType) + format.size());
    std::memcpy(block.data(), &header, sizeof(MediaType));
    if (!format.empty())
        std::memcpy(block.data() + sizeof(MediaType), format.data(), format.size());
    return block;
}

// Reads a WaveFormatEx (little endian) from format; false when it is shorter
// than the classic 16 bytes. A 16-byte block has no extraSize (0).
inline bool readWaveFormat(std::span<const uint8_t> format, WaveFormatEx& wave)
{
    if (format.size() < 16)
        return false;
    auto u16 = [&](size_t at) { return static_cast<uint16_t>(format[at] | (format[at + 1] << 8)); };
    auto u32 = [&](size_t at) { return static_cast<uint32_t>(u16(at) | (static_cast<uint32_t>(u16(at + 2)) << 16)); };
    wave.formatTag = u16(0);
    wave.channels = u16(2);
    wave.samplesPerSecond = u32(4);
    wave.averageBytesPerSecond = u32(8);
    wave.blockAlign = u16(12);
    wave.bitsPerSample = u16(14);
    wave.extraSize = format.size() >= kWaveFormatExSize ? u16(16) : 0;
    return true;
}

// Writes the 18 bytes of wave into out (at least kWaveFormatExSize bytes).
inline void writeWaveFormat(const WaveFormatEx& wave, uint8_t* out)
{
    auto u16 = [&](size_t at, uint16_t v) {
        out[at] = static_cast<uint8_t>(v);
        out[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto u32 = [&](size_t at, uint32_t v) {
        u16(at, static_cast<uint16_t>(v));
        u16(at + 2, static_cast<uint16_t>(v >> 16));
    };
    u16(0, wave.formatTag);
    u16(2, wave.channels);
    u32(4, wave.samplesPerSecond);
    u32(8, wave.averageBytesPerSecond);
    u16(12, wave.blockAlign);
    u16(14, wave.bitsPerSample);
    u16(16, wave.extraSize);
}

// The types of attribute values.
enum class AttributeType : int32_t {
    Dword = 0,  // 4 bytes, machine order
    String = 1, // UTF-16 code units in machine order; a terminating zero may be included
    Binary = 2,
    Bool = 3,   // 4 bytes
    Qword = 4,  // 8 bytes, machine order
    Word = 5,   // 2 bytes
    Guid = 6,
};

class Unknown {
public:
    // Ends the caller's reference; the object is destroyed inside the module.
    virtual void Release() noexcept = 0;

protected:
    ~Unknown() = default;
};

// A block of bytes: a sample the reader hands out, or a buffer the writer
// allocates for the caller to fill.
class Buffer : public Unknown {
public:
    virtual Result GetBufferAndLength(uint8_t** data, uint32_t* length) noexcept = 0;
    virtual Result GetMaxLength(uint32_t* length) noexcept = 0;
    // length must not exceed the maximum length.
    virtual Result SetLength(uint32_t length) noexcept = 0;

protected:
    ~Buffer() = default;
};

// Media type of a reader output or a writer input.
class MediaProps : public Unknown {
public:
    virtual Result GetType(Guid* majorType) noexcept = 0;
    // The media-type block (a MediaType header and its format bytes).
    // block null: *size receives the size of the block. Otherwise *size is
    // the capacity of block (kBufferTooSmall when it is too small) and
    // receives the size written.
    virtual Result GetMediaType(void* block, uint32_t* size) noexcept = 0;
    // block holds size bytes: a MediaType header and its format bytes.
    virtual Result SetMediaType(const void* block, uint32_t size) noexcept = 0;

protected:
    ~MediaProps() = default;
};

// One stream of a profile: its media type and its writing parameters.
class StreamConfig : public MediaProps {
public:
    virtual Result GetStreamNumber(uint16_t* number) noexcept = 0;
    virtual Result SetStreamNumber(uint16_t number) noexcept = 0;
    virtual Result SetStreamName(const char16_t* name) noexcept = 0;
    virtual Result SetConnectionName(const char16_t* name) noexcept = 0;
    // Bit rate in bit/s.
    virtual Result GetBitrate(uint32_t* bitsPerSecond) noexcept = 0;
    virtual Result SetBitrate(uint32_t bitsPerSecond) noexcept = 0;
    // Buffer window in milliseconds.
    virtual Result SetBufferWindow(uint32_t milliseconds) noexcept = 0;

protected:
    ~StreamConfig() = default;
};

class Profile : public Unknown {
public:
    virtual Result GetStreamCount(uint32_t* count) noexcept = 0;
    virtual Result GetStream(uint32_t index, StreamConfig** config) noexcept = 0;
    // A new, unattached stream configuration of the given major type.
    virtual Result CreateNewStream(const Guid& majorType, StreamConfig** config) noexcept = 0;
    // Adds a copy of config to the profile.
    virtual Result AddStream(StreamConfig* config) noexcept = 0;

protected:
    ~Profile() = default;
};

// The codecs the module can write and their formats.
class CodecInfo : public Unknown {
public:
    virtual Result GetCodecInfoCount(const Guid& majorType, uint32_t* count) noexcept = 0;
    virtual Result GetCodecFormatCount(const Guid& majorType, uint32_t codec, uint32_t* count) noexcept = 0;
    // The format's stream configuration (media type and bit rate) and its
    // description. description may be null: *descriptionChars then receives
    // the characters needed (terminator included); otherwise it is the
    // capacity of description, and a longer description is cut to fit.
    virtual Result GetCodecFormatDesc(const Guid& majorType, uint32_t codec, uint32_t format, StreamConfig** config,
                                      char16_t* description, uint32_t* descriptionChars) noexcept = 0;

protected:
    ~CodecInfo() = default;
};

class ProfileManager : public Unknown {
public:
    // version: 0x90000 for version 9 profiles, the only version offered.
    virtual Result CreateEmptyProfile(uint32_t version, Profile** profile) noexcept = 0;
    virtual Result GetCodecInfo(CodecInfo** info) noexcept = 0;

protected:
    ~ProfileManager() = default;
};

// Attributes of a file (stream 0) or of one of its streams.
class HeaderInfo : public Unknown {
public:
    // value null: *length receives the size of the value in bytes.
    // Otherwise *length is the capacity of value and receives the size.
    // kAttributeNotFound when the file has no such attribute.
    virtual Result GetAttributeByName(uint16_t* streamNumber, const char16_t* name, AttributeType* type,
                                      uint8_t* value, uint16_t* length) noexcept = 0;
    // Adds an attribute before writing begins; length is in bytes.
    virtual Result AddAttribute(uint16_t streamNumber, const char16_t* name, uint16_t* index, AttributeType type,
                                uint16_t languageIndex, const uint8_t* value, uint32_t length) noexcept = 0;

protected:
    ~HeaderInfo() = default;
};

// Writes one file from a profile. Call order: SetProfile, input properties,
// header attributes, SetOutputFilename, BeginWriting, WriteSample...,
// EndWriting.
class Writer : public Unknown {
public:
    virtual Result SetProfile(Profile* profile) noexcept = 0;
    virtual Result GetInputCount(uint32_t* count) noexcept = 0;
    virtual Result GetInputProps(uint32_t input, MediaProps** props) noexcept = 0;
    virtual Result SetInputProps(uint32_t input, MediaProps* props) noexcept = 0;
    virtual Result GetHeaderInfo(HeaderInfo** info) noexcept = 0;
    virtual Result SetOutputFilename(const char16_t* path) noexcept = 0;
    virtual Result BeginWriting() noexcept = 0;
    virtual Result AllocateSample(uint32_t size, Buffer** sample) noexcept = 0;
    // sample holds PCM in the input's media type; time is its presentation
    // time in 100-ns units.
    virtual Result WriteSample(uint32_t input, uint64_t time, uint32_t flags, Buffer* sample) noexcept = 0;
    // Encodes what is still held, writes the trailer and closes the file.
    virtual Result EndWriting() noexcept = 0;

protected:
    ~Writer() = default;
};

// Reads one file's streams synchronously.
class SyncReader : public Unknown {
public:
    virtual Result Open(const char16_t* path) noexcept = 0;
    virtual Result Close() noexcept = 0;
    // The file's streams with their types and numbers.
    virtual Result GetProfile(Profile** profile) noexcept = 0;
    // selections[i] nonzero: stream streamNumbers[i] is read; the streams
    // not named are not read.
    virtual Result SetStreamsSelected(uint16_t count, const uint16_t* streamNumbers,
                                      const int32_t* selections) noexcept = 0;
    // compressed false: the stream's samples come as the output's media type
    // (16-bit PCM for audio). Compressed samples are not offered.
    virtual Result SetReadStreamSamples(uint16_t streamNumber, int32_t compressed) noexcept = 0;
    virtual Result GetHeaderInfo(HeaderInfo** info) noexcept = 0;
    virtual Result GetOutputCount(uint32_t* count) noexcept = 0;
    virtual Result GetOutputProps(uint32_t output, MediaProps** props) noexcept = 0;
    // The next sample of streamNumber; kNoMoreSamples at its end.
    virtual Result GetNextSample(uint16_t streamNumber, Buffer** sample, uint64_t* time, uint64_t* duration,
                                 uint32_t* flags, uint32_t* output, uint16_t* sampleStreamNumber) noexcept = 0;

protected:
    ~SyncReader() = default;
};

// The one owner of a reference to a module object.
struct Releaser {
    void operator()(Unknown* object) const noexcept { object->Release(); }
};
template <typename T>
using Ptr = std::unique_ptr<T, Releaser>;

} // namespace sonivert::wmvcore

// The three entry points the module exports, by these names.
extern "C" {
using WMCreateProfileManagerFn = sonivert::wmvcore::Result (*)(sonivert::wmvcore::ProfileManager** manager);
// certificate and rights are not used; pass null and 0.
using WMCreateWriterFn = sonivert::wmvcore::Result (*)(void* certificate, sonivert::wmvcore::Writer** writer);
using WMCreateSyncReaderFn = sonivert::wmvcore::Result (*)(void* certificate, uint32_t rights,
                                                           sonivert::wmvcore::SyncReader** reader);
}
