// A conversion interrupted while its temporary file exists, run through the real converter: the
// file is removed, an older output stays whole, and the converter dies by that signal.

#include "support/ChildProcess.h"
#include "support/LogWriter.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>
#else
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using namespace t2ntest;
namespace fs = std::filesystem;

// A full 16 MiB block log: some 400 000 fixes, 35 MB of lines to write.
Bytes FullBlockLog()
{
    FlashImage log = BlockLog(kBufferBytes / kBlockBytes, kBlockBasicMask);
    RawFix fix;
    const std::size_t size = BlockRecord(fix, kBlockBasicMask).size();
    for (std::size_t unit = 0; unit < kBufferBytes / kBlockBytes; ++unit)
        for (; log.Cursor(unit) + size <= kBlockBytes; ++fix.Seconds)
            log.Append(unit, BlockRecord(fix, kBlockBasicMask));
    return log.Data();
}

// Anything beside the log and its output, whatever its name.
bool HasTemporary(const fs::path& dir)
{
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename() != "track.bin" && e.path().filename() != "track.nmea")
            return true;
    return false;
}

#ifdef _WIN32

void SuspendThreads(DWORD pid, bool suspend)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        const HANDLE thread = entry.th32OwnerProcessID == pid
                                  ? OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)
                                  : nullptr;
        if (thread != nullptr)
            suspend ? SuspendThread(thread) : ResumeThread(thread);
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
}

// Ctrl-C on the converter's own console (CREATE_NO_WINDOW), which the test joins for the moment,
// its own handler keeping it alive: Wine sends console events only to whole consoles, and Ctrl-C
// only. The thread that runs the converter's handler starts as soon as the stopped threads go on.
TEST(Cli, InterruptRemovesTheTemporaryFileAndEndsByTheSignal)
{
    const Bytes log = FullBlockLog();
    SetConsoleCtrlHandler([](DWORD event) -> BOOL { return event == CTRL_C_EVENT; }, TRUE);
    for (const bool oldOutput : {false, true}) {
        TempDir dir;
        if (oldOutput)
            dir.Write("track.nmea", {'o', 'l', 'd'});
        const std::string input = dir.Write("track.bin", log);
        const HANDLE nul = InheritableOutput("NUL");
        DWORD pid = 0;
        const HANDLE child =
            StartProcess(T2N_CLI_BINARY, {input}, nul, nul, CREATE_NO_WINDOW, &pid);
        CloseHandle(nul);
        while (!HasTemporary(dir.Path()) && WaitForSingleObject(child, 0) == WAIT_TIMEOUT) {
        }
        ASSERT_EQ(WaitForSingleObject(child, 0), WAIT_TIMEOUT) << "ended before the interrupt";
        SuspendThreads(pid, true);
        EXPECT_TRUE(HasTemporary(dir.Path()));
        FreeConsole();
        EXPECT_TRUE(AttachConsole(pid) && GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
        FreeConsole();
        SuspendThreads(pid, false);
        EXPECT_EQ(WaitForExit(child), STATUS_CONTROL_C_EXIT);
        EXPECT_FALSE(HasTemporary(dir.Path()));
        EXPECT_EQ(ReadWholeFile((dir.Path() / "track.nmea").string()), oldOutput ? "old" : "");
    }
}

#else

TEST(Cli, InterruptRemovesTheTemporaryFileAndEndsByTheSignal)
{
    const Bytes log = FullBlockLog();
    for (const auto& [signal, oldOutput] :
         {std::pair{SIGINT, false}, {SIGTERM, true}, {SIGHUP, true}}) {
        TempDir dir;
        if (oldOutput)
            dir.Write("track.nmea", {'o', 'l', 'd'});
        const std::string input = dir.Write("track.bin", log);
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::signal(signal, SIG_DFL); // whatever the test runner ignores
            ::dup2(::open("/dev/null", O_WRONLY), 1);
            ::execl(T2N_CLI_BINARY, T2N_CLI_BINARY, input.c_str(), nullptr);
            ::_exit(127);
        }
        int status = 0;
        pid_t ended = 0;
        while (!HasTemporary(dir.Path()) && (ended = ::waitpid(pid, &status, WNOHANG)) == 0) {
            // No time limit: the child ends either way.
        }
        ASSERT_EQ(ended, 0) << "the conversion ended before it could be interrupted: " << status;
        // Stopped first, so that the signal surely arrives before the rename.
        ::kill(pid, SIGSTOP);
        ASSERT_TRUE(::waitpid(pid, &status, WUNTRACED) == pid && WIFSTOPPED(status)) << status;
        EXPECT_TRUE(HasTemporary(dir.Path()));
        ::kill(pid, signal);
        ::kill(pid, SIGCONT);
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal << ' ' << status;
        EXPECT_FALSE(HasTemporary(dir.Path())) << signal;
        EXPECT_EQ(ReadWholeFile((dir.Path() / "track.nmea").string()), oldOutput ? "old" : "");
        EXPECT_EQ(fs::exists(dir.Path() / "track.nmea"), oldOutput);
    }
}

#endif

} // namespace
