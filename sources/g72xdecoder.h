#pragma once

#include <array>
#include <cstdint>

namespace sonivert {

// ITU-T G.726 ADPCM decoder (G.721 at 32 kbit/s, G.723 at 24 and 40 kbit/s)
// with linear output: each code gives the decoder's reconstructed signal,
// 14 bits of dynamic range, shifted left by 2 to a 16-bit sample.
//
// The arithmetic is that of the recommendation's computational details,
// block by block (fixed widths, two's complement or sign-magnitude as each
// block defines them), so the output is bit-exact. The synchronous coding
// adjustment is not applied: it belongs to log-PCM output only.
//
// One decoder state serves one code stream; a caller that interleaves
// channels in one stream shares the state between them.
class G72xDecoder {
public:
    enum class Rate {
        G723_24, // 3-bit codes
        G721_32, // 4-bit codes
        G723_40, // 5-bit codes
    };

    // How FMULT rounds the product of two mantissas before dropping its low
    // four bits. The recommendation adds 48; libsndfile's decoder drops the
    // bits without that offset, which changes every prediction slightly and
    // lets its output drift from the encoder's. Only Recommendation is
    // G.726; Truncated exists so that a stream can be checked sample for
    // sample against that decoder.
    enum class ProductRounding { Recommendation, Truncated };

    explicit G72xDecoder(Rate rate = Rate::G721_32, ProductRounding rounding = ProductRounding::Recommendation)
        : m_rounding(rounding)
    {
        reset(rate);
    }

    // Puts the decoder into the recommendation's initial state for rate.
    void reset(Rate rate);

    Rate rate() const { return m_rate; }
    // Bits per code: 3, 4 or 5.
    int codeBits() const;

    // Decodes one code (its low codeBits() bits; higher bits are ignored).
    int16_t decode(uint32_t code);

private:
    Rate m_rate = Rate::G721_32;
    ProductRounding m_rounding = ProductRounding::Recommendation;
    // Quantizer scale factor adaptation: fast (13 bits) and slow (19 bits)
    // scale factors.
    uint32_t m_yu = 0;
    uint32_t m_yl = 0;
    // Adaptation speed control: short- and long-term averages of F[I] and
    // the speed control parameter.
    uint32_t m_dms = 0;
    uint32_t m_dml = 0;
    uint32_t m_ap = 0;
    // Adaptive predictor: pole (a1, a2) and zero (b1..b6) coefficients, 16-bit
    // two's complement; the last six quantized differences and the last two
    // reconstructed samples in the 11-bit floating format; the signs of the
    // last two partial reconstructed signals.
    std::array<uint32_t, 2> m_a{};
    std::array<uint32_t, 6> m_b{};
    std::array<uint32_t, 6> m_dq{};
    std::array<uint32_t, 2> m_sr{};
    std::array<uint32_t, 2> m_pk{};
    // Tone detector output.
    uint32_t m_td = 0;
};

} // namespace sonivert
