#include "system/InterruptCleanup.h"

#include "support/LogWriter.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#endif

namespace {

using namespace t2ntest;

// A signal taken by another thread while a file is being created and registered: the handler
// waits for the registration, then removes the file and ends the process by that signal.
TEST(InterruptCleanup, SignalInAnotherThreadWaitsForTheFileBeingCreated)
{
#ifdef _WIN32
    GTEST_SKIP() << "the console control handler runs in a thread of its own and takes a lock";
#else
    TempDir dir;
    const std::string path = (dir.Path() / ".t2n-being-created.tmp").string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::signal(SIGTERM, SIG_DFL); // whatever the test runner ignores
        InstallInterruptCleanup();
        std::atomic<bool> created{false};
        std::thread creator([&] {
            const DeferredInterrupts deferred;
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            created = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            RegisterTemporaryFile(path.c_str());
            ::close(fd);
        });
        while (!created) {
        }
        ::raise(SIGTERM); // this thread holds nothing back: the handler runs here
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_FALSE(std::filesystem::exists(path));
#endif
}

} // namespace
