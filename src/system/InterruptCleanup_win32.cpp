#include "system/InterruptCleanup.h"

#include <atomic>
#include <windows.h>

namespace {

// As on the other systems: a handful of slots, each with the path in the system's own form.
enum SlotState : int { kFree, kBusy, kHeld };
constexpr int kSlotCount = 8;
constexpr int kSlotChars = 32768; // the longest path the wide calls take

struct Slot {
    std::atomic<int> State{kFree};
    wchar_t Path[kSlotChars] = {};
};

Slot g_slots[kSlotCount];
SRWLOCK g_creating = SRWLOCK_INIT;
std::atomic<void (*)()> g_note{nullptr};

// Runs in a thread the system starts for the event. The files are open in the main thread, with
// FILE_SHARE_DELETE: they go once their handles close, at the latest when the process ends. That
// follows right here, as abruptly as by a signal elsewhere, with the status the system's own
// handler gives (Wine's gives 0).
BOOL WINAPI RemoveTemporariesAndEnd(DWORD)
{
    AcquireSRWLockExclusive(&g_creating);
    if (void (*note)() = g_note.load())
        note();
    for (Slot& slot : g_slots)
        if (slot.State.load() == kHeld)
            DeleteFileW(slot.Path);
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

} // namespace

void InstallInterruptCleanup() { SetConsoleCtrlHandler(RemoveTemporariesAndEnd, TRUE); }

void SetInterruptNote(void (*note)()) { g_note.store(note); }

void WriteInterruptNote(const char* text, std::size_t size)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(size), &written, nullptr);
}

void FailWritesToClosedPipes() {}

int RegisterTemporaryFile(const char* path)
{
    for (int i = 0; i < kSlotCount; ++i) {
        int expected = kFree;
        if (!g_slots[i].State.compare_exchange_strong(expected, kBusy))
            continue;
        if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, g_slots[i].Path,
                                kSlotChars) == 0) {
            g_slots[i].State.store(kFree);
            return -1;
        }
        g_slots[i].State.store(kHeld);
        return i;
    }
    return -1;
}

DeferredInterrupts::DeferredInterrupts() { AcquireSRWLockExclusive(&g_creating); }

DeferredInterrupts::~DeferredInterrupts() { ReleaseSRWLockExclusive(&g_creating); }

void ReleaseTemporaryFile(int slot)
{
    if (slot < 0 || slot >= kSlotCount)
        return;
    g_slots[slot].State.store(kBusy);
    g_slots[slot].Path[0] = {};
    g_slots[slot].State.store(kFree);
}
