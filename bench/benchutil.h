#pragma once

// Small helpers shared by the benchmarks: wall-clock timing of a function, of
// a shell command or of a child process with its peak memory, and a scratch
// folder removed at exit.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sonivert::bench {

template <typename F>
double secondsOf(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs a shell command and returns its wall time, or a negative value when it failed.
inline double secondsOfCommand(const std::string& command)
{
    int status = 0;
    const double s = secondsOf([&] { status = std::system(command.c_str()); });
    return status == 0 ? s : -1.0;
}

struct ChildRun {
    double seconds = -1; // negative when the child failed
    long peakKiB = 0;
};

// Runs args as a child, its standard output sent to /dev/null when quiet, and
// measures its wall time and peak resident memory.
inline ChildRun runChild(const std::vector<std::string>& args, bool quiet = false)
{
    ChildRun run;
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int status = 0;
    run.seconds = secondsOf([&] {
        const pid_t pid = fork();
        if (pid == 0) {
            if (quiet) {
                const int null = ::open("/dev/null", O_WRONLY);
                if (null >= 0)
                    ::dup2(null, STDOUT_FILENO);
            }
            execvp(argv[0], argv.data());
            _exit(127);
        }
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        run.peakKiB = usage.ru_maxrss;
    });
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        run.seconds = -1;
    return run;
}

class ScratchDir {
public:
    ScratchDir()
    {
        std::string templ = (std::filesystem::temp_directory_path() / "sonivert-bench-XXXXXX").string();
        if (::mkdtemp(templ.data()))
            m_path = templ;
    }
    ~ScratchDir()
    {
        std::error_code ec;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ec);
    }
    bool ok() const { return !m_path.empty(); }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// The shared start of the encoder benchmarks: settings in the scratch
// folder (so the user's stay untouched) and a generated ten-minute stereo
// 44100 Hz 16-bit WAV. Returns the WAV's path, or an empty string (said on
// the output) when sox could not make it.
inline std::string tenMinuteInput(const ScratchDir& dir)
{
    setenv("SONIVERT_SETTINGS", dir.file("settings.ini").c_str(), 1);
    const std::string input = dir.file("ten-minutes.wav");
    std::printf("generating a ten-minute stereo 44100 Hz 16-bit input...\n");
    if (std::system(("sox -R -n -r 44100 -c 2 -b 16 " + input + " synth 600 sine 440 pinknoise vol 0.4").c_str()) != 0) {
        std::printf("sox could not generate the input\n");
        return {};
    }
    return input;
}

// Runs each command `rounds` times, alternating between them, and returns
// the best time of each; empty (said on the output) when one failed.
inline std::vector<double> bestTimes(const std::vector<std::string>& commands, const std::vector<std::string>& names,
                                     int rounds = 3)
{
    std::vector<double> best(commands.size(), 1e9);
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < commands.size(); ++i) {
            const double s = secondsOfCommand(commands[i]);
            if (s < 0) {
                std::printf("%s failed\n", names[i].c_str());
                return {};
            }
            best[i] = std::min(best[i], s);
        }
        std::printf("round %d done\n", round + 1);
    }
    return best;
}

} // namespace sonivert::bench
