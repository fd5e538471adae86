// Fuzzes the reading of archives: the input is a whole database file (mostly archives with
// damaged pages, from the seeds), written to a scratch file and opened as a conversion opens it.
// Opening gives an archive or a reason; an opened archive's fixes come back in time order with
// their milliseconds in range, or the read fails with a reason and an empty table; the summary
// counts every fix read.

#include "FuzzCommon.h"
#include "archive/Archive.h"
#include "store/TimeBase.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace t2nfuzz;

namespace {

// A scratch archive of this process, its WAL and shared-memory files removed before each input.
const std::string& ScratchPath()
{
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("t2n-fuzz-archive-" + std::to_string(getpid()) + ".sqlite"))
                                        .string();
    return path;
}

void CheckTable(const FixTable& table)
{
    for (std::int32_t i = 0; i < table.Count(); ++i) {
        const TGpsFix& fix = table[static_cast<std::size_t>(i)];
        Check(fix.Millisecond <= 999, "milliseconds within 0..999", i);
        Check(i == 0 || table[static_cast<std::size_t>(i - 1)].Time <= fix.Time, "time order", i);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = ScratchPath();
    for (const char* end : {"", "-wal", "-shm", "-journal"})
        std::remove((path + end).c_str());
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    Archive archive;
    const ArchiveStatus opened = archive.Open(path, Archive::Mode::Read);
    Check(opened.Ok() || opened.Problem != ArchiveProblem::None, "an archive or a reason");
    if (!opened.Ok())
        return 0;
    FixTable table;
    const ArchiveStatus read = archive.Read(kUnixEpochDayCount, std::nullopt, std::nullopt, table);
    Check(read.Ok() || table.Empty(), "a failed read leaves no fixes");
    CheckTable(table);
    ArchiveSummary summary;
    if (read.Ok() && archive.Summarise(summary).Ok())
        // A damaged row without a time is counted but not read.
        Check(summary.Fixes >= table.Count(), "the summary counts every fix read");
    return 0;
}
