// WAV to WAV conversion with a rate change through the command line's batch
// (44.1 -> 22.05 and 44.1 -> 48 kHz, a five-minute file), next to sox and
// ffmpeg doing the same on the same file in the same run, as time ratios;
// and the peak memory of the conversion for a one-minute and a one-hour
// input, which must not grow with the length. Reports; never fails.

#include "bench/benchutil.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace sonivert;

int main(int argc, char** argv)
{
    const std::string cli = argc > 1 ? argv[1] : std::string(SONIVERT_CLI);
    bench::ScratchDir dir;
    if (!dir.ok())
        return 0;
    setenv("SONIVERT_SETTINGS", dir.file("settings.ini").c_str(), 1);

    const std::string shortInput = dir.file("minute.wav"), fiveInput = dir.file("five.wav"),
                      longInput = dir.file("hour.wav");
    std::printf("generating one-minute, five-minute and one-hour stereo 44100 Hz inputs...\n");
    for (const auto& [path, seconds] : {std::pair{shortInput, 60}, std::pair{fiveInput, 300}, std::pair{longInput, 3600}}) {
        if (std::system(("sox -R -n -r 44100 -c 2 -b 16 " + path + " synth " + std::to_string(seconds) +
                         " sine 440 sine 660 vol 0.5").c_str()) != 0) {
            std::printf("sox could not generate the inputs\n");
            return 0;
        }
    }

    auto convert = [&](const std::string& input, const std::string& out, int rate) {
        return bench::runChild({cli, "convert", "--format", "wav", "--output-dir", out, "--set", "AutoDestWAVEncodingParam=0",
                         "--set", "WAVSampleRate=" + std::to_string(rate), "--set", "WAVChannelNum=2", "--set",
                         "WAVBitsPerSample=16", input});
    };
    std::printf("\n%-30s %12s %12s %12s %10s %12s\n", "five-minute input", "sonivert s", "sox s", "ffmpeg s",
                "/ sox", "/ ffmpeg");
    for (const int rate : {22050, 48000}) {
        const std::string tag = std::to_string(rate);
        const bench::ChildRun mine = convert(fiveInput, dir.file("out-" + tag), rate);
        const bench::ChildRun sox = bench::runChild({"sox", "-R", fiveInput, "-r", tag, dir.file("sox-" + tag + ".wav")});
        const bench::ChildRun ffmpeg = bench::runChild({"ffmpeg", "-v", "error", "-y", "-i", fiveInput, "-ar", tag, "-c:a",
                                          "pcm_s16le", dir.file("ffmpeg-" + tag + ".wav")});
        if (mine.seconds > 0 && sox.seconds > 0 && ffmpeg.seconds > 0)
            std::printf("%-30s %12.2f %12.2f %12.2f %10.2f %12.2f\n", ("44100 -> " + tag + " Hz").c_str(),
                        mine.seconds, sox.seconds, ffmpeg.seconds, mine.seconds / sox.seconds,
                        mine.seconds / ffmpeg.seconds);
    }
    std::printf("(ratios are sonivert's time over the other's: below 1 is faster)\n");

    const bench::ChildRun mineShort = convert(shortInput, dir.file("out-short"), 48000);
    const bench::ChildRun mineLong = convert(longInput, dir.file("out-long"), 48000);
    std::printf("\npeak resident memory of the conversion: one minute %ld KiB, one hour %ld KiB", mineShort.peakKiB,
                mineLong.peakKiB);
    if (mineShort.peakKiB > 0)
        std::printf(" (ratio %.2f; flat means the length does not matter)", double(mineLong.peakKiB) / mineShort.peakKiB);
    std::printf("\n");
    return 0;
}
