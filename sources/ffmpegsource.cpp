#include "sources/ffmpegsource.h"

#include "platform/floatsample.h"
#include "platform/stereodownmix.h"
#include "sources/ffmpegcontainer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <charconv>
#include <cstring>
#include <initializer_list>

namespace sonivert {
namespace {

// One decoded sample as a 16-bit sample.
int16_t to16(uint8_t v) { return static_cast<int16_t>((v - 128) * 256); }
int16_t to16(int16_t v) { return v; }
int16_t to16(int32_t v) { return static_cast<int16_t>(v >> 16); }
int16_t to16(int64_t v) { return static_cast<int16_t>(v >> 48); }
int16_t to16(float v) { return floatToSample(v); }
int16_t to16(double v) { return floatToSample(v); }

template <typename Out, typename In>
Out convertSample(In v)
{
    if constexpr (std::is_same_v<Out, int16_t>)
        return to16(v);
    else if constexpr (std::is_same_v<In, uint8_t>)
        return v;
    else
        return static_cast<uint8_t>((to16(v) >> 8) + 128);
}

// Converts count sample frames of frame, from first on, into left and right
// (right null: left only). A one-channel frame feeds both sides; a frame of
// more channels is mixed down by downmix when it is set up for their count,
// else its first two are taken.
template <typename Out, typename In>
void convertFrames(const AVFrame& frame, bool planar, int32_t first, int32_t count, Out* left, Out* right,
                   const StereoDownmix& downmix, std::vector<Out>& scratch)
{
    const int channels = frame.ch_layout.nb_channels;
    if (right && channels > 2 && downmix.channels() == static_cast<size_t>(channels)) {
        const auto n = static_cast<size_t>(channels);
        scratch.resize(static_cast<size_t>(count) * n);
        for (size_t c = 0; c < n; ++c) {
            const In* plane = reinterpret_cast<const In*>(frame.extended_data[planar ? c : 0]);
            for (int32_t i = 0; i < count; ++i) {
                const size_t s = static_cast<size_t>(first + i);
                scratch[static_cast<size_t>(i) * n + c] = convertSample<Out>(planar ? plane[s] : plane[s * n + c]);
            }
        }
        downmix.mix(scratch.data(), static_cast<size_t>(count), left, right);
        return;
    }
    const size_t stride = planar ? 1 : static_cast<size_t>(channels);
    const In* l = reinterpret_cast<const In*>(frame.extended_data[0]);
    const In* r = l;
    if (channels > 1)
        r = planar ? reinterpret_cast<const In*>(frame.extended_data[1]) : l + 1;
    l += static_cast<size_t>(first) * stride;
    r += static_cast<size_t>(first) * stride;
    for (int32_t i = 0; i < count; ++i) {
        const size_t at = static_cast<size_t>(i) * stride;
        left[i] = convertSample<Out>(l[at]);
        if (right)
            right[i] = convertSample<Out>(r[at]);
    }
}

template <typename Out>
void convertAny(const AVFrame& frame, int32_t first, int32_t count, Out* left, Out* right,
                const StereoDownmix& downmix, std::vector<Out>& scratch)
{
    switch (frame.format) {
    case AV_SAMPLE_FMT_U8:
        return convertFrames<Out, uint8_t>(frame, false, first, count, left, right, downmix, scratch);
    case AV_SAMPLE_FMT_U8P:
        return convertFrames<Out, uint8_t>(frame, true, first, count, left, right, downmix, scratch);
    case AV_SAMPLE_FMT_S16:
        return convertFrames<Out, int16_t>(frame, false, first, count, left, right, downmix, scratch);
    case AV_SAMPLE_FMT_S16P:
        return convertFrames<Out, int16_t>(frame, true, first, count, left, right, downmix, scratch);
    case AV_SAMPLE_FMT_S32:
        return convertFrames<Out, int32_t>(frame, false, first, count, left, right, downmix, scratch);
    case AV_SAMPLE_FMT_S32P:
        return convertFrames<Out, int32_t>(frame, true, first, count, left, right, downmix, scratch);
    case AV_SAMPLE_FMT_S64:
        return convertFrames<Out, int64_t>(frame, false, first, count, left, right, downmix, scratch);
    case AV_SAMPLE_FMT_S64P:
        return convertFrames<Out, int64_t>(frame, true, first, count, left, right, downmix, scratch);
    case AV_SAMPLE_FMT_FLT:
        return convertFrames<Out, float>(frame, false, first, count, left, right, downmix, scratch);
    case AV_SAMPLE_FMT_FLTP:
        return convertFrames<Out, float>(frame, true, first, count, left, right, downmix, scratch);
    case AV_SAMPLE_FMT_DBL:
        return convertFrames<Out, double>(frame, false, first, count, left, right, downmix, scratch);
    case AV_SAMPLE_FMT_DBLP:
        return convertFrames<Out, double>(frame, true, first, count, left, right, downmix, scratch);
    default:
        return; // never current: decodeNextFrame() passes over such frames
    }
}

// The leading decimal number of text ("2004-05-01" gives 2004, "3/12"
// gives 3); 0 when there is none or it is out of range.
int64_t leadingNumber(const std::string& text)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end && (*begin == ' ' || *begin == '\t'))
        ++begin;
    int64_t value = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr == begin)
        return 0;
    return value;
}

} // namespace

void FfmpegSource::close()
{
    m_frame = nullptr;
    m_decoder.close();
    m_container.reset();
    m_audioStream = -1;
    m_downmix.setSpeakers({});
    m_frameCursor = 0;
    m_frameEnd = 0;
    resetBaseState();
}

bool FfmpegSource::open(const std::string& path, int32_t /*outputRate*/)
{
    close();
    m_container = openContainer(path);
    if (!m_container) {
        close();
        return false;
    }
    m_audioStream = firstAudioStream(*m_container);
    if (m_audioStream < 0) {
        close();
        return false;
    }
    // Every decoder delivers all its channels; more than two are mixed down
    // here, by one matrix for every format (an AC-3 decoder's own down-mix
    // would differ from the others').
    const AVStream* stream = m_container->streams[m_audioStream];
    if (!m_decoder.open(*m_container, m_audioStream)) {
        close();
        return false;
    }

    const int fileChannels = stream->codecpar->ch_layout.nb_channels;
    const AVCodecContext& codec = m_decoder.codec();
    const AudioStreamInfo info =
        audioStreamInfo(codec.sample_rate, fileChannels > 0 ? fileChannels : codec.ch_layout.nb_channels,
                        codec.sample_fmt, codec.bit_rate);
    // Without a rate or a channel count there is no PCM format to deliver.
    if (info.sampleRate <= 0 || info.channels <= 0) {
        close();
        return false;
    }
    m_sampleRate = info.sampleRate;
    m_channels = info.channels;
    m_outputChannels = info.outputChannels;
    m_channelMode = info.channelMode;
    m_bitsPerSample = info.bitsPerSample;
    m_bytesPerSample = info.bitsPerSample / 8;
    m_bitrateKbps = info.bitrateKbps;
    m_durationSeconds = containerDurationSeconds(*m_container);
    if (m_container->pb) {
        const int64_t size = avio_size(m_container->pb);
        m_totalLength = size > 0 ? static_cast<uint64_t>(size) : 0;
    }
    updatePosition();
    return true;
}

void FfmpegSource::updatePosition()
{
    if (!m_container || !m_container->pb)
        return;
    const int64_t at = avio_tell(m_container->pb);
    if (at < 0)
        return;
    m_position = static_cast<uint64_t>(at);
    if (m_totalLength > 0)
        m_position = std::min(m_position, m_totalLength);
}

int32_t FfmpegSource::read(void* left, void* right)
{
    if (!m_decoder.isOpen() || !left || (m_outputChannels == 2 && !right))
        return 0;
    int32_t count = 0;
    while (count < kBlockFrames) {
        if (m_frameCursor < m_frameEnd) {
            const int32_t n = std::min(kBlockFrames - count, m_frameEnd - m_frameCursor);
            deliver(left, m_outputChannels == 2 ? right : nullptr, count, n);
            m_frameCursor += n;
            count += n;
        } else if (!decodeNextFrame()) {
            break;
        }
    }
    updatePosition();
    return count;
}

void FfmpegSource::deliver(void* left, void* right, int32_t offset, int32_t count)
{
    if (m_bitsPerSample == 8) {
        auto* l = static_cast<uint8_t*>(left) + offset;
        auto* r = right ? static_cast<uint8_t*>(right) + offset : nullptr;
        convertAny<uint8_t>(*m_frame, m_frameCursor, count, l, r, m_downmix, m_mix8);
    } else {
        auto* l = static_cast<int16_t*>(left) + offset;
        auto* r = right ? static_cast<int16_t*>(right) + offset : nullptr;
        convertAny<int16_t>(*m_frame, m_frameCursor, count, l, r, m_downmix, m_mix16);
    }
}

bool FfmpegSource::decodeNextFrame()
{
    m_frameCursor = 0;
    m_frameEnd = 0;
    m_frame = m_decoder.nextFrame();
    if (!m_frame)
        return false;
    m_frameEnd = m_frame->nb_samples;
    // The speakers of a frame of more channels, as the decoder names them
    // (a chained stream may change them).
    const AVChannelLayout& layout = m_frame->ch_layout;
    if (layout.nb_channels > 2 && layout.nb_channels != static_cast<int>(m_downmix.channels())) {
        std::vector<Speaker> order;
        for (int c = 0; layout.order != AV_CHANNEL_ORDER_UNSPEC && c < layout.nb_channels; ++c)
            order.push_back(av_channel_layout_channel_from_index(&layout, static_cast<unsigned>(c)));
        if (!m_downmix.setSpeakers(order))
            (void)m_downmix.setSpeakers(speakers::byDefault(layout.nb_channels));
    }
    return true;
}

bool FfmpegSource::readTags(std::string& title, std::string& artist, std::string& album, std::string& year,
                            std::string& genre, std::string& comment, std::string& track, std::string& composer,
                            std::string& copyright)
{
    if (!m_container)
        return false;
    const AVDictionary* containerTags = m_container->metadata;
    const AVDictionary* streamTags =
        m_audioStream >= 0 ? m_container->streams[m_audioStream]->metadata : nullptr;
    // Keys match case-insensitively, so "TITLE" of a Vorbis comment counts.
    auto tag = [&](std::initializer_list<const char*> keys) -> std::string {
        for (const AVDictionary* tags : {containerTags, streamTags}) {
            for (const char* key : keys) {
                const AVDictionaryEntry* entry = av_dict_get(tags, key, nullptr, 0);
                if (entry && entry->value && *entry->value)
                    return entry->value;
            }
        }
        return {};
    };

    std::string foundTitle = tag({"title"});
    std::string foundArtist = tag({"artist", "author"});
    std::string foundAlbum = tag({"album"});
    std::string foundGenre = tag({"genre"});
    std::string foundComment = tag({"comment"});
    std::string foundCopyright = tag({"copyright"});
    const int64_t yearNumber = leadingNumber(tag({"date", "year"}));
    const int64_t trackNumber = leadingNumber(tag({"track"}));
    if (foundTitle.empty() && foundArtist.empty() && foundAlbum.empty() && foundGenre.empty() &&
        foundComment.empty() && foundCopyright.empty() && yearNumber <= 0 && trackNumber <= 0)
        return false;

    title = std::move(foundTitle);
    artist = std::move(foundArtist);
    album = std::move(foundAlbum);
    year = yearNumber > 0 ? std::to_string(yearNumber) : std::string();
    genre = std::move(foundGenre);
    comment = std::move(foundComment);
    track = trackNumber > 0 ? std::to_string(trackNumber) : std::string();
    composer.clear();
    copyright = std::move(foundCopyright);
    return true;
}

} // namespace sonivert
