#include "system/InterruptCleanup.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

// A slot is free, being filled or emptied by its owner, or holds a path the handler removes.
enum SlotState : int { kFree, kBusy, kHeld };

// A handful of files written at the same time is plenty: the converter writes one at a time.
constexpr int kSlotCount = 8;

struct Slot {
    std::atomic<int> State{kFree};
    char Path[PATH_MAX] = {};
};

static_assert(std::atomic<int>::is_always_lock_free, "the handler reads the slot states");

Slot g_slots[kSlotCount];

std::atomic<void (*)()> g_note{nullptr};

// How many threads are creating and registering a file right now, with kEnding set once the
// handler runs: from then on no thread begins to create one.
constexpr int kEnding = 1 << 30;
std::atomic<int> g_creating{0};

// The calling thread's signal mask before its outermost DeferredInterrupts, and how many it holds.
thread_local sigset_t t_previousMask;
thread_local int t_deferring = 0;

sigset_t InterruptSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kSignals)
        sigaddset(&set, signal);
    return set;
}

// Only async-signal-safe calls: unlink, sigaction, sigprocmask and raise. A thread that is
// creating a file holds the signals back, so the handler runs in another one: it waits until
// that file is registered, and no file is created after it.
extern "C" void RemoveTemporariesAndResignal(int signal)
{
    const int savedErrno = errno;
    // Closed to new files first, then the files being created are waited for: several threads
    // committing photos one after another would otherwise never leave the count at zero.
    g_creating.fetch_or(kEnding);
    while ((g_creating.load() & (kEnding - 1)) != 0) {
    }
    if (void (*note)() = g_note.load())
        note();
    for (Slot& slot : g_slots)
        if (slot.State.load() == kHeld)
            ::unlink(slot.Path);
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

void SetInterruptNote(void (*note)()) { g_note.store(note); }

void WriteInterruptNote(const char* text, std::size_t size) { (void)::write(2, text, size); }

void FailWritesToClosedPipes()
{
    struct sigaction ignore {
    };
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

int RegisterTemporaryFile(const char* path)
{
    const std::size_t length = std::strlen(path);
    if (length >= PATH_MAX)
        return -1;
    for (int i = 0; i < kSlotCount; ++i) {
        int expected = kFree;
        if (!g_slots[i].State.compare_exchange_strong(expected, kBusy))
            continue;
        std::memcpy(g_slots[i].Path, path, length + 1);
        g_slots[i].State.store(kHeld);
        return i;
    }
    return -1;
}

DeferredInterrupts::DeferredInterrupts()
{
    if (t_deferring++ > 0)
        return;
    const sigset_t set = InterruptSet();
    ::pthread_sigmask(SIG_BLOCK, &set, &t_previousMask);
    for (int creating = g_creating.load();;) {
        if (creating >= kEnding) {
            ::pause(); // the handler ends the process
            creating = g_creating.load();
        } else if (g_creating.compare_exchange_weak(creating, creating + 1)) {
            return;
        }
    }
}

DeferredInterrupts::~DeferredInterrupts()
{
    if (--t_deferring > 0)
        return;
    // Counted out first: a signal the thread takes once unblocked must not wait for itself.
    g_creating.fetch_sub(1);
    ::pthread_sigmask(SIG_SETMASK, &t_previousMask, nullptr);
}

void ReleaseTemporaryFile(int slot)
{
    if (slot < 0 || slot >= kSlotCount)
        return;
    g_slots[slot].State.store(kBusy);
    g_slots[slot].Path[0] = {};
    g_slots[slot].State.store(kFree);
}
