// Decoding rate of the WAV reader on ten-minute files, next to ffmpeg
// decoding the same file to 16-bit PCM in the same run. Reports; never fails.

#include "bench/benchutil.h"
#include "engine/wavsource.h"

#include <cstdio>
#include <vector>

using namespace sonivert;

namespace {

struct Result {
    double seconds = -1.0;
    uint64_t bytes = 0;
    uint64_t frames = 0;
};

Result decodeWithWavSource(const std::string& path)
{
    Result r;
    WavSource wav;
    if (!wav.open(path, 0))
        return r;
    r.bytes = wav.totalLength();
    std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames);
    r.seconds = bench::secondsOf([&] {
        int32_t n;
        while ((n = wav.read(left.data(), right.data())) > 0)
            r.frames += static_cast<uint64_t>(n);
    });
    return r;
}

} // namespace

int main()
{
    bench::ScratchDir dir;
    if (!dir.ok())
        return 0;
    const std::string pcm = dir.file("pcm16.wav");
    const std::string ima = dir.file("ima.wav");
    std::printf("generating 10-minute stereo 44100 Hz test files...\n");
    if (std::system(("sox -R -n -r 44100 -c 2 -b 16 " + pcm + " synth 600 sine 100-8000 pinknoise vol 0.7").c_str()) != 0 ||
        std::system(("sndfile-convert -ima-adpcm " + pcm + " " + ima).c_str()) != 0) {
        std::printf("could not generate the test files (sox and sndfile-convert are needed)\n");
        return 0;
    }

    std::printf("%-10s %12s %12s %12s %10s\n", "format", "WAV data MB", "Sonivert MB/s", "ffmpeg MB/s", "ratio");
    for (const auto& [name, path] : {std::pair{"PCM 16", pcm}, std::pair{"IMA ADPCM", ima}}) {
        const Result mine = decodeWithWavSource(path);
        const double theirs = bench::secondsOfCommand("ffmpeg -v error -y -i " + path + " -f s16le /dev/null");
        if (mine.seconds <= 0) {
            std::printf("%-10s could not be decoded\n", name);
            continue;
        }
        const double mb = static_cast<double>(mine.bytes) / 1e6;
        const double mineRate = mb / mine.seconds;
        const double theirRate = theirs > 0 ? mb / theirs : 0.0;
        std::printf("%-10s %12.1f %12.1f %12.1f %9.2fx\n", name, mb, mineRate, theirRate,
                    theirRate > 0 ? mineRate / theirRate : 0.0);
    }
    std::printf("ratio > 1: the WAV reader decodes faster than the ffmpeg command line (which also writes its output).\n");
    return 0;
}
