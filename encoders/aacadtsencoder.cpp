#include "encoders/aacadtsencoder.h"

#include "engine/utf8path.h"

namespace sonivert {

AacAdtsEncoder::~AacAdtsEncoder()
{
    Close();
}

bool AacAdtsEncoder::Open(const std::string& path, int32_t sampleRate, int32_t channels, int32_t bitsPerSample)
{
    Close();
    m_sampleRate = sampleRate;
    m_channels = channels;
    m_bitsPerSample = bitsPerSample;
    m_file.reset(std::fopen(utf8Path(path).c_str(), "wb"));
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
    m_config->outputFormat = kAacOutputAdts;
    m_config->inputFormat = kAacInput16Bit;
    return true;
}

bool AacAdtsEncoder::ApplyConfiguration()
{
    if (!m_encoder || !m_config || !m_file || m_applied)
        return false;
    if (!aacEncSetConfiguration(m_encoder.get(), m_config))
        return false;
    m_input.allocate(m_inputSamples, m_channels);
    m_output.assign(m_maxOutputBytes, 0);
    m_applied = true;
    return true;
}

int AacAdtsEncoder::encodeAndWrite(const int16_t* samples, uint32_t count)
{
    const int bytes = aacEncEncode(m_encoder.get(), samples, count, m_output.data(),
                                   static_cast<uint32_t>(m_output.size()));
    if (bytes < 0 || (bytes > 0 && std::fwrite(m_output.data(), 1, static_cast<size_t>(bytes), m_file.get()) !=
                                       static_cast<size_t>(bytes))) {
        m_failed = true;
        return -1;
    }
    return bytes;
}

bool AacAdtsEncoder::EncodeBlock16(const int16_t* left, const int16_t* right, int32_t count)
{
    if (!m_applied || m_failed)
        return false;
    return m_input.add(left, right, count, AacInputBuffer::widen16,
                       [this](const int16_t* samples, uint32_t n) { return encodeAndWrite(samples, n) >= 0; });
}

bool AacAdtsEncoder::EncodeBlock8(const uint8_t* left, const uint8_t* right, int32_t count)
{
    if (!m_applied || m_failed)
        return false;
    return m_input.add(left, right, count, AacInputBuffer::widen8,
                       [this](const int16_t* samples, uint32_t n) { return encodeAndWrite(samples, n) >= 0; });
}

bool AacAdtsEncoder::Close()
{
    bool ok = true;
    if (m_file) {
        if (m_applied && !m_failed) {
            // The partial frame (possibly none), then the flush: each call
            // with no samples hands out one held frame until none is left.
            // The flush also follows a first call that produced nothing, so
            // a stream shorter than one frame still gets its frames.
            const uint32_t rest = m_input.fill();
            m_input.clear();
            if (encodeAndWrite(m_input.data(), rest) >= 0) {
                while (encodeAndWrite(nullptr, 0) > 0) {
                }
            }
        }
        ok = !m_failed;
        if (std::fclose(m_file.release()) != 0)
            ok = false;
    }
    m_encoder.reset();
    m_config = nullptr;
    m_input.release();
    m_output = {};
    m_inputSamples = 0;
    m_maxOutputBytes = 0;
    m_sampleRate = 0;
    m_channels = 0;
    m_bitsPerSample = 0;
    m_applied = false;
    m_failed = false;
    return ok;
}

} // namespace sonivert
