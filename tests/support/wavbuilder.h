#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace sonivert::test {

// Little-endian byte strings for hand-made RIFF files.
class Bytes {
public:
    Bytes() = default;
    Bytes(std::initializer_list<uint8_t> init) : m_data(init) {}

    Bytes& u8(uint8_t v);
    Bytes& u16(uint16_t v);
    Bytes& u32(uint32_t v);
    Bytes& f32(float v);
    Bytes& f64(double v);
    Bytes& text(const std::string& s);
    Bytes& append(const std::vector<uint8_t>& more);
    Bytes& fill(size_t count, uint8_t value);

    const std::vector<uint8_t>& data() const { return m_data; }
    size_t size() const { return m_data.size(); }

private:
    std::vector<uint8_t> m_data;
};

// A fmt chunk body: the 16 common bytes, then any extension bytes.
// blockAlign 0 means channels x bits / 8.
Bytes fmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint16_t blockAlign = 0);

// Builds "RIFF" size "WAVE" followed by chunks and stray bytes in the order
// added. Odd-sized chunks get their pad byte unless told otherwise.
class RiffBuilder {
public:
    RiffBuilder& chunk(const std::string& id, const Bytes& body, bool padOdd = true);
    // A chunk header that declares declaredSize whatever the body holds.
    RiffBuilder& chunkWithSize(const std::string& id, uint32_t declaredSize, const Bytes& body);
    RiffBuilder& stray(const Bytes& bytes);
    std::vector<uint8_t> build() const;

private:
    Bytes m_body;
};

// A canonical 16-bit PCM WAV of the given interleaved samples.
std::vector<uint8_t> pcm16Wav(uint16_t channels, uint32_t rate, const std::vector<int16_t>& interleaved);

} // namespace sonivert::test
