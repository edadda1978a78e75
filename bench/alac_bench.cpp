// WAV to Apple Lossless through sonivert-cli convert, next to ffmpeg's own
// command line with the same encoder (libavcodec's alac at its defaults) on
// the same generated ten-minute stereo input in the same run. Each is run
// three times, alternating, and the best time of each counts. Reports;
// never fails.

#include "bench/benchutil.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
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

    const std::string ours = dir.file("out/ten-minutes.m4a"), theirs = dir.file("ffmpeg.m4a");
    const std::string commands[] = {
        cli + " convert --format alac --output-dir " + dir.file("out") +
            " --if-exists overwrite --set M4AID3TagType=2 " + input + " > /dev/null 2>&1",
        "ffmpeg -v error -y -i " + input + " -c:a alac " + theirs,
    };
    const char* const names[] = {"sonivert-cli convert", "ffmpeg -c:a alac"};
    double best[2] = {1e9, 1e9};
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 2; ++i) {
            const double s = bench::secondsOfCommand(commands[i]);
            if (s < 0) {
                std::printf("%s failed\n", names[i]);
                return 0;
            }
            best[i] = std::min(best[i], s);
        }
        std::printf("round %d done\n", round + 1);
    }
    std::error_code ec;
    const double sizes[] = {static_cast<double>(std::filesystem::file_size(ours, ec)),
                            static_cast<double>(std::filesystem::file_size(theirs, ec))};
    std::printf("\n%-40s %10s %12s %10s\n", "ten-minute WAV -> ALAC", "seconds", "x real time", "MB");
    for (int i = 0; i < 2; ++i)
        std::printf("%-40s %10.2f %12.1f %10.2f\n", names[i], best[i], 600 / best[i], sizes[i] / 1e6);
    std::printf("time ratio sonivert / ffmpeg: %.3f (target: at most 1.05)\n", best[0] / best[1]);
    return 0;
}
