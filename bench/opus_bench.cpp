// WAV to Opus at 128 kbit/s VBR through sonivert-cli convert, next to the
// opusenc tool and ffmpeg's libopus at the same bit rate on the same
// generated ten-minute stereo input in the same run. Each is run three
// times, alternating, and the best time of each counts. Reports; never fails.

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
    const std::string input = bench::tenMinuteInput(dir);
    if (input.empty())
        return 0;

    const std::vector<std::string> commands = {
        cli + " convert --format opus --output-dir " + dir.file("out") +
            " --if-exists overwrite --set AutoDestOPUSEncodingParam=0 --set OPUSBitRate=128 --set OPUSChannels=0"
            " --set OPUSID3TagType=2 " + input + " > /dev/null 2>&1",
        "opusenc --quiet --bitrate 128 --vbr " + input + " " + dir.file("opusenc.opus"),
        "ffmpeg -v error -y -i " + input + " -c:a libopus -b:a 128k -vbr on " + dir.file("ffmpeg.opus"),
    };
    const std::vector<std::string> names = {"sonivert-cli convert", "opusenc --bitrate 128",
                                            "ffmpeg -c:a libopus -b:a 128k"};
    const std::vector<double> best = bench::bestTimes(commands, names);
    if (best.empty())
        return 0;
    std::printf("\n%-40s %10s %12s\n", "ten-minute WAV -> Opus 128 kbit/s", "seconds", "x real time");
    for (size_t i = 0; i < best.size(); ++i)
        std::printf("%-40s %10.2f %12.1f\n", names[i].c_str(), best[i], 600 / best[i]);
    std::printf("time ratio sonivert / opusenc: %.3f, sonivert / ffmpeg: %.3f (target: at most 1.05)\n",
                best[0] / best[1], best[0] / best[2]);
    return 0;
}
