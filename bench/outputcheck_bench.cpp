// What the check of a finished output costs: a ten-minute WAV is converted
// to every format through sonivert-cli, then the output's duration is read
// back as the pipeline reads it before the commit. Reports each read as a
// share of its conversion (which already includes one such read); never
// fails.

#include "bench/benchutil.h"
#include "platform/ffmpegmedia.h"

#include <cstdio>
#include <string>

using sonivert::bench::ScratchDir;
using sonivert::bench::secondsOf;
using sonivert::bench::secondsOfCommand;

int main()
{
    ScratchDir dir;
    const std::string source = dir.file("long.wav");
    if (!dir.ok() || secondsOfCommand("sox -n -r 44100 -c 2 -b 16 " + source + " synth 600 pinknoise sine 440 gain -6") < 0) {
        std::fprintf(stderr, "could not generate the input (sox)\n");
        return 1;
    }
    for (const char* format : {"wav", "mp3", "ogg", "aac", "m4a", "wma", "amr"}) {
        const std::string out = dir.file(std::string("out-") + format);
        const double conversion = secondsOfCommand("SONIVERT_SETTINGS=" + dir.file("settings.ini") + " " SONIVERT_CLI
                                                   " convert --format " + format + " --output-dir " + out + " " +
                                                   source + " >/dev/null 2>&1");
        const std::string output = out + "/long." + format;
        std::optional<sonivert::AudioDuration> read;
        const double check = secondsOf([&] { read = sonivert::probeAudioDuration(output); });
        if (conversion < 0 || !read) {
            std::printf("%-4s: conversion failed\n", format);
            continue;
        }
        std::printf("%-4s: conversion %.2f s, reading the duration back %.1f ms (%.2f %% of the conversion), "
                    "%.1f s read\n",
                    format, conversion, check * 1e3, 100 * check / conversion,
                    static_cast<double>(read->frames) / read->sampleRate);
    }
    return 0;
}
