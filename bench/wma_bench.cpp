// WAV to 128 kbit/s WMA through sonivert-cli convert, next to ffmpeg with
// the same encoder (wmav2) and bit rate on the same generated ten-minute
// stereo input in the same run. Each is run three times, alternating, and
// the best time of each counts. Reports; never fails.

#include "bench/benchutil.h"

#include <algorithm>
#include <cstdio>
#include <string>

using namespace sonivert;

int main(int argc, char** argv)
{
    const std::string cli = argc > 1 ? argv[1] : std::string(SONIVERT_CLI);
    bench::ScratchDir dir;
    if (!dir.ok())
        return 0;
    const std::string input = bench::tenMinuteInput(dir);
    if (input.empty())
        return 0;

    // Explicit 44100 Hz stereo at 128 kbit/s, no tags: what the
    // ffmpeg line below asks of the library too.
    const std::string mine = cli + " convert --format wma --output-dir " + dir.file("out") +
                             " --if-exists overwrite --set AutoDestWMAEncodingParam=0 --set WMASampleRate=44100"
                             " --set WMABitRate=128000 --set WMAChannels=2 --set WMAID3TagType=2 " +
                             input + " > /dev/null 2>&1";
    const std::string theirs = "ffmpeg -v error -y -i " + input + " -c:a wmav2 -b:a 128k " + dir.file("ffmpeg.wma");

    double best[2] = {1e9, 1e9};
    for (int round = 0; round < 3; ++round) {
        const double a = bench::secondsOfCommand(mine);
        const double b = bench::secondsOfCommand(theirs);
        if (a < 0 || b < 0) {
            std::printf("a conversion failed (sonivert %.2f s, ffmpeg %.2f s)\n", a, b);
            return 0;
        }
        best[0] = std::min(best[0], a);
        best[1] = std::min(best[1], b);
        std::printf("round %d: sonivert-cli %.2f s, ffmpeg %.2f s\n", round + 1, a, b);
    }
    std::printf("\n%-40s %10s %12s\n", "ten-minute WAV -> 128 kbit/s WMA", "seconds", "x real time");
    std::printf("%-40s %10.2f %12.1f\n", "sonivert-cli convert", best[0], 600 / best[0]);
    std::printf("%-40s %10.2f %12.1f\n", "ffmpeg -c:a wmav2 -b:a 128k", best[1], 600 / best[1]);
    std::printf("time ratio sonivert / ffmpeg: %.3f\n", best[0] / best[1]);
    return 0;
}
