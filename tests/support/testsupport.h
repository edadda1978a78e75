#pragma once

#include "engine/audiosource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sonivert::test {

// A fresh directory under the system's temporary folder, removed with all
// its contents by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Quotes a word for /bin/sh.
std::string shellQuote(const std::string& word);

// Runs a shell command; returns its exit status (-1 when it could not run).
// Its output goes to the test's log only when it fails.
int runCommand(const std::string& command);

// Runs a command and returns its standard output; sets status to its exit status.
std::string captureCommand(const std::string& command, int& status);

// What runOnTerminal saw of a program.
struct TerminalRun {
    std::string output;   // standard output
    std::string terminal; // what the program drew on its terminal (standard error)
    bool triggered = false; // the trigger appeared and the signal was sent
    int exitStatus = -1;    // -1 when the program did not exit normally
};

// Runs command (through /bin/sh, which should exec the program so that the
// signal reaches it) with its standard error on a pseudo-terminal of its own,
// so that it draws its progress as on a user's screen. As soon as trigger
// appears in what it draws, signal is sent to it. Acting on what the program
// reports, never on a sleep, keeps a test independent of the machine's speed.
TerminalRun runOnTerminal(const std::string& command, const std::string& trigger, int signal);

// Limits the size of every file this process writes to bytes for the life
// of the object (RLIMIT_FSIZE; a write past it fails with EFBIG instead of
// raising SIGXFSZ), so that a test can make writes fail as on a full disk.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(uint64_t bytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    uint64_t m_previous = 0;
    void (*m_previousHandler)(int) = nullptr;
};

// True when program is found on PATH.
bool toolAvailable(const std::string& program);

std::vector<uint8_t> readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Header-less little-endian sample files as the reference tools write them.
std::vector<int16_t> readRawS16(const std::string& path);
std::vector<int32_t> readRawS32(const std::string& path);
std::vector<float> readRawF32(const std::string& path);

// Everything a source delivers from its current position to its end, as
// 16-bit samples (8-bit sources keep their unsigned values 0..255).
struct DecodedPcm {
    std::vector<int16_t> left;
    std::vector<int16_t> right;
    int64_t reads = 0;
    bool blockLimitKept = true; // no read returned more than kBlockFrames
    bool endedCleanly = true;   // stopped with 0 or less before maxReads
};
DecodedPcm decodeAll(AudioSource& source, int64_t maxReads = 1'000'000);

// A reference decoding of more than two channels as a reader delivers it:
// mixed down to an interleaved pair by the speakers given (StereoDownmix;
// its levels are checked against ffmpeg's own down-mix elsewhere), so that
// every channel's decoding still counts. Samples of `unsigned8` references
// hold 0..255. One or two channels come back as they are.
std::vector<int16_t> deliveredPair(const std::vector<int16_t>& interleaved, int channels,
                                   const std::vector<int>& speakers, bool unsigned8 = false);

// Samples of channel `channel` of an interleaved buffer.
template <typename T>
std::vector<T> channelOf(const std::vector<T>& interleaved, int channels, int channel)
{
    std::vector<T> out;
    out.reserve(interleaved.size() / static_cast<size_t>(channels));
    for (size_t i = static_cast<size_t>(channel); i < interleaved.size(); i += static_cast<size_t>(channels))
        out.push_back(interleaved[i]);
    return out;
}

} // namespace sonivert::test
