// BassSource through the engine's factory, as the file list and the
// conversion routines use it. Reports, never fails.
//
// Intake: createSource(probeOnly) on 1,000 MP3 files, as the add loop does
// (files per second), next to the FFmpeg probe reader the factory would
// otherwise use. The exact length each reports is compared with the
// samples a full decode of the same file yields, so a header scan that
// guesses shows up as a wrong length.
// Decoding: a ten-minute stereo MP3 and the same audio as FLAC, decoded
// to 16-bit blocks through BassSource, next to `ffmpeg -f s16le` to
// /dev/null; as seconds of audio per second of wall time.
//
// Usage: basssource_bench [files] (default 1000).

#include "bench/benchutil.h"
#include "engine/engine.h"
#include "engine/userprompts.h"
#include "platform/specialfolders.h"
#include "sources/decoderstartup.h"
#include "sources/ffmpegprobesource.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace sonivert;

namespace {

class QuietPrompts final : public UserPrompts {
public:
    void showMessage(Icon, const std::string& text) override { std::printf("message: %s\n", text.c_str()); }
    bool askYesNo(const std::string&) override { return false; }
    bool openUrl(const std::string&) override { return false; }
    bool openDocument(const std::string&) override { return false; }
    void revealFile(const std::string&) override {}
    void setBusy(bool) override {}
};

bool run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

std::string quote(const std::string& word)
{
    return "'" + word + "'"; // scratch paths hold no quotes
}

// Decodes the rest of source; returns the frames delivered.
uint64_t decodeFrames(AudioSource& source)
{
    std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames);
    uint64_t frames = 0;
    for (int32_t n; (n = source.read(left.data(), right.data())) > 0;)
        frames += static_cast<uint64_t>(n);
    return frames;
}

void intake(Engine& engine, const bench::ScratchDir& dir, int count)
{
    // Ten distinct short files (2 to 4 s, mono and stereo, several rates and
    // bit rates, some with an ID3v2 tag in front), copied to make up the count.
    constexpr int kDistinct = 10;
    std::vector<std::string> originals;
    for (int i = 0; i < kDistinct; ++i) {
        const std::string path = dir.file("original" + std::to_string(i) + ".mp3");
        const int rate = i % 3 == 0 ? 44100 : (i % 3 == 1 ? 48000 : 32000);
        const std::string command = "ffmpeg -v error -y -f lavfi -i sine=f=" + std::to_string(200 + 50 * i) +
                                    ":r=" + std::to_string(rate) + ":d=" + std::to_string(2 + i % 3) + " -ac " +
                                    std::to_string(1 + i % 2) + " -c:a libmp3lame -b:a " +
                                    std::to_string(64 + 32 * (i % 4)) + "k" +
                                    (i % 2 ? " -metadata title=Take" + std::to_string(i) : " -write_id3v2 0") +
                                    " " + quote(path);
        if (!run(command)) {
            std::printf("could not generate the MP3 files (ffmpeg with libmp3lame is needed)\n");
            return;
        }
        originals.push_back(path);
    }

    // How exact the reported lengths are: against a full decode.
    int exact = 0;
    for (const std::string& original : originals) {
        auto source = engine.createSource(original, kInputMp3, 0, false);
        if (!source)
            continue;
        const uint64_t frameBytes = static_cast<uint64_t>(source->outputChannels()) * 2;
        const uint64_t reported = source->totalLength();
        if (decodeFrames(*source) * frameBytes == reported)
            ++exact;
    }

    const std::string folder = dir.file("intake");
    std::filesystem::create_directory(folder);
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(folder + "/file" + std::to_string(i) + ".mp3");
        std::filesystem::copy_file(originals[static_cast<size_t>(i % kDistinct)], files.back());
    }

    int opened = 0, byBass = 0;
    const double factory = bench::secondsOf([&] {
        for (const std::string& f : files) {
            if (auto source = engine.createSource(f, kInputMp3, 0, true)) {
                ++opened;
                byBass += std::string(source->readerName()) == "bass";
            }
        }
    });
    int probed = 0;
    const double ffmpegProbe = bench::secondsOf([&] {
        for (const std::string& f : files) {
            FfmpegProbeSource probe;
            probed += probe.open(f, 0);
        }
    });

    std::printf("intake of %d MP3 files: %d opened, %d of them by BassSource; %d of %d distinct files report the "
                "decoded length exactly\n",
                count, opened, byBass, exact, kDistinct);
    std::printf("  %-28s %10.1f files/s\n", "createSource (BassSource)", count / factory);
    std::printf("  %-28s %10.1f files/s (%d opened)\n", "FfmpegProbeSource", count / ffmpegProbe, probed);
}

void decoding(Engine& engine, const bench::ScratchDir& dir)
{
    const std::string mp3 = dir.file("long.mp3");
    const std::string flac = dir.file("long.flac");
    std::printf("generating a 10-minute stereo MP3 and FLAC...\n");
    const std::string signal =
        quote("aevalsrc=exprs=0.4*sin(2*PI*440*t)+0.1*(random(0)*2-1)|0.4*sin(2*PI*660*t)+0.1*(random(1)*2-1)"
              ":s=44100:d=600");
    if (!run("ffmpeg -v error -y -f lavfi -i " + signal + " -c:a libmp3lame -b:a 192k " + quote(mp3)) ||
        !run("ffmpeg -v error -y -f lavfi -i " + signal + " -sample_fmt s16 -c:a flac " + quote(flac))) {
        std::printf("could not generate the long files\n");
        return;
    }

    const struct {
        const char* name;
        std::string path;
        InputTypeCode code;
    } inputs[] = {{"MP3 (192 kbit/s)", mp3, kInputMp3}, {"FLAC", flac, kInputFlac}};
    for (const auto& input : inputs) {
        auto source = engine.createSource(input.path, input.code, 0, false);
        if (!source) {
            std::printf("%s: no reader opened it\n", input.name);
            continue;
        }
        uint64_t frames = 0;
        const double mine = bench::secondsOf([&] { frames = decodeFrames(*source); });
        const double audioSeconds = static_cast<double>(frames) / source->sampleRate();
        const double theirs =
            bench::secondsOfCommand("ffmpeg -v error -y -i " + quote(input.path) + " -f s16le /dev/null");
        std::printf("decoding a %.0f s %s to 16-bit stereo\n", audioSeconds, input.name);
        std::printf("  %-28s %10.1f x real time (%.2f s)\n",
                    (std::string("createSource (") + source->readerName() + ")").c_str(), audioSeconds / mine, mine);
        if (theirs > 0)
            std::printf("  %-28s %10.1f x real time (%.2f s)   ratio %.2fx\n", "ffmpeg -f s16le",
                        audioSeconds / theirs, theirs, theirs / mine);
        else
            std::printf("  ffmpeg failed\n");
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    bench::ScratchDir dir;
    if (!dir.ok())
        return 0;
    QuietPrompts prompts;
    if (!startDecodingBackEnds(executableFolder(), prompts)) {
        std::printf("the decoding library did not start\n");
        return 0;
    }
    {
        Engine engine(prompts);
        intake(engine, dir, count);
        decoding(engine, dir);
    }
    stopDecodingBackEnds();
    std::printf("ratio > 1: the Sonivert reader is faster than the command-line tool "
                "(which also starts a process per run and writes its output).\n");
    return 0;
}
