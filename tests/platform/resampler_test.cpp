// The resampler against physics: a tone keeps its frequency and nothing else
// appears (spurious components below -100 dB), and a tone above the new
// Nyquist frequency is removed rather than folded back.

#include "platform/resampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace sonivert::test {
namespace {

// Magnitudes of the real signal's spectrum (radix 2; size a power of two).
std::vector<double> spectrum(std::vector<double> x)
{
    const size_t n = x.size();
    std::vector<std::complex<double>> a(x.begin(), x.end());
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> w = std::polar(1.0, -2 * M_PI / static_cast<double>(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> wk = 1;
            for (size_t k = 0; k < len / 2; ++k, wk *= w) {
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * wk;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
    std::vector<double> magnitude(n / 2);
    for (size_t k = 0; k < n / 2; ++k)
        magnitude[k] = std::abs(a[k]) * 2 / static_cast<double>(n);
    return magnitude;
}

// Resamples seconds of a sine of frequency at inRate to outRate, in blocks
// of 1000 samples, flushed at the end.
std::vector<float> resampledSine(double frequency, int inRate, int outRate, double seconds, double amplitude)
{
    Resampler r;
    EXPECT_TRUE(r.open(static_cast<double>(outRate) / inRate));
    std::vector<float> output, block;
    std::vector<float> in(1000);
    const auto total = static_cast<size_t>(seconds * inRate);
    for (size_t at = 0; at < total; at += in.size()) {
        const size_t n = std::min(in.size(), total - at);
        for (size_t i = 0; i < n; ++i)
            in[i] = static_cast<float>(amplitude * std::sin(2 * M_PI * frequency * static_cast<double>(at + i) / inRate));
        const int64_t got = r.process(in.data(), static_cast<int32_t>(n), block);
        EXPECT_GE(got, 0);
        output.insert(output.end(), block.begin(), block.begin() + got);
    }
    const int64_t rest = r.flush(block);
    output.insert(output.end(), block.begin(), block.begin() + std::max<int64_t>(rest, 0));
    EXPECT_EQ(static_cast<size_t>(std::ceil(static_cast<double>(total) * outRate / inRate)), output.size());
    return output;
}

TEST(ResamplerTest, AToneKeepsItsFrequencyAndGainsNoSpuriousComponents)
{
    constexpr size_t kBins = 16384;
    const struct {
        int inRate, outRate;
    } cases[] = {{44100, 22050}, {22050, 48000}, {8000, 44100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.inRate) + " -> " + std::to_string(c.outRate));
        // A tone near 1 kHz that fills the analysed stretch with whole
        // periods, so that it lies on one bin without any window.
        const size_t bin = static_cast<size_t>(std::lround(1000.0 * kBins / c.outRate));
        const double frequency = static_cast<double>(bin) * c.outRate / kBins;
        const double seconds = 3.0 * kBins / c.outRate;
        const std::vector<float> out = resampledSine(frequency, c.inRate, c.outRate, seconds, 0.5);
        // The middle stretch, clear of the filter's start and end.
        const std::vector<double> stretch(out.begin() + static_cast<ptrdiff_t>(kBins), out.begin() + static_cast<ptrdiff_t>(2 * kBins));
        const std::vector<double> s = spectrum(stretch);
        EXPECT_NEAR(0.5, s[bin], 0.005) << "the tone keeps its level";
        double spurious = 0;
        for (size_t k = 1; k < s.size(); ++k) {
            if (k != bin)
                spurious = std::max(spurious, s[k]);
        }
        EXPECT_LT(20 * std::log10(spurious / s[bin]), -100.0);
    }
}

TEST(ResamplerTest, AToneAboveTheNewNyquistFrequencyIsRemoved)
{
    const std::vector<float> out = resampledSine(15000, 44100, 22050, 2.0, 1.0);
    double power = 0;
    for (size_t i = 11025; i < 33075; ++i)
        power += static_cast<double>(out[i]) * out[i];
    const double rms = std::sqrt(power / 22050);
    EXPECT_LT(20 * std::log10(rms * std::sqrt(2.0)), -90.0) << "15 kHz folded back to 7.05 kHz";
}

} // namespace
} // namespace sonivert::test
