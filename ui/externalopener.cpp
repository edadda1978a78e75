#include "ui/externalopener.h"

#include <QCoreApplication>
#include <QTimer>

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace sonivert::ui {

std::string openerFailureReason(int exitStatus)
{
    // The statuses xdg-open documents.
    switch (exitStatus) {
    case 1:
        return "the desktop's opener did not accept it";
    case 2:
        return "the file does not exist";
    case 3:
        return "no program on this desktop is set up to open it";
    case 4:
        return "the program that opens it reported a failure";
    case -1:
        return "the desktop's opener was stopped";
    default:
        return "the desktop's opener failed (exit status " + std::to_string(exitStatus) + ")";
    }
}

std::string couldNotOpenText(const std::string& target, const std::string& reason)
{
    return "Could not open\n" + target + "\n\nbecause " + reason + ".";
}

#ifndef _WIN32
namespace {

constexpr int kFastPollMs = 100;
constexpr int kSlowPollMs = 1000;
constexpr int kFastPolls = 50;

// Waits for one started opener without blocking: polls its exit, never
// kills it, and deletes itself once it has been reaped.
class OpenerWatch final : public QObject {
public:
    OpenerWatch(pid_t pid, std::function<void(int)> failed)
        : QObject(QCoreApplication::instance()), m_pid(pid), m_failed(std::move(failed))
    {
        m_timer.setInterval(kFastPollMs);
        connect(&m_timer, &QTimer::timeout, this, &OpenerWatch::poll);
        m_timer.start();
    }

private:
    void poll()
    {
        int status = 0;
        const pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == 0) {
            if (++m_polls == kFastPolls)
                m_timer.setInterval(kSlowPollMs);
            return;
        }
        m_timer.stop();
        deleteLater();
        if (done < 0)
            return; // reaped elsewhere: nothing to tell
        const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (exitStatus != 0 && m_failed)
            m_failed(exitStatus);
    }

    pid_t m_pid;
    std::function<void(int)> m_failed;
    QTimer m_timer;
    int m_polls = 0;
};

} // namespace
#endif

bool startDesktopOpener(const QString& program, const QString& target, std::function<void(int exitStatus)> failed)
{
#ifdef _WIN32
    (void)program;
    (void)target;
    (void)failed;
    return false;
#else
    const QByteArray file = program.toLocal8Bit();
    const QByteArray argument = target.toLocal8Bit();
    char* argv[] = {const_cast<char*>(file.constData()), const_cast<char*>(argument.constData()), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, file.constData(), nullptr, nullptr, argv, environ) != 0)
        return false;
    new OpenerWatch(pid, std::move(failed));
    return true;
#endif
}

} // namespace sonivert::ui
