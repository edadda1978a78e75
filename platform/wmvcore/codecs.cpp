#include "platform/wmvcore/codecs.h"

#include "platform/ffmpegptr.h"
#include "platform/wmvcore/wmvtext.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <array>
#include <optional>
#include <string>

namespace sonivert::wmvcore {
namespace {

constexpr std::array kRates = {8000, 11025, 16000, 22050, 32000, 44100, 48000};
constexpr std::array kBitRates = {24000,  32000,  40000,  48000,  64000,  80000,
                                  96000,  128000, 160000, 192000, 256000, 320000};

// The media type and description of one format, when the encoder takes it.
std::optional<CodecFormat> probe(const AVCodec& codec, int rate, int channels, int bitRate)
{
    CodecContextPtr context(avcodec_alloc_context3(&codec));
    if (!context)
        return std::nullopt;
    context->sample_rate = rate;
    context->bit_rate = bitRate;
    context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    av_channel_layout_default(&context->ch_layout, channels);
    if (avcodec_open2(context.get(), &codec, nullptr) < 0 || context->block_align <= 0)
        return std::nullopt;

    WaveFormatEx wave;
    wave.formatTag = 0x0161;
    wave.channels = static_cast<uint16_t>(channels);
    wave.samplesPerSecond = static_cast<uint32_t>(rate);
    wave.averageBytesPerSecond = static_cast<uint32_t>(bitRate / 8);
    wave.blockAlign = static_cast<uint16_t>(context->block_align);
    wave.bitsPerSample = 16;
    const int extra = context->extradata_size > 0 ? context->extradata_size : 0;
    wave.extraSize = static_cast<uint16_t>(extra);
    std::vector<uint8_t> format(kWaveFormatExSize + static_cast<size_t>(extra));
    writeWaveFormat(wave, format.data());
    if (extra > 0)
        std::copy(context->extradata, context->extradata + extra, format.begin() + kWaveFormatExSize);

    MediaType header;
    header.majorType = kMediaTypeAudio;
    header.subtype = kSubtypeWmAudioV8;
    header.fixedSizeSamples = 1;
    header.temporalCompression = 0;
    header.sampleSize = wave.blockAlign;
    header.formatType = kFormatWaveFormatEx;

    CodecFormat f;
    f.stream.majorType = kMediaTypeAudio;
    f.stream.mediaType = makeMediaTypeBlock(header, format);
    f.stream.bitRate = static_cast<uint32_t>(bitRate);
    const std::string text = std::to_string(bitRate / 1000) + " kbps, " + std::to_string(rate / 1000) + " kHz, " +
                             (channels == 1 ? "mono" : "stereo") + " CBR";
    f.description = *utf8ToUtf16(text);
    return f;
}

std::vector<CodecFormat> findFormats()
{
    quietFfmpegLog();
    std::vector<CodecFormat> formats;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (!codec)
        return formats;
    // Highest first, as a codec lists its formats; the program sorts.
    for (auto rate = kRates.rbegin(); rate != kRates.rend(); ++rate) {
        for (int channels : {2, 1}) {
            for (auto bitRate = kBitRates.rbegin(); bitRate != kBitRates.rend(); ++bitRate) {
                if (std::optional<CodecFormat> f = probe(*codec, *rate, channels, *bitRate))
                    formats.push_back(std::move(*f));
            }
        }
    }
    return formats;
}

class CodecInfoImpl final : public CodecInfo {
public:
    void Release() noexcept override { delete this; }

    Result GetCodecInfoCount(const Guid& majorType, uint32_t* count) noexcept override
    {
        return guarded([&] {
            if (!count)
                return kInvalidArgument;
            // One audio codec, when the encoder takes any format at all.
            *count = majorType == kMediaTypeAudio && !codecFormats().empty() ? 1 : 0;
            return kOk;
        });
    }

    Result GetCodecFormatCount(const Guid& majorType, uint32_t codec, uint32_t* count) noexcept override
    {
        return guarded([&] {
            if (!count || !(majorType == kMediaTypeAudio) || codec != 0)
                return kInvalidArgument;
            *count = static_cast<uint32_t>(codecFormats().size());
            return kOk;
        });
    }

    Result GetCodecFormatDesc(const Guid& majorType, uint32_t codec, uint32_t format, StreamConfig** config,
                              char16_t* description, uint32_t* descriptionChars) noexcept override
    {
        return guarded([&] {
            const std::vector<CodecFormat>& formats = codecFormats();
            if (!(majorType == kMediaTypeAudio) || codec != 0 || format >= formats.size() || !descriptionChars)
                return kInvalidArgument;
            const std::u16string& text = formats[format].description;
            if (description) {
                if (*descriptionChars == 0)
                    return kInvalidArgument;
                const size_t n = std::min<size_t>(text.size(), *descriptionChars - 1);
                std::copy_n(text.begin(), n, description);
                description[n] = u'\0';
            }
            *descriptionChars = static_cast<uint32_t>(text.size() + 1);
            if (config)
                return handOut(config, std::make_unique<StreamConfigImpl>(formats[format].stream));
            return kOk;
        });
    }
};

} // namespace

const std::vector<CodecFormat>& codecFormats()
{
    static const std::vector<CodecFormat> formats = findFormats();
    return formats;
}

Result ProfileManagerImpl::CreateEmptyProfile(uint32_t version, Profile** profile) noexcept
{
    return guarded([&] {
        if (version != 0x90000)
            return kInvalidArgument;
        return handOut(profile, std::make_unique<ProfileImpl>());
    });
}

Result ProfileManagerImpl::GetCodecInfo(CodecInfo** info) noexcept
{
    return guarded([&] { return handOut(info, std::make_unique<CodecInfoImpl>()); });
}

} // namespace sonivert::wmvcore
