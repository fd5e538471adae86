#include "support/ChildProcess.h"
#include "system/Paths.h"

#include <algorithm>
#include <csignal>
#include <iterator>
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

namespace t2ntest {

namespace {

// In quotes, as the C library reads it back: the tests pass no argument with a quote or a final
// backslash, which would need more.
std::wstring Quoted(const std::string& arg) { return L'"' + NativePath(arg).wstring() + L'"'; }

// An inheritable handle of a stream; null for a closed one, INVALID_HANDLE_VALUE on failure.
HANDLE OpenStream(const Stream& stream, bool input)
{
    if (stream.What == Stream::Closed)
        return nullptr;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const bool device = stream.What == Stream::Null;
    const std::string path = device ? "NUL" : stream.Path;
    return CreateFileW(NativePath(path).c_str(), input ? GENERIC_READ : GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       input || device ? OPEN_EXISTING : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// Suspends or resumes every thread of a process; false when it has none.
bool SuspendThreads(DWORD pid, bool suspend)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool any = false;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        const HANDLE thread = entry.th32OwnerProcessID == pid
                                  ? OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)
                                  : nullptr;
        if (thread != nullptr) {
            suspend ? SuspendThread(thread) : ResumeThread(thread);
            any = true;
        }
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return any;
}

} // namespace

void Child::Start(const std::string& program, const std::vector<std::string>& args,
                  const ChildOptions& options)
{
    std::wstring line = Quoted(program);
    for (const std::string& arg : args)
        line += L' ' + Quoted(arg);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = OpenStream(options.In, true);
    startup.hStdOutput = OpenStream(options.Out, false);
    startup.hStdError = OpenStream(options.Err, false);
    const HANDLE handles[] = {startup.hStdInput, startup.hStdOutput, startup.hStdError};
    PROCESS_INFORMATION info = {};
    const bool opened = std::find(std::begin(handles), std::end(handles), INVALID_HANDLE_VALUE) ==
                        std::end(handles);
    const bool started = opened && CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                                  options.OwnConsole ? CREATE_NO_WINDOW : 0,
                                                  nullptr, nullptr, &startup, &info) != 0;
    for (const HANDLE handle : handles)
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    if (!started)
        return;
    CloseHandle(info.hThread);
    m_handle = info.hProcess;
    m_id = static_cast<long>(info.dwProcessId);
    m_result.Started = true;
}

bool Child::Running()
{
    if (!Started() || m_ended)
        return false;
    if (WaitForSingleObject(m_handle, 0) == WAIT_TIMEOUT)
        return true;
    WaitForEnd();
    return false;
}

bool Child::Pause() { return Running() && SuspendThreads(static_cast<DWORD>(m_id), true); }

void Child::Resume()
{
    if (Started() && !m_ended)
        SuspendThreads(static_cast<DWORD>(m_id), false);
}

// Wine sends console events only to whole consoles, and Ctrl-C only: the test joins the child's
// console for the moment, its own handler keeping it alive. The thread that runs the child's
// handler starts once its stopped threads go on.
bool Child::Interrupt(int signal)
{
    static const bool keptAlive =
        SetConsoleCtrlHandler([](DWORD event) -> BOOL { return event == CTRL_C_EVENT; }, TRUE);
    if (!Started() || m_ended || signal != SIGINT || !keptAlive)
        return false;
    FreeConsole();
    const bool sent =
        AttachConsole(static_cast<DWORD>(m_id)) && GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    FreeConsole();
    return sent;
}

void Child::WaitForEnd()
{
    WaitForSingleObject(m_handle, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(m_handle, &code);
    CloseHandle(m_handle);
    m_handle = nullptr;
    m_ended = true;
    // An exception (0xC0000005, Ctrl-C's 0xC000013A and the like) ends a process without a
    // status of its own.
    m_result.Crashed = code >= 0xC0000000u;
    m_result.Status = static_cast<int>(code);
}

int InterruptedStatus(int) { return static_cast<int>(STATUS_CONTROL_C_EXIT); }

} // namespace t2ntest
