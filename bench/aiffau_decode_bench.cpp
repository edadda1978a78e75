// Decoding rate of the AIFF and AU readers on ten-minute files, next to
// libsndfile (sndfile-convert writing 16-bit raw PCM) decoding the same file
// in the same run. Reports; never fails.

#include "bench/benchutil.h"
#include "sources/aiffsource.h"
#include "sources/ausource.h"

#include <cstdio>
#include <memory>
#include <vector>

using namespace sonivert;

namespace {

struct Result {
    double seconds = -1.0;
    uint64_t frames = 0;
};

Result decode(AudioSource& source, const std::string& path)
{
    Result r;
    if (!source.open(path, 0))
        return r;
    std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames);
    r.seconds = bench::secondsOf([&] {
        int32_t n;
        while ((n = source.read(left.data(), right.data())) > 0)
            r.frames += static_cast<uint64_t>(n);
    });
    return r;
}

bool run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

} // namespace

int main()
{
    bench::ScratchDir dir;
    if (!dir.ok())
        return 0;
    const std::string stereo = dir.file("stereo.wav");
    const std::string mono = dir.file("mono.wav");
    const std::string mono8k = dir.file("mono8k.wav");
    std::printf("generating 10-minute test files...\n");
    if (!run("sox -R -n -r 44100 -c 2 -b 16 " + stereo + " synth 600 sine 100-8000 pinknoise vol 0.7") ||
        !run("sox -R -n -r 44100 -c 1 -b 16 " + mono + " synth 600 sine 100-8000 vol 0.7") ||
        !run("sox -R -n -r 8000 -c 1 -b 16 " + mono8k + " synth 600 sine 100-3000 vol 0.3")) {
        std::printf("could not generate the test files (sox and sndfile-convert are needed)\n");
        return 0;
    }

    struct Item {
        const char* name;
        std::string path;
        std::string make; // command that writes path
        bool aiff;
    };
    const std::vector<Item> items = {
        {"AIFF pcm16 st", dir.file("pcm16.aif"), "sndfile-convert -pcm16 " + stereo, true},
        {"AIFC ima4 st", dir.file("ima4.aif"), "sndfile-convert -ima-adpcm " + stereo, true},
        {"AIFC dwvw16", dir.file("dwvw16.aif"), "sndfile-convert -dwvw16 " + mono, true},
        {"AIFC gsm 8k", dir.file("gsm.aif"), "sndfile-convert -gsm610 " + mono8k, true},
        {"AU pcm16 st", dir.file("pcm16.au"), "sndfile-convert -pcm16 " + stereo, false},
        {"AU ulaw st", dir.file("ulaw.au"), "sndfile-convert -ulaw " + stereo, false},
        // ffmpeg labels every G.726 rate 23 (G.721), which is right for 32 kbit/s.
        {"AU g721 8k", dir.file("g721.au"), "ffmpeg -v error -y -i " + mono8k + " -c:a adpcm_g726le -b:a 32k -f au", false},
    };

    std::printf("%-14s %10s %14s %14s %8s\n", "file", "minutes", "Sonivert s", "libsndfile s", "ratio");
    for (const Item& item : items) {
        if (!run(item.make + " " + item.path)) {
            std::printf("%-14s could not be written\n", item.name);
            continue;
        }
        std::unique_ptr<AudioSource> source;
        if (item.aiff)
            source = std::make_unique<AiffSource>();
        else
            source = std::make_unique<AuSource>();
        const Result mine = decode(*source, item.path);
        const double theirs = bench::secondsOfCommand("sndfile-convert -pcm16 " + item.path + " " + dir.file("out.raw"));
        if (mine.seconds <= 0) {
            std::printf("%-14s could not be decoded\n", item.name);
            continue;
        }
        const double minutes = static_cast<double>(mine.frames) / source->sampleRate() / 60.0;
        std::printf("%-14s %10.1f %14.3f %14.3f %7.2fx\n", item.name, minutes, mine.seconds, theirs,
                    theirs > 0 ? theirs / mine.seconds : 0.0);
    }
    std::printf("ratio > 1: the reader decodes faster than sndfile-convert (which also writes its output).\n");
    return 0;
}
