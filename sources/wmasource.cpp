#include "sources/wmasource.h"

#include "platform/wmvcore/wmvtext.h"
#include "sources/wmaruntime.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>
#include <optional>

namespace sonivert {
namespace {

using wmvcore::AttributeType;
using wmvcore::succeeded;

// Longest track-number text read, in bytes.
constexpr size_t kTrackTextBytes = 20;

// The value of an attribute of the file (stream 0): its type and bytes;
// nothing when the file lacks it; failed when the run-time reports any
// other error.
struct AttributeValue {
    bool failed = false;
    bool found = false;
    AttributeType type = AttributeType::String;
    std::vector<uint8_t> bytes;
};

AttributeValue attribute(wmvcore::HeaderInfo& header, const char16_t* name)
{
    AttributeValue v;
    uint16_t stream = 0;
    uint16_t length = 0;
    const wmvcore::Result sized = header.GetAttributeByName(&stream, name, &v.type, nullptr, &length);
    if (sized == wmvcore::kAttributeNotFound)
        return v;
    if (!succeeded(sized)) {
        v.failed = true;
        return v;
    }
    v.bytes.resize(length);
    stream = 0;
    if (!succeeded(header.GetAttributeByName(&stream, name, &v.type, v.bytes.data(), &length)) ||
        length > v.bytes.size()) {
        v.failed = true;
        return v;
    }
    v.bytes.resize(length);
    v.found = true;
    return v;
}

// A string value as UTF-8 text: the UTF-16 units up to the first zero.
std::string stringValue(const AttributeValue& v)
{
    if (!v.found || v.type != AttributeType::String || v.bytes.size() < 2)
        return {};
    std::u16string text(v.bytes.size() / 2, u'\0');
    std::memcpy(text.data(), v.bytes.data(), text.size() * 2);
    text.resize(std::min(text.size(), text.find(u'\0')));
    return wmvcore::utf16ToUtf8(text);
}

template <typename T>
std::optional<T> numberValue(const AttributeValue& v, AttributeType type)
{
    if (!v.found || v.type != type || v.bytes.size() != sizeof(T))
        return std::nullopt;
    T value;
    std::memcpy(&value, v.bytes.data(), sizeof value);
    return value;
}

// A decimal integer at the start of text, after blanks, with an optional
// sign; 0 when there is none or it does not fit 32 bits.
int32_t leadingInteger(std::string text)
{
    text.resize(std::min(text.size(), kTrackTextBytes));
    size_t at = text.find_first_not_of(" \t\n\v\f\r");
    if (at == std::string::npos)
        return 0;
    if (text[at] == '+')
        ++at;
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data() + at, text.data() + text.size(), value);
    return ec == std::errc() ? value : 0;
}

} // namespace

WmaSource::WmaSource() : m_sampleBuffer(kInitialSampleBufferBytes) {}

void WmaSource::close()
{
    if (m_reader && m_isOpen)
        m_reader->Close();
    m_isOpen = false;
    m_reader.reset();
    m_title.clear();
    m_artist.clear();
    m_comment.clear();
    m_album.clear();
    m_genre.clear();
    m_year.clear();
    m_copyright.clear();
    m_composer.clear();
    m_trackNumber = 0;
    m_audioStreamNumber = 0;
    m_audioOutput = 0;
    m_sampleCursor = 0;
    m_framesLeft = 0;
    m_downmix.setSpeakers({});
    resetBaseState();
}

bool WmaSource::open(const std::string& path, int32_t /*outputRate*/)
{
    close();
    const WmaRuntimeEntryPoints runtime = WmaRuntimeEntries();
    if (!runtime.WMCreateSyncReader)
        return false;
    wmvcore::SyncReader* raw = nullptr;
    if (!succeeded(runtime.WMCreateSyncReader(nullptr, 0, &raw)) || !raw)
        return false;
    m_reader.reset(raw);

    auto refuse = [this] {
        close();
        return false;
    };
    const std::optional<std::u16string> widePath = wmvcore::utf8ToUtf16(path);
    if (!widePath || !succeeded(m_reader->Open(widePath->c_str())))
        return refuse();
    m_isOpen = true;

    // The first audio stream of the file.
    wmvcore::Profile* rawProfile = nullptr;
    if (!succeeded(m_reader->GetProfile(&rawProfile)) || !rawProfile)
        return refuse();
    const wmvcore::Ptr<wmvcore::Profile> profile(rawProfile);
    uint32_t streams = 0;
    if (!succeeded(profile->GetStreamCount(&streams)))
        return refuse();
    bool found = false;
    for (uint32_t i = 0; i < streams && !found; ++i) {
        wmvcore::StreamConfig* rawConfig = nullptr;
        if (!succeeded(profile->GetStream(i, &rawConfig)) || !rawConfig)
            return refuse();
        const wmvcore::Ptr<wmvcore::StreamConfig> config(rawConfig);
        wmvcore::Guid type;
        if (!succeeded(config->GetType(&type)))
            return refuse();
        if (type == wmvcore::kMediaTypeAudio)
            found = succeeded(config->GetStreamNumber(&m_audioStreamNumber));
    }
    if (!found)
        return refuse();

    // Only that stream, as PCM.
    const int32_t on = 1;
    if (!succeeded(m_reader->SetStreamsSelected(1, &m_audioStreamNumber, &on)) ||
        !succeeded(m_reader->SetReadStreamSamples(m_audioStreamNumber, 0)))
        return refuse();

    wmvcore::HeaderInfo* rawHeader = nullptr;
    if (!succeeded(m_reader->GetHeaderInfo(&rawHeader)) || !rawHeader)
        return refuse();
    const wmvcore::Ptr<wmvcore::HeaderInfo> header(rawHeader);
    if (!readAttributes(*header) || !findAudioOutput())
        return refuse();

    m_position = 0;
    m_sampleCursor = 0;
    m_framesLeft = 0;
    return true;
}

bool WmaSource::readAttributes(wmvcore::HeaderInfo& header)
{
    // In this order; a missing attribute is no failure, any other error is.
    const char16_t* const names[] = {u"Title",    u"Author",         u"Description", u"WM/AlbumTitle",
                                     u"WM/Genre", u"WM/TrackNumber", u"WM/Year",     u"Copyright",
                                     u"WM/Composer", u"Duration",    u"Bitrate"};
    AttributeValue values[std::size(names)];
    for (size_t i = 0; i < std::size(names); ++i) {
        values[i] = attribute(header, names[i]);
        if (values[i].failed)
            return false;
    }
    m_title = stringValue(values[0]);
    m_artist = stringValue(values[1]);
    m_comment = stringValue(values[2]);
    m_album = stringValue(values[3]);
    m_genre = stringValue(values[4]);
    const AttributeValue& track = values[5];
    if (const auto number = numberValue<uint32_t>(track, AttributeType::Dword))
        m_trackNumber = static_cast<int32_t>(*number);
    else if (track.found && track.type == AttributeType::String)
        m_trackNumber = leadingInteger(stringValue(track));
    else
        m_trackNumber = 0;
    m_year = stringValue(values[6]);
    m_copyright = stringValue(values[7]);
    m_composer = stringValue(values[8]);
    const uint64_t duration = numberValue<uint64_t>(values[9], AttributeType::Qword).value_or(0);
    m_totalLength = duration;
    m_durationSeconds = clampToInt32(duration / 10000000);
    m_bitrateKbps = clampToInt32(numberValue<uint32_t>(values[10], AttributeType::Dword).value_or(0) / 1000);
    return true;
}

bool WmaSource::findAudioOutput()
{
    uint32_t outputs = 0;
    if (!succeeded(m_reader->GetOutputCount(&outputs)))
        return false;
    for (uint32_t i = 0; i < outputs; ++i) {
        wmvcore::MediaProps* rawProps = nullptr;
        if (!succeeded(m_reader->GetOutputProps(i, &rawProps)) || !rawProps)
            return false;
        const wmvcore::Ptr<wmvcore::MediaProps> props(rawProps);
        uint32_t size = 0;
        if (!succeeded(props->GetMediaType(nullptr, &size)))
            return false;
        std::vector<uint8_t> block(size);
        if (!succeeded(props->GetMediaType(block.data(), &size)) || size > block.size())
            return false;
        wmvcore::MediaType type;
        std::span<const uint8_t> format;
        if (!wmvcore::readMediaType(block.data(), size, type, format))
            return false;
        if (!(type.majorType == wmvcore::kMediaTypeAudio))
            continue;
        // The samples are taken to be 16-bit PCM; another output format is
        // refused rather than misread.
        wmvcore::WaveFormatEx wave;
        if (!wmvcore::readWaveFormat(format, wave) || wave.formatTag != 1 || wave.bitsPerSample != 16 ||
            wave.channels == 0 || wave.samplesPerSecond == 0 || wave.samplesPerSecond > 0x7FFFFFFF)
            return false;
        m_audioOutput = i;
        m_sampleRate = static_cast<int32_t>(wave.samplesPerSecond);
        m_channels = wave.channels;
        m_outputChannels = m_channels <= 2 ? m_channels : 2;
        // The run-time names no speakers: FFmpeg's default layout for the count.
        if (m_channels > 2 && !m_downmix.setSpeakers(speakers::byDefault(m_channels)))
            return false;
        m_bitsPerSample = 16;
        m_bytesPerSample = 2;
        return true;
    }
    return false;
}

int32_t WmaSource::handOut(int16_t* left, int16_t* right, int32_t count, int32_t want)
{
    const auto n = static_cast<int32_t>(std::min<size_t>(m_framesLeft, static_cast<size_t>(want)));
    if (n <= 0)
        return 0; // nothing buffered yet: the buffers may still be unallocated
    const uint8_t* data = m_sampleBuffer.data();
    if (m_downmix.active()) {
        const size_t frameBytes = 2u * static_cast<size_t>(m_channels);
        m_mix16.resize(static_cast<size_t>(n) * static_cast<size_t>(m_channels));
        std::memcpy(m_mix16.data(), data + m_sampleCursor * frameBytes, m_mix16.size() * 2);
        m_downmix.mix(m_mix16.data(), static_cast<size_t>(n), left + count, right + count);
    } else {
        for (int32_t i = 0; i < n; ++i) {
            if (m_channels == 2) {
                std::memcpy(&left[count + i], data + (m_sampleCursor + i) * 4, 2);
                std::memcpy(&right[count + i], data + (m_sampleCursor + i) * 4 + 2, 2);
            } else {
                std::memcpy(&left[count + i], data + (m_sampleCursor + i) * 2, 2);
            }
        }
    }
    m_sampleCursor += static_cast<size_t>(n);
    m_framesLeft -= static_cast<size_t>(n);
    return n;
}

int32_t WmaSource::read(void* leftBuffer, void* rightBuffer)
{
    if (!m_isOpen || !leftBuffer || (m_outputChannels == 2 && !rightBuffer))
        return 0;
    auto* left = static_cast<int16_t*>(leftBuffer);
    auto* right = static_cast<int16_t*>(rightBuffer);
    int32_t count = handOut(left, right, 0, kBlockFrames);
    while (count < kBlockFrames) {
        wmvcore::Buffer* rawSample = nullptr;
        uint64_t time = 0, duration = 0;
        uint32_t flags = 0, output = 0;
        uint16_t stream = 0;
        if (!succeeded(m_reader->GetNextSample(m_audioStreamNumber, &rawSample, &time, &duration, &flags, &output,
                                              &stream)) ||
            !rawSample)
            break;
        const wmvcore::Ptr<wmvcore::Buffer> sample(rawSample);
        m_position = time;
        uint8_t* data = nullptr;
        uint32_t length = 0;
        if (!succeeded(sample->GetBufferAndLength(&data, &length)) || (!data && length > 0))
            break;
        if (m_sampleBuffer.size() < length) {
            // Grown with room to spare, so a stream of slowly growing
            // samples does not reallocate each time.
            const size_t n = (static_cast<size_t>(length) + length / 8) / 4 * 4 + 4;
            m_sampleBuffer = std::vector<uint8_t>(n);
        }
        if (length > 0)
            std::memcpy(m_sampleBuffer.data(), data, length);
        m_sampleCursor = 0;
        m_framesLeft = length / (2u * static_cast<uint32_t>(m_channels));
        count += handOut(left, right, count, kBlockFrames - count);
    }
    return count;
}

bool WmaSource::readTags(std::string& title, std::string& artist, std::string& album, std::string& year,
                         std::string& genre, std::string& comment, std::string& track, std::string& composer,
                         std::string& copyright)
{
    title = m_title;
    artist = m_artist;
    album = m_album;
    year = m_year;
    genre = m_genre;
    comment = m_comment;
    track = std::to_string(m_trackNumber);
    composer = m_composer;
    copyright = m_copyright;
    return true;
}

} // namespace sonivert
