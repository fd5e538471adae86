// A conversion interrupted while its temporary file exists, run through the real converter: the
// file is removed, an older output stays whole, and the converter dies by that signal.

#include "support/ChildProcess.h"
#include "support/LogWriter.h"

#include <csignal>
#include <gtest/gtest.h>

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

// Stopped first, so that the interrupt surely arrives before the rename. Windows has Ctrl-C only,
// which ends the process with STATUS_CONTROL_C_EXIT, as its own handler would.
TEST(Cli, InterruptRemovesTheTemporaryFileAndEndsByTheSignal)
{
    const Bytes log = FullBlockLog();
#ifdef _WIN32
    const std::pair<int, bool> runs[] = {{SIGINT, false}, {SIGINT, true}};
#else
    const std::pair<int, bool> runs[] = {
        {SIGINT, false}, {SIGTERM, true}, {SIGHUP, true}, {SIGQUIT, true}};
#endif
    for (const auto& [signal, oldOutput] : runs) {
        TempDir dir;
        if (oldOutput)
            dir.Write("track.nmea", {'o', 'l', 'd'});
        const std::string input = dir.Write("track.bin", log);
        Child child(T2N_CLI_BINARY, {input}, {.Out = {}, .Err = {}, .OwnConsole = true});
        // No time limit: the child ends either way.
        ASSERT_TRUE(child.PauseWhen([&] { return HasTemporary(dir.Path()); }))
            << "the conversion ended before it could be interrupted";
        EXPECT_TRUE(child.Interrupt(signal));
        child.Resume();
        const ProgramResult r = child.Wait();
        EXPECT_TRUE(r.Crashed && r.Status == InterruptedStatus(signal))
            << signal << ' ' << r.Status;
        EXPECT_FALSE(HasTemporary(dir.Path())) << signal;
        EXPECT_EQ(ReadWholeFile((dir.Path() / "track.nmea").string()), oldOutput ? "old" : "");
        EXPECT_EQ(fs::exists(dir.Path() / "track.nmea"), oldOutput);
    }
}

} // namespace
