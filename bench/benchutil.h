#pragma once

// Small helpers shared by the benchmarks: wall-clock timing of a function or
// of a shell command, and a scratch folder removed at exit.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

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

} // namespace sonivert::bench
