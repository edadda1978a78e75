#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace sonivert {

// Decoder of DWVW (Delta With Variable Word width), the compression of
// AIFC "DWVW" files: each sample is coded as a change of the delta's bit
// width (a run of zero bits ended by a one, then a sign bit) followed by the
// delta itself, most significant bit first.
//
// The decoder pulls its input through a ByteSource in slices of up to 256
// bytes. The stream ends when the source delivers nothing while fewer than
// eight bits are wanted; the sample during which that happens is not
// delivered, nor is a sample after which the source has nothing left and no
// bits remain buffered. A read of eight bits or more past the end is
// completed with zero bits, but never more than kMaxFillBytes of them in
// all: no sample needs more, and a damaged stream cannot go on forever.
class DwvwDecoder {
public:
    static constexpr int kMinBits = 8;
    static constexpr int kMaxBits = 24;
    static constexpr int kMaxFillBytes = 4;

    // Where the coded bytes come from. readBytes returns how many it copied
    // into buffer (at most size); 0 means no more input.
    class ByteSource {
    public:
        virtual size_t readBytes(uint8_t* buffer, size_t size) = 0;

    protected:
        ~ByteSource() = default;
    };

    // Starts a stream of bitWidth-bit samples; false (and unusable) when the
    // width is outside kMinBits..kMaxBits.
    [[nodiscard]] bool init(int bitWidth);
    int bitWidth() const { return m_bitWidth; }

    // Decodes up to count samples into out, each placed in the top bitWidth
    // bits of its 32-bit value. Returns the samples delivered: fewer than
    // count only at the end of the stream. The state carries on to the next
    // call.
    size_t decode(ByteSource& source, int32_t* out, size_t count);

private:
    // The next bitCount bits (0..24), most significant first; -1 at the end
    // of the input when fewer than 8 bits were wanted.
    int32_t readBits(ByteSource& source, int bitCount);
    // Zero bits up to the first one bit (consumed), at most m_maxModifier;
    // -1 at the end of the input.
    int32_t readWidthModifier(ByteSource& source);

    int m_bitWidth = 0;
    int m_maxModifier = 0;
    int32_t m_maxDelta = 0;
    int32_t m_span = 0;
    int m_lastDeltaWidth = 0;
    int32_t m_lastSample = 0;

    std::array<uint8_t, 256> m_buffer{};
    size_t m_fill = 0;  // bytes the last refill brought
    size_t m_index = 0; // next unread byte of m_buffer
    uint64_t m_bits = 0;
    int m_bitCount = 0; // unread bits at the bottom of m_bits
    int m_fillBytes = 0; // zero bytes made up past the end of the input
};

} // namespace sonivert
