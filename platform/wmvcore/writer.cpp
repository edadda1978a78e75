#include "platform/wmvcore/writer.h"

#include "platform/ffmpegptr.h"
#include "platform/resampler.h"
#include "platform/wmvcore/asfheader.h"
#include "platform/wmvcore/wmvtext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
}

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>

namespace sonivert::wmvcore {
namespace {

// The owner of an output container: closes its file, then frees it.
struct OutputCloser {
    void operator()(AVFormatContext* context) const
    {
        if (context->pb)
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
using OutputPtr = std::unique_ptr<AVFormatContext, OutputCloser>;

// Attribute names and the metadata keys of FFmpeg's ASF muxer they become.
struct MetadataName {
    std::u16string_view attribute;
    const char* key;
};
constexpr std::array kMetadataNames = {
    MetadataName{u"Title", "title"},           MetadataName{u"Author", "artist"},
    MetadataName{u"WM/AlbumArtist", "album_artist"}, MetadataName{u"Description", "comment"},
    MetadataName{u"WM/AlbumTitle", "album"},   MetadataName{u"WM/Genre", "genre"},
    MetadataName{u"WM/TrackNumber", "track"},  MetadataName{u"WM/Year", "WM/Year"},
    MetadataName{u"WM/Composer", "composer"},  MetadataName{u"Copyright", "copyright"},
};

// The text an attribute is stored as; nothing for types that have none.
std::optional<std::string> attributeText(const Attribute& a)
{
    switch (a.type) {
    case AttributeType::String:
        return AttributeStore::stringValue(a);
    case AttributeType::Dword:
    case AttributeType::Bool: {
        if (a.value.size() != 4)
            return std::nullopt;
        uint32_t v = 0;
        std::memcpy(&v, a.value.data(), 4);
        return std::to_string(v);
    }
    case AttributeType::Word: {
        if (a.value.size() != 2)
            return std::nullopt;
        uint16_t v = 0;
        std::memcpy(&v, a.value.data(), 2);
        return std::to_string(v);
    }
    case AttributeType::Qword: {
        if (a.value.size() != 8)
            return std::nullopt;
        uint64_t v = 0;
        std::memcpy(&v, a.value.data(), 8);
        return std::to_string(v);
    }
    default:
        return std::nullopt;
    }
}

class WriterImpl final : public Writer {
public:
    void Release() noexcept override { delete this; }

    Result SetProfile(Profile* profile) noexcept override
    {
        return guarded([&] {
            if (m_output)
                return kInvalidRequest;
            auto* own = dynamic_cast<ProfileImpl*>(profile);
            if (!own || own->streams().size() != 1)
                return kInvalidArgument;
            const StreamSettings& stream = own->streams().front();
            MediaType header;
            std::span<const uint8_t> format;
            WaveFormatEx wave;
            if (!readMediaType(stream.mediaType.data(), stream.mediaType.size(), header, format) ||
                !(header.majorType == kMediaTypeAudio) || !(header.subtype == kSubtypeWmAudioV8) ||
                !readWaveFormat(format, wave) || wave.channels < 1 || wave.channels > 2 ||
                wave.samplesPerSecond == 0 || wave.samplesPerSecond > 48000 || stream.bitRate == 0)
                return kInvalidMediaType;
            m_codecRate = static_cast<int>(wave.samplesPerSecond);
            m_codecChannels = wave.channels;
            m_bitRate = stream.bitRate;
            // The input takes the codec's rate and channels as 16-bit PCM
            // until told otherwise.
            m_input = pcmType(m_codecRate, m_codecChannels, 16);
            m_inputRate = m_codecRate;
            m_inputChannels = m_codecChannels;
            m_inputBits = 16;
            return kOk;
        });
    }

    Result GetInputCount(uint32_t* count) noexcept override
    {
        if (!count)
            return kInvalidArgument;
        *count = m_input.empty() ? 0 : 1;
        return kOk;
    }

    Result GetInputProps(uint32_t input, MediaProps** props) noexcept override
    {
        return guarded([&] {
            if (input != 0 || m_input.empty())
                return kInvalidArgument;
            return handOut(props, std::make_unique<MediaPropsImpl>(m_input));
        });
    }

    Result SetInputProps(uint32_t input, MediaProps* props) noexcept override
    {
        return guarded([&] {
            if (input != 0 || m_input.empty() || !props)
                return kInvalidArgument;
            if (m_output)
                return kInvalidRequest;
            std::vector<uint8_t> block;
            MediaType header;
            std::span<const uint8_t> format;
            WaveFormatEx wave;
            if (!fetchMediaType(*props, block) || !readMediaType(block.data(), block.size(), header, format) ||
                !(header.majorType == kMediaTypeAudio) || !(header.subtype == kSubtypePcm) ||
                !readWaveFormat(format, wave) || wave.formatTag != 1 || wave.channels < 1 || wave.channels > 2 ||
                (wave.bitsPerSample != 8 && wave.bitsPerSample != 16) || wave.samplesPerSecond == 0 ||
                wave.samplesPerSecond > 768000 || wave.blockAlign != wave.channels * wave.bitsPerSample / 8)
                return kInvalidMediaType;
            m_input = std::move(block);
            m_inputRate = static_cast<int>(wave.samplesPerSecond);
            m_inputChannels = wave.channels;
            m_inputBits = wave.bitsPerSample;
            return kOk;
        });
    }

    Result GetHeaderInfo(HeaderInfo** info) noexcept override
    {
        return guarded([&] { return handOut(info, std::make_unique<HeaderInfoImpl>(m_attributes)); });
    }

    Result SetOutputFilename(const char16_t* path) noexcept override
    {
        return guarded([&] {
            if (!path || m_output)
                return kInvalidArgument;
            m_path = utf16ToUtf8(path);
            return m_path.empty() ? kInvalidArgument : kOk;
        });
    }

    Result BeginWriting() noexcept override
    {
        return guarded([&] {
            if (m_output || m_input.empty() || m_path.empty())
                return kInvalidRequest;
            const Result r = begin();
            if (!succeeded(r)) {
                const bool created = m_output && m_output->pb;
                reset();
                if (created) {
                    std::error_code ec;
                    std::filesystem::remove(std::filesystem::path(std::u8string(m_path.begin(), m_path.end())), ec);
                }
            }
            return r;
        });
    }

    Result AllocateSample(uint32_t size, Buffer** sample) noexcept override
    {
        return guarded([&] { return handOut(sample, std::make_unique<BufferImpl>(std::vector<uint8_t>(size))); });
    }

    Result WriteSample(uint32_t input, uint64_t /*time*/, uint32_t /*flags*/, Buffer* sample) noexcept override
    {
        return guarded([&] {
            if (!m_output || m_ended)
                return kInvalidRequest;
            auto* own = dynamic_cast<BufferImpl*>(sample);
            if (input != 0 || !own)
                return kInvalidArgument;
            return take(own->bytes()) ? kOk : kFail;
        });
    }

    Result EndWriting() noexcept override
    {
        return guarded([&] {
            if (!m_output || m_ended)
                return kInvalidRequest;
            m_ended = true;
            bool ok = true;
            for (size_t c = 0; c < m_resamplers.size(); ++c) {
                const int64_t n = m_resamplers[c].flush(m_work);
                if (n < 0) {
                    ok = false;
                    break;
                }
                m_pending[c].insert(m_pending[c].end(), m_work.begin(), m_work.begin() + n);
            }
            ok = ok && encodePending(true) && send(nullptr);
            ok = av_write_trailer(m_output.get()) >= 0 && ok;
            if (m_output->pb && m_output->pb->error < 0)
                ok = false;
            reset(); // closes the file
            // The muxer stores texts only; byte arrays join the finished header.
            std::vector<ByteArrayAttribute> byteArrays;
            for (const Attribute& a : m_attributes->attributes) {
                if (a.stream == 0 && a.type == AttributeType::Binary && !a.value.empty())
                    byteArrays.push_back({a.name, a.value});
            }
            ok = ok && addHeaderAttributes(m_path, byteArrays);
            return ok ? kOk : kFail;
        });
    }

private:
    static std::vector<uint8_t> pcmType(int rate, int channels, int bits)
    {
        WaveFormatEx wave;
        wave.formatTag = 1;
        wave.channels = static_cast<uint16_t>(channels);
        wave.samplesPerSecond = static_cast<uint32_t>(rate);
        wave.blockAlign = static_cast<uint16_t>(channels * bits / 8);
        wave.averageBytesPerSecond = wave.samplesPerSecond * wave.blockAlign;
        wave.bitsPerSample = static_cast<uint16_t>(bits);
        std::array<uint8_t, kWaveFormatExSize> format{};
        writeWaveFormat(wave, format.data());
        MediaType header;
        header.majorType = kMediaTypeAudio;
        header.subtype = kSubtypePcm;
        header.fixedSizeSamples = 1;
        header.sampleSize = wave.blockAlign;
        header.formatType = kFormatWaveFormatEx;
        return makeMediaTypeBlock(header, format);
    }

    Result begin()
    {
        quietFfmpegLog();
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
        if (!codec)
            return kFail;
        AVFormatContext* raw = nullptr;
        if (avformat_alloc_output_context2(&raw, nullptr, "asf", nullptr) < 0 || !raw)
            return kFail;
        m_output.reset(raw);

        m_encoder.reset(avcodec_alloc_context3(codec));
        if (!m_encoder)
            return kOutOfMemory;
        m_encoder->sample_rate = m_codecRate;
        m_encoder->bit_rate = m_bitRate;
        m_encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
        m_encoder->time_base = {1, m_codecRate};
        av_channel_layout_default(&m_encoder->ch_layout, m_codecChannels);
        if (m_output->oformat->flags & AVFMT_GLOBALHEADER)
            m_encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(m_encoder.get(), codec, nullptr) < 0 || m_encoder->frame_size <= 0)
            return kInvalidMediaType;

        AVStream* stream = avformat_new_stream(m_output.get(), nullptr);
        if (!stream || avcodec_parameters_from_context(stream->codecpar, m_encoder.get()) < 0)
            return kFail;
        stream->time_base = m_encoder->time_base;
        stream->id = 1;

        for (const Attribute& a : m_attributes->attributes) {
            if (a.stream != 0)
                continue;
            const std::optional<std::string> text = attributeText(a);
            if (!text || text->empty())
                continue;
            std::string key = utf16ToUtf8(a.name);
            for (const MetadataName& m : kMetadataNames) {
                if (m.attribute == a.name)
                    key = m.key;
            }
            if (av_dict_set(&m_output->metadata, key.c_str(), text->c_str(), 0) < 0)
                return kOutOfMemory;
        }
        m_attributes->frozen = true;

        // The "file:" prefix keeps a name with a colon from choosing another
        // protocol.
        const std::string url = "file:" + m_path;
        if (avio_open(&m_output->pb, url.c_str(), AVIO_FLAG_WRITE) < 0)
            return kFail;
        if (avformat_write_header(m_output.get(), nullptr) < 0)
            return kFail;

        m_packet.reset(av_packet_alloc());
        m_frame.reset(av_frame_alloc());
        if (!m_packet || !m_frame)
            return kOutOfMemory;
        m_resamplers.clear();
        if (m_inputRate != m_codecRate) {
            m_resamplers.resize(static_cast<size_t>(m_codecChannels));
            for (Resampler& r : m_resamplers) {
                if (!r.open(static_cast<double>(m_codecRate) / m_inputRate))
                    return kFail;
            }
        }
        m_pending.assign(static_cast<size_t>(m_codecChannels), {});
        m_nextPts = 0;
        m_ended = false;
        return kOk;
    }

    void reset()
    {
        m_resamplers.clear();
        m_pending.clear();
        m_frame.reset();
        m_packet.reset();
        m_encoder.reset();
        m_output.reset();
        m_ended = false;
    }

    // Converts interleaved PCM of the input's format to the codec's
    // channels, resamples it and encodes every whole frame.
    bool take(std::span<const uint8_t> bytes)
    {
        const size_t frameBytes = static_cast<size_t>(m_inputChannels * m_inputBits / 8);
        const size_t frames = bytes.size() / frameBytes;
        auto sample = [&](size_t frame, int channel) -> float {
            const size_t at = frame * frameBytes + static_cast<size_t>(channel * m_inputBits / 8);
            if (m_inputBits == 8)
                return (static_cast<float>(bytes[at]) - 128.0f) / 128.0f;
            int16_t v = 0;
            std::memcpy(&v, bytes.data() + at, 2);
            return static_cast<float>(v) / 32768.0f;
        };
        m_channelWork.resize(frames);
        for (int c = 0; c < m_codecChannels; ++c) {
            for (size_t i = 0; i < frames; ++i) {
                if (m_inputChannels == m_codecChannels)
                    m_channelWork[i] = sample(i, c);
                else if (m_inputChannels == 1)
                    m_channelWork[i] = sample(i, 0); // mono to stereo: the same signal on both sides
                else
                    m_channelWork[i] = (sample(i, 0) + sample(i, 1)) * 0.5f; // stereo to mono
            }
            std::vector<float>& pending = m_pending[static_cast<size_t>(c)];
            if (m_resamplers.empty()) {
                pending.insert(pending.end(), m_channelWork.begin(), m_channelWork.end());
                continue;
            }
            const int64_t n =
                m_resamplers[static_cast<size_t>(c)].process(m_channelWork.data(), static_cast<int32_t>(frames), m_work);
            if (n < 0)
                return false;
            pending.insert(pending.end(), m_work.begin(), m_work.begin() + n);
        }
        return encodePending(false);
    }

    // Encodes the whole frames held; with last, also the rest, padded with
    // silence to a whole frame.
    bool encodePending(bool last)
    {
        const auto frameSize = static_cast<size_t>(m_encoder->frame_size);
        size_t done = 0;
        const size_t held = m_pending.front().size();
        while (held - done >= frameSize || (last && held > done)) {
            const size_t n = std::min(frameSize, held - done);
            av_frame_unref(m_frame.get());
            m_frame->nb_samples = static_cast<int>(frameSize);
            m_frame->format = AV_SAMPLE_FMT_FLTP;
            m_frame->sample_rate = m_codecRate;
            if (av_channel_layout_copy(&m_frame->ch_layout, &m_encoder->ch_layout) < 0 ||
                av_frame_get_buffer(m_frame.get(), 0) < 0)
                return false;
            for (int c = 0; c < m_codecChannels; ++c) {
                auto* out = reinterpret_cast<float*>(m_frame->extended_data[c]);
                const float* in = m_pending[static_cast<size_t>(c)].data() + done;
                std::copy(in, in + n, out);
                std::fill(out + n, out + frameSize, 0.0f);
            }
            m_frame->pts = m_nextPts;
            m_nextPts += static_cast<int64_t>(frameSize);
            done += n;
            if (!send(m_frame.get()))
                return false;
        }
        for (std::vector<float>& p : m_pending)
            p.erase(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(done));
        return true;
    }

    // Hands frame (null: the end) to the encoder and writes what comes out.
    bool send(const AVFrame* frame)
    {
        if (avcodec_send_frame(m_encoder.get(), frame) < 0)
            return false;
        for (;;) {
            const int received = avcodec_receive_packet(m_encoder.get(), m_packet.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
                return true;
            if (received < 0)
                return false;
            m_packet->stream_index = 0;
            av_packet_rescale_ts(m_packet.get(), m_encoder->time_base, m_output->streams[0]->time_base);
            if (av_write_frame(m_output.get(), m_packet.get()) < 0)
                return false;
        }
    }

    std::shared_ptr<AttributeStore> m_attributes = std::make_shared<AttributeStore>();
    std::vector<uint8_t> m_input; // PCM media type of input 0; empty before SetProfile
    int m_codecRate = 0;
    int m_codecChannels = 0;
    int64_t m_bitRate = 0;
    int m_inputRate = 0;
    int m_inputChannels = 0;
    int m_inputBits = 0;
    std::string m_path;

    // While writing (members in the order they are released by reset()).
    OutputPtr m_output;
    CodecContextPtr m_encoder;
    PacketPtr m_packet;
    FramePtr m_frame;
    std::vector<Resampler> m_resamplers;          // one per codec channel when the rates differ
    std::vector<std::vector<float>> m_pending;    // per codec channel, at the codec's rate
    std::vector<float> m_channelWork;
    std::vector<float> m_work;
    int64_t m_nextPts = 0;
    bool m_ended = false;
};

} // namespace

Writer* createWriter()
{
    return new WriterImpl;
}

} // namespace sonivert::wmvcore
