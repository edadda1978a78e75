#include "encoders/mp4audiowriter.h"

#include "encoders/mp4metadata.h"

namespace sonivert {

Mp4AudioWriter::~Mp4AudioWriter()
{
    Close();
}

bool Mp4AudioWriter::Open(const std::string& path, int32_t sampleRate, int32_t channels, int32_t bitsPerSample)
{
    Close();
    m_sampleRate = sampleRate;
    m_channels = channels;
    m_bitsPerSample = bitsPerSample;
    m_file.reset(MP4CreateExx(path.c_str()));
    if (!m_file)
        return false;
    if (sampleRate <= 0 || channels <= 0)
        return false;
    m_encoder.reset(aacEncOpen(static_cast<uint32_t>(sampleRate), static_cast<uint32_t>(channels), &m_inputSamples,
                               &m_maxOutputBytes));
    if (!m_encoder)
        return false;
    m_config = aacEncGetCurrentConfiguration(m_encoder.get());
    if (!m_config)
        return false;
    m_config->aacObjectType = kAacObjectTypeLow;
    m_config->mpegVersion = kAacMpeg4;
    m_config->useTns = 0;
    m_config->allowMidside = 1;
    m_config->bandWidth = 0;
    m_config->outputFormat = kAacOutputRaw;
    m_config->inputFormat = kAacInput16Bit;
    m_frameLength = m_inputSamples / static_cast<uint32_t>(channels);
    m_delay = m_frameLength;
    return true;
}

bool Mp4AudioWriter::Start()
{
    if (!m_file || !m_encoder || !m_config || m_started)
        return false;
    if (!aacEncSetConfiguration(m_encoder.get(), m_config))
        return false;
    MP4SetTimeScaleExx(m_file.get(), kMovieTimeScale);
    m_track = MP4AddAudioTrackExx(m_file.get(), static_cast<uint32_t>(m_sampleRate), MP4_INVALID_DURATION,
                                  MP4_MPEG4_AUDIO_TYPE);
    MP4SetAudioProfileLevelExx(m_file.get(), kAudioProfileLevel);
    uint8_t* rawInfo = nullptr;
    uint32_t infoLength = 0;
    const bool haveInfo = aacEncGetDecoderSpecificInfo(m_encoder.get(), &rawInfo, &infoLength) == 0;
    const AacBytes info(rawInfo);
    // A file without its track or the track's decoder configuration could
    // not be played, so those two are conditions of a start.
    if (m_track == MP4_INVALID_TRACK_ID || !haveInfo ||
        !MP4SetTrackESConfigurationExx(m_file.get(), m_track, info.get(), infoLength))
        return false;
    m_total = 0;
    m_written = 0;
    m_input.allocate(m_inputSamples, m_channels);
    m_output.assign(m_maxOutputBytes, 0);
    m_started = true;
    return true;
}

void Mp4AudioWriter::SetMetadata(const TrackTags& tags, int32_t trackNumber)
{
    if (m_started)
        setMp4Metadata(m_file.get(), tags, trackNumber);
}

bool Mp4AudioWriter::writeSample(uint32_t bytes)
{
    const uint64_t left = m_total - m_written + m_delay;
    const uint64_t duration = left > m_frameLength ? m_frameLength : left;
    // A frame beyond the input's end (plus the delay) has no time left to
    // last; it is not written, as a sample of no duration would share its
    // decoding time with the next one.
    if (duration == 0)
        return true;
    const uint64_t offset = m_written == 0 ? m_delay : 0;
    if (!MP4WriteSampleExx(m_file.get(), m_track, m_output.data(), bytes, duration, offset, true))
        return false;
    m_written += duration;
    return true;
}

int Mp4AudioWriter::encodeAndWrite(const int16_t* samples, uint32_t count)
{
    m_total += count / static_cast<uint32_t>(m_channels);
    const int bytes = aacEncEncode(m_encoder.get(), samples, count, m_output.data(),
                                   static_cast<uint32_t>(m_output.size()));
    if (bytes < 0 || (bytes > 0 && !writeSample(static_cast<uint32_t>(bytes)))) {
        m_failed = true;
        return -1;
    }
    return bytes;
}

bool Mp4AudioWriter::EncodeBlock16(const int16_t* left, const int16_t* right, int32_t count)
{
    if (!m_started || m_failed)
        return false;
    return m_input.add(left, right, count, AacInputBuffer::widen16,
                       [this](const int16_t* samples, uint32_t n) { return encodeAndWrite(samples, n) >= 0; });
}

bool Mp4AudioWriter::EncodeBlock8(const uint8_t* left, const uint8_t* right, int32_t count)
{
    if (!m_started || m_failed)
        return false;
    return m_input.add(left, right, count, AacInputBuffer::widen8,
                       [this](const int16_t* samples, uint32_t n) { return encodeAndWrite(samples, n) >= 0; });
}

bool Mp4AudioWriter::Close()
{
    bool ok = true;
    if (m_file) {
        if (m_started && !m_failed) {
            // The partial frame (possibly none), then the flush until the
            // encoder holds nothing more; see AacAdtsEncoder::Close.
            const uint32_t rest = m_input.fill();
            m_input.clear();
            if (encodeAndWrite(m_input.data(), rest) >= 0) {
                while (encodeAndWrite(nullptr, 0) > 0) {
                }
            }
        }
        ok = !m_failed;
        if (!MP4CloseExx(m_file.release()))
            ok = false;
    }
    m_track = MP4_INVALID_TRACK_ID;
    m_total = 0;
    m_written = 0;
    m_encoder.reset();
    m_config = nullptr;
    m_input.release();
    m_output = {};
    m_inputSamples = 0;
    m_maxOutputBytes = 0;
    m_delay = 0;
    m_frameLength = 0;
    m_sampleRate = 0;
    m_channels = 0;
    m_bitsPerSample = 0;
    m_started = false;
    m_failed = false;
    return ok;
}

} // namespace sonivert
