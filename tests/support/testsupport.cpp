#include "tests/support/testsupport.h"

#include "platform/stereodownmix.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

TerminalRun runOnTerminal(const std::string& command, const std::string& trigger, int signal)
{
    TerminalRun run;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        if (master >= 0)
            ::close(master);
        return run;
    }
    const std::string slaveName = ::ptsname(master);
    int out[2];
    if (::pipe(out) != 0) {
        ::close(master);
        return run;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        const int slave = ::open(slaveName.c_str(), O_RDWR);
        if (slave < 0)
            ::_exit(127);
        ::dup2(slave, STDERR_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::close(slave);
        ::close(out[0]);
        ::close(out[1]);
        ::close(master);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    if (pid < 0) {
        ::close(out[0]);
        ::close(master);
        return run;
    }
    pollfd fds[2] = {{out[0], POLLIN, 0}, {master, POLLIN, 0}};
    std::array<char, 4096> buffer;
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (::poll(fds, 2, -1) < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t n = ::read(fds[i].fd, buffer.data(), buffer.size());
            if (n <= 0) { // end of output; EIO on the terminal once the program has gone
                fds[i].fd = -1;
                continue;
            }
            (i == 0 ? run.output : run.terminal).append(buffer.data(), static_cast<size_t>(n));
        }
        if (!run.triggered && run.terminal.find(trigger) != std::string::npos) {
            run.triggered = true;
            ::kill(pid, signal);
        }
    }
    ::close(out[0]);
    ::close(master);
    int raw = 0;
    if (::waitpid(pid, &raw, 0) == pid && WIFEXITED(raw))
        run.exitStatus = WEXITSTATUS(raw);
    return run;
}

ScopedFileSizeLimit::ScopedFileSizeLimit(uint64_t bytes)
{
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    m_previous = limit.rlim_cur;
    limit.rlim_cur = bytes;
    m_previousHandler = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit()
{
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = m_previous;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::signal(SIGXFSZ, m_previousHandler);
}

std::vector<int16_t> deliveredPair(const std::vector<int16_t>& interleaved, int channels,
                                   const std::vector<int>& speakers, bool unsigned8)
{
    if (channels <= 2)
        return interleaved;
    StereoDownmix mix;
    if (!mix.setSpeakers(speakers)) {
        ADD_FAILURE() << "no down-mix for these speakers";
        return {};
    }
    const size_t frames = interleaved.size() / static_cast<size_t>(channels);
    std::vector<int16_t> left(frames), right(frames);
    if (unsigned8) {
        const std::vector<uint8_t> bytes(interleaved.begin(), interleaved.end());
        std::vector<uint8_t> l8(frames), r8(frames);
        mix.mix(bytes.data(), frames, l8.data(), r8.data());
        left.assign(l8.begin(), l8.end());
        right.assign(r8.begin(), r8.end());
    } else {
        mix.mix(interleaved.data(), frames, left.data(), right.data());
    }
    std::vector<int16_t> pair;
    pair.reserve(2 * frames);
    for (size_t i = 0; i < frames; ++i)
        pair.insert(pair.end(), {left[i], right[i]});
    return pair;
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
