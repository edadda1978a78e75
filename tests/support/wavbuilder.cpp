#include "tests/support/wavbuilder.h"

#include <bit>

namespace sonivert::test {

Bytes& Bytes::u8(uint8_t v)
{
    m_data.push_back(v);
    return *this;
}

Bytes& Bytes::u16(uint16_t v)
{
    m_data.push_back(static_cast<uint8_t>(v));
    m_data.push_back(static_cast<uint8_t>(v >> 8));
    return *this;
}

Bytes& Bytes::u32(uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        m_data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
}

Bytes& Bytes::f32(float v)
{
    return u32(std::bit_cast<uint32_t>(v));
}

Bytes& Bytes::f64(double v)
{
    const auto bits = std::bit_cast<uint64_t>(v);
    u32(static_cast<uint32_t>(bits));
    return u32(static_cast<uint32_t>(bits >> 32));
}

Bytes& Bytes::text(const std::string& s)
{
    m_data.insert(m_data.end(), s.begin(), s.end());
    return *this;
}

Bytes& Bytes::append(const std::vector<uint8_t>& more)
{
    m_data.insert(m_data.end(), more.begin(), more.end());
    return *this;
}

Bytes& Bytes::fill(size_t count, uint8_t value)
{
    m_data.insert(m_data.end(), count, value);
    return *this;
}

Bytes fmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign)
{
    if (blockAlign == 0)
        blockAlign = static_cast<uint16_t>(channels * bits / 8);
    Bytes b;
    b.u16(tag).u16(channels).u32(rate).u32(rate * blockAlign).u16(blockAlign).u16(bits);
    return b;
}

RiffBuilder& RiffBuilder::chunk(const std::string& id, const Bytes& body, bool padOdd)
{
    m_body.text(id).u32(static_cast<uint32_t>(body.size())).append(body.data());
    if (padOdd && body.size() % 2 != 0)
        m_body.u8(0);
    return *this;
}

RiffBuilder& RiffBuilder::chunkWithSize(const std::string& id, uint32_t declaredSize, const Bytes& body)
{
    m_body.text(id).u32(declaredSize).append(body.data());
    return *this;
}

RiffBuilder& RiffBuilder::stray(const Bytes& bytes)
{
    m_body.append(bytes.data());
    return *this;
}

std::vector<uint8_t> RiffBuilder::build() const
{
    Bytes out;
    out.text("RIFF").u32(static_cast<uint32_t>(m_body.size() + 4)).text("WAVE").append(m_body.data());
    return out.data();
}

std::vector<uint8_t> pcm16Wav(uint16_t channels, uint32_t rate, const std::vector<int16_t>& interleaved)
{
    Bytes data;
    for (int16_t s : interleaved)
        data.u16(static_cast<uint16_t>(s));
    return RiffBuilder().chunk("fmt ", fmtBody(1, channels, rate, 16)).chunk("data", data).build();
}

} // namespace sonivert::test
