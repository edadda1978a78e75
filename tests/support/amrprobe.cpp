#include "tests/support/amrprobe.h"

#include "tests/support/testsupport.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

namespace sonivert::test {

AmrProbe amrProbe(const std::string& path)
{
    AmrProbe probe;
    const std::vector<uint8_t> bytes = readFileBytes(path);
    for (const std::string magic : {"#!AMR-WB\n", "#!AMR\n"}) {
        if (bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin())) {
            probe.magic = magic;
            break;
        }
    }
    int status = 0;
    const std::string output = captureCommand("ffprobe -v error -select_streams a:0 -show_entries "
                                              "stream=codec_name,sample_rate,channels:packet=size -of default=nw=1 " +
                                                  shellQuote(path),
                                              status);
    if (status != 0)
        return probe;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "codec_name")
            probe.codec = value;
        else if (key == "sample_rate")
            probe.sampleRate = std::stoi(value);
        else if (key == "channels")
            probe.channels = std::stoi(value);
        else if (key == "size")
            probe.packetSizes.push_back(std::stoi(value));
    }
    probe.ok = probe.sampleRate > 0;
    return probe;
}

AmrDecoded decodeAmr(const std::string& path, bool wideBand)
{
    AmrDecoded decoded;
    const std::string raw = path + ".s16";
    decoded.ok = runCommand(std::string("ffmpeg -v error -nostdin -y -c:a ") + (wideBand ? "amrwb" : "amrnb") +
                            " -i " + shellQuote(path) + " -f s16le -ac 1 " + shellQuote(raw)) == 0;
    if (decoded.ok)
        decoded.samples = readRawS16(raw);
    return decoded;
}

double tonePower(const std::vector<int16_t>& samples, int rate, double hz)
{
    if (samples.empty())
        return 0;
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * hz / rate);
    double s1 = 0, s2 = 0;
    for (const int16_t x : samples) {
        const double s0 = x + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    const double n = static_cast<double>(samples.size());
    return power / (n * n);
}

} // namespace sonivert::test
