#pragma once

// Byte strings for hand-made AIFF and AU files: big-endian by default, the
// byte order switchable for the little-endian AU form.

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace sonivert::test {

class BeBytes {
public:
    BeBytes() = default;
    BeBytes(std::initializer_list<uint8_t> init) : m_data(init) {}

    BeBytes& littleEndian(bool on = true)
    {
        m_little = on;
        return *this;
    }
    BeBytes& u8(uint8_t v)
    {
        m_data.push_back(v);
        return *this;
    }
    BeBytes& u16(uint16_t v) { return put(v, 2); }
    BeBytes& u24(uint32_t v) { return put(v, 3); }
    BeBytes& u32(uint32_t v) { return put(v, 4); }
    BeBytes& f32(float v) { return put(std::bit_cast<uint32_t>(v), 4); }
    BeBytes& f64(double v) { return put(std::bit_cast<uint64_t>(v), 8); }
    BeBytes& text(const std::string& s)
    {
        m_data.insert(m_data.end(), s.begin(), s.end());
        return *this;
    }
    BeBytes& append(const std::vector<uint8_t>& more)
    {
        m_data.insert(m_data.end(), more.begin(), more.end());
        return *this;
    }
    BeBytes& fill(size_t count, uint8_t value)
    {
        m_data.insert(m_data.end(), count, value);
        return *this;
    }
    // An 80-bit IEEE 754 extended value (always big-endian), as AIFF stores
    // its sample rate. Only finite values; 0 gives all zero bytes.
    BeBytes& extended(double v)
    {
        uint16_t signExp = 0;
        uint64_t mantissa = 0;
        if (v != 0.0) {
            if (v < 0) {
                signExp = 0x8000;
                v = -v;
            }
            int exp = 0;
            const double fraction = std::frexp(v, &exp); // v = fraction * 2^exp, fraction in [0.5, 1)
            signExp |= static_cast<uint16_t>(exp - 1 + 16383);
            mantissa = static_cast<uint64_t>(std::ldexp(fraction, 64));
        }
        const bool little = m_little;
        m_little = false;
        put(signExp, 2).put(mantissa, 8);
        m_little = little;
        return *this;
    }

    const std::vector<uint8_t>& data() const { return m_data; }
    size_t size() const { return m_data.size(); }

private:
    BeBytes& put(uint64_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i) {
            const int shift = m_little ? 8 * i : 8 * (bytes - 1 - i);
            m_data.push_back(static_cast<uint8_t>(v >> shift));
        }
        return *this;
    }

    std::vector<uint8_t> m_data;
    bool m_little = false;
};

// "FORM" size formType followed by the chunks added; odd-sized bodies get a
// pad byte.
class IffBuilder {
public:
    explicit IffBuilder(std::string formType = "AIFF") : m_formType(std::move(formType)) {}
    IffBuilder& chunk(const std::string& id, const BeBytes& body) { return chunkWithSize(id, static_cast<uint32_t>(body.size()), body); }
    IffBuilder& chunkWithSize(const std::string& id, uint32_t declaredSize, const BeBytes& body)
    {
        m_body.text(id).u32(declaredSize).append(body.data());
        if (body.size() % 2 != 0)
            m_body.u8(0);
        return *this;
    }
    std::vector<uint8_t> build() const
    {
        return BeBytes().text("FORM").u32(static_cast<uint32_t>(m_body.size() + 4)).text(m_formType).append(m_body.data()).data();
    }

private:
    std::string m_formType;
    BeBytes m_body;
};

// A COMM body: the AIFF fields, then for AIFC the compression type and an
// empty name.
inline BeBytes commBody(uint16_t channels, uint32_t frames, uint16_t bits, double rate, const std::string& compression = "")
{
    BeBytes b;
    b.u16(channels).u32(frames).u16(bits).extended(rate);
    if (!compression.empty())
        b.text(compression).u8(0).u8(0);
    return b;
}

// An SSND body: offset, block size 0, offset filler bytes, then the samples.
inline BeBytes ssndBody(const std::vector<uint8_t>& samples, uint32_t offset = 0)
{
    BeBytes b;
    b.u32(offset).u32(0).fill(offset, 0xEE).append(samples);
    return b;
}

} // namespace sonivert::test
