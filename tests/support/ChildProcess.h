#pragma once

// Child processes on Windows, for the tests that run the real converter (the POSIX tests spawn
// theirs where they are): CreateProcessW with the standard handles inherited.

#ifdef _WIN32

#include <string>
#include <vector>

namespace t2ntest {

// An inheritable handle of a file (UTF-8; "NUL" for nothing) opened for writing, emptied first.
void* InheritableOutput(const std::string& path);

// Starts `program` with `args` (UTF-8), the two handles as its standard output and error and
// nothing as its input. Returns the process handle.
void* StartProcess(const std::string& program, const std::vector<std::string>& args, void* out,
                   void* err, unsigned long flags, unsigned long* pid = nullptr);

// Waits for the process to end, closes its handle and returns its exit code.
unsigned long WaitForExit(void* process);

} // namespace t2ntest

#endif
