#include "encoders/mp3encoder.h"

#include "engine/utf8path.h"

#include <algorithm>
#include <cmath>
#include <lame.h>

namespace sonivert {
namespace {

// The library's own bound for one encode call: 1.25 x samples + 7200 bytes.
constexpr size_t kMinimumBufferBytes = 16384;
constexpr int32_t kId3v1Size = 128;

} // namespace

Mp3Encoder::~Mp3Encoder()
{
    Close();
}

bool Mp3Encoder::Open(const std::string& path)
{
    Close();
    m_file.reset(std::fopen(utf8Path(path).c_str(), "wb"));
    if (!m_file)
        return false;
    m_lame = makeLame();
    if (!m_lame) {
        m_file.reset();
        return false;
    }
    m_channels = lame_get_num_channels(m_lame.get());
    return true;
}

void Mp3Encoder::SetId3v1Block(std::span<const uint8_t> block)
{
    if (!m_lame || m_started || block.size() < static_cast<size_t>(kId3v1Size))
        return;
    m_id3v1.assign(block.begin(), block.begin() + kId3v1Size);
}

void Mp3Encoder::SetId3v2Block(std::span<const uint8_t> block)
{
    if (!m_lame || m_started)
        return;
    m_id3v2.assign(block.begin(), block.end());
}

void Mp3Encoder::SetInputSampleRate(int32_t hz)
{
    if (!m_lame || m_started)
        return;
    m_inputRate = hz;
    lame_set_in_samplerate(m_lame.get(), hz);
}

void Mp3Encoder::SetChannels(int32_t channels)
{
    if (!m_lame || m_started)
        return;
    m_channels = std::clamp(channels, 1, 2);
    lame_set_num_channels(m_lame.get(), m_channels);
}

void Mp3Encoder::SetMode(int32_t mode)
{
    if (!m_lame || m_started)
        return;
    const MPEG_mode value = mode == 1 ? JOINT_STEREO : mode == 3 ? MONO : STEREO;
    lame_set_mode(m_lame.get(), value);
}

void Mp3Encoder::SetOutputSampleRate(int32_t hz)
{
    if (m_lame && !m_started)
        lame_set_out_samplerate(m_lame.get(), hz);
}

void Mp3Encoder::SetBitRate(int32_t kbps)
{
    if (m_lame && !m_started)
        lame_set_brate(m_lame.get(), std::clamp(kbps, 8, 320));
}

bool Mp3Encoder::Start()
{
    // The library ignores a rate below 1 and would encode at its default
    // rate instead: the audio would play at the wrong speed.
    if (!m_lame || m_started || m_inputRate < 1)
        return false;
    lame_set_bWriteVbrTag(m_lame.get(), 0);
    lame_set_VBR(m_lame.get(), vbr_off);
    if (!startLame(m_lame.get()))
        return false;
    // Upsampling makes one block of input into more output frames than the
    // library's bound for the input count: size the buffer for the output.
    const double ratio = std::max(1.0, double(lame_get_out_samplerate(m_lame.get())) /
                                           std::max(1, lame_get_in_samplerate(m_lame.get())));
    const auto outputSamples = static_cast<size_t>(std::ceil(kBlockSamples * ratio));
    m_buffer.assign(std::max(kMinimumBufferBytes, outputSamples * 5 / 4 + 7200), 0);
    m_started = true;
    if (!m_id3v2.empty() && !writeBytes(m_id3v2.data(), m_id3v2.size()))
        return false;
    return true;
}

bool Mp3Encoder::EncodeBlock(const int16_t* left, const int16_t* right, int32_t samples)
{
    if (!m_started || !m_file || !left || (m_channels == 2 && !right))
        return false;
    // One channel: the library reads only the left buffer, but is handed a
    // valid pointer for the right one all the same.
    if (m_channels == 1)
        right = left;
    for (int32_t done = 0; done < samples;) {
        const int32_t n = std::min(kBlockSamples, samples - done);
        const int result = lame_encode_buffer(m_lame.get(), left + done, right + done, n, m_buffer.data(),
                                              static_cast<int>(m_buffer.size()));
        if (!writeEncoded(result))
            return false;
        done += n;
    }
    return true;
}

bool Mp3Encoder::Close()
{
    bool ok = true;
    if (m_file) {
        if (m_started) {
            ok = writeEncoded(lame_encode_flush(m_lame.get(), m_buffer.data(), static_cast<int>(m_buffer.size())));
            if (!m_id3v1.empty())
                ok = writeBytes(m_id3v1.data(), m_id3v1.size()) && ok;
        }
        ok = !m_writeFailed && ok;
        // fclose reports what the stream's buffer could not write any more.
        if (std::fclose(m_file.release()) != 0)
            ok = false;
    }
    m_id3v1.clear();
    m_id3v2.clear();
    m_buffer.clear();
    m_lame.reset();
    m_started = false;
    m_writeFailed = false;
    m_channels = 1;
    m_inputRate = 0;
    return ok;
}

bool Mp3Encoder::writeBytes(const void* data, size_t size)
{
    if (std::fwrite(data, 1, size, m_file.get()) != size)
        m_writeFailed = true;
    return !m_writeFailed;
}

bool Mp3Encoder::writeEncoded(int result)
{
    if (result < 0)
        return false;
    return result == 0 || writeBytes(m_buffer.data(), static_cast<size_t>(result));
}

} // namespace sonivert
