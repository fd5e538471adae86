// The helper that runs programs for the tests: what it reports must hold, or the tests that
// rely on it (a crash fails a case, a missing program skips one) would pass for the wrong reason.
#include "support/ChildProcess.h"

#include "system/Paths.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#endif

namespace {

using namespace t2ntest;

TEST(RunProgram, StatusOutputsAndAMissingProgram)
{
    const ProgramResult version = RunProgram(T2N_CLI_BINARY, {"--version"});
    EXPECT_TRUE(version.Started);
    EXPECT_FALSE(version.Crashed);
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out.rfind("tallo2nmea-cli ", 0), 0u) << version.Out;
    EXPECT_EQ(version.Err, "");

    const ProgramResult usage = RunProgram(T2N_CLI_BINARY, {"--no-such-option"});
    EXPECT_EQ(usage.Status, 2);
    EXPECT_EQ(usage.Out, "");
    EXPECT_NE(usage.Err.find("--no-such-option"), std::string::npos) << usage.Err;

    EXPECT_FALSE(RunProgram("t2n-no-such-program", {}).Started);
    TempDir dir;
    EXPECT_FALSE(RunProgram(Utf8Path(dir.Path() / "missing"), {}).Started);
}

#ifndef _WIN32
// Through the shell: input from a file, a crash by a signal, a file size limit.
TEST(RunProgram, InputCrashAndFileSizeLimit)
{
    TempDir dir;
    ChildOptions fromFile;
    fromFile.In = ToFile(dir.Write("in.txt", {'a', ' ', 'b'}));
    const ProgramResult echoed =
        RunProgram("sh", {"-c", "tr ' ' '\\n'; echo done >&2; exit 3"}, fromFile);
    EXPECT_EQ(echoed.Out, "a\nb");
    EXPECT_EQ(echoed.Err, "done\n");
    EXPECT_FALSE(echoed.Crashed);
    EXPECT_EQ(echoed.Status, 3);

    const ProgramResult crashed = RunProgram("sh", {"-c", "kill -SEGV $$"});
    EXPECT_TRUE(crashed.Crashed);
    EXPECT_EQ(crashed.Status, SIGSEGV);

    ChildOptions limited;
    limited.FileSizeLimitBytes = 1000;
    const std::string big = Utf8Path(dir.Path() / "big");
    const ProgramResult full =
        RunProgram("sh", {"-c", "head -c 5000 /dev/zero > \"$0\"", big}, limited);
    EXPECT_FALSE(full.Crashed) << "SIGXFSZ is ignored: the write fails instead";
    EXPECT_NE(full.Status, 0);
    EXPECT_EQ(ReadWholeFile(big).size(), 1000u);
}
#endif

} // namespace
