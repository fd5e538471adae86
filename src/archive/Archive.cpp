#include "archive/Archive.h"

#include "archive/Sha256.h"
#include "store/TimeBase.h"
#include "system/DataFolder.h"
#include "system/Paths.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <span>
#include <sqlite3.h>
#include <vector>

// The first schema: the copies and their fixes.
const char* const kArchiveSchemaV1 =
    "CREATE TABLE copy("
    " id INTEGER PRIMARY KEY,"
    " sha256 BLOB NOT NULL UNIQUE,"
    " name TEXT NOT NULL,"
    " bytes INTEGER NOT NULL,"
    " fixes INTEGER NOT NULL,"
    " new_fixes INTEGER NOT NULL,"
    " conflicts INTEGER NOT NULL,"
    " imported_utc_ms INTEGER NOT NULL);"
    // A fix is known by its UTC millisecond and position; `repeat` counts the same fix met
    // again in one copy, `rank` orders the fixes of one millisecond as their copy did. The height
    // and course are REAL, or a NaN's float32 bits as an INTEGER (a REAL column would make it
    // NULL), so they keep no type.
    "CREATE TABLE fix("
    " utc_ms INTEGER NOT NULL,"
    " latitude REAL NOT NULL,"
    " longitude REAL NOT NULL,"
    " repeat INTEGER NOT NULL,"
    " rank INTEGER NOT NULL,"
    " copy INTEGER NOT NULL REFERENCES copy(id),"
    " fix_type INTEGER NOT NULL,"
    " height NOT NULL,"
    " speed REAL NOT NULL,"
    " course NOT NULL,"
    " satellites INTEGER NOT NULL,"
    " extra_count INTEGER NOT NULL,"
    " PRIMARY KEY(utc_ms, latitude, longitude, repeat)) WITHOUT ROWID;";

namespace {

// Version 2: the copy's kind, the weeks its rollover repair added and the fields its log recorded.
constexpr const char* kSchemaV2Steps =
    "ALTER TABLE copy ADD COLUMN kind TEXT NOT NULL DEFAULT 'block';"
    "ALTER TABLE copy ADD COLUMN added_weeks INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE copy ADD COLUMN records_course INTEGER NOT NULL DEFAULT 1;"
    "ALTER TABLE copy ADD COLUMN records_satellites INTEGER NOT NULL DEFAULT 1;";

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return q * b > a ? q - 1 : q;
}

ArchiveStatus Problem(ArchiveProblem problem, std::string detail = {})
{
    return {problem, std::move(detail)};
}

// The whole file, or nothing when it cannot be read (the load then says why).
std::optional<std::vector<std::uint8_t>> ReadBytes(const std::string& path)
{
    std::ifstream in(NativePath(path), std::ios::binary | std::ios::ate);
    if (!in)
        return std::nullopt;
    // Read at once at its size: a byte at a time costs more than the SHA-256.
    std::vector<std::uint8_t> bytes(
        static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (in.bad() || in.gcount() != static_cast<std::streamsize>(bytes.size()))
        return std::nullopt;
    return bytes;
}

// A float field as the archive keeps it: its value, or a NaN's bits.
SqliteStatus BindFloat(SqliteStatement& statement, int index, float value)
{
    if (std::isnan(value))
        return statement.Bind(index, std::int64_t{std::bit_cast<std::uint32_t>(value)});
    return statement.Bind(index, static_cast<double>(value));
}

float ColumnFloat(const SqliteStatement& statement, int column)
{
    if (statement.IsInteger(column))
        return std::bit_cast<float>(static_cast<std::uint32_t>(statement.Int64(column)));
    return static_cast<float>(statement.Double(column));
}

std::int64_t UtcMsOf(const TGpsFix& fix) { return DayCountToMilliseconds(fix.Time) - kUnixEpochMs; }

// The copy's fixes in time order (table order within a millisecond), each with its rank among
// the fixes of its millisecond and its repeat among the same fixes.
std::vector<PlacedFix> PlaceFixes(const FixTable& table)
{
    std::vector<PlacedFix> placed;
    placed.reserve(static_cast<std::size_t>(table.Count()));
    for (std::int32_t i = 0; i < table.Count(); ++i)
        placed.push_back({UtcMsOf(table[static_cast<std::size_t>(i)]), i});
    std::stable_sort(placed.begin(), placed.end(),
                     [](const PlacedFix& a, const PlacedFix& b) { return a.UtcMs < b.UtcMs; });
    std::vector<std::int32_t> group;
    for (std::size_t start = 0; start < placed.size();) {
        std::size_t end = start;
        while (end < placed.size() && placed[end].UtcMs == placed[start].UtcMs)
            ++end;
        group.resize(end - start);
        std::iota(group.begin(), group.end(), 0);
        const auto position = [&](std::int32_t g) {
            const TGpsFix& fix =
                table[static_cast<std::size_t>(placed[start + static_cast<std::size_t>(g)].Index)];
            return std::pair(fix.Latitude, fix.Longitude);
        };
        std::stable_sort(group.begin(), group.end(),
                         [&](std::int32_t a, std::int32_t b) { return position(a) < position(b); });
        for (std::size_t g = 0; g < group.size(); ++g) {
            PlacedFix& fix = placed[start + static_cast<std::size_t>(group[g])];
            fix.Rank = group[g];
            if (g > 0 && position(group[g]) == position(group[g - 1]))
                fix.Repeat = placed[start + static_cast<std::size_t>(group[g - 1])].Repeat + 1;
        }
        start = end;
    }
    return placed;
}

std::int64_t NowUtcMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The value of a PRAGMA or query of one integer.
SqliteStatus QueryInt(SqliteConnection& db, std::string_view sql, std::int64_t& value)
{
    SqliteStatement statement;
    if (SqliteStatus status = db.Prepare(sql, statement); !status.Ok())
        return status;
    const SqliteStatement::Step step = statement.Next();
    if (step == SqliteStatement::Step::Error)
        return statement.LastStatus();
    value = step == SqliteStatement::Step::Row ? statement.Int64(0) : 0;
    return {};
}

struct Text {
    std::string_view Value;
};
struct Blob {
    std::string_view Value;
};
SqliteStatus BindOne(SqliteStatement& s, int i, std::int64_t v) { return s.Bind(i, v); }
SqliteStatus BindOne(SqliteStatement& s, int i, Text v) { return s.BindText(i, v.Value); }
SqliteStatus BindOne(SqliteStatement& s, int i, Blob v) { return s.BindBlob(i, v.Value); }

// A height or course: its value, or a NaN's bits (BindFloat).
struct Float {
    float Value;
};
SqliteStatus BindOne(SqliteStatement& s, int i, double v) { return s.Bind(i, v); }
SqliteStatus BindOne(SqliteStatement& s, int i, Float v) { return BindFloat(s, i, v.Value); }

// Binds the statement's parameters in order.
template <typename... Values>
SqliteStatus BindAll(SqliteStatement& statement, const Values&... values)
{
    SqliteStatus status;
    int index = 0;
    ((status = status.Ok() ? BindOne(statement, ++index, values) : status), ...);
    return status;
}

// Prepares a statement and binds its parameters in order.
template <typename... Values>
SqliteStatus PrepareWith(SqliteConnection& db, std::string_view sql, SqliteStatement& statement,
                         const Values&... values)
{
    SqliteStatus status = db.Prepare(sql, statement);
    return status.Ok() ? BindAll(statement, values...) : status;
}

// Puts the fixes of each millisecond (read in the key's order) back into their copies' order.
void SortWithinMilliseconds(FixTable& table, const std::vector<std::int32_t>& ranks)
{
    const std::span<TGpsFix> fixes = table.Fixes();
    std::vector<std::pair<std::int32_t, TGpsFix>> group;
    for (std::size_t start = 0; start < fixes.size();) {
        std::size_t end = start + 1;
        while (end < fixes.size() && fixes[end].Time == fixes[start].Time)
            ++end;
        bool ordered = true;
        for (std::size_t i = start + 1; i < end; ++i)
            ordered = ordered && ranks[i - 1] <= ranks[i];
        if (!ordered) {
            group.clear();
            for (std::size_t i = start; i < end; ++i)
                group.emplace_back(ranks[i], fixes[i]);
            std::stable_sort(group.begin(), group.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
            for (std::size_t i = start; i < end; ++i)
                fixes[i] = group[i - start].second;
        }
        start = end;
    }
}

// Runs a prepared statement to its first row or its end.
SqliteStatus StepOnce(SqliteStatement& statement)
{
    return statement.Next() == SqliteStatement::Step::Error ? statement.LastStatus()
                                                            : SqliteStatus{};
}

} // namespace

std::string DefaultArchivePath()
{
    const std::string folder = UserDataFolder();
    return folder.empty() ? folder : Utf8Path(NativePath(folder) / "archive.sqlite");
}

ArchiveStatus StatusOfSqlite(const SqliteStatus& status)
{
    switch (status.Code) {
    case SQLITE_OK:
        return {};
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Problem(ArchiveProblem::Busy, status.Message);
    case SQLITE_CORRUPT:
        return Problem(ArchiveProblem::Damaged, status.Message);
    case SQLITE_NOTADB:
        return Problem(ArchiveProblem::NotArchive, status.Message);
    case SQLITE_CANTOPEN:
        return Problem(ArchiveProblem::CannotOpen, status.Message);
    default:
        return Problem(ArchiveProblem::Failed, status.Message);
    }
}

ArchiveStatus Archive::Open(const std::string& path, Mode mode)
{
    m_db.Close();
    m_path = path;
    std::error_code error;
    const std::filesystem::path native = NativePath(path);
    if (mode == Mode::Read && !std::filesystem::exists(native, error))
        return Problem(ArchiveProblem::Missing);
    if (mode == Mode::Write && native.has_parent_path())
        std::filesystem::create_directories(native.parent_path(), error);
    const SqliteStatus opened =
        m_db.Open(path, mode == Mode::Read ? SqliteConnection::Mode::ReadOnly
                                           : SqliteConnection::Mode::ReadWrite);
    if (!opened.Ok())
        return Problem(ArchiveProblem::CannotOpen, opened.Message);
    ArchiveStatus status = Prepare(mode);
    if (!status.Ok())
        m_db.Close();
    return status;
}

// Tells an archive from another file, creates the schema in an empty file and brings an older
// one up to date. Nothing is written to a file that is not an archive of this version or older.
ArchiveStatus Archive::Prepare(Mode mode)
{
    std::int64_t application = 0;
    std::int64_t version = 0;
    std::int64_t objects = 0;
    for (const auto& [sql, value] : {std::pair{"PRAGMA application_id", &application},
                                     std::pair{"PRAGMA user_version", &version},
                                     std::pair{"SELECT count(*) FROM sqlite_schema", &objects}})
        if (SqliteStatus status = QueryInt(m_db, sql, *value); !status.Ok())
            return StatusOfSqlite(status);
    if (objects == 0 && application == 0 && version == 0) {
        if (mode == Mode::Read)
            return Problem(ArchiveProblem::NotArchive);
        return Migrate(0);
    }
    if (application != kArchiveApplicationId)
        return Problem(ArchiveProblem::NotArchive);
    if (version > kArchiveSchemaVersion)
        return Problem(ArchiveProblem::Newer);
    if (version < 1)
        return Problem(ArchiveProblem::NotArchive);
    if (version == kArchiveSchemaVersion)
        return {};
    if (mode == Mode::Read) {
        // Brought up to date once, then read as any other.
        if (SqliteStatus status = m_db.Open(m_path, SqliteConnection::Mode::ReadWrite);
            !status.Ok())
            return Problem(ArchiveProblem::CannotOpen, status.Message);
    }
    return Migrate(static_cast<std::int32_t>(version));
}

// Every step from `version` on, in one transaction with the new user_version.
ArchiveStatus Archive::Migrate(std::int32_t version)
{
    if (version == 0) {
        // WAL: an import killed half-way leaves the file as it was, and readers go on meanwhile.
        if (SqliteStatus status = m_db.Execute("PRAGMA journal_mode = WAL"); !status.Ok())
            return StatusOfSqlite(status);
    }
    SqliteTransaction transaction(m_db);
    if (SqliteStatus status = transaction.Begin(); !status.Ok())
        return StatusOfSqlite(status);
    std::string steps;
    if (version < 1)
        steps += kArchiveSchemaV1;
    if (version < 2)
        steps += kSchemaV2Steps;
    steps += "PRAGMA application_id = " + std::to_string(kArchiveApplicationId) + ";";
    steps += "PRAGMA user_version = " + std::to_string(kArchiveSchemaVersion) + ";";
    if (SqliteStatus status = m_db.Execute(steps); !status.Ok())
        return StatusOfSqlite(status);
    return StatusOfSqlite(transaction.Commit());
}

// The copy these bytes are, when it was imported before: its fixes and kind.
ArchiveStatus Archive::FindCopy(std::string_view digest, ImportReport& report)
{
    SqliteStatement known;
    SqliteStatus status =
        PrepareWith(m_db, "SELECT fixes, kind FROM copy WHERE sha256 = ?", known, Blob{digest});
    if (status.Ok() && known.Next() == SqliteStatement::Step::Row) {
        report.KnownCopy = true;
        report.Known = known.Int64(0);
        report.Load.Kind = known.Text(1) == "sector" ? LogKind::Sector : LogKind::Block;
    }
    return StatusOfSqlite(status.Ok() ? known.LastStatus() : status);
}

ImportReport Archive::Import(const std::string& logPath, std::int32_t addedWeeks,
                             std::int64_t gapMs, LogKind readAs)
{
    ImportReport report;
    // A copy is known by its bytes before it is decoded.
    const std::optional<std::vector<std::uint8_t>> bytes = ReadBytes(logPath);
    const Sha256Digest sum = Sha256(bytes ? *bytes : std::vector<std::uint8_t>{});
    const std::string digest(sum.begin(), sum.end());
    if (bytes) {
        report.Status = FindCopy(digest, report);
        if (!report.Status.Ok() || report.KnownCopy)
            return report;
    }
    // Decoded in UTC: the archive keeps UTC milliseconds.
    FixTable table;
    const LoggerClock utc(kUnixEpochDayCount, std::int64_t{addedWeeks} * kSecondsPerWeek);
    report.Load = LoadLogFile(logPath, utc, table, readAs);
    if (report.Load.Kind == LogKind::None || !bytes)
        return report;
    const std::vector<PlacedFix> placed = PlaceFixes(table);

    // A full log's rows (≈ 40 MiB) kept in memory until the commit writes them, not spilled
    // to the WAL half-way and read back. `synchronous` stays FULL: the WAL is synced at the
    // commit, so an import reported done survives a power cut (NORMAL would save only that sync).
    SqliteStatus status = m_db.Execute("PRAGMA cache_size = -65536");
    SqliteTransaction transaction(m_db);
    if (status.Ok())
        status = transaction.Begin();
    // Only a fix within the span the archive held can meet one of another position.
    // (An empty archive gives 0 to 0, which holds no fix to meet.)
    std::pair<std::int64_t, std::int64_t> held{0, 0};
    if (status.Ok())
        status = QueryInt(m_db, "SELECT min(utc_ms) FROM fix", held.first);
    if (status.Ok())
        status = QueryInt(m_db, "SELECT max(utc_ms) FROM fix", held.second);
    std::int64_t copyId = 0;
    report.Status = status.Ok() ? AddCopy(digest, logPath, static_cast<std::int64_t>(bytes->size()),
                                          table.Count(), addedWeeks, report.Load, copyId)
                                : StatusOfSqlite(status);
    if (!report.Status.Ok())
        return report;
    if (!placed.empty())
        report.Status = FindUncovered(placed.front().UtcMs, gapMs, report);
    if (report.Status.Ok())
        report.Status = StoreFixes(copyId, table, placed, held, report);
    if (!report.Status.Ok())
        return report;
    SqliteStatement counts;
    status = PrepareWith(m_db, "UPDATE copy SET new_fixes = ?, conflicts = ? WHERE id = ?", counts,
                         report.New, report.Conflicts, copyId);
    if (status.Ok())
        status = StepOnce(counts);
    if (status.Ok())
        status = transaction.Commit();
    report.Status = StatusOfSqlite(status);
    return report;
}

// The copy's row; its counts are set once its fixes are stored.
ArchiveStatus Archive::AddCopy(std::string_view digest, const std::string& logPath,
                               std::int64_t bytes, std::int32_t fixes, std::int32_t addedWeeks,
                               const LoadResult& load, std::int64_t& id)
{
    SqliteStatement copy;
    SqliteStatus status = PrepareWith(
        m_db,
        "INSERT INTO copy(sha256, name, bytes, fixes, new_fixes, conflicts, imported_utc_ms,"
        " kind, added_weeks, records_course, records_satellites)"
        " VALUES (?, ?, ?, ?, 0, 0, ?, ?, ?, ?, ?)",
        copy, Blob{digest}, Text{std::string_view(logPath).substr(NameStart(logPath))}, bytes,
        std::int64_t{fixes}, NowUtcMs(), Text{load.Kind == LogKind::Sector ? "sector" : "block"},
        std::int64_t{addedWeeks}, std::int64_t{load.RecordsCourse},
        std::int64_t{load.RecordsSatellites});
    if (status.Ok())
        status = StepOnce(copy);
    id = sqlite3_last_insert_rowid(m_db.Handle());
    return StatusOfSqlite(status);
}

// The span before the copy's earliest fix that no fix of the archive covers, when it is longer
// than the gap and the archive holds an earlier fix.
ArchiveStatus Archive::FindUncovered(std::int64_t earliestUtcMs, std::int64_t gapMs,
                                     ImportReport& report)
{
    SqliteStatement before;
    SqliteStatus status =
        PrepareWith(m_db, "SELECT max(utc_ms) FROM fix WHERE utc_ms < ?", before, earliestUtcMs);
    if (status.Ok())
        status = StepOnce(before);
    if (status.Ok() && !before.IsNull(0) && earliestUtcMs - before.Int64(0) > gapMs) {
        report.UncoveredFromUtcMs = before.Int64(0);
        report.UncoveredToUtcMs = earliestUtcMs;
    }
    return StatusOfSqlite(status);
}

namespace {

constexpr const char* kInsertFix =
    "INSERT OR IGNORE INTO fix(utc_ms, latitude, longitude, repeat, rank, copy, fix_type,"
    " height, speed, course, satellites, extra_count) VALUES ";
constexpr const char* kFixValues = "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
constexpr int kFixColumns = 12;
// Rows a batched insert adds in one statement: 768 parameters, within every SQLite's limit.
constexpr std::size_t kBatchRows = 64;

// Binds a fix's values from parameter `first` on, in kInsertFix's column order.
SqliteStatus BindFix(SqliteStatement& statement, int first, std::int64_t copy, const PlacedFix& at,
                     const TGpsFix& fix)
{
    SqliteStatus status;
    int index = first;
    const auto bind = [&](const auto& value) {
        if (status.Ok())
            status = BindOne(statement, index, value);
        ++index;
    };
    bind(at.UtcMs);
    bind(fix.Latitude);
    bind(fix.Longitude);
    bind(std::int64_t{at.Repeat});
    bind(std::int64_t{at.Rank});
    bind(copy);
    bind(std::int64_t{fix.FixType});
    bind(Float{fix.ExtraValue});
    bind(static_cast<double>(fix.Speed));
    bind(Float{fix.Course});
    bind(std::int64_t{fix.SatelliteCount});
    bind(std::int64_t{fix.ExtraCount});
    return status;
}

SqliteStatus PrepareInsert(SqliteConnection& db, std::size_t rows, SqliteStatement& statement)
{
    std::string sql = kInsertFix;
    for (std::size_t row = 0; row < rows; ++row)
        sql += row == 0 ? kFixValues : std::string(", ") + kFixValues;
    return db.Prepare(sql, statement);
}

} // namespace

// Stores fixes no fix of the archive can meet (outside the span it held): a row a statement
// for the last few, else kBatchRows a statement.
ArchiveStatus Archive::InsertNew(std::int64_t copy, const FixTable& table,
                                 std::span<const PlacedFix> fixes, ImportReport& report)
{
    SqliteStatement batch;
    SqliteStatement single;
    bool prepared[2] = {false, false};
    SqliteStatus status;
    while (status.Ok() && !fixes.empty()) {
        const std::size_t rows = fixes.size() >= kBatchRows ? kBatchRows : 1;
        SqliteStatement& insert = rows == 1 ? single : batch;
        if (!std::exchange(prepared[rows == 1 ? 0 : 1], true))
            status = PrepareInsert(m_db, rows, insert);
        for (std::size_t row = 0; status.Ok() && row < rows; ++row)
            status = BindFix(insert, static_cast<int>(row) * kFixColumns + 1, copy, fixes[row],
                             table[static_cast<std::size_t>(fixes[row].Index)]);
        if (status.Ok())
            status = StepOnce(insert);
        insert.Reset();
        if (status.Ok()) {
            report.New += m_db.Changes();
            report.Known += static_cast<std::int64_t>(rows) - m_db.Changes();
        }
        fixes = fixes.subspan(rows);
    }
    return StatusOfSqlite(status);
}

// Stores fixes within the span the archive held: a fix it holds (the same time, position and
// repeat) is counted known, a new one at a millisecond it held with another position a conflict.
// The archive's fixes of the span are read once, in time order, and met in step with the copy's.
ArchiveStatus Archive::MeetHeld(std::int64_t copy, const FixTable& table,
                                std::span<const PlacedFix> fixes, ImportReport& report)
{
    if (fixes.empty())
        return {};
    struct HeldFix {
        std::int64_t UtcMs;
        double Latitude;
        double Longitude;
        std::int64_t Repeat;
    };
    std::vector<HeldFix> held;
    SqliteStatement rows;
    SqliteStatus status = PrepareWith(m_db,
                                      "SELECT utc_ms, latitude, longitude, repeat FROM fix"
                                      " WHERE utc_ms BETWEEN ? AND ? ORDER BY utc_ms",
                                      rows, fixes.front().UtcMs, fixes.back().UtcMs);
    SqliteStatement::Step step = SqliteStatement::Step::Done;
    while (status.Ok() && (step = rows.Next()) == SqliteStatement::Step::Row)
        held.push_back({rows.Int64(0), rows.Double(1), rows.Double(2), rows.Int64(3)});
    if (status.Ok() && step == SqliteStatement::Step::Error)
        status = rows.LastStatus();
    if (!status.Ok())
        return StatusOfSqlite(status);
    std::vector<PlacedFix> fresh;
    std::size_t first = 0; // the first held fix not before the copy's fix
    for (const PlacedFix& at : fixes) {
        while (first < held.size() && held[first].UtcMs < at.UtcMs)
            ++first;
        const TGpsFix& fix = table[static_cast<std::size_t>(at.Index)];
        bool known = false;
        bool elsewhere = false;
        for (std::size_t i = first; i < held.size() && held[i].UtcMs == at.UtcMs; ++i) {
            const bool here =
                held[i].Latitude == fix.Latitude && held[i].Longitude == fix.Longitude;
            known = known || (here && held[i].Repeat == at.Repeat);
            elsewhere = elsewhere || !here;
        }
        if (known) {
            ++report.Known;
            continue;
        }
        report.Conflicts += elsewhere ? 1 : 0;
        fresh.push_back(at);
    }
    return InsertNew(copy, table, fresh, report);
}

// Inserts the copy's fixes in time order. Only those within the span `held` the archive held
// before (first and last millisecond) can meet one of its fixes; those before and after it are
// new.
ArchiveStatus Archive::StoreFixes(std::int64_t copy, const FixTable& table,
                                  const std::vector<PlacedFix>& placed,
                                  std::pair<std::int64_t, std::int64_t> held, ImportReport& report)
{
    const auto within = std::partition_point(
        placed.begin(), placed.end(), [&](const PlacedFix& at) { return at.UtcMs < held.first; });
    const auto after = std::partition_point(
        within, placed.end(), [&](const PlacedFix& at) { return at.UtcMs <= held.second; });
    ArchiveStatus status = InsertNew(copy, table, {placed.begin(), within}, report);
    if (status.Ok())
        status = MeetHeld(copy, table, {within, after}, report);
    if (status.Ok())
        status = InsertNew(copy, table, {after, placed.end()}, report);
    return status;
}

ArchiveStatus Archive::Read(double localEpoch, std::optional<std::int64_t> fromUtcMs,
                            std::optional<std::int64_t> toUtcMs, FixTable& table)
{
    SqliteStatement rows;
    // The primary key's order is time order; the fixes of one millisecond are put back into
    // their copy's order below.
    // Every row when no bound is given, so that a damaged one (a time that is no number) is met.
    const std::string bounds = fromUtcMs || toUtcMs ? " WHERE utc_ms >= ? AND utc_ms < ?" : "";
    SqliteStatus status = m_db.Prepare(
        "SELECT utc_ms, rank, latitude, longitude, fix_type, height, speed, course, satellites,"
        " extra_count FROM fix" +
            bounds + " ORDER BY utc_ms",
        rows);
    if (status.Ok() && !bounds.empty())
        status = BindAll(rows, fromUtcMs.value_or(INT64_MIN), toUtcMs.value_or(INT64_MAX));
    if (!status.Ok())
        return StatusOfSqlite(status);
    table.Clear();
    std::vector<std::int32_t> ranks;
    SqliteStatement::Step step = SqliteStatement::Step::Done;
    std::int64_t previous = INT64_MIN;
    while ((step = rows.Next()) == SqliteStatement::Step::Row) {
        // A time that is no whole number, or out of the key's order, is a damaged file's.
        const std::int64_t utcMs = rows.Int64(0);
        if (!rows.IsInteger(0) || utcMs < previous) {
            table.Clear();
            return Problem(ArchiveProblem::Damaged, "a fix's time is out of place");
        }
        previous = utcMs;
        TGpsFix& fix = *table.End();
        fix.Millisecond = static_cast<std::uint16_t>(utcMs - FloorDiv(utcMs, 1000) * 1000);
        fix.Time = LoggerTimeToDayCount(FloorDiv(utcMs, 1000), fix.Millisecond, localEpoch);
        fix.Latitude = rows.Double(2);
        fix.Longitude = rows.Double(3);
        fix.FixType = static_cast<std::uint16_t>(rows.Int64(4));
        fix.ExtraValue = ColumnFloat(rows, 5);
        fix.Speed = static_cast<float>(rows.Double(6));
        fix.Course = ColumnFloat(rows, 7);
        fix.SatelliteCount = static_cast<std::uint8_t>(rows.Int64(8));
        fix.ExtraCount = static_cast<std::uint8_t>(rows.Int64(9));
        table.Keep();
        ranks.push_back(static_cast<std::int32_t>(rows.Int64(1)));
    }
    if (step == SqliteStatement::Step::Error) {
        table.Clear();
        return StatusOfSqlite(rows.LastStatus());
    }
    SortWithinMilliseconds(table, ranks);
    return {};
}

ArchiveStatus Archive::Summarise(ArchiveSummary& summary, bool countFixes)
{
    SqliteStatement copies;
    SqliteStatus status = m_db.Prepare("SELECT count(*), coalesce(max(records_course), 0),"
                                       " coalesce(max(records_satellites), 0) FROM copy",
                                       copies);
    if (status.Ok())
        status = StepOnce(copies);
    if (!status.Ok())
        return StatusOfSqlite(status);
    summary.Copies = copies.Int64(0);
    summary.RecordsCourse = copies.Int64(1) != 0;
    summary.RecordsSatellites = copies.Int64(2) != 0;
    if (!countFixes)
        return {};
    SqliteStatement fixes;
    status = m_db.Prepare("SELECT count(*), min(utc_ms), max(utc_ms) FROM fix", fixes);
    if (status.Ok())
        status = StepOnce(fixes);
    if (!status.Ok())
        return StatusOfSqlite(status);
    summary.Fixes = fixes.Int64(0);
    if (!fixes.IsNull(1)) {
        summary.FirstUtcMs = fixes.Int64(1);
        summary.LastUtcMs = fixes.Int64(2);
    }
    return {};
}
