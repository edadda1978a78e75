#include "sources/basssource.h"

#include "engine/binaryfile.h"
#include "platform/bass/bass.h"
#include "platform/localtext.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace sonivert {
namespace {

constexpr uint32_t kId3v1Bytes = 128;
constexpr uint32_t kId3v2HeaderBytes = 10;
constexpr uint32_t kLowWordNotAvailable = 0xFFFFFFFFu;

// The tag library's fields, one per line; splitTagLines reads them back in
// this order.
constexpr const char* kTagFormat = "%TRCK\n%TITL\n%ARTI\n%ALBM\n%GNRE\n%YEAR\n%CMNT\n%COMP\n%COPY";

// Bit rates in kbit/s by index 0..14; index 0 is the free format.
constexpr std::array<std::array<uint16_t, 15>, 3> kMpeg1Rates = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // layer III
}};
constexpr std::array<std::array<uint16_t, 15>, 3> kMpeg2Rates = {{
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256}, // layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},      // layers II and III
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
}};

// The text from the last '.' of the path on, lower-cased ASCII; empty when
// there is no dot.
std::string extensionOf(const std::string& path)
{
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return ext;
}

BassSource::Kind kindFromPath(const std::string& path)
{
    const std::string ext = extensionOf(path);
    if (ext == ".mp3")
        return BassSource::Kind::Mp3;
    if (ext == ".midi" || ext == ".mid" || ext == ".rmi" || ext == ".kar")
        return BassSource::Kind::Midi;
    return BassSource::Kind::Stream;
}

// Splits interleaved samples of `channels` per frame into the left and
// right buffers; returns the whole frames delivered.
template <typename Sample>
int32_t splitFirstTwo(const uint8_t* interleaved, uint32_t bytes, uint32_t channels, void* left, void* right)
{
    const uint32_t frames = bytes / static_cast<uint32_t>(sizeof(Sample)) / channels;
    auto* l = static_cast<Sample*>(left);
    auto* r = static_cast<Sample*>(right);
    for (uint32_t f = 0; f < frames; ++f) {
        Sample pair[2];
        std::memcpy(pair, interleaved + static_cast<size_t>(f) * channels * sizeof(Sample), sizeof(pair));
        l[f] = pair[0];
        if (r)
            r[f] = pair[1];
    }
    return static_cast<int32_t>(frames);
}

} // namespace

std::optional<ChannelMode> mpegFrameChannelMode(std::span<const uint8_t, 4> h)
{
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int version = (h[1] >> 3) & 3; // 0 MPEG-2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
    const int layerBits = (h[1] >> 1) & 3; // 3 layer I, 2 layer II, 1 layer III, 0 reserved
    const int rateIndex = h[2] >> 4;
    if (version == 1 || layerBits == 0 || rateIndex == 15)
        return std::nullopt;
    const size_t layer = static_cast<size_t>(3 - layerBits); // 0 layer I .. 2 layer III
    const auto& table = version == 3 ? kMpeg1Rates : kMpeg2Rates;
    if (table[layer][static_cast<size_t>(rateIndex)] == 0)
        return std::nullopt;
    return static_cast<ChannelMode>(h[3] >> 6);
}

uint32_t id3v2BlockLength(std::span<const uint8_t, 10> header)
{
    const uint32_t size = (static_cast<uint32_t>(header[6] & 0x7F) << 21) |
                          (static_cast<uint32_t>(header[7] & 0x7F) << 14) |
                          (static_cast<uint32_t>(header[8] & 0x7F) << 7) | static_cast<uint32_t>(header[9] & 0x7F);
    return kId3v2HeaderBytes + size;
}

void splitTagLines(std::string_view text, std::string& track, std::string& title, std::string& artist,
                   std::string& album, std::string& genre, std::string& year, std::string& comment,
                   std::string& composer, std::string& copyright)
{
    std::string* const lines[] = {&track, &title, &artist, &album, &genre, &year, &comment};
    size_t start = 0;
    for (std::string* field : lines) {
        const size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            return;
        field->assign(text.substr(start, end - start));
        start = end + 1;
    }
    const size_t end = text.find('\n', start);
    if (end == std::string_view::npos)
        return;
    composer.assign(text.substr(start, end - start));
    copyright.assign(text.substr(end + 1));
}

void BassSource::Channel::reset(uint32_t handle, bool module)
{
    if (m_handle != 0) {
        if (m_module)
            BASS_MusicFree(m_handle);
        else
            BASS_StreamFree(m_handle);
    }
    m_handle = handle;
    m_module = module;
}

BassSource::BassSource()
{
    resetBaseState();
}

BassSource::~BassSource()
{
    close();
}

void BassSource::close()
{
    m_channel.reset();
    m_blockBuffer.clear();
    m_blockBuffer.shrink_to_fit();
    m_frameBytes = 0;
    m_downmix.setSpeakers({});
    m_id3v1Copy.reset();
    m_id3v1Asked = false;
    m_id3v2Copy.clear();
    m_id3v2Copy.shrink_to_fit();
    m_kind = Kind::Stream;
    resetBaseState();
}

bool BassSource::open(const std::string& path, int32_t outputRate)
{
    close();
    m_kind = kindFromPath(path);
    const DWORD rate = outputRate > 0 ? static_cast<DWORD>(outputRate) : 0;
    const char* file = path.c_str();

    if (m_kind == Kind::Midi) {
        m_channel.reset(BASS_MIDI_StreamCreateFile(0, file, 0, 0, BASS_STREAM_DECODE, rate));
    } else {
        m_channel.reset(BASS_StreamCreateFile(0, file, 0, 0, BASS_STREAM_DECODE));
        if (m_channel.handle() == 0) {
            const HMUSIC music =
                BASS_MusicLoad(0, file, 0, 0, BASS_MUSIC_DECODE | BASS_MUSIC_PRESCAN | BASS_MUSIC_RAMP, rate);
            if (music != 0) {
                m_channel.reset(music, true);
                m_kind = Kind::Module;
            }
        }
    }
    const DWORD handle = m_channel.handle();
    if (handle == 0) {
        close();
        return false;
    }

    const QWORD length = BASS_ChannelGetLength(handle, BASS_POS_BYTE);
    BASS_CHANNELINFO info{};
    if (length == 0 || length == BASS_POSITION_ERROR || !BASS_ChannelGetInfo(handle, &info) || info.chans == 0 ||
        info.freq == 0 || info.freq > static_cast<DWORD>(std::numeric_limits<int32_t>::max()) ||
        info.chans > static_cast<DWORD>(std::numeric_limits<int32_t>::max())) {
        close();
        return false;
    }
    m_totalLength = length;
    const double seconds = BASS_ChannelBytes2Seconds(handle, length);
    m_durationSeconds = seconds > 0 ? clampToInt32(static_cast<uint64_t>(seconds)) : 0;

    m_sampleRate = static_cast<int32_t>(info.freq);
    m_channels = static_cast<int32_t>(info.chans);
    m_bitsPerSample = (info.flags & BASS_SAMPLE_8BITS) ? 8 : 16;
    m_bytesPerSample = m_bitsPerSample / 8;
    m_outputChannels = m_channels < 2 ? 1 : 2;

    if (m_kind == Kind::Mp3)
        readChannelMode(path);
    computeBitrate();

    // Whole frames of the file, so a read never ends inside a frame and the
    // next one never starts with the wrong channel; at least one frame.
    m_frameBytes = static_cast<uint32_t>(m_bytesPerSample) * info.chans;
    if (m_channels > 2) {
        // Mixed down to two by the speakers the library names.
        std::vector<int> order(info.chans);
        order.resize(SONIVERT_ChannelGetSpeakers(handle, order.data(), info.chans));
        if (!m_downmix.setSpeakers(order) && !m_downmix.setSpeakers(speakers::byDefault(m_channels))) {
            close();
            return false;
        }
    }
    const uint32_t wanted = static_cast<uint32_t>(m_bytesPerSample * m_outputChannels * kBlockFrames);
    m_blockBuffer.resize(std::max(m_frameBytes, wanted / m_frameBytes * m_frameBytes));
    m_path = path;
    return true;
}

void BassSource::readChannelMode(const std::string& path)
{
    const QWORD start = BASS_StreamGetFilePosition(m_channel.handle(), BASS_FILEPOS_START);
    if ((start & kLowWordNotAvailable) == kLowWordNotAvailable)
        return;
    BinaryFile file;
    std::array<uint8_t, 4> header{};
    if (!file.open(path) || !file.seek(start) || !file.readExact(header.data(), header.size()))
        return;
    if (const std::optional<ChannelMode> mode = mpegFrameChannelMode(header))
        m_channelMode = *mode;
}

void BassSource::computeBitrate()
{
    const double seconds = BASS_ChannelBytes2Seconds(m_channel.handle(), m_totalLength);
    const QWORD end = BASS_StreamGetFilePosition(m_channel.handle(), BASS_FILEPOS_END);
    if (seconds > 0 && end != BASS_POSITION_ERROR) {
        const double kbps = std::trunc(static_cast<double>(end) / (seconds * 125) + 0.5);
        m_bitrateKbps = kbps >= static_cast<double>(std::numeric_limits<int32_t>::max())
                            ? std::numeric_limits<int32_t>::max()
                            : static_cast<int32_t>(kbps);
    } else {
        m_bitrateKbps = clampToInt32(static_cast<uint64_t>(m_bitsPerSample) * static_cast<uint64_t>(m_sampleRate) *
                                     static_cast<uint64_t>(m_channels) / 1000);
    }
}

void BassSource::updatePosition()
{
    const QWORD position = BASS_ChannelGetPosition(m_channel.handle(), BASS_POS_BYTE);
    if (position != BASS_POSITION_ERROR)
        m_position = position;
}

int32_t BassSource::read(void* left, void* right)
{
    const DWORD handle = m_channel.handle();
    if (handle == 0 || left == nullptr)
        return 0;
    if (m_channels < 2) {
        // Mono: the library writes straight into left, which holds
        // kBlockFrames samples; the block buffer has that size too.
        const DWORD got = BASS_ChannelGetData(handle, left, static_cast<DWORD>(m_blockBuffer.size()));
        if (got == BASS_DATA_ERROR || got == 0)
            return 0;
        updatePosition();
        return static_cast<int32_t>(std::min<DWORD>(got, static_cast<DWORD>(m_blockBuffer.size())) /
                                    static_cast<DWORD>(m_bytesPerSample));
    }
    const DWORD got = BASS_ChannelGetData(handle, m_blockBuffer.data(), static_cast<DWORD>(m_blockBuffer.size()));
    if (got == BASS_DATA_ERROR || got == 0)
        return 0;
    updatePosition();
    const uint32_t bytes = std::min<uint32_t>(got, static_cast<uint32_t>(m_blockBuffer.size()));
    const auto channels = static_cast<uint32_t>(m_channels);
    if (m_downmix.active()) {
        const size_t frames = bytes / m_frameBytes;
        if (m_bitsPerSample == 8)
            m_downmix.mix(m_blockBuffer.data(), frames, static_cast<uint8_t*>(left), static_cast<uint8_t*>(right));
        else
            m_downmix.mix(reinterpret_cast<const int16_t*>(m_blockBuffer.data()), frames,
                          static_cast<int16_t*>(left), static_cast<int16_t*>(right));
        return static_cast<int32_t>(frames);
    }
    if (m_bitsPerSample == 8)
        return splitFirstTwo<uint8_t>(m_blockBuffer.data(), bytes, channels, left, right);
    return splitFirstTwo<int16_t>(m_blockBuffer.data(), bytes, channels, left, right);
}

const uint8_t* BassSource::id3v1Block() const
{
    if (m_kind != Kind::Mp3 || m_channel.handle() == 0)
        return nullptr;
    if (!m_id3v1Asked) {
        m_id3v1Asked = true;
        if (const char* tag = BASS_ChannelGetTags(m_channel.handle(), BASS_TAG_ID3)) {
            m_id3v1Copy = std::make_unique<std::array<uint8_t, kId3v1Bytes>>();
            std::memcpy(m_id3v1Copy->data(), tag, kId3v1Bytes);
        }
    }
    return m_id3v1Copy ? m_id3v1Copy->data() : nullptr;
}

const uint8_t* BassSource::id3v2Block(uint32_t& size) const
{
    size = 0;
    if (m_kind != Kind::Mp3 || m_channel.handle() == 0)
        return nullptr;
    if (m_id3v2Copy.empty()) {
        const char* tag = BASS_ChannelGetTags(m_channel.handle(), BASS_TAG_ID3V2);
        if (!tag)
            return nullptr;
        const auto* header = reinterpret_cast<const uint8_t*>(tag);
        const uint32_t length = id3v2BlockLength(std::span<const uint8_t, kId3v2HeaderBytes>(header, kId3v2HeaderBytes));
        m_id3v2Copy.assign(header, header + length);
    }
    size = static_cast<uint32_t>(m_id3v2Copy.size());
    return m_id3v2Copy.data();
}

bool BassSource::readTags(std::string& title, std::string& artist, std::string& album, std::string& year,
                          std::string& genre, std::string& comment, std::string& track, std::string& composer,
                          std::string& copyright)
{
    if (m_channel.handle() == 0)
        return false;
    const char* raw = TAGS_Read(m_channel.handle(), kTagFormat);
    if (raw == nullptr || raw[0] == '\0')
        return false;
    // The library's text is UTF-8 for every kind of file, as the program's
    // own texts are; a stray byte costs its character, not every field.
    splitTagLines(sanitizedUtf8(raw), track, title, artist, album, genre, year, comment, composer, copyright);
    return true;
}

} // namespace sonivert
