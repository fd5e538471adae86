// A conversion interrupted while its temporary file exists, run through the real converter: the
// file is removed, an older output stays whole, and the converter dies by that interrupt.

#include "support/ChildProcess.h"
#include "support/LogWriter.h"

#include <csignal>
#include <gtest/gtest.h>

namespace {

using namespace t2ntest;
namespace fs = std::filesystem;

#ifdef _WIN32
// Ctrl-C on the converter's console, once without and once with an older output; it ends with
// STATUS_CONTROL_C_EXIT.
constexpr std::pair<int, bool> kInterrupts[] = {{0, false}, {0, true}};
constexpr int EndStatus(int) { return static_cast<int>(0xC000013Au); }
#else
constexpr std::pair<int, bool> kInterrupts[] = {{SIGINT, false}, {SIGTERM, true}, {SIGHUP, true}};
constexpr int EndStatus(int signal) { return -signal; }
#endif

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

TEST(Cli, InterruptRemovesTheTemporaryFileAndEndsByTheSignal)
{
    const Bytes log = FullBlockLog();
    for (const auto& [signal, oldOutput] : kInterrupts) {
        TempDir dir;
        if (oldOutput)
            dir.Write("track.nmea", {'o', 'l', 'd'});
        const std::string input = dir.Write("track.bin", log);
        ChildProcess child(T2N_CLI_BINARY, {input});
        while (!HasTemporary(dir.Path()) && child.Running()) {
            // No time limit: the child ends either way.
        }
        ASSERT_TRUE(child.Running()) << "the conversion ended before it could be interrupted";
        // Stopped first, so that the interrupt surely arrives before the rename.
        child.Pause();
        EXPECT_TRUE(HasTemporary(dir.Path()));
        const ProcessOutcome end = child.InterruptAndWait(signal);
        EXPECT_TRUE(!end.exited && end.status == EndStatus(signal)) << signal << ' ' << end.status;
        EXPECT_FALSE(HasTemporary(dir.Path())) << signal;
        EXPECT_EQ(ReadWholeFile((dir.Path() / "track.nmea").string()), oldOutput ? "old" : "");
        EXPECT_EQ(fs::exists(dir.Path() / "track.nmea"), oldOutput);
    }
}

} // namespace
