// ReplayGain tags and loudness normalisation on real files, checked by
// ffmpeg's own EBU R128 meter (the ebur128 filter) on the decoded output:
// the written gain agrees with what ffmpeg measures, a normalised output
// lands on its target, and a target that would lift the peak above -1 dBFS
// is held back and said so.

#include "engine/conversionroutines.h"
#include "engine/engine.h"
#include "engine/inputtype.h"
#include "engine/outputformat.h"
#include "settings/conversionsettings.h"
#include "tests/support/fakes.h"
#include "tests/support/ffprobeinfo.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace sonivert::test {
namespace {

// ffmpeg's integrated loudness and sample peak (dBFS) of a file.
struct FfmpegLoudness {
    double lufs = 0;
    double peakDb = 0;
};

double numberAfter(const std::string& text, const std::string& label)
{
    const size_t at = text.rfind(label);
    return at == std::string::npos ? 999.0 : std::strtod(text.c_str() + at + label.size(), nullptr);
}

FfmpegLoudness measure(const std::string& path)
{
    int status = -1;
    const std::string text = captureCommand(
        "ffmpeg -nostats -hide_banner -i " + shellQuote(path) + " -af ebur128=peak=sample -f null - 2>&1", status);
    EXPECT_EQ(0, status) << text;
    return {numberAfter(text, "I:"), numberAfter(text, "Peak:")};
}

double gainDb(const std::string& text)
{
    return std::strtod(text.c_str(), nullptr); // "-3.21 dB"
}

class LoudnessTest : public testing::Test {
protected:
    Outcome convert(int32_t format, const std::string& source, const std::string& target)
    {
        ConversionRoutines routines(engine, settings);
        return routines.routineFor(format)(inputTypeForPath(source), source, target, progress);
    }

    TempDir dir;
    RecordingPrompts prompts;
    Engine engine{prompts};
    ConversionSettings settings{std::nullopt};
    RecordingConversionProgress progress;
};

TEST_F(LoudnessTest, WrittenGainAgreesWithFfmpegsMeterAndNormalisingLandsOnTheTarget)
{
    // Pink noise around -30 LUFS, and a quiet file with one loud click: its
    // peak allows only a few dB of gain.
    const std::string quiet = dir.file("quiet.wav");
    ASSERT_EQ(0, runCommand("sox -R -n -r 44100 -c 2 -b 16 " + shellQuote(quiet) + " synth 8 pinknoise vol 0.06"));
    const std::string clicked = dir.file("clicked.wav");
    ASSERT_EQ(0, runCommand("sox -R -n -r 44100 -c 2 -b 16 " + dir.file("click.wav") + " synth 0.01 square 100 vol 0.9"));
    ASSERT_EQ(0, runCommand("sox -R " + shellQuote(quiet) + " " + shellQuote(dir.file("click.wav")) + " " +
                            shellQuote(clicked)));
    settings.FLACID3TagType = settings.OGGID3TagType = settings.OPUSID3TagType = settings.MP3ID3TagType =
        settings.M4AID3TagType = kTagSourceNone;
    // At 128 kbit/s joint stereo LAME itself takes 0.7 dB out of pink noise
    // (the gain is measured on what goes into the encoder); at 320 kbit/s
    // stereo it keeps the loudness.
    settings.AutoDestMP3EncodingParam = 0;
    settings.MP3BitRate = 320;
    settings.MP3SampleRate = 44100;
    settings.MP3ChannelMode = 0;

    const struct {
        int32_t format;
        const char* gainTag; // the tag holding the gain, as ffprobe names it
        double reference;    // the loudness that gain aims at
    } formats[] = {
        {kOutputFlac, "replaygain_track_gain", -18},
        {kOutputOgg, "replaygain_track_gain", -18},
        {kOutputOpus, "r128_track_gain", -23},
        {kOutputMp3, "replaygain_track_gain", -18},
        {kOutputAlac, "replaygain_track_gain", -18},
    };
    for (const auto& f : formats) {
        const OutputFormatInfo* info = outputFormatInfo(f.format);
        SCOPED_TRACE(info->displayName);
        // ReplayGain alone: the audio as it would be, the tags say by how much.
        settings.ReplayGain = 1;
        settings.NormalizeLoudness = 0;
        const std::string tagged = dir.file("tagged" + std::string(info->extension));
        ASSERT_TRUE(convert(f.format, quiet, tagged));
        const FfprobeInfo probed = ffprobeInfo(tagged);
        ASSERT_EQ(1u, probed.tags.count(f.gainTag));
        const double written = f.format == kOutputOpus ? std::atof(probed.tags.at(f.gainTag).c_str()) / 256
                                                       : gainDb(probed.tags.at(f.gainTag));
        const FfmpegLoudness before = measure(tagged);
        EXPECT_NEAR(f.reference - before.lufs, written, 0.5) << before.lufs;
        if (f.format != kOutputOpus) {
            const double peak = std::atof(probed.tags.at("replaygain_track_peak").c_str());
            EXPECT_NEAR(before.peakDb, 20 * std::log10(peak), 0.5);
        }

        // Normalised to -16 LUFS, tagged with the loudness it then has.
        settings.NormalizeLoudness = 1;
        settings.NormalizeTargetLufs = -16;
        const std::string normalised = dir.file("normalised" + std::string(info->extension));
        const Outcome outcome = convert(f.format, quiet, normalised);
        ASSERT_TRUE(outcome) << outcome.reason();
        EXPECT_EQ("", outcome.note());
        const FfmpegLoudness after = measure(normalised);
        EXPECT_NEAR(-16, after.lufs, 0.5);
        const FfprobeInfo retagged = ffprobeInfo(normalised);
        const double rewritten = f.format == kOutputOpus ? std::atof(retagged.tags.at(f.gainTag).c_str()) / 256
                                                         : gainDb(retagged.tags.at(f.gainTag));
        EXPECT_NEAR(f.reference - after.lufs, rewritten, 0.5);

        // The click allows less: the peak stays at -1 dBFS and the note says
        // the target was not reached. Lossy codecs may overshoot a little.
        settings.ReplayGain = 0;
        const std::string held = dir.file("held" + std::string(info->extension));
        const Outcome limited = convert(f.format, clicked, held);
        ASSERT_TRUE(limited) << limited.reason();
        EXPECT_NE(std::string::npos, limited.note().find("would lift the peak above -1 dBFS")) << limited.note();
        const FfmpegLoudness capped = measure(held);
        EXPECT_LT(capped.lufs, -17);
        const bool lossless = f.format == kOutputFlac || f.format == kOutputAlac;
        EXPECT_LT(capped.peakDb, lossless ? -0.99 : -0.3);
        EXPECT_EQ(0u, ffprobeInfo(held).tags.count(f.gainTag)) << "no ReplayGain asked for";
    }
}

} // namespace
} // namespace sonivert::test
