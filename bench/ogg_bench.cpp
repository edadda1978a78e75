// WAV to 128 kbit/s Ogg Vorbis through sonivert-cli convert, next to ffmpeg
// with the same encoder library and nominal bit rate on the same generated
// ten-minute stereo input, one run of each in the same process. Reports;
// never fails.

#include "bench/benchutil.h"

#include <cstdio>
#include <string>

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

    // Explicit 44100 Hz stereo at a nominal 128 kbit/s, no comments: what
    // the ffmpeg line below asks of libvorbis too (-b:a sets the nominal
    // rate with bit-rate management off).
    const std::string mine = cli + " convert --format ogg --output-dir " + dir.file("out") +
                             " --if-exists overwrite --set AutoDestOGGEncodingParam=0 --set OGGSampleRate=44100"
                             " --set OGGBitRate=128 --set OGGChannels=2 --set OGGID3TagType=2 " +
                             input + " > /dev/null 2>&1";
    const std::string theirs =
        "ffmpeg -v error -y -i " + input + " -c:a libvorbis -b:a 128k " + dir.file("ffmpeg.ogg");

    const double a = bench::secondsOfCommand(mine);
    const double b = bench::secondsOfCommand(theirs);
    if (a < 0 || b < 0) {
        std::printf("a conversion failed (sonivert %.2f s, ffmpeg %.2f s)\n", a, b);
        return 0;
    }
    std::printf("\n%-40s %10s %12s\n", "ten-minute WAV -> 128 kbit/s Ogg Vorbis", "seconds", "x real time");
    std::printf("%-40s %10.2f %12.1f\n", "sonivert-cli convert", a, 600 / a);
    std::printf("%-40s %10.2f %12.1f\n", "ffmpeg -c:a libvorbis -b:a 128k", b, 600 / b);
    std::printf("time ratio sonivert / ffmpeg: %.3f\n", a / b);
    return 0;
}
