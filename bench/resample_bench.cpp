// Resampling and WAV writing throughput. Reports, never fails.
//
// One generated stereo 16-bit 44100 Hz file is converted to 22050 Hz and to
// 48000 Hz three ways in the same run: through PcmConverter alone (samples in
// memory), file to file through WavSource -> PcmConverter -> WavWriter, and
// by the sox command line (sox in.wav -r RATE out.wav). Throughput is seconds
// of stereo audio per second of wall time; the ratio compares our file to
// file path with sox. The writer's throughput is in MB/s (10^6 bytes).

#include "engine/pcmconverter.h"
#include "engine/wavsource.h"
#include "engine/wavwriter.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace sonivert;
using Clock = std::chrono::steady_clock;

constexpr int kInRate = 44100;
constexpr int kSeconds = 60;
constexpr int32_t kBlock = AudioSource::kBlockFrames;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Stereo {
    std::vector<int16_t> left, right;
};

// Two different tone mixtures with a little noise, at about -6 dBFS.
Stereo generate(size_t frames)
{
    Stereo s{std::vector<int16_t>(frames), std::vector<int16_t>(frames)};
    uint32_t noise = 12345;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kInRate;
        noise = noise * 1664525u + 1013904223u;
        const double n = (static_cast<double>(noise >> 8) / (1u << 24) - 0.5) * 0.02;
        const double l = 0.3 * std::sin(2 * std::numbers::pi * 440 * t) + 0.2 * std::sin(2 * std::numbers::pi * 3100 * t);
        const double r = 0.3 * std::sin(2 * std::numbers::pi * 660 * t) + 0.2 * std::sin(2 * std::numbers::pi * 9000 * t);
        s.left[i] = static_cast<int16_t>((l + n) * 32767);
        s.right[i] = static_cast<int16_t>((r + n) * 32767);
    }
    return s;
}

bool writeWav(const std::string& path, const Stereo& s)
{
    WavWriter writer;
    if (!writer.open(path, true, 16, kInRate))
        return false;
    for (size_t pos = 0; pos < s.left.size(); pos += kBlock) {
        const auto n = static_cast<int32_t>(std::min<size_t>(kBlock, s.left.size() - pos));
        if (!writer.write16(s.left.data() + pos, s.right.data() + pos, n))
            return false;
    }
    return writer.close();
}

bool prepared(PcmConverter& converter, int outRate)
{
    return converter.configure({2, outRate, 16, 2, kInRate, 16}) && converter.prepare();
}

// PcmConverter alone over samples in memory; returns seconds, < 0 on failure.
double timeConverter(const Stereo& s, int outRate)
{
    PcmConverter converter;
    if (!prepared(converter, outRate))
        return -1;
    const auto capacity = static_cast<size_t>(converter.maxOutputFrames(kBlock));
    std::vector<int16_t> outL(capacity), outR(capacity);
    int32_t n = 0;
    const auto start = Clock::now();
    for (size_t pos = 0; pos < s.left.size(); pos += kBlock) {
        const auto count = static_cast<int32_t>(std::min<size_t>(kBlock, s.left.size() - pos));
        if (!converter.process(s.left.data() + pos, s.right.data() + pos, count, outL.data(), outR.data(), n))
            return -1;
    }
    do {
        if (!converter.flush(outL.data(), outR.data(), n))
            return -1;
    } while (n > 0);
    return secondsSince(start);
}

// What the WAV conversion routine will do: read, convert, write.
double timeFileToFile(const std::string& in, const std::string& out, int outRate)
{
    const auto start = Clock::now();
    WavSource source;
    PcmConverter converter;
    WavWriter writer;
    if (!source.open(in, 0) || !prepared(converter, outRate) || !writer.open(out, true, 16, outRate))
        return -1;
    std::vector<int16_t> inL(kBlock), inR(kBlock);
    const auto capacity = static_cast<size_t>(converter.maxOutputFrames(kBlock));
    std::vector<int16_t> outL(capacity), outR(capacity);
    int32_t n = 0;
    for (int32_t frames; (frames = source.read(inL.data(), inR.data())) > 0;) {
        if (!converter.process(inL.data(), inR.data(), frames, outL.data(), outR.data(), n) ||
            !writer.write16(outL.data(), outR.data(), n))
            return -1;
    }
    do {
        if (!converter.flush(outL.data(), outR.data(), n) || !writer.write16(outL.data(), outR.data(), n))
            return -1;
    } while (n > 0);
    if (!writer.close())
        return -1;
    return secondsSince(start);
}

double timeCommand(const std::string& command)
{
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = secondsSince(start);
    return status == 0 ? seconds : -1;
}

std::string rateOf(double audioSeconds, double wallSeconds)
{
    if (wallSeconds <= 0)
        return "failed";
    char text[64];
    std::snprintf(text, sizeof text, "%8.1f", audioSeconds / wallSeconds);
    return text;
}

} // namespace

int main()
{
    std::string dir = (std::filesystem::temp_directory_path() / "sonivert-bench-XXXXXX").string();
    if (::mkdtemp(dir.data()) == nullptr) {
        std::printf("resample_bench: cannot create a temporary directory\n");
        return 0;
    }
    const std::string input = dir + "/in.wav";
    const Stereo signal = generate(static_cast<size_t>(kInRate) * kSeconds);
    if (!writeWav(input, signal)) {
        std::printf("resample_bench: cannot write %s\n", input.c_str());
        return 0;
    }
    const bool haveSox = std::system("command -v sox >/dev/null 2>&1") == 0;

    std::printf("Resampling %d s of stereo 16-bit %d Hz (throughput in seconds of audio per second)\n", kSeconds,
                kInRate);
    for (const int outRate : {22050, 48000}) {
        const std::string ours = dir + "/ours.wav", theirs = dir + "/sox.wav";
        const double converter = timeConverter(signal, outRate);
        const double fileToFile = timeFileToFile(input, ours, outRate);
        const double sox = haveSox ? timeCommand("sox -q '" + input + "' -r " + std::to_string(outRate) + " '" +
                                                 theirs + "'")
                                   : -1;
        const std::string soxLabel = "sox in.wav -r " + std::to_string(outRate) + " out.wav";
        std::printf("  %d -> %d Hz\n", kInRate, outRate);
        std::printf("    %-38s %s\n", "PcmConverter, samples in memory", rateOf(kSeconds, converter).c_str());
        std::printf("    %-38s %s\n", "WavSource -> PcmConverter -> WavWriter", rateOf(kSeconds, fileToFile).c_str());
        std::printf("    %-38s %s\n", soxLabel.c_str(), haveSox ? rateOf(kSeconds, sox).c_str() : "sox not found");
        if (fileToFile > 0 && sox > 0)
            std::printf("    %-38s %8.2f\n", "ratio, ours / sox (file to file)", sox / fileToFile);
    }

    // Writer throughput: 256 MiB of stereo 16-bit frames in converter-sized
    // blocks, from open to a closed file (the page cache, not the disk).
    const size_t frames = (size_t{256} << 20) / 4;
    const std::string out = dir + "/writer.wav";
    WavWriter writer;
    const auto start = Clock::now();
    bool ok = writer.open(out, true, 16, kInRate);
    for (size_t pos = 0; ok && pos < frames; pos += kBlock) {
        const size_t at = pos % (signal.left.size() - kBlock);
        ok = writer.write16(signal.left.data() + at, signal.right.data() + at, kBlock);
    }
    ok = writer.close() && ok;
    const double seconds = secondsSince(start);
    const double megabytes = static_cast<double>(std::filesystem::file_size(out)) / 1e6;
    if (ok)
        std::printf("WavWriter: %.0f MB of stereo 16-bit in %d-frame blocks at %.0f MB/s\n", megabytes, kBlock,
                    megabytes / seconds);
    else
        std::printf("WavWriter: write failed\n");

    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
