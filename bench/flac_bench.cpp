// WAV to FLAC at compression level 5 through sonivert-cli convert, next to
// the flac tool and ffmpeg at the same level on the same generated
// ten-minute stereo input in the same run. Each is run three times,
// alternating, and the best time of each counts. Reports; never fails.

#include "bench/benchutil.h"

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

    const std::vector<std::string> commands = {
        cli + " convert --format flac --output-dir " + dir.file("out") +
            " --if-exists overwrite --set FLACCompressionLevel=5 --set FLACID3TagType=2 " + input + " > /dev/null 2>&1",
        "flac -s -f -5 -o " + dir.file("flac.flac") + " " + input,
        "ffmpeg -v error -y -i " + input + " -c:a flac -compression_level 5 " + dir.file("ffmpeg.flac"),
    };
    const std::vector<std::string> names = {"sonivert-cli convert", "flac -5", "ffmpeg -c:a flac -compression_level 5"};
    const std::vector<double> best = bench::bestTimes(commands, names);
    if (best.empty())
        return 0;
    std::printf("\n%-40s %10s %12s\n", "ten-minute WAV -> FLAC level 5", "seconds", "x real time");
    for (int i = 0; i < 3; ++i)
        std::printf("%-40s %10.2f %12.1f\n", names[i].c_str(), best[i], 600 / best[i]);
    std::printf("time ratio sonivert / flac: %.3f, sonivert / ffmpeg: %.3f (target: at most 1.05)\n",
                best[0] / best[1], best[0] / best[2]);
    return 0;
}
