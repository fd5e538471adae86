#include "support/ChildProcess.h"

#include "store/PathText.h"
#include "support/LogWriter.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace fs = std::filesystem;

namespace t2ntest {

#ifdef _WIN32

namespace {

// One argument as the C library's parser of the command line reads it back: quoted when it holds
// a blank or a quote, backslashes doubled before a quote.
std::wstring Quoted(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    std::wstring out = L"\"";
    for (std::size_t i = 0;; ++i) {
        std::size_t backslashes = 0;
        for (; i < arg.size() && arg[i] == L'\\'; ++i)
            ++backslashes;
        if (i == arg.size()) {
            out.append(backslashes * 2, L'\\');
            break;
        }
        out.append(arg[i] == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        out.push_back(arg[i]);
    }
    return out + L'"';
}

HANDLE Inheritable(const fs::path& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts the program with the three standard handles given; returns its process handle.
HANDLE Start(const std::string& program, const std::vector<std::string>& args, HANDLE out,
             HANDLE err, DWORD flags, int& pid)
{
    std::wstring line = Quoted(NativePath(program).wstring());
    for (const std::string& arg : args)
        line += L' ' + Quoted(NativePath(arg).wstring());
    const HANDLE in = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info = {};
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags,
                                        nullptr, nullptr, &startup, &info);
    CloseHandle(in);
    if (!started)
        throw std::runtime_error("cannot start " + program);
    CloseHandle(info.hThread);
    pid = static_cast<int>(info.dwProcessId);
    return info.hProcess;
}

// Exception codes (0xC0000005 and the like) and the interrupt's STATUS_CONTROL_C_EXIT end a
// process without an exit status of its own.
ProcessOutcome Ended(HANDLE process)
{
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return {code < 0xC0000000u, static_cast<int>(code), {}, {}};
}

void SuspendThreads(int pid, bool suspend)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != static_cast<DWORD>(pid))
            continue;
        const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (thread != nullptr)
            suspend ? SuspendThread(thread) : ResumeThread(thread);
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
}

} // namespace

ProcessOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const fs::path& scratch)
{
    const HANDLE out = Inheritable(scratch / "stdout.txt", GENERIC_WRITE, CREATE_ALWAYS);
    const HANDLE err = Inheritable(scratch / "stderr.txt", GENERIC_WRITE, CREATE_ALWAYS);
    int pid = 0;
    const HANDLE process = Start(program, args, out, err, 0, pid);
    CloseHandle(out);
    CloseHandle(err);
    ProcessOutcome outcome = Ended(process);
    CloseHandle(process);
    outcome.out = ReadWholeFile(Utf8Path(scratch / "stdout.txt"));
    outcome.err = ReadWholeFile(Utf8Path(scratch / "stderr.txt"));
    return outcome;
}

// The child gets a console of its own, without a window: the interrupt is sent to that console.
ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args)
{
    const HANDLE out = Inheritable(L"NUL", GENERIC_WRITE, OPEN_EXISTING);
    m_process = Start(program, args, out, GetStdHandle(STD_ERROR_HANDLE), CREATE_NO_WINDOW, m_pid);
    CloseHandle(out);
}

ChildProcess::~ChildProcess()
{
    if (Running()) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, INFINITE);
    }
    CloseHandle(m_process);
}

bool ChildProcess::Running() { return WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

void ChildProcess::Pause() { SuspendThreads(m_pid, true); }

// Ctrl-C on the child's console, which this process joins for the moment: the event reaches
// every process there, this one too, whose own handler then keeps it running. (Wine sends events
// to whole consoles only, and Ctrl-C alone; ignoring Ctrl-C instead would pass on to the children
// started later.) The event starts a thread of its own in the child that runs the handler; Wine
// starts it from a stopped thread as soon as that goes on, before any code of the converter.
ProcessOutcome ChildProcess::InterruptAndWait(int)
{
    SetConsoleCtrlHandler([](DWORD event) -> BOOL { return event == CTRL_C_EVENT; }, TRUE);
    FreeConsole();
    if (AttachConsole(static_cast<DWORD>(m_pid)))
        GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    FreeConsole();
    AttachConsole(ATTACH_PARENT_PROCESS);
    SuspendThreads(m_pid, false);
    return Ended(m_process);
}

#else

namespace {

pid_t Start(const std::string& program, const std::vector<std::string>& args,
            posix_spawn_file_actions_t& actions)
{
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& a : argv)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);
    // The interrupts end the child as they would in a shell, whatever the test runner ignores.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, &attributes, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + program);
    return pid;
}

ProcessOutcome Ended(pid_t pid, int options = 0)
{
    int wstatus = 0;
    while (waitpid(pid, &wstatus, options) < 0 && errno == EINTR) {
    }
    const bool exited = WIFEXITED(wstatus);
    return {exited, exited ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus), {}, {}};
}

} // namespace

ProcessOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const fs::path& scratch)
{
    const std::string outPath = (scratch / "stdout.txt").string();
    const std::string errPath = (scratch / "stderr.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const auto& [fd, path] : {std::pair{1, &outPath}, std::pair{2, &errPath}})
        posix_spawn_file_actions_addopen(&actions, fd, path->c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
    ProcessOutcome outcome = Ended(Start(program, args, actions));
    outcome.out = ReadWholeFile(outPath);
    outcome.err = ReadWholeFile(errPath);
    return outcome;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    m_pid = Start(program, args, actions);
}

ChildProcess::~ChildProcess()
{
    if (Running()) {
        ::kill(m_pid, SIGKILL);
        Ended(m_pid);
    }
}

bool ChildProcess::Running()
{
    if (!m_ended && ::waitpid(m_pid, &m_endStatus, WNOHANG) == m_pid)
        m_ended = true;
    return !m_ended;
}

void ChildProcess::Pause()
{
    ::kill(m_pid, SIGSTOP);
    int status = 0;
    if (::waitpid(m_pid, &status, WUNTRACED) != m_pid || !WIFSTOPPED(status))
        throw std::runtime_error("the child did not stop");
}

ProcessOutcome ChildProcess::InterruptAndWait(int signal)
{
    ::kill(m_pid, signal);
    ::kill(m_pid, SIGCONT);
    m_ended = true;
    return Ended(m_pid);
}

#endif

} // namespace t2ntest
