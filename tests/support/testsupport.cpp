#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace sonivert::test {

TempDir::TempDir()
{
    std::string templ = (std::filesystem::temp_directory_path() / "sonivert-test-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    m_path = templ;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string shellQuote(const std::string& word)
{
    std::string out = "'";
    for (char c : word) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string captureCommand(const std::string& command, int& status)
{
    status = -1;
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return output;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    const int raw = ::pclose(pipe);
    status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
    return output;
}

int runCommand(const std::string& command)
{
    int status = 0;
    const std::string output = captureCommand(command + " 2>&1", status);
    if (status != 0)
        ADD_FAILURE() << "command failed (" << status << "): " << command << "\n" << output;
    return status;
}

bool toolAvailable(const std::string& program)
{
    int status = 0;
    captureCommand("command -v " + shellQuote(program) + " >/dev/null 2>&1", status);
    return status == 0;
}

std::vector<uint8_t> readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

namespace {
template <typename T>
std::vector<T> readRaw(const std::string& path)
{
    const std::vector<uint8_t> bytes = readFileBytes(path);
    std::vector<T> out(bytes.size() / sizeof(T));
    if (!out.empty()) // an empty vector's data() may be null, which memcpy must not get
        std::memcpy(out.data(), bytes.data(), out.size() * sizeof(T)); // the test hosts are little-endian
    return out;
}
} // namespace

std::vector<int16_t> readRawS16(const std::string& path) { return readRaw<int16_t>(path); }
std::vector<int32_t> readRawS32(const std::string& path) { return readRaw<int32_t>(path); }
std::vector<float> readRawF32(const std::string& path) { return readRaw<float>(path); }

DecodedPcm decodeAll(AudioSource& source, int64_t maxReads)
{
    DecodedPcm out;
    const bool eightBit = source.bitsPerSample() == 8;
    const bool stereo = source.outputChannels() == 2;
    std::vector<int16_t> left(AudioSource::kBlockFrames), right(AudioSource::kBlockFrames);
    out.endedCleanly = false;
    while (out.reads < maxReads) {
        ++out.reads;
        const int32_t frames = source.read(left.data(), stereo ? right.data() : nullptr);
        if (frames <= 0) {
            out.endedCleanly = true;
            break;
        }
        if (frames > AudioSource::kBlockFrames) {
            out.blockLimitKept = false;
            break;
        }
        for (int32_t i = 0; i < frames; ++i) {
            if (eightBit) {
                out.left.push_back(reinterpret_cast<const uint8_t*>(left.data())[i]);
                if (stereo)
                    out.right.push_back(reinterpret_cast<const uint8_t*>(right.data())[i]);
            } else {
                out.left.push_back(left[static_cast<size_t>(i)]);
                if (stereo)
                    out.right.push_back(right[static_cast<size_t>(i)]);
            }
        }
    }
    return out;
}

} // namespace sonivert::test
