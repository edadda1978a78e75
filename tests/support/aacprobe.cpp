#include "tests/support/aacprobe.h"

#include "tests/support/testsupport.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace sonivert::test {

std::map<std::string, std::string> probeAudio(const std::string& path)
{
    std::map<std::string, std::string> out;
    int status = 0;
    const std::string text = captureCommand(
        "ffprobe -v error -select_streams a:0 -show_entries "
        "stream=codec_name,profile,sample_rate,channels,bits_per_raw_sample,duration,bit_rate:format=duration,bit_rate:"
        "format_tags "
        "-of flat " + shellQuote(path),
        status);
    if (status != 0)
        return out;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // streams.stream.0.codec_name="aac", format.tags.title="x"
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (key.rfind("streams.stream.0.", 0) == 0)
            key = "stream." + key.substr(17);
        else if (key.rfind("format.tags.", 0) == 0)
            key = "tag." + key.substr(12);
        std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
        out[key] = value;
    }
    return out;
}

DecodedAudio ffmpegDecode(const std::string& path, int channels)
{
    DecodedAudio d;
    const std::string raw = path + ".s16";
    int status = 0;
    const std::string messages =
        captureCommand("ffmpeg -v error -xerror -y -i " + shellQuote(path) + " -f s16le -ac " +
                           std::to_string(channels) + " " + shellQuote(raw) + " 2>&1",
                       status);
    d.clean = status == 0 && messages.empty();
    d.samples = readRawS16(raw);
    return d;
}

AdtsScan scanAdts(const std::vector<uint8_t>& bytes)
{
    AdtsScan scan;
    size_t pos = 0;
    while (pos + 7 <= bytes.size()) {
        const uint8_t* h = bytes.data() + pos;
        if (h[0] != 0xFF || (h[1] & 0xF6) != 0xF0) // sync word, layer 0
            return scan;
        const size_t length = (size_t{h[3] & 0x03u} << 11) | (size_t{h[4]} << 3) | (h[5] >> 5);
        if (length < 7 || pos + length > bytes.size())
            return scan;
        scan.ids.push_back((h[1] >> 3) & 1);
        if (scan.frames == 0) {
            scan.profile = h[2] >> 6;
            scan.rateIndex = (h[2] >> 2) & 0x0F;
            scan.channels = ((h[2] & 0x01) << 2) | (h[3] >> 6);
        }
        ++scan.frames;
        pos += length;
    }
    scan.wellFormed = pos == bytes.size();
    return scan;
}

double peakOf(const std::vector<int16_t>& interleaved, int channels, int channel, size_t begin, size_t end)
{
    int peak = 0;
    for (size_t i = begin; i < end; ++i) {
        const size_t at = i * static_cast<size_t>(channels) + static_cast<size_t>(channel);
        if (at >= interleaved.size())
            break;
        peak = std::max(peak, std::abs(static_cast<int>(interleaved[at])));
    }
    return peak / 32768.0;
}

} // namespace sonivert::test
