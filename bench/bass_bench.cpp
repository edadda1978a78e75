// The decoding library: how fast 1,000 MP3 files open with their exact
// length (the length comes from a packet scan, not a decode), how fast long
// files of each format list, and how fast they decode next to the ffmpeg
// tool, as ratios from one run.

#include "bench/benchutil.h"
#include "platform/bass/bass.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using sonivert::bench::ScratchDir;
using sonivert::bench::secondsOf;
using sonivert::bench::secondsOfCommand;

bool run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

// Decodes the whole file through the library; returns the bytes delivered.
uint64_t decodeFile(const std::string& path)
{
    const HSTREAM stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    if (!stream)
        return 0;
    std::vector<char> buffer(1 << 16);
    uint64_t total = 0;
    for (DWORD got; (got = BASS_ChannelGetData(stream, buffer.data(), static_cast<DWORD>(buffer.size()))) !=
                    BASS_DATA_ERROR;)
        total += got;
    BASS_StreamFree(stream);
    return total;
}

} // namespace

int main()
{
    ScratchDir dir;
    if (!dir.ok() || !BASS_Init(0, 44100, 0, nullptr, nullptr))
        return 1;
    BASS_PluginLoad((std::string(SONIVERT_BENCH_ADDON_DIR) + "/bassflac" + SONIVERT_BENCH_ADDON_SUFFIX).c_str(), 0);

    const std::string shortWav = dir.file("short.wav");
    const std::string shortMp3 = dir.file("short.mp3");
    const std::string longWav = dir.file("long.wav");
    const std::string longMp3 = dir.file("long.mp3");
    const std::string longFlac = dir.file("long.flac");
    if (!run("sox -n -r 44100 -c 2 -b 16 " + shortWav + " synth 20 pinknoise gain -6") ||
        !run("lame --quiet -b 128 " + shortWav + " " + shortMp3) ||
        !run("sox -n -r 44100 -c 2 -b 16 " + longWav + " synth 600 pinknoise sine 440 gain -6") ||
        !run("lame --quiet -b 192 " + longWav + " " + longMp3) || !run("flac -s -f -o " + longFlac + " " + longWav)) {
        std::fprintf(stderr, "could not generate the inputs (sox, lame, flac)\n");
        return 1;
    }

    // 1,000 names of 20-second MP3 files (links to one file, so the page
    // cache holds them as it would after a first listing).
    std::vector<std::string> names;
    for (int i = 0; i < 1000; ++i) {
        names.push_back(dir.file("copy" + std::to_string(i) + ".mp3"));
        std::filesystem::create_hard_link(shortMp3, names.back());
    }
    int opened = 0;
    const double listing = secondsOf([&] {
        for (const std::string& name : names) {
            const HSTREAM stream = BASS_StreamCreateFile(0, name.c_str(), 0, 0, BASS_STREAM_DECODE);
            if (stream && BASS_ChannelGetLength(stream, BASS_POS_BYTE) > 0)
                ++opened;
            BASS_StreamFree(stream);
        }
    });
    const double oneDecode = secondsOf([&] { decodeFile(shortMp3); });
    std::printf("open + exact length, 1000 MP3 files of 20 s: %.3f s (%.0f files/s, %d opened); "
                "one full decode takes %.1f ms, the listing per file %.1f ms (%.1fx faster than decoding)\n",
                listing, 1000 / listing, opened, oneDecode * 1e3, listing, oneDecode * 1000 / listing);

    // The listing cost grows with the file: the length is counted from
    // every packet header.
    const double longOpen = secondsOf([&] {
        const HSTREAM stream = BASS_StreamCreateFile(0, longMp3.c_str(), 0, 0, BASS_STREAM_DECODE);
        (void)BASS_ChannelGetLength(stream, BASS_POS_BYTE);
        BASS_StreamFree(stream);
    });
    std::printf("open + exact length, one 10-minute MP3: %.1f ms\n", longOpen * 1e3);

    // Listing rate by format: 200 names of one 10-minute file each. MP3
    // counts its packets, FLAC reads its header; Ogg, ASF and Musepack take
    // the duration their container records (a decode to count would cost
    // what the decode line below shows).
    for (const char* addon : {"basswma", "bass_mpc", "bass_ape"})
        BASS_PluginLoad((std::string(SONIVERT_BENCH_ADDON_DIR) + "/" + addon + SONIVERT_BENCH_ADDON_SUFFIX).c_str(), 0);
    struct Listed {
        std::string label, path;
    };
    std::vector<Listed> listed = {{"MP3", longMp3}, {"FLAC", longFlac}};
    if (run("ffmpeg -v error -y -i " + longWav + " -c:a libvorbis -q:a 4 " + dir.file("long.ogg")))
        listed.push_back({"Ogg Vorbis", dir.file("long.ogg")});
    if (run("ffmpeg -v error -y -i " + longWav + " -c:a wmav2 -b:a 128k " + dir.file("long.wma")))
        listed.push_back({"WMA (ASF)", dir.file("long.wma")});
    if (run("mpcenc --silent " + longWav + " " + dir.file("long.mpc") + " 2>/dev/null"))
        listed.push_back({"Musepack", dir.file("long.mpc")});
    else
        std::printf("(no mpcenc: Musepack not listed; Debian's musepack-tools has it)\n");
    double fastest = 0;
    std::vector<std::pair<std::string, double>> rates;
    for (const Listed& l : listed) {
        std::vector<std::string> links;
        for (int i = 0; i < 200; ++i) {
            links.push_back(l.path + "." + std::to_string(i) + std::filesystem::path(l.path).extension().string());
            std::filesystem::create_hard_link(l.path, links.back());
        }
        int ok = 0;
        const double seconds = secondsOf([&] {
            for (const std::string& name : links) {
                const HSTREAM stream = BASS_StreamCreateFile(0, name.c_str(), 0, 0, BASS_STREAM_DECODE);
                if (stream && BASS_ChannelGetLength(stream, BASS_POS_BYTE) > 0)
                    ++ok;
                BASS_StreamFree(stream);
            }
        });
        const double perSecond = seconds > 0 ? 200 / seconds : 0;
        fastest = std::max(fastest, perSecond);
        rates.emplace_back(l.label + " (" + std::to_string(ok) + " opened)", perSecond);
    }
    for (const auto& [label, perSecond] : rates)
        std::printf("listing 10-minute %s: %.0f files/s, %.2fx slower than the fastest format\n", label.c_str(),
                    perSecond, perSecond > 0 ? fastest / perSecond : 0.0);

    for (const Listed& l : listed) {
        const std::string& path = l.path;
        uint64_t bytes = 0;
        const double ours = secondsOf([&] { bytes = decodeFile(path); });
        const double theirs = secondsOfCommand("ffmpeg -v error -y -i " + path + " -f s16le /dev/null");
        std::printf("decode 10 min %s: library %.3f s (%.1f MB), ffmpeg %.3f s, ratio %.2f\n",
                    std::filesystem::path(path).extension().c_str(), ours, bytes / 1e6, theirs,
                    theirs > 0 ? ours / theirs : 0.0);
    }
    BASS_Free();
    BASS_PluginFree(0);
    return 0;
}
