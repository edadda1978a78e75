#include "encoders/wmawriter.h"

#include "platform/wmvcore/wmvtext.h"
#include "sources/wmaruntime.h"

#include <array>
#include <cstring>

namespace sonivert {
namespace {

using wmvcore::succeeded;

constexpr uint32_t kProfileVersion9 = 0x90000;
constexpr uint16_t kAudioStreamNumber = 1;
constexpr uint32_t kBufferWindowMs = 3000;

std::vector<uint8_t> stringBytes(const std::u16string& text, bool withTerminator)
{
    std::vector<uint8_t> bytes((text.size() + (withTerminator ? 1 : 0)) * sizeof(char16_t), 0);
    if (!text.empty())
        std::memcpy(bytes.data(), text.data(), text.size() * sizeof(char16_t));
    return bytes;
}

// The PCM media type of the writer's input.
std::vector<uint8_t> pcmMediaType(int32_t rate, int32_t bits, int32_t channels)
{
    wmvcore::WaveFormatEx wave;
    wave.formatTag = 1;
    wave.channels = static_cast<uint16_t>(channels);
    wave.samplesPerSecond = static_cast<uint32_t>(rate);
    wave.averageBytesPerSecond = static_cast<uint32_t>(static_cast<int64_t>(rate) * bits * channels / 8);
    wave.blockAlign = static_cast<uint16_t>(bits * channels / 8);
    wave.bitsPerSample = static_cast<uint16_t>(bits);
    wave.extraSize = 0;
    std::array<uint8_t, wmvcore::kWaveFormatExSize> format{};
    wmvcore::writeWaveFormat(wave, format.data());
    wmvcore::MediaType header;
    header.majorType = wmvcore::kMediaTypeAudio;
    header.subtype = wmvcore::kSubtypePcm;
    header.fixedSizeSamples = 1;
    header.temporalCompression = 0;
    header.sampleSize = wave.blockAlign;
    header.formatType = wmvcore::kFormatWaveFormatEx;
    return wmvcore::makeMediaTypeBlock(header, format);
}

} // namespace

void WmaWriter::SetInputFormat(int32_t sampleRate, int32_t bitsPerSample, int32_t channels)
{
    m_inputRate = sampleRate;
    m_inputBits = bitsPerSample;
    m_inputChannels = channels;
}

void WmaWriter::SetCodecFormat(const WmaFormat& format)
{
    m_codec = format;
}

void WmaWriter::SetTags(const std::string& title, const std::string& album, const std::string& artist,
                        const std::string& genre, const std::string& year, const std::string& comment,
                        const std::string& composer, const std::string& copyright, int32_t trackNumber)
{
    Tags t;
    t.title = wmvcore::utf8ToUtf16(title);
    t.album = wmvcore::utf8ToUtf16(album);
    t.artist = wmvcore::utf8ToUtf16(artist);
    t.genre = wmvcore::utf8ToUtf16(genre);
    t.year = wmvcore::utf8ToUtf16(year);
    t.comment = wmvcore::utf8ToUtf16(comment);
    t.composer = wmvcore::utf8ToUtf16(composer);
    t.copyright = wmvcore::utf8ToUtf16(copyright);
    t.trackNumber = trackNumber;
    m_tags = std::move(t);
}

void WmaWriter::SetPicture(const TagPicture& picture)
{
    const std::optional<std::u16string> mime = wmvcore::utf8ToUtf16(picture.mimeType);
    if (picture.data.empty() || !mime || mime->empty() || picture.data.size() > UINT32_MAX / 2)
        return;
    const std::u16string description = wmvcore::utf8ToUtf16(picture.description).value_or(std::u16string());
    std::vector<uint8_t> value;
    value.push_back(static_cast<uint8_t>(picture.type >= 0 && picture.type <= 0xFF ? picture.type : 0));
    const auto length = static_cast<uint32_t>(picture.data.size());
    for (int shift = 0; shift < 32; shift += 8)
        value.push_back(static_cast<uint8_t>(length >> shift));
    for (const std::u16string* text : {&*mime, &description}) {
        for (char16_t unit : *text) {
            value.push_back(static_cast<uint8_t>(unit & 0xFF));
            value.push_back(static_cast<uint8_t>(unit >> 8));
        }
        value.insert(value.end(), 2, 0);
    }
    value.insert(value.end(), picture.data.begin(), picture.data.end());
    m_picture = std::move(value);
}

std::vector<WmaWriter::Attribute> WmaWriter::tagAttributes() const
{
    std::vector<Attribute> list;
    if (m_tags)
        appendTextAttributes(*m_tags, list);
    if (m_picture)
        list.push_back({u"WM/Picture", wmvcore::AttributeType::Binary, *m_picture});
    return list;
}

void WmaWriter::appendTextAttributes(const Tags& t, std::vector<Attribute>& list)
{
    auto text = [&](std::u16string name, const std::optional<std::u16string>& value, bool withTerminator) {
        if (value)
            list.push_back({std::move(name), wmvcore::AttributeType::String, stringBytes(*value, withTerminator)});
    };
    text(u"Title", t.title, true);
    text(u"Author", t.artist, false);
    text(u"WM/AlbumArtist", t.artist, false);
    text(u"Description", t.comment, false);
    text(u"WM/AlbumTitle", t.album, false);
    text(u"WM/Genre", t.genre, false);
    Attribute track{u"WM/TrackNumber", wmvcore::AttributeType::Dword, std::vector<uint8_t>(4)};
    const auto number = static_cast<uint32_t>(t.trackNumber);
    std::memcpy(track.value.data(), &number, 4);
    list.push_back(std::move(track));
    text(u"WM/Year", t.year, false);
    text(u"WM/Composer", t.composer, false);
    text(u"Copyright", t.copyright, false);
}

bool WmaWriter::Start()
{
    if (m_writer)
        return false;
    if (startSteps())
        return true;
    reset();
    return false;
}

bool WmaWriter::startSteps()
{
    const WmaRuntimeEntryPoints runtime = WmaRuntimeEntries();
    if (!runtime.WMCreateWriter || !runtime.WMCreateProfileManager)
        return false;

    // 1. The writer and its header attributes.
    wmvcore::Writer* rawWriter = nullptr;
    if (!succeeded(runtime.WMCreateWriter(nullptr, &rawWriter)) || !rawWriter)
        return false;
    m_writer.reset(rawWriter);
    wmvcore::HeaderInfo* rawHeader = nullptr;
    if (!succeeded(m_writer->GetHeaderInfo(&rawHeader)) || !rawHeader)
        return false;
    m_header.reset(rawHeader);

    // 2. A one-stream audio profile of the chosen codec format.
    if (!m_codec || m_codec->bitRate() <= 0)
        return false;
    wmvcore::ProfileManager* rawManager = nullptr;
    if (!succeeded(runtime.WMCreateProfileManager(&rawManager)) || !rawManager)
        return false;
    const wmvcore::Ptr<wmvcore::ProfileManager> manager(rawManager);
    wmvcore::Profile* rawProfile = nullptr;
    if (!succeeded(manager->CreateEmptyProfile(kProfileVersion9, &rawProfile)) || !rawProfile)
        return false;
    m_profile.reset(rawProfile);
    wmvcore::StreamConfig* rawStream = nullptr;
    if (!succeeded(m_profile->CreateNewStream(wmvcore::kMediaTypeAudio, &rawStream)) || !rawStream)
        return false;
    const wmvcore::Ptr<wmvcore::StreamConfig> stream(rawStream);
    const std::span<const uint8_t> codecType = m_codec->mediaType();
    if (!succeeded(stream->SetMediaType(codecType.data(), static_cast<uint32_t>(codecType.size()))) ||
        !succeeded(stream->SetStreamName(u"audio stream")) || !succeeded(stream->SetConnectionName(u"audio")) ||
        !succeeded(stream->SetStreamNumber(kAudioStreamNumber)) ||
        !succeeded(stream->SetBitrate(static_cast<uint32_t>(m_codec->bitRate()))) ||
        !succeeded(stream->SetBufferWindow(kBufferWindowMs)) || !succeeded(m_profile->AddStream(stream.get())))
        return false;

    // 3. The profile goes to the writer.
    if (!succeeded(m_writer->SetProfile(m_profile.get())))
        return false;

    // 4. The writer's audio input.
    uint32_t inputs = 0;
    if (!succeeded(m_writer->GetInputCount(&inputs)))
        return false;
    wmvcore::Ptr<wmvcore::MediaProps> inputProps;
    for (uint32_t i = 0; i < inputs && !inputProps; ++i) {
        wmvcore::MediaProps* rawProps = nullptr;
        if (!succeeded(m_writer->GetInputProps(i, &rawProps)) || !rawProps)
            return false;
        wmvcore::Ptr<wmvcore::MediaProps> props(rawProps);
        wmvcore::Guid type;
        if (succeeded(props->GetType(&type)) && type == wmvcore::kMediaTypeAudio) {
            m_input = i;
            inputProps = std::move(props);
        }
    }
    if (!inputProps)
        return false;

    // 5. PCM in the caller's format.
    if (m_inputRate <= 0 || (m_inputBits != 8 && m_inputBits != 16) || m_inputChannels < 1 || m_inputChannels > 2)
        return false;
    const std::vector<uint8_t> pcm = pcmMediaType(m_inputRate, m_inputBits, m_inputChannels);
    if (!succeeded(inputProps->SetMediaType(pcm.data(), static_cast<uint32_t>(pcm.size()))) ||
        !succeeded(m_writer->SetInputProps(m_input, inputProps.get())))
        return false;

    // 6. The tags; a refused attribute leaves the file without it.
    for (const Attribute& a : tagAttributes()) {
        uint16_t index = 0;
        (void)m_header->AddAttribute(0, a.name.c_str(), &index, a.type, 0, a.value.data(),
                                     static_cast<uint32_t>(a.value.size()));
    }

    // 7. The output file, and writing begins.
    const std::optional<std::u16string> path = wmvcore::utf8ToUtf16(m_path);
    if (!path || path->empty() || !succeeded(m_writer->SetOutputFilename(path->c_str())) ||
        !succeeded(m_writer->BeginWriting()))
        return false;
    m_sampleTime = 0;
    return true;
}

bool WmaWriter::WriteBlock16(const int16_t* left, const int16_t* right, int32_t count)
{
    return m_inputBits == 16 && writeBlock(left, right, count, 2);
}

bool WmaWriter::WriteBlock8(const uint8_t* left, const uint8_t* right, int32_t count)
{
    return m_inputBits == 8 && writeBlock(left, right, count, 1);
}

bool WmaWriter::writeBlock(const void* left, const void* right, int32_t count, int32_t bytesPerSample)
{
    if (!m_writer || count < 0 || (count > 0 && !left) || (m_inputChannels == 2 && count > 0 && !right))
        return false;
    const auto frames = static_cast<size_t>(count);
    const auto width = static_cast<size_t>(bytesPerSample);
    const size_t size = frames * static_cast<size_t>(m_inputChannels) * width;
    if (size > UINT32_MAX)
        return false;
    wmvcore::Buffer* rawBuffer = nullptr;
    if (!succeeded(m_writer->AllocateSample(static_cast<uint32_t>(size), &rawBuffer)) || !rawBuffer)
        return false;
    const wmvcore::Ptr<wmvcore::Buffer> buffer(rawBuffer);
    uint8_t* data = nullptr;
    uint32_t capacity = 0;
    if (!succeeded(buffer->GetBufferAndLength(&data, &capacity)) || capacity < size || (size > 0 && !data))
        return false;
    const auto* l = static_cast<const uint8_t*>(left);
    const auto* r = static_cast<const uint8_t*>(right);
    if (m_inputChannels == 2) {
        for (size_t i = 0; i < frames; ++i) {
            std::memcpy(data + i * 2 * width, l + i * width, width);
            std::memcpy(data + i * 2 * width + width, r + i * width, width);
        }
    } else if (size > 0) {
        std::memcpy(data, l, size);
    }
    if (!succeeded(buffer->SetLength(static_cast<uint32_t>(size))))
        return false;
    const bool written = succeeded(m_writer->WriteSample(m_input, m_sampleTime, 0, buffer.get()));
    m_sampleTime += static_cast<uint64_t>(static_cast<double>(count) * 10000000.0 / m_inputRate);
    return written;
}

bool WmaWriter::Finish()
{
    bool ok = true;
    if (m_writer)
        ok = succeeded(m_writer->EndWriting());
    reset();
    return ok;
}

void WmaWriter::reset()
{
    m_profile.reset();
    m_header.reset();
    m_writer.reset();
    m_input = 0;
    m_sampleTime = 0;
    m_tags.reset();
    m_picture.reset();
    m_path.clear();
    m_inputRate = 0;
    m_inputBits = 0;
    m_inputChannels = 0;
    m_codec.reset();
}

} // namespace sonivert
