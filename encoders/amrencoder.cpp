#include "encoders/amrencoder.h"

#include "encoders/amrmodes.h"

#include <algorithm>
#include <cstring>

namespace sonivert {
namespace {

int32_t modeOrDefault(int32_t mode, size_t modeCount)
{
    return mode >= 0 && static_cast<size_t>(mode) < modeCount ? mode : kAmrDefaultMode;
}

} // namespace

AmrEncoder::~AmrEncoder()
{
    Close();
}

bool AmrEncoder::Prepare(const std::string& /*path*/, bool narrowBand)
{
    Close();
    m_narrowBand = narrowBand;
    m_frameLength = narrowBand ? kNarrowBandFrame : kWideBandFrame;
    return true;
}

void AmrEncoder::SetDtx(int32_t dtx)
{
    m_dtx = dtx != 0 ? 1 : 0;
}

void AmrEncoder::SetNarrowBandMode(int32_t mode)
{
    m_nbMode = modeOrDefault(mode, kAmrNbModes.size());
}

void AmrEncoder::SetWideBandMode(int32_t mode)
{
    m_wbMode = modeOrDefault(mode, kAmrWbModes.size());
}

bool AmrEncoder::Start(const std::string& path)
{
    if (started() || m_frameLength == 0)
        return false;
    m_fill = 0;
    m_encodedFrames = 0;
    m_writeFailed = false;
    if (m_narrowBand)
        m_nb.reset(amrnbenc_init(path.c_str(), m_dtx, m_nbMode));
    else
        m_wb.reset(amrwbenc_init(path.c_str(), m_dtx, m_wbMode));
    return started();
}

bool AmrEncoder::encodeFrame(const int16_t* frame)
{
    const int bytes = m_nb ? amrnbenc_encode(m_nb.get(), frame) : amrwbenc_encode(m_wb.get(), frame);
    ++m_encodedFrames;
    if (bytes < 0)
        m_writeFailed = true;
    return !m_writeFailed;
}

bool AmrEncoder::Encode(const int16_t* samples, int32_t count)
{
    if (!started() || count < 0 || (count > 0 && !samples))
        return false;
    const auto frameLength = static_cast<size_t>(m_frameLength);
    auto fill = static_cast<size_t>(m_fill);
    auto left = static_cast<size_t>(count);
    if (fill + left < frameLength) {
        std::copy_n(samples, left, m_frame.begin() + static_cast<std::ptrdiff_t>(fill));
        m_fill = static_cast<int32_t>(fill + left);
        return !m_writeFailed;
    }
    if (fill > 0) {
        const size_t take = frameLength - fill;
        std::copy_n(samples, take, m_frame.begin() + static_cast<std::ptrdiff_t>(fill));
        samples += take;
        left -= take;
        encodeFrame(m_frame.data());
    }
    for (; left >= frameLength; left -= frameLength, samples += frameLength)
        encodeFrame(samples);
    std::copy_n(samples, left, m_frame.begin());
    m_fill = static_cast<int32_t>(left);
    return !m_writeFailed;
}

bool AmrEncoder::Close()
{
    bool ok = !m_writeFailed;
    if (started()) {
        if (m_fill > 0) {
            std::fill(m_frame.begin() + m_fill, m_frame.begin() + m_frameLength, int16_t{0});
            ok = encodeFrame(m_frame.data()) && ok;
        }
        const int quit = m_nb ? amrnbenc_quit(m_nb.release()) : amrwbenc_quit(m_wb.release());
        ok = quit == 0 && ok;
    }
    m_narrowBand = true;
    m_frame.fill(0);
    m_fill = 0;
    m_dtx = 0;
    m_nbMode = kAmrDefaultMode;
    m_wbMode = kAmrDefaultMode;
    m_frameLength = 0;
    m_encodedFrames = 0;
    m_writeFailed = false;
    return ok;
}

} // namespace sonivert
