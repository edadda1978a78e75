// A batch of eight 30 to 40 second stereo WAV files to 128 kbit/s MP3
// through sonivert-cli convert, one file at a time (--jobs 1) and one per
// core (--jobs 0), next to ffmpeg run once per file, one by one and one per
// core, through xargs -P, in the same run. Each is run five times, alternating, and the
// best time of each counts. Also the peak resident memory of one file alone
// and of the whole batch on one and on every core: the workers must cost no
// more than one file each. Reports; never fails.

#include "bench/benchutil.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace sonivert;

int main(int argc, char** argv)
{
    const std::string cli = argc > 1 ? argv[1] : std::string(SONIVERT_CLI);
    bench::ScratchDir dir;
    if (!dir.ok())
        return 0;
    setenv("SONIVERT_SETTINGS", dir.file("settings.ini").c_str(), 1);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());

    std::printf("generating eight stereo 44100 Hz inputs of 30 to 40 seconds...\n");
    std::vector<std::string> inputs;
    double totalSeconds = 0;
    for (int i = 0; i < 8; ++i) {
        const int seconds = 30 + (i * 10) / 7;
        inputs.push_back(dir.file("in" + std::to_string(i) + ".wav"));
        totalSeconds += seconds;
        if (std::system(("sox -R -n -r 44100 -c 2 -b 16 " + inputs.back() + " synth " + std::to_string(seconds) +
                         " sine " + std::to_string(300 + 50 * i) + " pinknoise vol 0.4").c_str()) != 0) {
            std::printf("sox could not generate the inputs\n");
            return 0;
        }
    }

    // The same explicit encoding for every run: 44100 Hz joint stereo at
    // 128 kbit/s without tags, what the ffmpeg line asks of lame too.
    auto sonivert = [&](const std::string& jobs, const std::vector<std::string>& files) {
        std::vector<std::string> args = {cli,     "convert",  "--format", "mp3", "--output-dir", dir.file("out"),
                                         "--jobs", jobs, "--if-exists", "overwrite", "--set",
                                         "AutoDestMP3EncodingParam=0", "--set", "MP3SampleRate=44100", "--set",
                                         "MP3BitRate=128", "--set", "MP3ChannelMode=1", "--set", "MP3ID3TagType=2"};
        args.insert(args.end(), files.begin(), files.end());
        return bench::runChild(args, true);
    };
    std::string list;
    for (const std::string& input : inputs)
        list += input + "\n";
    const std::string listFile = dir.file("inputs.txt");
    if (std::FILE* f = std::fopen(listFile.c_str(), "w")) {
        std::fputs(list.c_str(), f);
        std::fclose(f);
    }
    auto ffmpeg = [&](unsigned processes) {
        return "xargs -P " + std::to_string(processes) + " -I{} ffmpeg -v error -y -i {} -c:a libmp3lame " +
               "-b:a 128k {}.mp3 < " + listFile;
    };

    double best[4] = {1e9, 1e9, 1e9, 1e9};
    long peak[2] = {0, 0};
    for (int round = 0; round < 5; ++round) {
        const bench::ChildRun one = sonivert("1", inputs);
        const bench::ChildRun all = sonivert("0", inputs);
        const double theirsOne = bench::secondsOfCommand(ffmpeg(1));
        const double theirs = bench::secondsOfCommand(ffmpeg(cores));
        if (one.seconds < 0 || all.seconds < 0 || theirsOne < 0 || theirs < 0) {
            std::printf("a conversion failed\n");
            return 0;
        }
        best[0] = std::min(best[0], one.seconds);
        best[1] = std::min(best[1], all.seconds);
        best[2] = std::min(best[2], theirsOne);
        best[3] = std::min(best[3], theirs);
        peak[0] = std::max(peak[0], one.peakKiB);
        peak[1] = std::max(peak[1], all.peakKiB);
        std::printf("round %d: --jobs 1 %.2f s, --jobs 0 (%u workers) %.2f s, ffmpeg one by one %.2f s, x%u %.2f s\n",
                    round + 1, one.seconds, cores, all.seconds, theirsOne, cores, theirs);
    }
    const bench::ChildRun single = sonivert("1", {inputs.front()});

    std::printf("\n%-44s %10s %12s\n", ("eight files, " + std::to_string(int(totalSeconds)) + " s -> MP3").c_str(), "seconds",
                "x real time");
    std::printf("%-44s %10.2f %12.1f\n", "sonivert-cli convert --jobs 1", best[0], totalSeconds / best[0]);
    std::printf("%-44s %10.2f %12.1f\n", ("sonivert-cli convert --jobs 0 (" + std::to_string(cores) + ")").c_str(),
                best[1], totalSeconds / best[1]);
    std::printf("%-44s %10.2f %12.1f\n", "ffmpeg, one by one (xargs -P 1)", best[2], totalSeconds / best[2]);
    std::printf("%-44s %10.2f %12.1f\n", ("ffmpeg, " + std::to_string(cores) + " side by side (xargs -P)").c_str(),
                best[3], totalSeconds / best[3]);
    std::printf("time ratio every core / one core: sonivert %.3f, ffmpeg %.3f (ideal on %u cores: %.3f)\n",
                best[1] / best[0], best[3] / best[2], cores, 1.0 / cores);
    std::printf("time ratio sonivert / ffmpeg: one by one %.3f, every core %.3f\n", best[0] / best[2],
                best[1] / best[3]);
    std::printf("\npeak resident memory: one file %ld KiB, the batch on one worker %ld KiB, on %u workers %ld KiB\n",
                single.peakKiB, peak[0], cores, peak[1]);
    std::printf("bound for %u workers: %u x one file + 20 MiB = %ld KiB\n", cores, cores,
                long(cores) * single.peakKiB + 20 * 1024);
    return 0;
}
