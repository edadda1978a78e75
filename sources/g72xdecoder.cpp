#include "sources/g72xdecoder.h"

#include <algorithm>
#include <bit>
#include <span>

namespace sonivert {
namespace {

// Per-rate tables, indexed by the code's magnitude |I|: the normalized
// quantizer output DQLN (log2 domain, 12-bit two's complement; -2048 stands
// for minus infinity), the scale factor multiplier W (12-bit two's
// complement) and the speed control input F.
struct RateTables {
    int bits;
    std::span<const int16_t> dqln;
    std::span<const int16_t> w;
    std::span<const uint8_t> f;
};

constexpr int16_t kDqln24[] = {-2048, 135, 273, 373};
constexpr int16_t kW24[] = {-4, 30, 137, 582};
constexpr uint8_t kF24[] = {0, 1, 2, 7};

constexpr int16_t kDqln32[] = {-2048, 4, 135, 213, 273, 323, 373, 425};
constexpr int16_t kW32[] = {-12, 18, 41, 64, 112, 198, 355, 1122};
constexpr uint8_t kF32[] = {0, 0, 0, 1, 1, 1, 3, 7};

constexpr int16_t kDqln40[] = {-2048, -66, 28, 104, 169, 224, 274, 318, 358, 395, 429, 459, 488, 514, 539, 566};
constexpr int16_t kW40[] = {14, 14, 24, 39, 40, 41, 58, 100, 141, 179, 219, 280, 358, 440, 529, 696};
constexpr uint8_t kF40[] = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 3, 4, 5, 6, 6};

RateTables tablesFor(G72xDecoder::Rate rate)
{
    switch (rate) {
    case G72xDecoder::Rate::G723_24:
        return {3, kDqln24, kW24, kF24};
    case G72xDecoder::Rate::G723_40:
        return {5, kDqln40, kW40, kF40};
    case G72xDecoder::Rate::G721_32:
        break;
    }
    return {4, kDqln32, kW32, kF32};
}

// Number of significant bits of a magnitude (0 for 0): the exponent of the
// recommendation's floating formats.
uint32_t exponentOf(uint32_t magnitude)
{
    return static_cast<uint32_t>(std::bit_width(magnitude));
}

// 11-bit floating format: sign, 4-bit exponent, 6-bit mantissa. A zero
// magnitude has mantissa 32 (FLOATA, FLOATB).
uint32_t toFloat11(uint32_t sign, uint32_t magnitude)
{
    const uint32_t exp = exponentOf(magnitude);
    const uint32_t mant = magnitude == 0 ? 32 : (magnitude << 6) >> exp;
    return (sign << 10) + (exp << 6) + mant;
}

// FMULT: a 16-bit two's complement coefficient times an 11-bit floating
// signal, giving a 16-bit two's complement product. rounding is the offset
// added to the mantissa product before its low four bits are dropped.
uint32_t fmult(uint32_t an, uint32_t srn, uint32_t rounding)
{
    const uint32_t ans = an >> 15;
    const uint32_t anmag = ans ? (16384 - (an >> 2)) & 8191 : an >> 2;
    const uint32_t anexp = exponentOf(anmag);
    const uint32_t anmant = anmag == 0 ? 32 : (anmag << 6) >> anexp;
    const uint32_t srns = srn >> 10;
    const uint32_t srnexp = (srn >> 6) & 15;
    const uint32_t srnmant = srn & 63;
    const uint32_t wans = srns ^ ans;
    const uint32_t wanexp = srnexp + anexp;
    const uint32_t wanmant = (srnmant * anmant + rounding) >> 4;
    const uint32_t wanmag =
        wanexp <= 26 ? (wanmant << 7) >> (26 - wanexp) : ((wanmant << 7) << (wanexp - 26)) & 32767;
    return wans ? (65536 - wanmag) & 65535 : wanmag;
}

} // namespace

void G72xDecoder::reset(Rate rate)
{
    m_rate = rate;
    m_yu = 544;
    m_yl = 34816;
    m_dms = 0;
    m_dml = 0;
    m_ap = 0;
    m_a.fill(0);
    m_b.fill(0);
    m_dq.fill(32);
    m_sr.fill(32);
    m_pk.fill(0);
    m_td = 0;
}

int G72xDecoder::codeBits() const
{
    return tablesFor(m_rate).bits;
}

int16_t G72xDecoder::decode(uint32_t code)
{
    const RateTables t = tablesFor(m_rate);
    const uint32_t mask = (1u << t.bits) - 1;
    const uint32_t i = code & mask;
    const uint32_t is = i >> (t.bits - 1);
    const uint32_t im = is ? mask - i : i; // negative codes count down from the top

    // LIMA, MIX: the quantizer scale factor y from the fast and slow factors.
    const uint32_t al = m_ap >= 256 ? 64 : m_ap >> 2;
    uint32_t y;
    {
        const uint32_t dif = (m_yu + 16384 - (m_yl >> 6)) & 16383;
        const uint32_t difs = dif >> 13;
        const uint32_t difm = difs ? (16384 - dif) & 8191 : dif;
        const uint32_t prodm = (difm * al) >> 6;
        const uint32_t prod = difs ? (16384 - prodm) & 16383 : prodm;
        y = ((m_yl >> 6) + prod) & 8191;
    }

    // FMULT, ACCUM: the signal estimate se and its zero-section part sez.
    const uint32_t rounding = m_rounding == ProductRounding::Recommendation ? 48 : 0;
    uint32_t sezi = 0;
    for (size_t k = 0; k < m_b.size(); ++k)
        sezi = (sezi + fmult(m_b[k], m_dq[k], rounding)) & 65535;
    const uint32_t sei = (sezi + fmult(m_a[1], m_sr[1], rounding) + fmult(m_a[0], m_sr[0], rounding)) & 65535;
    const uint32_t sez = sezi >> 1;
    const uint32_t se = sei >> 1;

    // RECONST, ADDA, ANTILOG: the quantized difference dq, 16-bit
    // sign-magnitude, kept as its sign dqs and magnitude dqmag.
    const uint32_t dqln = static_cast<uint32_t>(t.dqln[im]) & 4095;
    const uint32_t dql = (dqln + (y >> 2)) & 4095;
    uint32_t dqmag = 0;
    if ((dql >> 11) == 0) {
        const uint32_t dex = (dql >> 7) & 15;
        const uint32_t dqt = 128 + (dql & 127);
        // dex stays below 15 for every reachable scale factor; the shift
        // is written so that it cannot go negative either way.
        dqmag = dex <= 14 ? (dqt << 7) >> (14 - dex) : ((dqt << 7) << (dex - 14)) & 32767;
    }
    const uint32_t dqs = is;

    // ADDB: the reconstructed signal sr (16-bit two's complement).
    const uint32_t dqi = dqs ? (65536 - dqmag) & 65535 : dqmag;
    const uint32_t sei16 = (se >> 14) ? se + 32768 : se;
    const uint32_t sr = (dqi + sei16) & 65535;

    // ADDC: sign of the partial reconstructed signal dq + sez.
    const uint32_t sezi16 = (sez >> 14) ? sez + 32768 : sez;
    const uint32_t dqsez = (dqi + sezi16) & 65535;
    const uint32_t pk0 = dqsez >> 15;
    const uint32_t sigpk = dqsez == 0 ? 1 : 0;

    // TRANS: transition detector, from the delayed tone flag and slow factor.
    uint32_t tr;
    {
        const uint32_t ylint = m_yl >> 15;
        const uint32_t ylfrac = (m_yl >> 10) & 31;
        const uint32_t thr1 = (32 + ylfrac) << ylint;
        const uint32_t thr2 = ylint > 9 ? 31u << 10 : thr1;
        const uint32_t dqthr = (thr2 + (thr2 >> 1)) >> 1;
        tr = (dqmag > dqthr && m_td == 1) ? 1 : 0;
    }

    // FUNCTW, FILTD, LIMB: fast scale factor.
    const uint32_t wi = static_cast<uint32_t>(t.w[im]) & 4095;
    uint32_t yup;
    {
        const uint32_t dif = ((wi << 5) + 131072 - y) & 131071;
        const uint32_t difs = dif >> 16;
        const uint32_t difsx = difs ? (dif >> 5) + 4096 : dif >> 5;
        const uint32_t yut = (y + difsx) & 8191;
        const uint32_t geul = ((yut + 11264) & 16383) >> 13;
        const uint32_t gell = ((yut + 15840) & 16383) >> 13;
        yup = gell ? 544 : (geul == 0 ? 5120 : yut);
    }
    // FILTE: slow scale factor.
    uint32_t ylp;
    {
        const uint32_t dif = (yup + ((1048576 - m_yl) >> 6)) & 16383;
        const uint32_t difs = dif >> 13;
        const uint32_t difsx = difs ? dif + 507904 : dif;
        ylp = (m_yl + difsx) & 524287;
    }

    // UPA2, LIMC: second pole coefficient.
    const uint32_t a1 = m_a[0];
    const uint32_t a2 = m_a[1];
    uint32_t a2p;
    {
        const uint32_t pks1 = pk0 ^ m_pk[0];
        const uint32_t pks2 = pk0 ^ m_pk[1];
        const uint32_t uga2a = pks2 ? 114688 : 16384;
        const uint32_t a1s = a1 >> 15;
        uint32_t fa1;
        if (a1s == 0)
            fa1 = a1 <= 8191 ? a1 << 2 : 8191u << 2;
        else
            fa1 = a1 >= 57345 ? (a1 << 2) & 131071 : 24577u << 2;
        const uint32_t fa = pks1 ? fa1 : (131072 - fa1) & 131071;
        const uint32_t uga2b = (uga2a + fa) & 131071;
        const uint32_t uga2s = uga2b >> 16;
        const uint32_t uga2 = sigpk ? 0 : (uga2s ? (uga2b >> 7) + 64512 : uga2b >> 7);
        const uint32_t a2s = a2 >> 15;
        const uint32_t ula2 = a2s ? (65536 - ((a2 >> 7) + 65024)) & 65535 : (65536 - (a2 >> 7)) & 65535;
        const uint32_t ua2 = (uga2 + ula2) & 65535;
        const uint32_t a2t = (a2 + ua2) & 65535;
        if (a2t >= 32768 && a2t <= 53248)
            a2p = 53248;
        else if (a2t >= 12288 && a2t <= 32767)
            a2p = 12288;
        else
            a2p = a2t;
    }
    // UPA1, LIMD: first pole coefficient, bounded by the second.
    uint32_t a1p;
    {
        const uint32_t pks = pk0 ^ m_pk[0];
        const uint32_t uga1 = sigpk ? 0 : (pks ? 65344 : 192);
        const uint32_t a1s = a1 >> 15;
        const uint32_t ula1 = a1s ? (65536 - ((a1 >> 8) + 65280)) & 65535 : (65536 - (a1 >> 8)) & 65535;
        const uint32_t ua1 = (uga1 + ula1) & 65535;
        const uint32_t a1t = (a1 + ua1) & 65535;
        const uint32_t a1ul = (15360 + 65536 - a2p) & 65535;
        const uint32_t a1ll = (a2p + 65536 - 15360) & 65535;
        if (a1t >= 32768 && a1t <= a1ll)
            a1p = a1ll;
        else if (a1t >= a1ul && a1t <= 32767)
            a1p = a1ul;
        else
            a1p = a1t;
    }
    // UPB: zero coefficients; the leak is 2^-9 at 40 kbit/s, 2^-8 otherwise.
    std::array<uint32_t, 6> bp{};
    for (size_t k = 0; k < m_b.size(); ++k) {
        const uint32_t bn = m_b[k];
        const uint32_t dqns = m_dq[k] >> 10;
        const uint32_t ugb = dqmag == 0 ? 0 : ((dqs ^ dqns) ? 65408 : 128);
        const uint32_t bs = bn >> 15;
        uint32_t ulb;
        if (m_rate == Rate::G723_40)
            ulb = bs ? (65536 - ((bn >> 9) + 65408)) & 65535 : (65536 - (bn >> 9)) & 65535;
        else
            ulb = bs ? (65536 - ((bn >> 8) + 65280)) & 65535 : (65536 - (bn >> 8)) & 65535;
        const uint32_t ub = (ugb + ulb) & 65535;
        bp[k] = (bn + ub) & 65535;
    }

    // TONE: a2 below -0.71875 marks a narrow-band signal.
    const uint32_t tdp = (a2p >= 32768 && a2p < 53760) ? 1 : 0;

    // FUNCTF, FILTA, FILTB, SUBTC, FILTC, TRIGA: adaptation speed.
    const uint32_t fi = t.f[im];
    uint32_t dmsp;
    {
        const uint32_t dif = ((fi << 9) + 8192 - m_dms) & 8191;
        const uint32_t difs = dif >> 12;
        const uint32_t difsx = difs ? (dif >> 5) + 3840 : dif >> 5;
        dmsp = (difsx + m_dms) & 4095;
    }
    uint32_t dmlp;
    {
        const uint32_t dif = ((fi << 11) + 32768 - m_dml) & 32767;
        const uint32_t difs = dif >> 14;
        const uint32_t difsx = difs ? (dif >> 7) + 16128 : dif >> 7;
        dmlp = (difsx + m_dml) & 16383;
    }
    uint32_t ax;
    {
        const uint32_t dif = ((dmsp << 2) + 32768 - dmlp) & 32767;
        const uint32_t difs = dif >> 14;
        const uint32_t difm = difs ? (32768 - dif) & 16383 : dif;
        const uint32_t dthr = dmlp >> 3;
        ax = (y >= 1536 && difm < dthr && tdp == 0) ? 0 : 1;
    }
    uint32_t app;
    {
        const uint32_t dif = ((ax << 9) + 2048 - m_ap) & 2047;
        const uint32_t difs = dif >> 10;
        const uint32_t difsx = difs ? (dif >> 4) + 896 : dif >> 4;
        app = (difsx + m_ap) & 1023;
    }

    // TRIGB, TRIGA: a transition resets the predictor and speeds adaptation up.
    if (tr) {
        a1p = 0;
        a2p = 0;
        bp.fill(0);
        app = 256;
    }

    // FLOATA, FLOATB and the delay lines.
    for (size_t k = m_dq.size() - 1; k > 0; --k)
        m_dq[k] = m_dq[k - 1];
    m_dq[0] = toFloat11(dqs, dqmag);
    const uint32_t srs = sr >> 15;
    m_sr[1] = m_sr[0];
    m_sr[0] = toFloat11(srs, srs ? (65536 - sr) & 32767 : sr);
    m_pk[1] = m_pk[0];
    m_pk[0] = pk0;
    m_a[0] = a1p;
    m_a[1] = a2p;
    m_b = bp;
    m_yu = yup;
    m_yl = ylp;
    m_dms = dmsp;
    m_dml = dmlp;
    m_ap = app;
    m_td = tr ? 0 : tdp;

    // The reconstructed signal has 14 bits of dynamic range; scaled to 16
    // bits. A signal outside that range (only a hostile code stream gets
    // there) saturates instead of wrapping.
    const int32_t signal = srs ? static_cast<int32_t>(sr) - 65536 : static_cast<int32_t>(sr);
    return static_cast<int16_t>(std::clamp(signal * 4, -32768, 32767));
}

} // namespace sonivert
