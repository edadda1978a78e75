// WAV to 128 kbit/s AAC in an M4A file through sonivert-cli convert, next
// to ffmpeg with the same AAC encoder and bit rate on the same generated
// ten-minute stereo input in the same run. Each is run three times,
// alternating, and the best time of each counts. Reports; never fails.

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

    // Average bit rate 128 kbit/s (64000 bit/s per channel), no tags: what
    // the ffmpeg line below asks of the encoder too.
    const std::string mine = cli + " convert --format m4a --output-dir " + dir.file("out") +
                             " --if-exists overwrite --set AutoDestM4AEncodingParam=0 --set M4AVBR=0"
                             " --set M4AABRBitRate=128 --set M4AID3TagType=2 " +
                             input + " > /dev/null 2>&1";
    const std::string theirs = "ffmpeg -v error -y -i " + input + " -c:a aac -b:a 128k " + dir.file("ffmpeg.m4a");

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
    std::error_code ec;
    const auto ours = std::filesystem::file_size(dir.file("out/ten-minutes.m4a"), ec);
    const auto ffmpegs = std::filesystem::file_size(dir.file("ffmpeg.m4a"), ec);
    std::printf("\n%-40s %10s %12s %12s\n", "ten-minute WAV -> 128 kbit/s M4A", "seconds", "x real time", "kbit/s");
    std::printf("%-40s %10.2f %12.1f %12.1f\n", "sonivert-cli convert", best[0], 600 / best[0], ours * 8 / 600e3);
    std::printf("%-40s %10.2f %12.1f %12.1f\n", "ffmpeg -c:a aac -b:a 128k", best[1], 600 / best[1],
                ffmpegs * 8 / 600e3);
    std::printf("time ratio sonivert / ffmpeg: %.3f\n", best[0] / best[1]);
    return 0;
}
