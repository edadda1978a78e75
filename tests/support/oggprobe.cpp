#include "tests/support/oggprobe.h"

#include "tests/support/testsupport.h"

#include <cctype>
#include <charconv>
#include <sstream>

namespace sonivert::test {
namespace {

constexpr size_t kPageHeaderBytes = 27;

uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

} // namespace

std::optional<std::vector<OggPage>> walkOggPages(const std::string& path)
{
    const std::vector<uint8_t> bytes = readFileBytes(path);
    std::vector<OggPage> pages;
    size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < kPageHeaderBytes || std::string(bytes.begin() + at, bytes.begin() + at + 4) != "OggS" ||
            bytes[at + 4] != 0)
            return std::nullopt;
        OggPage page;
        page.flags = bytes[at + 5];
        page.granule = static_cast<int64_t>(uint64_t{le32(bytes, at + 6)} | uint64_t{le32(bytes, at + 10)} << 32);
        page.serial = le32(bytes, at + 14);
        page.sequence = le32(bytes, at + 18);
        const size_t segments = bytes[at + 26];
        if (bytes.size() - at - kPageHeaderBytes < segments)
            return std::nullopt;
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i) {
            const uint8_t lacing = bytes[at + kPageHeaderBytes + i];
            body += lacing;
            if (lacing < 255)
                ++page.packetsEnded;
            page.endsOnPacket = lacing < 255;
        }
        const size_t pageBytes = kPageHeaderBytes + segments + body;
        if (bytes.size() - at < pageBytes)
            return std::nullopt;
        pages.push_back(page);
        at += pageBytes;
    }
    return pages;
}

std::optional<std::vector<std::string>> listVorbisComments(const std::string& path)
{
    int status = 0;
    const std::string output = captureCommand("vorbiscomment -l -R " + shellQuote(path), status);
    if (status != 0)
        return std::nullopt;
    std::vector<std::string> comments;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        comments.push_back(line);
    return comments;
}

std::optional<std::vector<int16_t>> oggdecSamples(const std::string& path)
{
    const std::string raw = path + ".oggdec.raw";
    if (runCommand("oggdec -Q -R -b 16 -e 0 -s 1 -o " + shellQuote(raw) + " " + shellQuote(path)) != 0)
        return std::nullopt;
    return readRawS16(raw);
}

std::map<std::string, std::string> ffprobeStreamTags(const std::string& path)
{
    int status = 0;
    const std::string output = captureCommand(
        "ffprobe -v error -select_streams a:0 -show_entries stream_tags -of default=nw=1 " + shellQuote(path), status);
    std::map<std::string, std::string> tags;
    std::istringstream lines(output);
    for (std::string line; status == 0 && std::getline(lines, line);) {
        const size_t eq = line.find('=');
        if (line.rfind("TAG:", 0) != 0 || eq == std::string::npos)
            continue;
        std::string key = line.substr(4, eq - 4);
        for (char& c : key)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        tags[key] = line.substr(eq + 1);
    }
    return tags;
}

double ffprobeDurationSeconds(const std::string& path)
{
    int status = 0;
    const std::string output = captureCommand(
        "ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 " + shellQuote(path), status);
    if (status != 0)
        return -1;
    // from_chars reads "12.5" whatever the locale's decimal separator is.
    double seconds = -1;
    const auto [end, ec] = std::from_chars(output.data(), output.data() + output.size(), seconds);
    (void)end;
    return ec == std::errc() ? seconds : -1;
}

} // namespace sonivert::test
