// The FFmpeg readers against the ffmpeg command-line tools on the same files,
// in the same run. Reports, never fails.
//
// Intake: the probe reader opens 1,000 short MP3 files (files per second),
// next to one ffprobe process per file reading the same stream information.
// Decoding: FfmpegSource decodes a ten-minute stereo MP3 to 16-bit blocks,
// next to `ffmpeg -f s16le` decoding it to /dev/null; both as seconds of
// audio per second of wall time.
//
// Usage: ffmpeg_bench [files] (default 1000).

#include "bench/benchutil.h"
#include "sources/ffmpegprobesource.h"
#include "sources/ffmpegsource.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace sonivert;

namespace {

bool run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

std::string quote(const std::string& word)
{
    return "'" + word + "'"; // scratch paths hold no quotes
}

void intake(const bench::ScratchDir& dir, int count)
{
    // Ten distinct short files (2 to 4 s, mono and stereo, several rates and
    // bit rates), copied to make up the count.
    constexpr int kDistinct = 10;
    std::vector<std::string> originals;
    for (int i = 0; i < kDistinct; ++i) {
        const std::string path = dir.file("original" + std::to_string(i) + ".mp3");
        const int rate = i % 3 == 0 ? 44100 : (i % 3 == 1 ? 48000 : 32000);
        const std::string command = "ffmpeg -v error -y -f lavfi -i sine=f=" + std::to_string(200 + 50 * i) +
                                    ":r=" + std::to_string(rate) + ":d=" + std::to_string(2 + i % 3) + " -ac " +
                                    std::to_string(1 + i % 2) + " -c:a libmp3lame -b:a " +
                                    std::to_string(64 + 32 * (i % 4)) + "k " + quote(path);
        if (!run(command)) {
            std::printf("could not generate the MP3 files (ffmpeg with libmp3lame is needed)\n");
            return;
        }
        originals.push_back(path);
    }
    const std::string folder = dir.file("intake");
    std::filesystem::create_directory(folder);
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(folder + "/file" + std::to_string(i) + ".mp3");
        std::filesystem::copy_file(originals[static_cast<size_t>(i % kDistinct)], files.back());
    }

    int opened = 0;
    int64_t seconds = 0;
    const double mine = bench::secondsOf([&] {
        for (const std::string& f : files) {
            FfmpegProbeSource probe;
            if (probe.open(f, 0)) {
                ++opened;
                seconds += probe.durationSeconds();
            }
        }
    });
    const double theirs = bench::secondsOfCommand(
        "for f in " + quote(folder) + "/*.mp3; do ffprobe -v error -show_entries "
        "stream=sample_rate,channels,bit_rate:format=duration \"$f\" || exit 1; done >/dev/null");

    std::printf("intake of %d MP3 files (%d opened, %lld s of audio)\n", count, opened,
                static_cast<long long>(seconds));
    std::printf("  %-22s %10.1f files/s\n", "FfmpegProbeSource", count / mine);
    if (theirs > 0)
        std::printf("  %-22s %10.1f files/s   ratio %.1fx\n", "ffprobe per file", count / theirs, theirs / mine);
    else
        std::printf("  ffprobe failed\n");
}

void decoding(const bench::ScratchDir& dir)
{
    const std::string path = dir.file("long.mp3");
    std::printf("generating a 10-minute stereo MP3...\n");
    if (!run("ffmpeg -v error -y -f lavfi -i " +
             quote("aevalsrc=exprs=0.4*sin(2*PI*440*t)+0.1*(random(0)*2-1)|0.4*sin(2*PI*660*t)+0.1*(random(1)*2-1)"
                   ":s=44100:d=600") +
             " -c:a libmp3lame -b:a 192k " + quote(path))) {
        std::printf("could not generate the long MP3\n");
        return;
    }

    FfmpegSource source;
    if (!source.open(path, 0)) {
        std::printf("FfmpegSource could not open the long MP3\n");
        return;
    }
    std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames);
    uint64_t frames = 0;
    const double mine = bench::secondsOf([&] {
        for (int32_t n; (n = source.read(left.data(), right.data())) > 0;)
            frames += static_cast<uint64_t>(n);
    });
    const double audioSeconds = static_cast<double>(frames) / source.sampleRate();
    const double theirs = bench::secondsOfCommand("ffmpeg -v error -y -i " + quote(path) + " -f s16le /dev/null");

    std::printf("decoding a %.0f s MP3 (192 kbit/s) to 16-bit stereo\n", audioSeconds);
    std::printf("  %-22s %10.1f x real time (%.2f s)\n", "FfmpegSource", audioSeconds / mine, mine);
    if (theirs > 0)
        std::printf("  %-22s %10.1f x real time (%.2f s)   ratio %.2fx\n", "ffmpeg -f s16le", audioSeconds / theirs,
                    theirs, theirs / mine);
    else
        std::printf("  ffmpeg failed\n");
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    bench::ScratchDir dir;
    if (!dir.ok())
        return 0;
    intake(dir, count);
    decoding(dir);
    std::printf("ratio > 1: the Sonivert reader is faster than the command-line tool "
                "(which also starts a process per run and writes its output).\n");
    return 0;
}
