#include "support/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace t2ntest {

namespace {

// The program's path: as given when it holds a slash, else the first match in PATH; empty when
// there is none.
std::string ProgramPath(const std::string& program)
{
    if (program.find('/') != std::string::npos)
        return program;
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    for (std::size_t from = 0; from <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', from), folders.size());
        std::string candidate =
            (end == from ? std::string(".") : folders.substr(from, end - from)) + "/" + program;
        struct stat status = {};
        if (::stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        from = end + 1;
    }
    return {};
}

// The descriptor a stream reads or writes, opened here so that the child only moves it into
// place; -1 for a closed stream, -2 when it cannot be opened.
int OpenStream(const Stream& stream, bool input)
{
    if (stream.What == Stream::Closed)
        return -1;
    const std::string path = stream.What == Stream::Null ? "/dev/null" : stream.Path;
    const int flags = input ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd >= 0 && fd < 3) { // above the standard streams, which the child replaces
        const int high = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ::close(fd);
        fd = high;
    }
    return fd >= 0 ? fd : -2;
}

// In the child, between fork and exec: only calls a signal handler may make.
[[noreturn]] void BecomeProgram(const std::string& path, char* const* argv, const int (&fds)[3],
                                std::uint64_t fileSizeLimit, int report)
{
    for (int stream = 0; stream < 3; ++stream) {
        if (fds[stream] < 0)
            ::close(stream);
        else
            ::dup2(fds[stream], stream);
    }
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE})
        std::signal(signal, SIG_DFL);
    if (fileSizeLimit != 0) {
        std::signal(SIGXFSZ, SIG_IGN); // the write fails with EFBIG instead
        const struct rlimit limit = {fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::execv(path.c_str(), argv);
    const int error = errno;
    if (::write(report, &error, sizeof error) < 0) {
        // The parent sees the end of the pipe without a number: not started either way.
    }
    ::_exit(127);
}

} // namespace

void Child::Start(const std::string& program, const std::vector<std::string>& args,
                  const ChildOptions& options)
{
    const std::string path = ProgramPath(program);
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int fds[3] = {OpenStream(options.In, true), OpenStream(options.Out, false),
                        OpenStream(options.Err, false)};
    int report[2] = {-1, -1};
    const bool ready = !path.empty() && fds[0] != -2 && fds[1] != -2 && fds[2] != -2 &&
                       ::pipe2(report, O_CLOEXEC) == 0;
    const pid_t pid = ready ? ::fork() : -1;
    if (pid == 0)
        BecomeProgram(path, argv.data(), fds, options.FileSizeLimitBytes, report[1]);
    for (const int fd : fds)
        if (fd >= 0)
            ::close(fd);
    ::close(report[1]);
    // The pipe closes unread on a successful exec; a failed one writes its errno first.
    int error = 0;
    const bool execFailed = pid > 0 && ::read(report[0], &error, sizeof error) > 0;
    ::close(report[0]);
    if (pid <= 0)
        return;
    m_id = pid;
    m_result.Started = true;
    if (execFailed) {
        WaitForEnd();
        m_result = {};
    }
}

namespace {

void Record(int status, ProgramResult& result)
{
    result.Crashed = !WIFEXITED(status);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status);
}

} // namespace

bool Child::Running()
{
    if (!Started() || m_ended)
        return false;
    int status = 0;
    const pid_t ended = ::waitpid(static_cast<pid_t>(m_id), &status, WNOHANG);
    if (ended == 0 || (ended < 0 && errno == EINTR))
        return true;
    m_ended = true;
    Record(status, m_result);
    return false;
}

bool Child::Pause()
{
    if (!Running() || ::kill(static_cast<pid_t>(m_id), SIGSTOP) != 0)
        return false;
    int status = 0;
    if (::waitpid(static_cast<pid_t>(m_id), &status, WUNTRACED) != m_id)
        return false;
    if (WIFSTOPPED(status))
        return true;
    m_ended = true; // it ended before it could be stopped
    Record(status, m_result);
    return false;
}

// Not const: a signal changes the child the object stands for.
// NOLINTNEXTLINE(readability-make-member-function-const)
void Child::Resume()
{
    if (Started() && !m_ended)
        ::kill(static_cast<pid_t>(m_id), SIGCONT);
}

// NOLINTNEXTLINE(readability-make-member-function-const): as Resume
bool Child::Interrupt(int signal)
{
    return Started() && !m_ended && ::kill(static_cast<pid_t>(m_id), signal) == 0;
}

void Child::WaitForEnd()
{
    int status = 0;
    while (::waitpid(static_cast<pid_t>(m_id), &status, 0) < 0 && errno == EINTR) {
    }
    m_ended = true;
    Record(status, m_result);
}

int InterruptedStatus(int signal) { return signal; }

} // namespace t2ntest
