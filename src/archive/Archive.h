#pragma once

#include "load/LogFile.h"
#include "sqlite/Sqlite.h"
#include "store/FixTable.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The archive: every fix of every log a user imported, once, in one SQLite file. A fix is known by
// its UTC millisecond and its position; a copy of the logger's memory by its bytes' SHA-256. Fixes
// are stored as a load gives them (a rollover repair applied, a sector log filtered and smoothed)
// with every field a conversion writes, so a conversion of the archive gives what a conversion
// of each log gives.

// The schema this build writes (PRAGMA user_version); older archives are brought up to it.
constexpr std::int32_t kArchiveSchemaVersion = 2;
// PRAGMA application_id of an archive ("T2NA"): a database of another program is refused.
constexpr std::int32_t kArchiveApplicationId = 0x54324E41;

enum class ArchiveProblem {
    None,
    Missing,    // no file under the path (reading)
    CannotOpen, // the file or its folder cannot be opened or created
    NotArchive, // not an SQLite database, or a database of another program
    Damaged,    // SQLite found the file corrupt
    Newer,      // written by a later version of this program (its user_version is higher)
    Busy,       // another program holds the archive's lock
    Failed,     // a read or write failed (a full disk, say): SQLite's message in Detail
};

struct ArchiveStatus {
    ArchiveProblem Problem = ArchiveProblem::None;
    std::string Detail; // SQLite's message, when it gave one
    [[nodiscard]] bool Ok() const { return Problem == ArchiveProblem::None; }
};

// What one import did. Times are UTC milliseconds since 1970-01-01.
struct ImportReport {
    ArchiveStatus Status;
    LoadResult Load;        // the log's load; Kind None when it was ignored or failed
    bool KnownCopy = false; // these bytes were imported before: nothing was read or added
    std::int64_t New = 0;
    std::int64_t Known = 0;
    std::int64_t Conflicts = 0; // new fixes at a millisecond the archive held with another position
    // The span without fixes between the archive's latest fix before this copy and the copy's
    // earliest, when it is longer than the trip gap: history the logger wrote over before it was
    // copied, or a time it was off.
    std::optional<std::int64_t> UncoveredFromUtcMs;
    std::optional<std::int64_t> UncoveredToUtcMs;
};

// What an archive holds.
struct ArchiveSummary {
    std::int64_t Fixes = 0;
    std::int64_t Copies = 0;
    std::optional<std::int64_t> FirstUtcMs; // nothing while it holds no fix
    std::optional<std::int64_t> LastUtcMs;
    // Whether any imported log recorded the course or the satellites.
    bool RecordsCourse = false;
    bool RecordsSatellites = false;
};

// A fix of a copy in the order it is stored: its UTC millisecond, its entry in the copy's table,
// its repeat among the same fixes of the copy and its rank among the copy's fixes of that
// millisecond.
struct PlacedFix {
    std::int64_t UtcMs = 0;
    std::int32_t Index = 0;
    std::int32_t Repeat = 0;
    std::int32_t Rank = 0;
};

class Archive
{
  public:
    enum class Mode {
        Read,  // the file must be an archive; it is written only to bring an older schema up
        Write, // created (with its folder) when missing
    };

    // Opens an archive. A file that is no archive, a damaged or a newer one is refused and left
    // as it was.
    [[nodiscard]] ArchiveStatus Open(const std::string& path, Mode mode);
    // Adds a log's fixes in one transaction: all of them or, after a failure, none. The added
    // weeks repair a rollover; a span longer than `gapMs` before the copy is reported uncovered.
    // The log is read as `readAs`, or as its name says when that is None.
    [[nodiscard]] ImportReport Import(const std::string& logPath, std::int32_t addedWeeks,
                                      std::int64_t gapMs, LogKind readAs = LogKind::None);
    // Replaces the table's fixes with the archive's, in time order, as local day counts of the
    // time base `localEpoch`: all of them, or those of [fromUtcMs, toUtcMs).
    [[nodiscard]] ArchiveStatus Read(double localEpoch, std::optional<std::int64_t> fromUtcMs,
                                     std::optional<std::int64_t> toUtcMs, FixTable& table);
    // What the archive holds; the fixes are counted (a read of them all) only when asked.
    [[nodiscard]] ArchiveStatus Summarise(ArchiveSummary& summary, bool countFixes = true);

  private:
    [[nodiscard]] ArchiveStatus Prepare(Mode mode);
    [[nodiscard]] ArchiveStatus Migrate(std::int32_t version);
    [[nodiscard]] ArchiveStatus AddCopy(std::string_view digest, const std::string& logPath,
                                        std::int64_t bytes, std::int32_t fixes,
                                        std::int32_t addedWeeks, const LoadResult& load,
                                        std::int64_t& id);
    [[nodiscard]] ArchiveStatus FindCopy(std::string_view digest, ImportReport& report);
    [[nodiscard]] ArchiveStatus FindUncovered(std::int64_t earliestUtcMs, std::int64_t gapMs,
                                              ImportReport& report);
    [[nodiscard]] ArchiveStatus StoreFixes(std::int64_t copy, const FixTable& table,
                                           const std::vector<PlacedFix>& placed,
                                           std::pair<std::int64_t, std::int64_t> held,
                                           ImportReport& report);
    [[nodiscard]] ArchiveStatus InsertNew(std::int64_t copy, const FixTable& table,
                                          std::span<const PlacedFix> fixes, ImportReport& report);
    [[nodiscard]] ArchiveStatus MeetHeld(std::int64_t copy, const FixTable& table,
                                         std::span<const PlacedFix> fixes, ImportReport& report);

    SqliteConnection m_db;
    std::string m_path;
};

// archive.sqlite in the user's data folder (system/DataFolder.h); empty when there is none.
[[nodiscard]] std::string DefaultArchivePath();

// The status a failed SQLite call gives (busy, damaged, not a database, or failed).
[[nodiscard]] ArchiveStatus StatusOfSqlite(const SqliteStatus& status);

// The first schema, kept to bring archives written with it up to date (and to test that).
extern const char* const kArchiveSchemaV1;
