#include "platform/aac/aacencoderlib.h"

#include "platform/ffmpegptr.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/avutil.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <vector>

namespace sonivert {
namespace {

// The sampling-frequency indices of ISO/IEC 14496-3, in index order.
constexpr std::array<uint32_t, 13> kSampleRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                                   22050, 16000, 12000, 11025, 8000,  7350};
constexpr uint32_t kAdtsHeaderBytes = 7;
// The encoder's own bound for one frame. Its average-bit-rate mode keeps
// frames within the 6144 bits per channel of the decoder buffer, but its
// quality mode does not: an onset after silence can take twice that.
constexpr uint32_t kMaxFrameBytesPerChannel = 8192;

int rateIndex(uint32_t rate)
{
    const auto it = std::find(kSampleRates.begin(), kSampleRates.end(), rate);
    return it == kSampleRates.end() ? -1 : static_cast<int>(it - kSampleRates.begin());
}

bool fieldsOffered(const AacEncoderConfiguration& c)
{
    return (c.mpegVersion == kAacMpeg4 || c.mpegVersion == kAacMpeg2) && c.aacObjectType == kAacObjectTypeLow &&
           (c.outputFormat == kAacOutputRaw || c.outputFormat == kAacOutputAdts) &&
           c.inputFormat == kAacInput16Bit && c.shortctl >= kAacBlocksNormal && c.shortctl <= kAacBlocksNoLong &&
           (c.bitRate > 0 || c.quantqual > 0);
}

} // namespace

struct AacEncoder {
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    int rateIndex = 0;
    AacEncoderConfiguration config;
    AacEncoderConfiguration applied; // the record the codec was opened with
    CodecContextPtr codec;
    FramePtr frame;
    PacketPtr packet;
    std::deque<std::vector<uint8_t>> pending; // frames the codec has delivered, oldest first
    int64_t nextPts = 0;
    bool started = false;  // a frame has been sent: the configuration is fixed
    bool flushing = false; // the end of the input has been sent
};

namespace {

// Moves every frame the codec has ready into the pending queue. False on a
// codec error; the end of the stream counts as success.
bool drainCodec(AacEncoder& e)
{
    for (;;) {
        const int result = avcodec_receive_packet(e.codec.get(), e.packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0)
            return false;
        e.pending.emplace_back(e.packet->data, e.packet->data + e.packet->size);
        av_packet_unref(e.packet.get());
    }
}

// The 7-byte ADTS header (no CRC) of a frame of payload bytes.
void writeAdtsHeader(const AacEncoder& e, uint32_t payload, uint8_t* out)
{
    const uint32_t length = payload + kAdtsHeaderBytes;
    const uint32_t profile = static_cast<uint32_t>(e.applied.aacObjectType - 1);
    const uint32_t id = e.applied.mpegVersion == kAacMpeg2 ? 1 : 0;
    const auto index = static_cast<uint32_t>(e.rateIndex);
    out[0] = 0xFF;
    out[1] = static_cast<uint8_t>(0xF0 | (id << 3) | 0x01); // syncword end, ID, layer 0, protection absent
    out[2] = static_cast<uint8_t>((profile << 6) | (index << 2) | ((e.channels >> 2) & 0x01));
    out[3] = static_cast<uint8_t>(((e.channels & 0x03) << 6) | ((length >> 11) & 0x03));
    out[4] = static_cast<uint8_t>((length >> 3) & 0xFF);
    out[5] = static_cast<uint8_t>(((length & 0x07) << 5) | 0x1F); // buffer fullness 0x7FF: variable rate
    out[6] = 0xFC;                                                 // one raw data block
}

} // namespace

AacEncoder* aacEncOpen(uint32_t sampleRate, uint32_t channels, uint32_t* inputSamples, uint32_t* maxOutputBytes)
{
    if (!inputSamples || !maxOutputBytes)
        return nullptr;
    const int index = rateIndex(sampleRate);
    if (index < 0 || channels < 1 || channels > 2 || !avcodec_find_encoder_by_name("aac"))
        return nullptr;
    quietFfmpegLog();
    auto* e = new AacEncoder;
    e->sampleRate = sampleRate;
    e->channels = channels;
    e->rateIndex = index;
    *inputSamples = kAacFrameSamples * channels;
    *maxOutputBytes = kMaxFrameBytesPerChannel * channels + kAdtsHeaderBytes;
    return e;
}

AacEncoderConfiguration* aacEncGetCurrentConfiguration(AacEncoder* encoder)
{
    return encoder ? &encoder->config : nullptr;
}

int aacEncSetConfiguration(AacEncoder* encoder, const AacEncoderConfiguration* config)
{
    if (!encoder || !config || encoder->started)
        return 0;
    AacEncoder& e = *encoder;
    e.config = *config;
    e.codec.reset();
    if (!fieldsOffered(e.config))
        return 0;

    const AVCodec* codec = avcodec_find_encoder_by_name("aac");
    CodecContextPtr context(codec ? avcodec_alloc_context3(codec) : nullptr);
    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    if (!context || !frame || !packet)
        return 0;
    AVCodecContext* c = context.get();
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->sample_rate = static_cast<int>(e.sampleRate);
    c->time_base = AVRational{1, c->sample_rate};
    av_channel_layout_default(&c->ch_layout, static_cast<int>(e.channels));
    // The MPEG-2 profile keeps the encoder to the tools MPEG-2 AAC has
    // (no perceptual noise substitution), so the ADTS ID bit tells the truth.
    c->profile = e.config.mpegVersion == kAacMpeg2 ? FF_PROFILE_MPEG2_AAC_LOW : FF_PROFILE_AAC_LOW;
    if (e.config.bitRate > 0) {
        c->bit_rate = static_cast<int64_t>(e.config.bitRate) * e.channels;
    } else {
        // Quality 100 is the encoder's standard quantizer (q 1.0); the scale is linear.
        c->flags |= AV_CODEC_FLAG_QSCALE;
        c->global_quality =
            static_cast<int>(std::clamp<int64_t>(int64_t{e.config.quantqual} * FF_QP2LAMBDA / 100, 1, INT32_MAX));
    }
    if (e.config.bandWidth > 0)
        c->cutoff = static_cast<int>(std::min(e.config.bandWidth, e.sampleRate / 2));
    if (av_opt_set_int(c->priv_data, "aac_tns", e.config.useTns ? 1 : 0, 0) < 0 ||
        av_opt_set_int(c->priv_data, "aac_ms", e.config.allowMidside ? -1 : 0, 0) < 0)
        return 0;
    if (avcodec_open2(c, codec, nullptr) < 0 || c->frame_size != static_cast<int>(kAacFrameSamples))
        return 0;

    frame->format = AV_SAMPLE_FMT_FLTP;
    frame->sample_rate = c->sample_rate;
    frame->nb_samples = static_cast<int>(kAacFrameSamples);
    if (av_channel_layout_copy(&frame->ch_layout, &c->ch_layout) < 0 || av_frame_get_buffer(frame.get(), 0) < 0)
        return 0;
    e.codec = std::move(context);
    e.frame = std::move(frame);
    e.packet = std::move(packet);
    e.applied = e.config;
    return 1;
}

int aacEncEncode(AacEncoder* encoder, const int16_t* input, uint32_t samples, uint8_t* output, uint32_t outputSize)
{
    if (!encoder || !encoder->codec || !output)
        return -1;
    AacEncoder& e = *encoder;
    if (samples > 0) {
        const uint32_t frames = samples / e.channels;
        if (!input || e.flushing || frames > kAacFrameSamples)
            return -1;
        if (av_frame_make_writable(e.frame.get()) < 0)
            return -1;
        for (uint32_t ch = 0; ch < e.channels; ++ch) {
            auto* plane = reinterpret_cast<float*>(e.frame->extended_data[ch]);
            for (uint32_t i = 0; i < frames; ++i)
                plane[i] = static_cast<float>(input[i * e.channels + ch]) * (1.0f / 32768.0f);
            std::fill(plane + frames, plane + kAacFrameSamples, 0.0f);
        }
        e.frame->pts = e.nextPts;
        e.nextPts += kAacFrameSamples;
        e.started = true;
        if (avcodec_send_frame(e.codec.get(), e.frame.get()) < 0 || !drainCodec(e))
            return -1;
    } else if (!e.flushing) {
        e.flushing = true;
        e.started = true;
        if (avcodec_send_frame(e.codec.get(), nullptr) < 0 || !drainCodec(e))
            return -1;
    }
    if (e.pending.empty())
        return 0;

    const std::vector<uint8_t>& payload = e.pending.front();
    const bool adts = e.applied.outputFormat == kAacOutputAdts;
    const size_t size = payload.size() + (adts ? kAdtsHeaderBytes : 0);
    if (size > outputSize || (adts && size > 0x1FFF)) // 13-bit ADTS frame length
        return -1;
    uint8_t* out = output;
    if (adts) {
        writeAdtsHeader(e, static_cast<uint32_t>(payload.size()), out);
        out += kAdtsHeaderBytes;
    }
    std::memcpy(out, payload.data(), payload.size());
    e.pending.pop_front();
    return static_cast<int>(size);
}

void aacEncClose(AacEncoder* encoder)
{
    delete encoder;
}

int aacEncGetDecoderSpecificInfo(AacEncoder* encoder, uint8_t** info, uint32_t* length)
{
    if (!info || !length)
        return -1;
    *info = nullptr;
    *length = 0;
    if (!encoder || !encoder->codec || encoder->codec->extradata_size <= 0)
        return -1;
    const auto size = static_cast<uint32_t>(encoder->codec->extradata_size);
    auto* copy = static_cast<uint8_t*>(std::malloc(size));
    if (!copy)
        return -1;
    std::memcpy(copy, encoder->codec->extradata, size);
    *info = copy;
    *length = size;
    return 0;
}

} // namespace sonivert
