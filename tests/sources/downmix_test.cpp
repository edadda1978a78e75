// Files of more than two channels, read as two: every reader mixes them down
// with the matrix `ffmpeg -ac 2` uses. Each channel of a test file carries a
// tone of its own frequency, so one file shows at once where every channel
// went and at what level; a second file puts a full-scale tone on every
// channel, which must not clip.

#include "engine/wavsource.h"
#include "sources/aiffsource.h"
#include "sources/basssource.h"
#include "sources/ffmpegsource.h"
#include "sources/oggsource.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>

namespace sonivert::test {
namespace {

constexpr int kRate = 48000;
const double kTones[] = {300, 500, 700, 900, 1100, 1300, 1500, 1700}; // channel c carries kTones[c]

// The amplitude of frequency in samples (Goertzel), as a share of full scale.
double amplitude(const std::vector<int16_t>& samples, double frequency)
{
    const double w = 2 * M_PI * frequency / kRate;
    double s1 = 0, s2 = 0;
    for (int16_t x : samples) {
        const double s = x / 32768.0 + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    const double power = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
    return samples.empty() ? 0 : 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(samples.size());
}

struct Layout {
    const char* name;
    int channels;
};
const Layout kLayouts[] = {{"3.0", 3}, {"4.0", 4}, {"5.1", 6}, {"7.1", 8}};

struct Reader {
    const char* name;
    const char* extension;
    const char* codec; // ffmpeg's encoder options
    std::function<std::unique_ptr<AudioSource>()> make;
    int maxChannels;
    const char* fourChannels = "4.0"; // libopus takes four channels only as quad
    // The reference mix is made from a WAV file of the same speakers: ffmpeg
    // reads AIFF channels by its default layout, not by the AIFF order.
    bool wavReference = false;
};

template <typename Source>
std::unique_ptr<AudioSource> make()
{
    return std::make_unique<Source>();
}

const Reader kReaders[] = {
    {"WAV (extensible) through the WAV parser", ".wav", "-c:a pcm_s16le", make<WavSource>, 8},
    {"WAV through the decoding library", ".wav", "-c:a pcm_s16le", make<BassSource>, 8},
    {"FLAC through the decoding library", ".flac", "-c:a flac", make<BassSource>, 8},
    {"Ogg Vorbis", ".ogg", "-c:a libvorbis -q:a 6", make<OggSource>, 8},
    {"Opus", ".opus", "-c:a libopus -b:a 320k", make<FfmpegSource>, 8, "quad"},
    {"M4A (AAC) through the decoding library", ".m4a", "-c:a aac -b:a 384k", make<BassSource>, 8},
    {"Matroska (AC-3)", ".mkv", "-c:a ac3 -b:a 448k", make<FfmpegSource>, 6},
    // AIFF's own six-channel order has no centre-and-LFE 5.1 to compare with.
    {"AIFF", ".aiff", "-c:a pcm_s16be", make<AiffSource>, 4, "quad", true},
};

class DownmixTest : public testing::Test {
protected:
    // A second of each channel's tone at amplitude (full scale 1), or the
    // same tone on every channel.
    std::string file(const Reader& reader, const Layout& layout, double level, bool sameTone)
    {
        return file(reader.extension, reader.codec, layout.channels == 4 ? reader.fourChannels : layout.name,
                    layout.channels, level, sameTone);
    }
    std::string file(const std::string& extension, const std::string& codec, const std::string& name, int channels,
                     double level, bool sameTone)
    {
        std::string expressions;
        for (int c = 0; c < channels; ++c)
            expressions += (c ? "|" : "") + std::to_string(level) + "*sin(2*PI*" +
                           std::to_string(sameTone ? 1000.0 : kTones[c]) + "*t)";
        const std::string path = dir.file(name + (sameTone ? "-full-" : "-tones-") + codec + extension);
        EXPECT_EQ(0, runCommand("ffmpeg -v error -y -f lavfi -i " +
                                shellQuote("aevalsrc=" + expressions + ":c=" + name + ":s=48000:d=1") + " " +
                                codec + " " + shellQuote(path)));
        return path;
    }
    static void split(const std::vector<int16_t>& interleaved, std::vector<int16_t>& left, std::vector<int16_t>& right)
    {
        left = channelOf(interleaved, 2, 0);
        right = channelOf(interleaved, 2, 1);
    }
    TempDir dir;
};

TEST_F(DownmixTest, EveryChannelReachesItsSideAtTheLevelFfmpegGivesIt)
{
    for (const Reader& reader : kReaders) {
        for (const Layout& layout : kLayouts) {
            if (layout.channels > reader.maxChannels)
                continue;
            SCOPED_TRACE(std::string(reader.name) + ", " + layout.name);
            const std::string path = file(reader, layout, 0.3, false);
            std::unique_ptr<AudioSource> source = reader.make();
            ASSERT_TRUE(source->open(path, 0));
            EXPECT_EQ(layout.channels, source->channels());
            EXPECT_EQ(2, source->outputChannels());
            const DecodedPcm ours = decodeAll(*source);
            ASSERT_TRUE(ours.blockLimitKept);
            std::vector<int16_t> refLeft, refRight;
            const std::string mixed =
                reader.wavReference
                    ? file(".wav", "-c:a pcm_s16le", layout.channels == 4 ? reader.fourChannels : layout.name,
                           layout.channels, 0.3, false)
                    : path;
            int status = 0;
            captureCommand("ffmpeg -v error -y -i " + shellQuote(mixed) + " -ac 2 -f s16le -c:a pcm_s16le " +
                               shellQuote(path + ".raw"),
                           status);
            ASSERT_EQ(0, status);
            split(readRawS16(path + ".raw"), refLeft, refRight);
            for (int c = 0; c < layout.channels; ++c) {
                SCOPED_TRACE("channel " + std::to_string(c));
                const double tone = kTones[c];
                for (const auto& [mine, theirs] : {std::pair{&ours.left, &refLeft}, std::pair{&ours.right, &refRight}}) {
                    const double a = amplitude(*mine, tone), b = amplitude(*theirs, tone);
                    if (b < 0.003) // ffmpeg leaves it out of this side (LFE, the other side's channels)
                        EXPECT_LT(a, 0.003);
                    else
                        EXPECT_NEAR(20 * std::log10(a / b), 0.0, 0.5);
                }
            }
        }
    }
}

TEST_F(DownmixTest, AFullScaleToneOnEveryChannelDoesNotClip)
{
    const Reader& reader = kReaders[0];
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        const std::string path = file(reader, layout, 0.999, true);
        WavSource source;
        ASSERT_TRUE(source.open(path, 0));
        const DecodedPcm ours = decodeAll(source);
        int peak = 0;
        for (const std::vector<int16_t>* side : {&ours.left, &ours.right}) {
            for (int16_t v : *side)
                peak = std::max(peak, std::abs(static_cast<int>(v)));
        }
        EXPECT_LT(peak, 32767) << "a clipped peak";
        EXPECT_GT(peak, 10000) << "the mix still carries the tone";
    }
}

} // namespace
} // namespace sonivert::test
