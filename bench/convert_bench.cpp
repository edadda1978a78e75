// WAV to WAV conversion with a rate change through the command line's batch,
// next to sox doing the same on the same file in the same run; and the peak
// memory of the conversion for a one-minute and a one-hour input, which must
// not grow with the length. Reports; never fails.

#include "bench/benchutil.h"

#include <cstdio>
#include <string>
#include <vector>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace sonivert;

namespace {

struct ChildRun {
    double seconds = -1;
    long peakKiB = 0;
};

// Runs argv as a child and measures its wall time and peak resident memory.
ChildRun runChild(const std::vector<std::string>& args)
{
    ChildRun run;
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int status = 0;
    run.seconds = bench::secondsOf([&] {
        const pid_t pid = fork();
        if (pid == 0) {
            execvp(argv[0], argv.data());
            _exit(127);
        }
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        run.peakKiB = usage.ru_maxrss;
    });
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        run.seconds = -1;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string cli = argc > 1 ? argv[1] : std::string(SONIVERT_CLI);
    bench::ScratchDir dir;
    if (!dir.ok())
        return 0;
    setenv("SONIVERT_SETTINGS", dir.file("settings.ini").c_str(), 1);

    const std::string shortInput = dir.file("minute.wav"), longInput = dir.file("hour.wav");
    std::printf("generating a one-minute and a one-hour stereo 44100 Hz input...\n");
    if (std::system(("sox -R -n -r 44100 -c 2 -b 16 " + shortInput + " synth 60 sine 440 sine 660 vol 0.5").c_str()) != 0 ||
        std::system(("sox -R -n -r 44100 -c 2 -b 16 " + longInput + " synth 3600 sine 440 sine 660 vol 0.5").c_str()) != 0) {
        std::printf("sox could not generate the inputs\n");
        return 0;
    }

    auto convert = [&](const std::string& input, const std::string& out) {
        return runChild({cli, "convert", "--format", "wav", "--output-dir", out, "--set", "AutoDestWAVEncodingParam=0",
                         "--set", "WAVSampleRate=48000", "--set", "WAVChannelNum=2", "--set", "WAVBitsPerSample=16",
                         input});
    };
    const ChildRun mineShort = convert(shortInput, dir.file("out-short"));
    const ChildRun mineLong = convert(longInput, dir.file("out-long"));
    const ChildRun soxLong = runChild({"sox", "-R", longInput, "-r", "48000", dir.file("sox-long.wav")});

    std::printf("\n%-34s %10s %12s\n", "one-hour input, 44100 -> 48000 Hz", "seconds", "x real time");
    if (mineLong.seconds > 0)
        std::printf("%-34s %10.2f %12.1f\n", "sonivert-cli convert", mineLong.seconds, 3600 / mineLong.seconds);
    if (soxLong.seconds > 0)
        std::printf("%-34s %10.2f %12.1f\n", "sox (its default rate quality)", soxLong.seconds, 3600 / soxLong.seconds);
    if (mineLong.seconds > 0 && soxLong.seconds > 0)
        std::printf("speed ratio sonivert / sox: %.2f\n", soxLong.seconds / mineLong.seconds);

    std::printf("\npeak resident memory of the conversion: one minute %ld KiB, one hour %ld KiB", mineShort.peakKiB,
                mineLong.peakKiB);
    if (mineShort.peakKiB > 0)
        std::printf(" (ratio %.2f; flat means the length does not matter)", double(mineLong.peakKiB) / mineShort.peakKiB);
    std::printf("\n");
    return 0;
}
