#include "load/LogFile.h"

#include "decoders/BlockDecoder.h"
#include "system/Files.h"
#include "system/LargeBuffer.h"
#include "system/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Why a path the file system library finds nothing under is not read (a device on Windows is
// something). An error is left in `error`, with no reason.
IgnoreReason NotFoundReason(const std::string& path, int& error)
{
    const MissingPath missing = WhyMissing(path);
    switch (missing.What) {
    case MissingPath::Nothing:
        return IgnoreReason::NotFound;
    case MissingPath::Device:
        return IgnoreReason::NotAFile;
    case MissingPath::Error:
        break;
    }
    error = missing.Errno;
    return IgnoreReason::None;
}

// The existence and size rules: the file's size when it is taken, the reason when it is not. A
// path that cannot be examined (a folder on the way that may not be read, a loop of links, a
// name too long) is an error of its own, not a missing file.
IgnoreReason CheckLogFile(const std::string& path, LogKind kind, std::uintmax_t& size, int& error)
{
    std::error_code ec;
    const fs::path native = NativePath(path);
    const fs::file_status status = fs::status(native, ec);
    if (status.type() == fs::file_type::not_found)
        return NotFoundReason(path, error);
    if (status.type() == fs::file_type::none) {
        error = ec ? ec.value() : EIO;
        return IgnoreReason::None;
    }
    // Folders, devices and pipes are not log files; a pipe would block the open, too.
    if (!fs::is_regular_file(status))
        return IgnoreReason::NotAFile;
    const std::uintmax_t reported = fs::file_size(native, ec);
    size = ec ? 0 : reported;
    if (size > kLargestLogBytes)
        return IgnoreReason::TooLarge;
    if (size % LogUnitBytes(kind) != 0)
        return IgnoreReason::SizeNotMultiple;
    return IgnoreReason::None;
}

// Reads up to `size` bytes in one read; returns the count read, or sets `error`.
std::size_t ReadInOnePiece(const std::string& path, std::uint8_t* buffer, std::size_t size,
                           int& error)
{
    errno = 0;
    std::FILE* file = OpenForReading(path);
    if (file == nullptr) {
        error = errno != 0 ? errno : EIO;
        return 0;
    }
    errno = 0;
    const std::size_t countRead = std::fread(buffer, 1, size, file);
    const bool readFailed = std::ferror(file) != 0;
    const int readErrno = errno;
    std::fclose(file);
    if (readFailed)
        error = readErrno != 0 ? readErrno : EIO;
    return countRead;
}

constexpr std::uint32_t kSatelliteCountsBit = 1u << static_cast<int>(BlockField::SatelliteCounts);
constexpr std::uint32_t kCourseBit = 1u << static_cast<int>(BlockField::Course);

// Whether a block log that is not a whole number of blocks is taken: when the blocks it frames
// are all of the sister layout. Else it is refused by the size rule, and `truncatedCopy` tells
// whether the plain layout frames a block of it (a copy cut short).
bool TakesPartialBlockLog(std::span<const std::uint8_t> image, bool& truncatedCopy)
{
    const BlockScanState layouts = SurveyBlockLog(image);
    truncatedCopy = layouts.PlainBlocks > 0;
    return layouts.SisterBlocks > 0 && layouts.PlainBlocks == 0;
}

// 2006-01-01 00:00:00 UTC: no logger of these formats recorded before it.
constexpr std::int64_t kFirstLoggerSecond = 1136073600;

bool LooksWeekRolledOver(const FixTable& table, const SectorDropCounts& dropped,
                         const LoggerClock& clock)
{
    if (clock.ShiftSeconds != 0)
        return false;
    const double firstDay = clock.DayCount(kFirstLoggerSecond, 0);
    const double firstMovable = firstDay - static_cast<double>(kWeekRolloverWeeks) * 7;
    const auto movable = [&](double t) { return t < firstDay && t >= firstMovable; };
    // A stray record (one at the GPS epoch, say) does not decide it: nearly all fixes do. Once
    // more than 1 % of the table stays put, 99 % of the positioned fixes cannot move: a log of
    // today's dates is told from its first fixes, not from a pass over all of them.
    const std::size_t mostStaying = table.Fixes().size() / 100;
    std::size_t positioned = 0;
    std::size_t moved = 0;
    for (const TGpsFix& fix : table.Fixes()) {
        if (!HasPosition(fix))
            continue;
        ++positioned;
        if (movable(fix.Time))
            ++moved;
        else if (positioned - moved > mostStaying)
            return false;
    }
    if (positioned > 0)
        return moved * 100 >= positioned * 99;
    // A sector log drops every record before 2021: then the dropped ones' dates tell.
    return dropped.LatestTooEarly != 0 && movable(clock.DayCount(dropped.EarliestTooEarly, 0)) &&
           movable(clock.DayCount(dropped.LatestTooEarly, 0));
}

// How many fixes the first units of an image give when read as `kind`: enough to tell a log
// named for the other kind, at little cost.
std::int32_t ProbeFixes(LogKind kind, std::span<const std::uint8_t> image, const LoggerClock& clock)
{
    constexpr std::size_t kProbeBytes = 4 * static_cast<std::size_t>(kBlockSize);
    const std::span<const std::uint8_t> prefix = image.first(std::min(image.size(), kProbeBytes));
    FixTable probe(16384);
    if (kind == LogKind::Block) {
        DecodeBlockLog(prefix, clock, probe);
    } else {
        SectorScanState state;
        const auto sectors = static_cast<std::int32_t>(prefix.size() / kSectorSize);
        for (std::int32_t i = 0; i < sectors; ++i)
            ScanSector(prefix, i, clock, state, probe);
    }
    return probe.Count();
}

// The other kind when it fits the image far better than the named one.
LogKind Resemblance(LogKind named, std::span<const std::uint8_t> image, const LoggerClock& clock)
{
    const LogKind other = named == LogKind::Sector ? LogKind::Block : LogKind::Sector;
    const std::int32_t asOther = ProbeFixes(other, image, clock);
    if (asOther < 16)
        return LogKind::None;
    return asOther >= 4 * ProbeFixes(named, image, clock) ? other : LogKind::None;
}

} // namespace

std::uintmax_t LogUnitBytes(LogKind kind)
{
    return static_cast<std::uintmax_t>(kind == LogKind::Sector ? kSectorSize : kBlockSize);
}

LogKind KindFromPath(const std::string& path)
{
    // The name's last five characters, so that a file named only ".BNX4" is a sector log too.
    static constexpr std::string_view kSectorExtension = ".BNX4";
    const std::string_view name = std::string_view(path).substr(NameStart(path));
    if (name.size() < kSectorExtension.size())
        return LogKind::Block;
    const std::string_view tail = name.substr(name.size() - kSectorExtension.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        char c = tail[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != kSectorExtension[i])
            return LogKind::Block;
    }
    return LogKind::Sector;
}

bool IsLogName(std::string_view path)
{
    const std::string_view name = path.substr(NameStart(path));
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string extension(name.substr(dot + 1));
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return std::find(kLogExtensions.begin(), kLogExtensions.end(), extension) !=
           kLogExtensions.end();
}

DecodedLog DecodeLogImage(LogKind kind, std::span<const std::uint8_t> image,
                          const LoggerClock& clock, FixTable& table)
{
    // Every accepted load starts from an empty table and an open fix-type gate, so a file
    // converts the same whatever was loaded before it.
    table.Clear();
    DecodedLog decoded;
    if (kind == LogKind::Block) {
        const BlockScanState blocks = DecodeBlockLog(image, clock, table);
        if (blocks.SisterBlocks > 0)
            decoded.Layout = blocks.PlainBlocks > 0 ? LogLayout::Mixed : LogLayout::Sister;
        decoded.RecordsSatellites = (blocks.RecordedFields & kSatelliteCountsBit) != 0;
        decoded.RecordsCourse = (blocks.RecordedFields & kCourseBit) != 0;
    } else if (kind == LogKind::Sector) {
        decoded.Dropped = DecodeSectorLog(image, clock, table);
        decoded.RecordsCourse = false;
    }
    return decoded;
}

LoadResult LoadLogFile(const std::string& path, const LoggerClock& clock, FixTable& table,
                       LogKind readAs)
{
    LoadResult result;
    result.Named = KindFromPath(path);
    const LogKind kind = readAs != LogKind::None ? readAs : result.Named;
    std::uintmax_t& fileSize = result.FileBytes;
    result.Ignored = CheckLogFile(path, kind, fileSize, result.IoErrno);
    // A block log of another size may be of the sister layout: read to tell.
    const bool partial = kind == LogKind::Block && result.Ignored == IgnoreReason::SizeNotMultiple;
    if ((result.Ignored != IgnoreReason::None && !partial) || result.Failed())
        return result;

    const auto size = static_cast<std::size_t>(fileSize);
    const LargeBuffer buffer(size);
    auto* const image = static_cast<std::uint8_t*>(buffer.Data());
    const std::size_t countRead = ReadInOnePiece(path, image, size, result.IoErrno);
    if (result.Failed())
        return result;
    if (partial ? countRead != size : countRead % LogUnitBytes(kind) != 0) {
        result.Ignored = IgnoreReason::ShortRead;
        return result;
    }
    // Bytes the read did not deliver read as erased flash.
    std::memset(image + countRead, 0xFF, size - countRead);
    if (partial && !TakesPartialBlockLog({image, size}, result.TruncatedCopy))
        return result;
    result.Ignored = IgnoreReason::None;

    const DecodedLog decoded = DecodeLogImage(kind, {image, size}, clock, table);
    result.Kind = kind;
    result.Layout = decoded.Layout;
    result.Dropped = decoded.Dropped;
    result.RecordsSatellites = decoded.RecordsSatellites;
    result.RecordsCourse = decoded.RecordsCourse;
    result.LikelyWeekRollover = LooksWeekRolledOver(table, result.Dropped, clock);
    result.Resembles = Resemblance(kind, {image, size}, clock);
    return result;
}
