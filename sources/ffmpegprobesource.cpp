#include "sources/ffmpegprobesource.h"

#include "sources/ffmpegcontainer.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace sonivert {

void FfmpegProbeSource::close()
{
    m_container.reset();
    m_audioStream = -1;
    resetBaseState();
}

bool FfmpegProbeSource::open(const std::string& path, int32_t /*outputRate*/)
{
    close();
    m_container = openContainer(path);
    if (!m_container)
        return false;

    m_audioStream = firstAudioStream(*m_container);
    if (m_audioStream >= 0) {
        // No decoder is opened here, so the file's own channel count is
        // reported; the delivered width is that of the stream's samples.
        const AVCodecParameters& audio = *m_container->streams[m_audioStream]->codecpar;
        const AudioStreamInfo info =
            audioStreamInfo(audio.sample_rate, audio.ch_layout.nb_channels, audio.format, audio.bit_rate);
        m_sampleRate = info.sampleRate;
        m_channels = info.channels;
        m_outputChannels = info.outputChannels;
        m_channelMode = info.channelMode;
        m_bitsPerSample = info.bitsPerSample;
        m_bytesPerSample = info.bitsPerSample / 8;
        m_bitrateKbps = info.bitrateKbps;
    }

    const int video = firstVideoStream(*m_container);
    if (video >= 0) {
        const AVStream& stream = *m_container->streams[video];
        m_videoWidth = stream.codecpar->width > 0 ? stream.codecpar->width : 0;
        m_videoHeight = stream.codecpar->height > 0 ? stream.codecpar->height : 0;
        if (stream.r_frame_rate.num > 0 && stream.r_frame_rate.den > 0)
            m_videoFrameRate = static_cast<double>(stream.r_frame_rate.num) / stream.r_frame_rate.den;
    }

    m_durationSeconds = containerDurationSeconds(*m_container);
    return true;
}

int32_t FfmpegProbeSource::read(void* /*left*/, void* /*right*/)
{
    return 0;
}

} // namespace sonivert
