#include "sqlite/Sqlite.h"

#include "support/LogWriter.h"
#include "system/Paths.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using namespace t2ntest;

std::string PathIn(const TempDir& dir, const std::string& name)
{
    return Utf8Path(dir.Path() / NativePath(name));
}

// A database of one table of names, written through a statement with its values bound.
SqliteConnection MadeWithNames(const std::string& path, const std::vector<std::string>& names)
{
    SqliteConnection db;
    EXPECT_TRUE(db.Open(path, SqliteConnection::Mode::ReadWrite).Ok());
    EXPECT_TRUE(
        db.Execute("CREATE TABLE names (id INTEGER PRIMARY KEY, name TEXT, data BLOB)").Ok());
    SqliteStatement insert;
    EXPECT_TRUE(db.Prepare("INSERT INTO names (name, data) VALUES (?1, ?2)", insert).Ok());
    for (const std::string& name : names) {
        insert.Reset();
        EXPECT_TRUE(insert.BindText(1, name).Ok());
        EXPECT_TRUE(insert.BindBlob(2, name + std::string("\0\xff", 2)).Ok());
        EXPECT_EQ(insert.Next(), SqliteStatement::Step::Done) << insert.LastStatus().Message;
    }
    return db;
}

std::int64_t Count(SqliteConnection& db)
{
    SqliteStatement count;
    EXPECT_TRUE(db.Prepare("SELECT count(*) FROM names", count).Ok());
    EXPECT_EQ(count.Next(), SqliteStatement::Step::Row);
    return count.Int64(0);
}

TEST(Sqlite, BoundValuesComeBackAsTheyWentIn)
{
    const TempDir dir;
    // Quotes and a statement's end inside a value: bound, they are only text.
    const std::vector<std::string> names = {"plain", "it's", "x'); DROP TABLE names; --",
                                            "日本語の名前", ""};
    SqliteConnection db = MadeWithNames(PathIn(dir, "名前.db"), names);
    SqliteStatement select;
    ASSERT_TRUE(db.Prepare("SELECT name, data FROM names WHERE id = ?1", select).Ok());
    for (std::size_t i = 0; i < names.size(); ++i) {
        select.Reset();
        ASSERT_TRUE(select.Bind(1, static_cast<std::int64_t>(i + 1)).Ok());
        ASSERT_EQ(select.Next(), SqliteStatement::Step::Row);
        EXPECT_EQ(select.Text(0), names[i]);
        EXPECT_EQ(select.Blob(1), names[i] + std::string("\0\xff", 2));
        EXPECT_EQ(select.Next(), SqliteStatement::Step::Done);
    }
    EXPECT_EQ(Count(db), static_cast<std::int64_t>(names.size()));
}

TEST(Sqlite, TransactionRollsBackUnlessCommitted)
{
    const TempDir dir;
    SqliteConnection db = MadeWithNames(PathIn(dir, "t.db"), {"a"});
    {
        SqliteTransaction transaction(db);
        ASSERT_TRUE(transaction.Begin().Ok());
        ASSERT_TRUE(db.Execute("DELETE FROM names").Ok());
        EXPECT_EQ(Count(db), 0);
    }
    EXPECT_EQ(Count(db), 1);
    {
        SqliteTransaction transaction(db);
        ASSERT_TRUE(transaction.Begin().Ok());
        ASSERT_TRUE(db.Execute("DELETE FROM names").Ok());
        ASSERT_TRUE(transaction.Commit().Ok());
        EXPECT_FALSE(transaction.Commit().Ok()); // once only
    }
    EXPECT_EQ(Count(db), 0);
}

TEST(Sqlite, ReadOnlyConnectionNeverWrites)
{
    const TempDir dir;
    const std::string path = PathIn(dir, "r.db");
    MadeWithNames(path, {"a", "b"}).Close();
    const std::string before = ReadWholeFile(path);
    SqliteConnection db;
    ASSERT_TRUE(db.Open(path, SqliteConnection::Mode::ReadOnly).Ok());
    EXPECT_EQ(Count(db), 2);
    const SqliteStatus refused = db.Execute("INSERT INTO names (name) VALUES ('c')");
    EXPECT_EQ(refused.Code, SQLITE_READONLY);
    EXPECT_FALSE(refused.Message.empty());
    db.Close();
    EXPECT_EQ(ReadWholeFile(path), before);
}

TEST(Sqlite, FailuresComeBackAsValues)
{
    const TempDir dir;
    SqliteConnection db;
    EXPECT_EQ(db.Open(PathIn(dir, "none.db"), SqliteConnection::Mode::ReadOnly).Code,
              SQLITE_CANTOPEN);
    EXPECT_FALSE(db.IsOpen());
    SqliteStatement statement;
    EXPECT_EQ(db.Prepare("SELECT 1", statement).Code, SQLITE_MISUSE);
    EXPECT_EQ(statement.Next(), SqliteStatement::Step::Error);

    // A file that is no database fails at its first read: at the opening or the first statement.
    const std::string text = dir.Write("text.db", Bytes(4096, 'x'));
    const SqliteStatus opened = db.Open(text, SqliteConnection::Mode::ReadOnly);
    const SqliteStatus failed =
        opened.Ok() ? db.Prepare("SELECT * FROM sqlite_schema", statement) : opened;
    EXPECT_EQ(failed.Code, SQLITE_NOTADB) << failed.Message;

    SqliteConnection good = MadeWithNames(PathIn(dir, "g.db"), {"a"});
    const SqliteStatus typo = good.Prepare("SELEKT 1", statement);
    EXPECT_EQ(typo.Code, SQLITE_ERROR);
    EXPECT_NE(typo.Message.find("syntax"), std::string::npos) << typo.Message;
}

TEST(Sqlite, OpensCopyOfBytesReadOnly)
{
    const TempDir dir;
    const std::string path = PathIn(dir, "c.db");
    MadeWithNames(path, {"a", "b", "c"}).Close();
    SqliteConnection copy;
    ASSERT_TRUE(copy.OpenCopyOf(ReadWholeFile(path)).Ok());
    EXPECT_EQ(Count(copy), 3);
    EXPECT_EQ(copy.Execute("DELETE FROM names").Code, SQLITE_READONLY);

    SqliteConnection empty;
    ASSERT_TRUE(empty.OpenCopyOf("").Ok());
    SqliteStatement statement;
    EXPECT_FALSE(empty.Prepare("SELECT * FROM names", statement).Ok());
}

} // namespace
