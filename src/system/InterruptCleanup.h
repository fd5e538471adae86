#pragma once

#include <cstddef>

// Temporary files that an interrupted process must not leave behind.
//
// InstallInterruptCleanup() makes SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGPIPE remove every
// registered file and then end the process by the same signal, so that a shell still sees 130,
// 143, 129, 131 or 141. A signal
// the process was started with ignored (nohup, background jobs) stays ignored. The paths are kept
// in a small fixed table of slots that the handler reads without allocating or locking.
//
// On Windows a console control handler does the same for Ctrl-C, Ctrl-Break and the closing of
// the console window, and then ends the process with status 0xC000013A (STATUS_CONTROL_C_EXIT),
// as the system's handler would. That handler runs in a thread of its own, so it takes a lock
// that DeferredInterrupts holds while a file is created and registered.

// Once, at the start of main(), before any file is written.
void InstallInterruptCleanup();

// A note the handler writes before the process ends (the geotagging's count of photos written):
// `note` runs in the handler, so it makes only async-signal-safe calls. nullptr: none.
void SetInterruptNote(void (*note)());
// Writes to standard error with the system's own call, async-signal-safe: for such a note.
void WriteInterruptNote(const char* text, std::size_t size);

// A write to a pipe whose reader went away fails (EPIPE) instead of ending the process by
// SIGPIPE, so that the writer stops cleanly; until the process ends. (Windows has no SIGPIPE.)
void FailWritesToClosedPipes();

// Registers a created temporary file for removal on an interrupt. Returns its slot, or -1 when
// every slot is taken or the path is longer than a slot holds: that file is then not removed.
int RegisterTemporaryFile(const char* path);

// Forgets the slot once its file was renamed or removed; -1 is ignored.
void ReleaseTemporaryFile(int slot);

// Lives while a file is created and registered, so that no file is created without being
// registered in between: it holds the signals above back in the calling thread (a signal
// that arrives meanwhile is delivered when the object is destroyed), and the handler, when
// another thread takes the signal, waits for it. Once the handler has begun, no thread creates
// a file any more. On Windows the console control handler waits for it in the same way.
class DeferredInterrupts
{
  public:
    DeferredInterrupts();
    ~DeferredInterrupts();
    DeferredInterrupts(const DeferredInterrupts&) = delete;
    DeferredInterrupts& operator=(const DeferredInterrupts&) = delete;
};
