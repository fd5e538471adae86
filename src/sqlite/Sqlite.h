#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// SQLite's C API behind three owners: a connection, a prepared statement and a transaction.
// Failures come back as values holding SQLite's result code and its message; nothing throws.
// Values only ever reach a statement through its parameters, never through its text.

// The outcome of a call: SQLite's primary result code (0 is SQLITE_OK) and its message.
struct SqliteStatus {
    int Code = 0;
    std::string Message;
    [[nodiscard]] bool Ok() const { return Code == 0; }
};

class SqliteStatement;

// One open database file. A connection is used by one thread at a time.
class SqliteConnection
{
  public:
    enum class Mode {
        ReadOnly,  // the file must exist; nothing is ever written to it
        ReadWrite, // created when missing
    };

    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(SqliteConnection&& other) noexcept;
    SqliteConnection& operator=(SqliteConnection&& other) noexcept;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // Opens `path` (UTF-8). Opening does not read the file: a file that is no database fails at
    // its first statement (SQLITE_NOTADB).
    [[nodiscard]] SqliteStatus Open(const std::string& path, Mode mode);
    // Opens a read-only database held in memory, a copy of `bytes` (a whole database file).
    [[nodiscard]] SqliteStatus OpenCopyOf(std::string_view bytes);
    [[nodiscard]] bool IsOpen() const { return m_db != nullptr; }
    void Close();

    // Prepares one statement; its values are bound afterwards. `sql` holds no values of its own.
    [[nodiscard]] SqliteStatus Prepare(std::string_view sql, SqliteStatement& out);
    // Runs statements without parameters and without rows (a schema, a PRAGMA that sets).
    [[nodiscard]] SqliteStatus Execute(const std::string& sql);
    // The rows the last INSERT, UPDATE or DELETE changed.
    [[nodiscard]] std::int64_t Changes() const;

    [[nodiscard]] sqlite3* Handle() const { return m_db; }

  private:
    [[nodiscard]] SqliteStatus Failure(int code) const;

    sqlite3* m_db = nullptr;
};

// A prepared statement: bind its parameters (numbered from 1), step through its rows, reset it
// to run again with other values.
class SqliteStatement
{
  public:
    enum class Step {
        Row,   // a row is there to read
        Done,  // the statement ran to its end
        Error, // see LastStatus()
    };

    SqliteStatement() = default;
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    [[nodiscard]] SqliteStatus Bind(int index, std::int64_t value);
    [[nodiscard]] SqliteStatus Bind(int index, double value);
    [[nodiscard]] SqliteStatus BindText(int index, std::string_view text);
    [[nodiscard]] SqliteStatus BindBlob(int index, std::string_view bytes);
    [[nodiscard]] SqliteStatus BindNull(int index);

    [[nodiscard]] Step Next();
    // Makes the statement ready to run again; its bindings stay until rebound.
    void Reset();

    // The columns of the current row, numbered from 0. A NULL reads as 0 or empty.
    [[nodiscard]] bool IsNull(int column) const;
    // True when the value is stored as an integer (a column without a type keeps it so).
    [[nodiscard]] bool IsInteger(int column) const;
    [[nodiscard]] std::int64_t Int64(int column) const;
    [[nodiscard]] double Double(int column) const;
    [[nodiscard]] std::string Text(int column) const;
    [[nodiscard]] std::string Blob(int column) const;

    // The failure of the last Bind or Next.
    [[nodiscard]] const SqliteStatus& LastStatus() const { return m_status; }

  private:
    friend class SqliteConnection;
    SqliteStatus Checked(int code);

    sqlite3_stmt* m_statement = nullptr;
    SqliteStatus m_status;
};

// A transaction on a connection that rolls back when it ends without Commit().
class SqliteTransaction
{
  public:
    explicit SqliteTransaction(SqliteConnection& connection) : m_connection(connection) {}
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    // BEGIN IMMEDIATE: the write lock is taken at once, so a busy database fails here.
    [[nodiscard]] SqliteStatus Begin();
    [[nodiscard]] SqliteStatus Commit();

  private:
    SqliteConnection& m_connection;
    bool m_open = false;
};
