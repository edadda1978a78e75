#include "platform/wmvcore/syncreader.h"

#include "platform/floatsample.h"
#include "platform/ffmpegdecoder.h"
#include "platform/ffmpegptr.h"
#include "platform/wmvcore/wmvtext.h"
#include "platform/ffmpegmedia.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>

namespace sonivert::wmvcore {
namespace {

// FFmpeg's metadata keys and the attribute names they stand for.
struct AttributeName {
    const char* key;
    std::u16string_view attribute;
};
constexpr std::array kAttributeNames = {
    AttributeName{"title", u"Title"},          AttributeName{"artist", u"Author"},
    AttributeName{"author", u"Author"},        AttributeName{"comment", u"Description"},
    AttributeName{"album", u"WM/AlbumTitle"},  AttributeName{"album_artist", u"WM/AlbumArtist"},
    AttributeName{"genre", u"WM/Genre"},       AttributeName{"track", u"WM/TrackNumber"},
    AttributeName{"date", u"WM/Year"},         AttributeName{"composer", u"WM/Composer"},
    AttributeName{"copyright", u"Copyright"},
};

Attribute stringAttribute(std::u16string name, const std::u16string& text)
{
    Attribute a;
    a.name = std::move(name);
    a.type = AttributeType::String;
    const std::u16string terminated = text + u'\0';
    a.value.resize(terminated.size() * sizeof(char16_t));
    std::memcpy(a.value.data(), terminated.data(), a.value.size());
    return a;
}

template <typename T>
Attribute numberAttribute(std::u16string name, AttributeType type, T value)
{
    Attribute a;
    a.name = std::move(name);
    a.type = type;
    a.value.resize(sizeof value);
    std::memcpy(a.value.data(), &value, sizeof value);
    return a;
}

// Sample i of channel c of frame as a 16-bit sample.
int16_t sampleOf(const AVFrame& frame, int c, int i)
{
    const auto format = static_cast<AVSampleFormat>(frame.format);
    const bool planar = av_sample_fmt_is_planar(format);
    const int channels = frame.ch_layout.nb_channels;
    const uint8_t* plane = frame.extended_data[planar ? c : 0];
    const size_t at = planar ? static_cast<size_t>(i) : static_cast<size_t>(i) * channels + c;
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
        return static_cast<int16_t>((plane[at] - 128) * 256);
    case AV_SAMPLE_FMT_S16: {
        int16_t v;
        std::memcpy(&v, plane + at * 2, 2);
        return v;
    }
    case AV_SAMPLE_FMT_S32: {
        int32_t v;
        std::memcpy(&v, plane + at * 4, 4);
        return static_cast<int16_t>(v >> 16);
    }
    case AV_SAMPLE_FMT_FLT: {
        float v;
        std::memcpy(&v, plane + at * 4, 4);
        return floatToSample(v);
    }
    case AV_SAMPLE_FMT_DBL: {
        double v;
        std::memcpy(&v, plane + at * 8, 8);
        return floatToSample(v);
    }
    default:
        return 0;
    }
}

bool knownSampleFormat(const AVFrame& frame)
{
    switch (av_get_packed_sample_fmt(static_cast<AVSampleFormat>(frame.format))) {
    case AV_SAMPLE_FMT_U8:
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_DBL:
        break;
    default:
        return false;
    }
    if (frame.nb_samples <= 0 || frame.ch_layout.nb_channels <= 0 || !frame.extended_data)
        return false;
    const int planes = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame.format)) ? frame.ch_layout.nb_channels : 1;
    for (int p = 0; p < planes; ++p) {
        if (!frame.extended_data[p])
            return false;
    }
    return true;
}

class SyncReaderImpl final : public SyncReader {
public:
    void Release() noexcept override { delete this; }

    Result Open(const char16_t* path) noexcept override
    {
        return guarded([&] {
            closeFile();
            if (!path)
                return kInvalidArgument;
            const std::string utf8 = utf16ToUtf8(path);
            FormatContextPtr container = openMediaFile(utf8);
            if (!container)
                return kFail;
            const std::string_view demuxer = container->iformat ? container->iformat->name : "";
            if (demuxer != "asf" && demuxer != "asf_o")
                return kInvalidMediaType; // not a Windows Media file
            m_container = std::move(container);
            for (unsigned i = 0; i < m_container->nb_streams; ++i) {
                const AVStream* st = m_container->streams[i];
                Stream s;
                s.index = static_cast<int>(i);
                s.number = static_cast<uint16_t>(st->id >= 1 && st->id <= 127 ? st->id : static_cast<int>(i) + 1);
                s.type = st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO   ? kMediaTypeAudio
                         : st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? kMediaTypeVideo
                                                                          : kMediaTypeOther;
                s.selected = true;
                m_streams.push_back(s);
            }
            readAttributes();
            return kOk;
        });
    }

    Result Close() noexcept override
    {
        closeFile();
        return kOk;
    }

    Result GetProfile(Profile** profile) noexcept override
    {
        return guarded([&] {
            if (!m_container)
                return kInvalidRequest;
            std::vector<StreamSettings> streams;
            for (const Stream& s : m_streams) {
                StreamSettings settings;
                settings.majorType = s.type;
                settings.number = s.number;
                settings.bitRate = static_cast<uint32_t>(
                    std::clamp<int64_t>(m_container->streams[s.index]->codecpar->bit_rate, 0, UINT32_MAX));
                MediaType header;
                header.majorType = s.type;
                header.subtype = waveSubtype(static_cast<uint16_t>(m_container->streams[s.index]->codecpar->codec_tag));
                settings.mediaType = makeMediaTypeBlock(header, {});
                streams.push_back(std::move(settings));
            }
            return handOut(profile, std::make_unique<ProfileImpl>(std::move(streams)));
        });
    }

    Result SetStreamsSelected(uint16_t count, const uint16_t* numbers, const int32_t* selections) noexcept override
    {
        if (!m_container)
            return kInvalidRequest;
        if (count > 0 && (!numbers || !selections))
            return kInvalidArgument;
        for (uint16_t k = 0; k < count; ++k) {
            if (!findStream(numbers[k]))
                return kInvalidArgument;
        }
        for (Stream& s : m_streams) {
            s.selected = false;
            for (uint16_t k = 0; k < count; ++k) {
                if (numbers[k] == s.number)
                    s.selected = selections[k] != 0;
            }
            m_container->streams[s.index]->discard = s.selected ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        }
        return kOk;
    }

    Result SetReadStreamSamples(uint16_t number, int32_t compressed) noexcept override
    {
        return guarded([&] {
            const Stream* s = findStream(number);
            if (!s)
                return kInvalidArgument;
            if (compressed)
                return kInvalidRequest; // only decoded samples are offered
            if (!(s->type == kMediaTypeAudio))
                return kInvalidMediaType;
            return openDecoder(*s);
        });
    }

    Result GetHeaderInfo(HeaderInfo** info) noexcept override
    {
        return guarded([&] {
            if (!m_container)
                return kInvalidRequest;
            return handOut(info, std::make_unique<HeaderInfoImpl>(m_attributes));
        });
    }

    Result GetOutputCount(uint32_t* count) noexcept override
    {
        if (!count)
            return kInvalidArgument;
        if (!m_container)
            return kInvalidRequest;
        *count = static_cast<uint32_t>(outputs().size());
        return kOk;
    }

    Result GetOutputProps(uint32_t output, MediaProps** props) noexcept override
    {
        return guarded([&] {
            if (!m_container)
                return kInvalidRequest;
            const std::vector<const Stream*> list = outputs();
            if (output >= list.size())
                return kInvalidArgument;
            return handOut(props, std::make_unique<MediaPropsImpl>(outputType(*list[output])));
        });
    }

    Result GetNextSample(uint16_t number, Buffer** sample, uint64_t* time, uint64_t* duration, uint32_t* flags,
                         uint32_t* output, uint16_t* sampleStreamNumber) noexcept override
    {
        return guarded([&] {
            if (!sample)
                return kInvalidArgument;
            if (!m_decoder.isOpen() || !m_decoding || m_decoding->number != number || !m_decoding->selected)
                return kInvalidRequest;
            const AVFrame* frame = nextKnownFrame();
            if (!frame)
                return kNoMoreSamples;
            const AVFrame& f = *frame;
            const int channels = f.ch_layout.nb_channels;
            std::vector<uint8_t> bytes(static_cast<size_t>(f.nb_samples) * static_cast<size_t>(channels) * 2);
            uint8_t* out = bytes.data();
            for (int i = 0; i < f.nb_samples; ++i) {
                for (int c = 0; c < channels; ++c, out += 2) {
                    const int16_t v = sampleOf(f, c, i);
                    std::memcpy(out, &v, 2);
                }
            }
            const AVStream* st = m_container->streams[m_decoding->index];
            int64_t pts = f.best_effort_timestamp;
            uint64_t at = m_nextTime;
            if (pts != AV_NOPTS_VALUE) {
                if (st->start_time != AV_NOPTS_VALUE)
                    pts -= st->start_time;
                at = static_cast<uint64_t>(std::max<int64_t>(0, av_rescale_q(pts, st->time_base, {1, 10000000})));
            }
            const auto length = static_cast<uint64_t>(av_rescale(f.nb_samples, 10000000, f.sample_rate > 0 ? f.sample_rate : 1));
            m_nextTime = at + length;
            if (time)
                *time = at;
            if (duration)
                *duration = length;
            if (flags)
                *flags = 0;
            if (output)
                *output = outputIndex(*m_decoding);
            if (sampleStreamNumber)
                *sampleStreamNumber = number;
            return handOut(sample, std::make_unique<BufferImpl>(std::move(bytes)));
        });
    }

private:
    struct Stream {
        int index = 0;
        uint16_t number = 0;
        Guid type;
        bool selected = true;
    };

    void closeFile()
    {
        m_decoder.close();
        m_container.reset();
        m_streams.clear();
        m_decoding = nullptr;
        m_attributes = std::make_shared<AttributeStore>();
        m_nextTime = 0;
    }

    const Stream* findStream(uint16_t number) const
    {
        for (const Stream& s : m_streams) {
            if (s.number == number)
                return &s;
        }
        return nullptr;
    }

    std::vector<const Stream*> outputs() const
    {
        std::vector<const Stream*> list;
        for (const Stream& s : m_streams) {
            if (s.type == kMediaTypeAudio || s.type == kMediaTypeVideo)
                list.push_back(&s);
        }
        return list;
    }

    uint32_t outputIndex(const Stream& stream) const
    {
        const std::vector<const Stream*> list = outputs();
        for (uint32_t i = 0; i < list.size(); ++i) {
            if (list[i] == &stream)
                return i;
        }
        return 0;
    }

    // The media type an output delivers: 16-bit PCM of every channel for
    // audio; a bare video type (no format) for video, which is not decoded.
    std::vector<uint8_t> outputType(const Stream& s) const
    {
        MediaType header;
        header.majorType = s.type;
        if (!(s.type == kMediaTypeAudio))
            return makeMediaTypeBlock(header, {});
        const AVCodecParameters& par = *m_container->streams[s.index]->codecpar;
        WaveFormatEx wave;
        wave.formatTag = 1;
        wave.channels = static_cast<uint16_t>(std::clamp(par.ch_layout.nb_channels, 0, 0xFFFF));
        wave.samplesPerSecond = static_cast<uint32_t>(std::max(par.sample_rate, 0));
        wave.bitsPerSample = 16;
        wave.blockAlign = static_cast<uint16_t>(wave.channels * 2);
        wave.averageBytesPerSecond = wave.samplesPerSecond * wave.blockAlign;
        std::array<uint8_t, kWaveFormatExSize> format{};
        writeWaveFormat(wave, format.data());
        header.subtype = kSubtypePcm;
        header.fixedSizeSamples = 1;
        header.sampleSize = wave.blockAlign;
        header.formatType = kFormatWaveFormatEx;
        return makeMediaTypeBlock(header, format);
    }

    void readAttributes()
    {
        const AVDictionary* tags = m_container->metadata;
        const AVDictionaryEntry* entry = nullptr;
        while ((entry = av_dict_get(tags, "", entry, AV_DICT_IGNORE_SUFFIX))) {
            if (!entry->key || !entry->value)
                continue;
            std::optional<std::u16string> name = utf8ToUtf16(entry->key);
            for (const AttributeName& n : kAttributeNames) {
                if (std::string_view(n.key) == entry->key)
                    name = std::u16string(n.attribute);
            }
            const std::optional<std::u16string> value = utf8ToUtf16(entry->value);
            if (!name || !value || m_attributes->find(0, *name))
                continue;
            m_attributes->attributes.push_back(stringAttribute(std::move(*name), *value));
        }
        if (m_container->duration != AV_NOPTS_VALUE && m_container->duration > 0)
            m_attributes->attributes.push_back(numberAttribute(
                u"Duration", AttributeType::Qword,
                static_cast<uint64_t>(av_rescale(m_container->duration, 10000000, AV_TIME_BASE))));
        if (m_container->bit_rate > 0)
            m_attributes->attributes.push_back(numberAttribute(
                u"Bitrate", AttributeType::Dword, static_cast<uint32_t>(std::min<int64_t>(m_container->bit_rate, UINT32_MAX))));
    }

    // The next frame in a sample format the output conversion reads.
    const AVFrame* nextKnownFrame()
    {
        for (;;) {
            const AVFrame* frame = m_decoder.nextFrame();
            if (!frame || knownSampleFormat(*frame))
                return frame;
        }
    }

    Result openDecoder(const Stream& s)
    {
        const AVStream* st = m_container->streams[s.index];
        if (!avcodec_find_decoder(st->codecpar->codec_id))
            return kInvalidMediaType;
        if (!m_decoder.open(*m_container, s.index))
            return kInvalidMediaType;
        m_decoding = &s;
        m_nextTime = 0;
        return kOk;
    }

    FormatContextPtr m_container;
    std::vector<Stream> m_streams;
    std::shared_ptr<AttributeStore> m_attributes = std::make_shared<AttributeStore>();
    const Stream* m_decoding = nullptr;
    FfmpegFrameDecoder m_decoder;
    uint64_t m_nextTime = 0;
};

} // namespace

SyncReader* createSyncReader()
{
    return new SyncReaderImpl;
}

} // namespace sonivert::wmvcore
