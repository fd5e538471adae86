#pragma once

#include "decoders/BlockDecoder.h"
#include "decoders/SectorDecoder.h"
#include "store/FixTable.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum class LogKind {
    None,   // the file was ignored or could not be read
    Block,  // 64 KiB flash blocks
    Sector, // 4 KiB flash sectors (".BNX4")
};

// How a block log's records are laid out. Sector logs and empty block logs are plain.
enum class LogLayout {
    Plain,  // float64 positions and '*'-terminated records
    Sister, // every block with records in the sister layout (float32 positions, no '*')
    Mixed,  // blocks of both layouts
};

// Why a file was ignored. Ignored files leave the table as it was.
enum class IgnoreReason {
    None,
    NotFound,        // no file under the path
    NotAFile,        // the path names a folder (or something else that is not a file)
    SizeNotMultiple, // the size is not a whole number of blocks or sectors (a block log of the
                     // sister layout, saved without its last block's erased end, is taken)
    TooLarge,        // more than the 16 MiB a logger holds
    ShortRead,       // the read delivered a count that is not a whole number of units
};

// The largest image any logger holds: 256 blocks or 4096 sectors.
constexpr std::uintmax_t kLargestLogBytes = std::uintmax_t{16} * 1024 * 1024;
// The most fixes a log gives: the largest block log of the shortest records, about 3.3 million.
constexpr std::int32_t kMostLogFixes =
    static_cast<std::int32_t>(kLargestLogBytes / kBlockSize) * kMostFixesPerBlock;

// The unit a log of the kind is a whole number of: a sector or a block.
[[nodiscard]] std::uintmax_t LogUnitBytes(LogKind kind);

struct LoadResult {
    LogKind Kind = LogKind::None;
    // The kind the path's name gives, whether the file was read or not: it picks the unit of the
    // size rules.
    LogKind Named = LogKind::None;
    LogLayout Layout = LogLayout::Plain;
    IgnoreReason Ignored = IgnoreReason::None;
    std::uintmax_t FileBytes = 0; // the size the rules looked at
    int IoErrno = 0;              // non-zero when the open or the read failed
    // Records of a sector log dropped by each of its tests; zero for a block log.
    SectorDropCounts Dropped;
    // The log's dates look 1024 weeks early (a logger that missed a GPS week rollover): nearly all
    // of its fixes with a position (99 %) lie before 2006 and after it once moved by 1024 weeks,
    // or, in a sector log without fixes, all records dropped only for their date do. Never set when
    // the clock already shifts times.
    bool LikelyWeekRollover = false;
    // The other kind, when the file's first units give far more fixes read as that kind than as
    // the kind its name gives (a block log named ".BNX4", a sector log named ".bin"); None
    // otherwise. The name still decides how the file is read.
    LogKind Resembles = LogKind::None;
    // With SizeNotMultiple: the file reads as a block log of the plain layout cut short, which
    // loads once erased flash (0xFF bytes) pads it to a whole number of blocks.
    bool TruncatedCopy = false;
    // The fields the log's masks recorded: satellites (a block log's field bit 12, and every
    // sector log) and the course (field bit 6, never in a sector log).
    bool RecordsSatellites = true;
    bool RecordsCourse = true;

    [[nodiscard]] bool Failed() const { return IoErrno != 0; }
};

// ".BNX4" in any letter case, taken from the last path component only.
[[nodiscard]] LogKind KindFromPath(const std::string& path);

// The extensions of a log's name, in lower case without the dot, in the order the window's open
// dialog lists them.
inline constexpr std::array<std::string_view, 3> kLogExtensions{"bnx4", "binx", "bin"};

// True when the extension of the last path component (after its last ".") is a log's, in any
// letter case: a file of such a name dropped on the window is taken for a log, never a photo.
[[nodiscard]] bool IsLogName(std::string_view path);

// Reads a raw log and decodes it into the table. A file that passes the existence and size rules
// and is read completely empties the table first; an ignored file or a failed open or read leaves
// the table as it was. A block log that is not a whole number of blocks is taken when every
// block it frames is of the sister layout (download tools save them so): its last block reads
// as erased flash past the file's end. `readAs` reads the file as that kind whatever its name
// gives (a log saved under the other kind's extension); None lets the name decide.
[[nodiscard]] LoadResult LoadLogFile(const std::string& path, const LoggerClock& clock,
                                     FixTable& table, LogKind readAs = LogKind::None);

// What a decode found besides the fixes.
struct DecodedLog {
    SectorDropCounts Dropped; // a sector log's drop counts; zero for a block log
    LogLayout Layout = LogLayout::Plain;
    bool RecordsSatellites = true;
    bool RecordsCourse = true;
};

// Empties the table and decodes a whole image of the given kind into it: every unit in order,
// then, for a sector log, the smoothing.
DecodedLog DecodeLogImage(LogKind kind, std::span<const std::uint8_t> image,
                          const LoggerClock& clock, FixTable& table);
