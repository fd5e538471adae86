#pragma once

// Programs run by the tests in child processes, the same way on every system: the real converter,
// and the programs that read its files back (gpsbabel, exiftool, man).

#include "support/LogWriter.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace t2ntest {

// Where a standard stream of a child goes.
struct Stream {
    enum Kind {
        Null,    // the null device
        File,    // a file (a UTF-8 path); an output file is emptied first
        Capture, // an output, kept as text in the result
        Closed,  // no stream at all
    };
    Kind What = Null;
    std::string Path; // of a File
};

inline Stream ToFile(std::string path) { return {Stream::File, std::move(path)}; }

struct ChildOptions {
    Stream In = {Stream::Null, {}};
    Stream Out = {Stream::Capture, {}};
    Stream Err = {Stream::Capture, {}};
    // Windows: a console of its own, without a window, so that Interrupt() reaches the child
    // alone. No effect elsewhere.
    bool OwnConsole = false;
    // POSIX: the largest file the child may write; a longer write fails (EFBIG), as on a full
    // disk. 0: no limit of its own.
    std::uint64_t FileSizeLimitBytes = 0;
};

struct ProgramResult {
    bool Started = false; // false: no such program, or it could not be started
    bool Crashed = false; // it did not exit: ended by a signal, or on Windows by an exception
    int Status = -1;      // the exit status; when crashed, the signal or the exception code
    std::string Out;      // the captured standard output
    std::string Err;      // the captured standard error
};

// A program running in a child process. It starts with the default actions of SIGINT, SIGTERM,
// SIGHUP, SIGQUIT and SIGPIPE, whatever the test runner ignores. A child still running is waited
// for when it is destroyed.
class Child
{
  public:
    // `program` is a path, or a name looked up in PATH; `args` follow it. Both are UTF-8.
    Child(const std::string& program, const std::vector<std::string>& args,
          const ChildOptions& options = {});
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    [[nodiscard]] bool Started() const { return m_result.Started; }
    // The process id, for what a test does to the child beyond these (a window's messages).
    [[nodiscard]] long Id() const { return m_id; }
    // Whether it still runs, without waiting.
    [[nodiscard]] bool Running();
    // Stops every thread of it at a moment when `ready()` holds, looked at again once it is
    // stopped, until Resume(); false when it ends first.
    [[nodiscard]] bool PauseWhen(const std::function<bool()>& ready);
    void Resume();
    // POSIX: sends `signal`. Windows: Ctrl-C on the child's own console (OwnConsole), the one
    // interrupt that reaches a single console program; `signal` is SIGINT.
    [[nodiscard]] bool Interrupt(int signal);
    // Waits for the end and returns what the child did and wrote.
    ProgramResult Wait();

  private:
    [[nodiscard]] bool Pause(); // every thread; false when it cannot be stopped
    void Start(const std::string& program, const std::vector<std::string>& args,
               const ChildOptions& options);
    void WaitForEnd(); // sets m_result's Crashed and Status

    long m_id = -1;           // the process id
    void* m_handle = nullptr; // Windows: the process handle
    bool m_ended = false;
    ProgramResult m_result;
    TempDir m_captures;
    std::string m_outPath; // where a captured output goes
    std::string m_errPath;
};

// Runs a program to its end.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const ChildOptions& options = {});

// The Status of a child ended by Interrupt(signal) (Crashed is true).
int InterruptedStatus(int signal);

} // namespace t2ntest
