#include "support/ChildProcess.h"

#ifdef _WIN32

#include "system/Paths.h"

#include <stdexcept>
#include <windows.h>

namespace t2ntest {

namespace {

// In quotes, as the C library reads it back: the tests pass no argument with a quote or a final
// backslash, which would need more.
std::wstring Quoted(const std::string& arg) { return L'"' + NativePath(arg).wstring() + L'"'; }

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    return CreateFileW(NativePath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

void* InheritableOutput(const std::string& path)
{
    return Inheritable(path, GENERIC_WRITE, path == "NUL" ? OPEN_EXISTING : CREATE_ALWAYS);
}

void* StartProcess(const std::string& program, const std::vector<std::string>& args, void* out,
                   void* err, unsigned long flags, unsigned long* pid)
{
    std::wstring line = Quoted(program);
    for (const std::string& arg : args)
        line += L' ' + Quoted(arg);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info = {};
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags,
                                        nullptr, nullptr, &startup, &info);
    CloseHandle(startup.hStdInput);
    if (!started)
        throw std::runtime_error("cannot start " + program);
    CloseHandle(info.hThread);
    if (pid != nullptr)
        *pid = info.dwProcessId;
    return info.hProcess;
}

unsigned long WaitForExit(void* process)
{
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

} // namespace t2ntest

#endif
