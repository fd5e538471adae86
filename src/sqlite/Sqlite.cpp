#include "sqlite/Sqlite.h"

#include <climits>
#include <cstring>
#include <sqlite3.h>
#include <utility>

namespace {

// How long a statement waits for another connection's lock before it fails with SQLITE_BUSY.
constexpr int kBusyTimeoutMs = 2000;

SqliteStatus StatusOf(sqlite3* db, int code)
{
    SqliteStatus status;
    status.Code = code & 0xff;
    if (status.Code == SQLITE_OK || status.Code == SQLITE_ROW || status.Code == SQLITE_DONE) {
        status.Code = SQLITE_OK;
        return status;
    }
    const char* message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    status.Message = message != nullptr ? message : sqlite3_errstr(code);
    return status;
}

SqliteStatus TooLong() { return SqliteStatus{SQLITE_TOOBIG, sqlite3_errstr(SQLITE_TOOBIG)}; }

} // namespace

SqliteConnection::~SqliteConnection() { Close(); }

SqliteConnection::SqliteConnection(SqliteConnection&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr))
{
}

SqliteConnection& SqliteConnection::operator=(SqliteConnection&& other) noexcept
{
    if (this != &other) {
        Close();
        m_db = std::exchange(other.m_db, nullptr);
    }
    return *this;
}

void SqliteConnection::Close()
{
    // Every statement is finalised by its owner first; close_v2 defers the close until then.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

SqliteStatus SqliteConnection::Failure(int code) const { return StatusOf(m_db, code); }

SqliteStatus SqliteConnection::Open(const std::string& path, Mode mode)
{
    Close();
    const int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY
                                              : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                      SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    const int code = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (code != SQLITE_OK) {
        SqliteStatus status = Failure(code);
        Close();
        return status;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // A damaged page is reported as SQLITE_CORRUPT instead of being read past its end.
    return Execute("PRAGMA cell_size_check = ON");
}

SqliteStatus SqliteConnection::OpenCopyOf(std::string_view bytes)
{
    Close();
    const int code = sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE, nullptr);
    if (code != SQLITE_OK) {
        SqliteStatus status = Failure(code);
        Close();
        return status;
    }
    auto* copy = static_cast<unsigned char*>(sqlite3_malloc64(bytes.size() + 1));
    if (copy == nullptr) {
        Close();
        return SqliteStatus{SQLITE_NOMEM, sqlite3_errstr(SQLITE_NOMEM)};
    }
    if (!bytes.empty()) {
        std::memcpy(copy, bytes.data(), bytes.size());
    }
    const auto size = static_cast<sqlite3_int64>(bytes.size());
    const int loaded =
        sqlite3_deserialize(m_db, "main", copy, size, size,
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY);
    if (loaded != SQLITE_OK) {
        SqliteStatus status = Failure(loaded);
        Close();
        return status;
    }
    return Execute("PRAGMA cell_size_check = ON");
}

SqliteStatus SqliteConnection::Prepare(std::string_view sql, SqliteStatement& out)
{
    out = SqliteStatement{};
    if (m_db == nullptr) {
        return SqliteStatus{SQLITE_MISUSE, "the database is not open"};
    }
    if (sql.size() > static_cast<std::size_t>(INT_MAX)) {
        return TooLong();
    }
    const int code = sqlite3_prepare_v3(m_db, sql.data(), static_cast<int>(sql.size()),
                                        SQLITE_PREPARE_PERSISTENT, &out.m_statement, nullptr);
    return Failure(code);
}

SqliteStatus SqliteConnection::Execute(const std::string& sql)
{
    if (m_db == nullptr) {
        return SqliteStatus{SQLITE_MISUSE, "the database is not open"};
    }
    return Failure(sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr));
}

std::int64_t SqliteConnection::Changes() const
{
    return m_db != nullptr ? sqlite3_changes64(m_db) : 0;
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(m_statement); }

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr)), m_status(std::move(other.m_status))
{
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_statement = std::exchange(other.m_statement, nullptr);
        m_status = std::move(other.m_status);
    }
    return *this;
}

SqliteStatus SqliteStatement::Checked(int code)
{
    m_status = StatusOf(m_statement != nullptr ? sqlite3_db_handle(m_statement) : nullptr, code);
    return m_status;
}

SqliteStatus SqliteStatement::Bind(int index, std::int64_t value)
{
    return Checked(sqlite3_bind_int64(m_statement, index, value));
}

SqliteStatus SqliteStatement::Bind(int index, double value)
{
    return Checked(sqlite3_bind_double(m_statement, index, value));
}

SqliteStatus SqliteStatement::BindText(int index, std::string_view text)
{
    return Checked(sqlite3_bind_text64(m_statement, index, text.data(), text.size(),
                                       SQLITE_TRANSIENT, SQLITE_UTF8));
}

SqliteStatus SqliteStatement::BindBlob(int index, std::string_view bytes)
{
    return Checked(
        sqlite3_bind_blob64(m_statement, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT));
}

SqliteStatus SqliteStatement::BindNull(int index)
{
    return Checked(sqlite3_bind_null(m_statement, index));
}

SqliteStatement::Step SqliteStatement::Next()
{
    if (m_statement == nullptr) {
        m_status = SqliteStatus{SQLITE_MISUSE, "the statement is not prepared"};
        return Step::Error;
    }
    const int code = sqlite3_step(m_statement);
    m_status = Checked(code);
    if (code == SQLITE_ROW) {
        return Step::Row;
    }
    return code == SQLITE_DONE ? Step::Done : Step::Error;
}

void SqliteStatement::Reset() { sqlite3_reset(m_statement); }

bool SqliteStatement::IsNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

bool SqliteStatement::IsInteger(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_INTEGER;
}

std::int64_t SqliteStatement::Int64(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqliteStatement::Double(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

std::string SqliteStatement::Text(int column) const
{
    const unsigned char* text = sqlite3_column_text(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    if (text == nullptr || size <= 0) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

std::string SqliteStatement::Blob(int column) const
{
    const void* bytes = sqlite3_column_blob(m_statement, column);
    const int size = sqlite3_column_bytes(m_statement, column);
    if (bytes == nullptr || size <= 0) {
        return {};
    }
    return std::string(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
}

SqliteTransaction::~SqliteTransaction()
{
    if (m_open) {
        (void)m_connection.Execute("ROLLBACK");
    }
}

SqliteStatus SqliteTransaction::Begin()
{
    SqliteStatus status = m_connection.Execute("BEGIN IMMEDIATE");
    m_open = status.Ok();
    return status;
}

SqliteStatus SqliteTransaction::Commit()
{
    if (!m_open) {
        return SqliteStatus{SQLITE_MISUSE, "no transaction was begun"};
    }
    SqliteStatus status = m_connection.Execute("COMMIT");
    m_open = !status.Ok();
    return status;
}
