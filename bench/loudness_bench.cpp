// What measuring the loudness costs: the same ten-minute WAV converted by
// sonivert-cli to FLAC, Ogg Vorbis, Opus and MP3 without and with
// ReplayGain (a first pass over the source into the EBU R128 meter), in the
// same run, alternating, best of three. Reports the added time as a share
// of the conversion (target: under 15 %); never fails.

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

    std::printf("\n%-8s %12s %16s %10s\n", "format", "plain (s)", "ReplayGain (s)", "added");
    for (const char* format : {"flac", "ogg", "opus", "mp3"}) {
        std::vector<std::string> commands, names;
        for (const char* replayGain : {"0", "1"}) {
            commands.push_back(cli + " convert --format " + format + " --output-dir " + dir.file("out") +
                               " --if-exists overwrite --set ReplayGain=" + replayGain + " " + input +
                               " > /dev/null 2>&1");
            names.push_back(std::string(format) + " ReplayGain=" + replayGain);
        }
        const std::vector<double> best = bench::bestTimes(commands, names);
        if (best.empty())
            return 0;
        std::printf("%-8s %12.2f %16.2f %9.1f%%\n", format, best[0], best[1], 100 * (best[1] / best[0] - 1));
    }
    return 0;
}
