#include "sources/dwvwdecoder.h"

namespace sonivert {

bool DwvwDecoder::init(int bitWidth)
{
    *this = DwvwDecoder();
    if (bitWidth < kMinBits || bitWidth > kMaxBits)
        return false;
    m_bitWidth = bitWidth;
    m_maxModifier = bitWidth / 2;
    m_maxDelta = int32_t{1} << (bitWidth - 1);
    m_span = int32_t{1} << bitWidth;
    return true;
}

int32_t DwvwDecoder::readBits(ByteSource& source, int bitCount)
{
    while (m_bitCount < bitCount) {
        if (m_index >= m_fill) {
            m_fill = source.readBytes(m_buffer.data(), m_buffer.size());
            m_index = 0;
        }
        if (bitCount < 8 && m_fill == 0)
            return -1;
        // Past the end of the input a wide read is completed with zero bits;
        // only the narrow reads of the next sample's header end the stream.
        m_bits <<= 8;
        if (m_index < m_fill)
            m_bits |= m_buffer[m_index++];
        else if (++m_fillBytes > kMaxFillBytes)
            return -1;
        m_bitCount += 8;
    }
    m_bitCount -= bitCount;
    const uint64_t mask = (uint64_t{1} << bitCount) - 1;
    const auto value = static_cast<int32_t>((m_bits >> m_bitCount) & mask);
    // Only the unread bits matter; keeping the accumulator short keeps the
    // shifts above defined however long the stream.
    m_bits &= (uint64_t{1} << m_bitCount) - 1;
    return value;
}

int32_t DwvwDecoder::readWidthModifier(ByteSource& source)
{
    int32_t zeros = 0;
    while (zeros < m_maxModifier) {
        const int32_t bit = readBits(source, 1);
        if (bit < 0)
            return -1;
        if (bit == 1)
            break;
        ++zeros;
    }
    return zeros;
}

size_t DwvwDecoder::decode(ByteSource& source, int32_t* out, size_t count)
{
    if (m_bitWidth == 0)
        return 0;
    size_t done = 0;
    while (done < count) {
        int32_t modifier = readWidthModifier(source);
        if (modifier < 0)
            break;
        if (modifier != 0) {
            const int32_t negative = readBits(source, 1);
            if (negative < 0)
                break;
            if (negative == 1)
                modifier = -modifier;
        }
        const int deltaWidth = (modifier + m_bitWidth + m_lastDeltaWidth) % m_bitWidth;

        int32_t delta = 0;
        if (deltaWidth > 0) {
            const int32_t low = readBits(source, deltaWidth - 1);
            const int32_t negative = readBits(source, 1);
            if (low < 0 || negative < 0)
                break;
            delta = low | (int32_t{1} << (deltaWidth - 1));
            if (delta == m_maxDelta - 1) {
                const int32_t extra = readBits(source, 1);
                if (extra < 0)
                    break;
                delta += extra;
            }
            if (negative == 1)
                delta = -delta;
        }

        int32_t sample = m_lastSample + delta;
        if (sample >= m_maxDelta)
            sample -= m_span;
        else if (sample < -m_maxDelta)
            sample += m_span;
        m_lastDeltaWidth = deltaWidth;
        m_lastSample = sample;
        out[done] = static_cast<int32_t>(static_cast<uint32_t>(sample) << (32 - m_bitWidth));

        // A sample that took the last buffered bits after the input ran dry
        // was completed with fill bits; it is not part of the stream.
        if (m_fill == 0 && m_bitCount == 0)
            break;
        ++done;
    }
    return done;
}

} // namespace sonivert
