#pragma once

// Programs run in child processes, for the cases that need the real converter: exit statuses,
// standard streams, interrupts. POSIX spawns and signals them; Windows uses CreateProcessW with
// inherited handles and console control events.

#include <filesystem>
#include <string>
#include <vector>

namespace t2ntest {

struct ProcessOutcome {
    bool exited = false; // false: ended by a signal or, on Windows, by an exception or an interrupt
    int status = -1;     // the exit status; minus the signal, or the Windows exception code
    std::string out;
    std::string err;
};

// Runs `program` with `args` (UTF-8) and waits for it; its standard output and error go to files
// in `scratch` and are read back.
ProcessOutcome RunProgram(const std::string& program, const std::vector<std::string>& args,
                          const std::filesystem::path& scratch);

// A program running in the background, its standard output discarded, to be interrupted.
// The interrupt is a signal on POSIX, Ctrl-Break to the child's own console group on Windows.
class ChildProcess
{
  public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args);
    ~ChildProcess(); // ends a child that still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    [[nodiscard]] bool Running();
    // Stops every thread of the child, so that what is on disk stays as it is.
    void Pause();
    // Sends the interrupt (`signal` on POSIX) to the paused child and waits for its end.
    ProcessOutcome InterruptAndWait(int signal);

  private:
    void* m_process = nullptr; // the Windows process handle
    int m_pid = -1;
    bool m_ended = false; // POSIX: reaped already
    int m_endStatus = 0;
};

} // namespace t2ntest
