#include "tests/support/soxprobe.h"

#include "tests/support/testsupport.h"

#include <cstdlib>
#include <sstream>

namespace sonivert::test {
namespace {

long long field(const std::string& flag, const std::string& path, bool& ok)
{
    int status = -1;
    const std::string out = captureCommand("soxi " + flag + " " + shellQuote(path) + " 2>/dev/null", status);
    if (status != 0) {
        ok = false;
        return 0;
    }
    return std::atoll(out.c_str());
}

double statValue(const std::string& text, const std::string& label)
{
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(label, 0) == 0) {
            const size_t colon = line.find(':');
            return colon == std::string::npos ? 0.0 : std::atof(line.c_str() + colon + 1);
        }
    }
    return 0.0;
}

} // namespace

SoxInfo soxInfo(const std::string& path)
{
    SoxInfo info;
    info.ok = true;
    info.rate = static_cast<int>(field("-r", path, info.ok));
    info.channels = static_cast<int>(field("-c", path, info.ok));
    info.bits = static_cast<int>(field("-b", path, info.ok));
    info.samples = field("-s", path, info.ok);
    return info;
}

SoxStat soxStat(const std::string& path, int channel)
{
    SoxStat stat;
    int status = -1;
    const std::string remix = channel > 0 ? " remix " + std::to_string(channel) : "";
    const std::string out = captureCommand("sox " + shellQuote(path) + " -n" + remix + " stat 2>&1", status);
    stat.ok = status == 0;
    stat.maximumAmplitude = statValue(out, "Maximum amplitude");
    stat.roughFrequency = statValue(out, "Rough   frequency");
    return stat;
}

} // namespace sonivert::test
