#include "system/InterruptCleanup.h"

#ifndef _WIN32

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A slot is free, being filled or emptied by its owner, or holds a path the handler removes.
enum SlotState : int { kFree, kBusy, kHeld };

// A handful of files written at the same time is plenty: the converter writes one at a time.
constexpr int kSlotCount = 8;

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX] = {};
};

static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slot states");

Slot g_slots[kSlotCount];

sigset_t InterruptSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kSignals)
        sigaddset(&set, signal);
    return set;
}

// Only async-signal-safe calls: unlink, sigaction, sigprocmask and raise.
extern "C" void RemoveTemporariesAndResignal(int signal)
{
    const int savedErrno = errno;
    for (Slot& slot : g_slots)
        if (slot.state.load() == kHeld)
            ::unlink(slot.path);
    struct sigaction fallback {
    };
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    // The signal is blocked while its handler runs: unblocked, the raised one ends the process
    // right here, by that signal.
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    errno = savedErrno;
}

} // namespace

void InstallInterruptCleanup()
{
    struct sigaction action {
    };
    action.sa_handler = RemoveTemporariesAndResignal;
    action.sa_mask = InterruptSet();
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) {
        struct sigaction current {
        };
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            ::sigaction(signal, &action, nullptr);
    }
}

int RegisterTemporaryFile(const char* path)
{
    const std::size_t length = std::strlen(path);
    if (length >= PATH_MAX)
        return -1;
    for (int i = 0; i < kSlotCount; ++i) {
        int expected = kFree;
        if (!g_slots[i].state.compare_exchange_strong(expected, kBusy))
            continue;
        std::memcpy(g_slots[i].path, path, length + 1);
        g_slots[i].state.store(kHeld);
        return i;
    }
    return -1;
}

DeferredInterrupts::DeferredInterrupts()
{
    const sigset_t set = InterruptSet();
    ::pthread_sigmask(SIG_BLOCK, &set, &m_previous);
}

DeferredInterrupts::~DeferredInterrupts() { ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }

#else // _WIN32

#include <atomic>
#include <windows.h>

namespace {

// As on the other systems: a handful of slots, each with the path in the system's own form.
enum SlotState : int { kFree, kBusy, kHeld };
constexpr int kSlotCount = 8;
constexpr int kSlotChars = 32768; // the longest path the wide calls take

struct Slot {
    std::atomic<int> state{kFree};
    wchar_t path[kSlotChars] = {};
};

Slot g_slots[kSlotCount];
SRWLOCK g_creating = SRWLOCK_INIT;

// Runs in a thread the system starts for the event. The files are open in the main thread, with
// FILE_SHARE_DELETE: they go once their handles close, at the latest when the process ends. That
// follows right here, as abruptly as by a signal elsewhere, with the status the system's own
// handler gives (Wine's gives 0).
BOOL WINAPI RemoveTemporariesAndEnd(DWORD)
{
    AcquireSRWLockExclusive(&g_creating);
    for (Slot& slot : g_slots)
        if (slot.state.load() == kHeld)
            DeleteFileW(slot.path);
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

} // namespace

void InstallInterruptCleanup() { SetConsoleCtrlHandler(RemoveTemporariesAndEnd, TRUE); }

int RegisterTemporaryFile(const char* path)
{
    for (int i = 0; i < kSlotCount; ++i) {
        int expected = kFree;
        if (!g_slots[i].state.compare_exchange_strong(expected, kBusy))
            continue;
        if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, g_slots[i].path,
                                kSlotChars) == 0) {
            g_slots[i].state.store(kFree);
            return -1;
        }
        g_slots[i].state.store(kHeld);
        return i;
    }
    return -1;
}

DeferredInterrupts::DeferredInterrupts() { AcquireSRWLockExclusive(&g_creating); }

DeferredInterrupts::~DeferredInterrupts() { ReleaseSRWLockExclusive(&g_creating); }

#endif

void ReleaseTemporaryFile(int slot)
{
    if (slot < 0 || slot >= kSlotCount)
        return;
    g_slots[slot].state.store(kBusy);
    g_slots[slot].path[0] = {};
    g_slots[slot].state.store(kFree);
}
