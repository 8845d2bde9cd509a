#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "data/data_context.h"
#include "data/sqlite_db.h"
#include "data/sqlite_table.h"
#include "support/temp_db.h"

using namespace tablora;
using namespace tablora::data;
using test::execSql;
using test::querySql;

namespace {

class CursorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.path("t.db");
        ASSERT_TRUE(db.open(path, true));
        ASSERT_TRUE(execSql(path,
                            "CREATE TABLE 菜品 (菜品 TEXT, 分类 TEXT, Price INTEGER);"
                            "CREATE TABLE 空 (a TEXT, b INTEGER);"));
        for (const char* row : {"('甲','热菜',1)", "('乙','凉菜',2)", "('丙','热菜',3)",
                                "('丁','汤',4)", "('戊','汤',5)"})
            ASSERT_TRUE(execSql(path, std::string("INSERT INTO 菜品 VALUES ") + row));
    }
    test::TempDir dir;
    std::string path;
    SqliteDB db;
    SqliteTable cursor;
};

}  // namespace

TEST_F(CursorTest, EmptyTableAndMovesPastBothEnds) {
    ASSERT_TRUE(cursor.open("空", db));
    EXPECT_EQ(cursor.fieldCount(), 2);
    EXPECT_EQ(cursor.recordCount(), 0);
    EXPECT_FALSE(cursor.moveFirst());
    EXPECT_EQ(cursor.recordNumber(), 1);
    EXPECT_EQ(cursor.readText("a"), "");
    EXPECT_EQ(cursor.readInt("b"), 0);

    ASSERT_TRUE(cursor.open("菜品", db));
    EXPECT_EQ(cursor.recordNumber(), 0);
    EXPECT_FALSE(cursor.moveTo(0));
    EXPECT_EQ(cursor.recordNumber(), 0);
    EXPECT_FALSE(cursor.moveTo(-5));
    EXPECT_EQ(cursor.recordNumber(), 0);
    EXPECT_FALSE(cursor.moveTo(8));
    EXPECT_EQ(cursor.recordNumber(), 6);
    ASSERT_TRUE(cursor.moveTo(5));
    EXPECT_FALSE(cursor.skip());
    EXPECT_EQ(cursor.recordNumber(), 6);
    EXPECT_FALSE(cursor.skip(0));
    EXPECT_TRUE(cursor.skip(-2));
    EXPECT_EQ(cursor.recordNumber(), 4);
}

TEST_F(CursorTest, ScanVisitsEveryRecordInRowidOrderAndResolvesFields) {
    ASSERT_TRUE(
        execSql(path, "DELETE FROM 菜品 WHERE 菜品='乙'; INSERT INTO 菜品 VALUES ('己','凉菜',6)"));
    ASSERT_TRUE(cursor.open("菜品", db));
    std::string seen;
    cursor.moveFirst();
    for (int i = 1; i <= cursor.recordCount(); ++i) {
        seen += cursor.readText("菜品");
        cursor.skip();
    }
    EXPECT_EQ(seen, "甲丙丁戊己");
    EXPECT_EQ(cursor.recordNumber(), 6);

    cursor.moveTo(2);
    EXPECT_EQ(cursor.readText(2), "热菜");
    EXPECT_EQ(cursor.readInt("price"), 3);  // ASCII letters match without case
    EXPECT_EQ(cursor.readInt("PRICE"), 3);
    EXPECT_EQ(cursor.readText("没有"), "");
    EXPECT_EQ(cursor.readInt("没有"), 0);
    EXPECT_EQ(cursor.readText(0), "");
    EXPECT_EQ(cursor.readText(4), "");
    EXPECT_EQ(cursor.readText(""), "");
    EXPECT_EQ(cursor.readInt("菜品"), 0);  // a text reads as its leading integer
}

TEST_F(CursorTest, InsertBindsInColumnOrderAndAppendsLast) {
    ASSERT_TRUE(cursor.open("菜品", db));
    cursor.moveTo(2);
    ASSERT_TRUE(cursor.addNew());
    EXPECT_TRUE(cursor.write("price", 28));
    EXPECT_TRUE(cursor.write("分类", "热菜"));
    EXPECT_TRUE(cursor.write("菜品", std::string("宫保鸡丁")));
    ASSERT_TRUE(cursor.update());
    EXPECT_EQ(cursor.mode(), CursorMode::Browsing);
    EXPECT_EQ(cursor.recordNumber(), 2);
    EXPECT_EQ(cursor.recordCount(), 6);
    cursor.moveTo(6);
    EXPECT_EQ(cursor.readText("菜品"), "宫保鸡丁");
    EXPECT_EQ(cursor.readText("分类"), "热菜");
    EXPECT_EQ(cursor.readInt("Price"), 28);
    EXPECT_EQ(querySql(path, "SELECT typeof(Price) FROM 菜品 WHERE rowid=6"), "integer");
}

TEST_F(CursorTest, AWriteToAFieldTheTableLacksFailsTheUpdate) {
    ASSERT_TRUE(cursor.open("菜品", db));
    ASSERT_TRUE(cursor.addNew());
    EXPECT_TRUE(cursor.write("菜品", "甲"));
    EXPECT_FALSE(cursor.write("无此列", 1));
    EXPECT_FALSE(cursor.update());
    EXPECT_EQ(cursor.mode(), CursorMode::Adding);
    EXPECT_EQ(querySql(path, "SELECT count(*) FROM 菜品"), "5");
    // A fresh edit starts clean.
    cursor.moveTo(1);
    ASSERT_TRUE(cursor.edit());
    cursor.write("菜品", "乙");
    EXPECT_TRUE(cursor.update());
}

TEST_F(CursorTest, EditThenMoveUpdatesTheRecordCurrentAtUpdate) {
    ASSERT_TRUE(cursor.open("菜品", db));
    cursor.moveTo(3);
    ASSERT_TRUE(cursor.edit());
    cursor.moveTo(5);
    cursor.write("菜品", "改");
    ASSERT_TRUE(cursor.update());
    EXPECT_EQ(querySql(path, "SELECT group_concat(菜品,'') FROM 菜品"), "甲乙丙丁改");

    cursor.moveTo(2);
    ASSERT_TRUE(cursor.edit());
    cursor.moveTo(9);  // past the end: no rowid to aim at
    cursor.write("菜品", "x");
    EXPECT_FALSE(cursor.update());
    EXPECT_EQ(cursor.mode(), CursorMode::Editing);
}

TEST_F(CursorTest, FailedUpdateKeepsModeAndValues) {
    ASSERT_TRUE(cursor.open("菜品", db));
    ASSERT_TRUE(cursor.addNew());
    EXPECT_FALSE(cursor.update());  // nothing written
    EXPECT_EQ(cursor.mode(), CursorMode::Adding);

    ASSERT_TRUE(execSql(path,
                        "CREATE TRIGGER no_insert BEFORE INSERT ON 菜品 BEGIN "
                        "SELECT RAISE(ABORT, 'refused'); END"));
    cursor.write("菜品", "被拒");
    EXPECT_FALSE(cursor.update());
    EXPECT_EQ(cursor.mode(), CursorMode::Adding);
    ASSERT_TRUE(execSql(path, "DROP TRIGGER no_insert"));
    EXPECT_TRUE(cursor.update());  // the same buffered value goes in on retry
    EXPECT_EQ(querySql(path, "SELECT 菜品 FROM 菜品 WHERE rowid=6"), "被拒");
    EXPECT_FALSE(cursor.update());  // Browsing again
}

TEST_F(CursorTest, DeleteRenumbersAndClearsCurrent) {
    ASSERT_TRUE(cursor.open("菜品", db));
    cursor.moveTo(2);
    ASSERT_TRUE(cursor.deleteCurrent());
    EXPECT_EQ(cursor.recordNumber(), 0);
    EXPECT_EQ(cursor.recordCount(), 4);
    EXPECT_FALSE(cursor.deleteCurrent());
    cursor.moveTo(2);
    EXPECT_EQ(cursor.readText("菜品"), "丙");
}

TEST_F(CursorTest, EmptyTextIsStoredAsTextNotNull) {
    ASSERT_TRUE(cursor.open("菜品", db));
    cursor.addNew();
    cursor.write("菜品", "");
    cursor.write("分类", "x");
    ASSERT_TRUE(cursor.update());
    EXPECT_EQ(querySql(path, "SELECT typeof(菜品) FROM 菜品 WHERE rowid=6"), "text");
}

TEST_F(CursorTest, MalformedUtf8ReadsEmptyAndFourByteReadsAsStored) {
    ASSERT_TRUE(execSql(path,
                        "INSERT INTO 菜品 VALUES (CAST(X'B9ACB1A3' AS TEXT),'a',0);"
                        "INSERT INTO 菜品 VALUES ('面\xF0\x9F\x8D\x9C','b',0)"));
    ASSERT_TRUE(cursor.open("菜品", db));
    cursor.moveTo(6);
    EXPECT_EQ(cursor.readText("菜品"), "");
    cursor.moveTo(7);
    EXPECT_EQ(cursor.readText("菜品"), "面\xF0\x9F\x8D\x9C");
}

TEST_F(CursorTest, RowDeletedBehindTheCursorReadsAsFailure) {
    ASSERT_TRUE(cursor.open("菜品", db));
    cursor.moveTo(1);
    ASSERT_TRUE(execSql(path, "DELETE FROM 菜品 WHERE rowid=1"));
    EXPECT_EQ(cursor.readText("菜品"), "");
    ASSERT_TRUE(cursor.edit());
    cursor.write("菜品", "x");
    EXPECT_TRUE(cursor.update());  // statement completes, touching no row
}

TEST(SqliteDB, MissingFileIsRefusedAndNotCreated) {
    test::TempDir dir;
    SqliteDB db;
    const std::string path = dir.path("missing.db");
    EXPECT_FALSE(db.open(path));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(db.open(""));
    EXPECT_FALSE(db.open(":MEMORY:"));
    EXPECT_TRUE(db.open(":memory:", true));
    EXPECT_TRUE(db.close());
    EXPECT_TRUE(db.close());
    EXPECT_FALSE(db.beginTransaction());
}

TEST(SqliteDB, DamagedFileIsRefused) {
    test::TempDir dir;
    const std::string path = dir.path("cysj.db");
    {
        std::FILE* f = std::fopen(path.c_str(), "w");
        std::fputs("this is not a database, just some bytes that look nothing like one\n", f);
        std::fclose(f);
    }
    SqliteDB db;
    EXPECT_FALSE(db.open(path));
    EXPECT_FALSE(db.isOpen());
}

TEST(SqliteDB, TransactionsBracketWrites) {
    test::TempDir dir;
    const std::string path = dir.path("t.db");
    SqliteDB db;
    ASSERT_TRUE(db.open(path, true));
    ASSERT_TRUE(execSql(path, "CREATE TABLE 餐台 (餐台 TEXT)"));
    SqliteTable t;
    ASSERT_TRUE(t.open("餐台", db));
    ASSERT_TRUE(db.beginTransaction());
    for (int i = 0; i < 3; ++i) {
        t.addNew();
        t.write(1, std::to_string(i));
        ASSERT_TRUE(t.update());
    }
    ASSERT_TRUE(db.commitTransaction());
    EXPECT_EQ(querySql(path, "SELECT count(*) FROM 餐台"), "3");
}

// A write that reads first, while another program commits between its read and its write:
// neither fails (a transaction begun as a read would be refused its write at once).
TEST(SqliteDB, AnotherProgramsCommitBetweenOurReadAndOurWriteFailsNeither) {
    test::TempDir dir;
    const std::string path = dir.path("t.db");
    SqliteDB db;
    ASSERT_TRUE(db.open(path, true));
    ASSERT_TRUE(db.useWriteAheadLog());
    ASSERT_TRUE(execSql(path, "CREATE TABLE 餐台 (餐台 TEXT); INSERT INTO 餐台 VALUES ('1')"));
    SqliteTable t;
    ASSERT_TRUE(t.open("餐台", db));
    ASSERT_TRUE(db.beginTransaction());
    t.moveFirst();
    ASSERT_EQ(t.readText(1), "1");
    bool otherWrote = false;
    std::thread other([&] { otherWrote = execSql(path, "INSERT INTO 餐台 VALUES ('其他')"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    t.addNew();
    t.write(1, "2");
    EXPECT_TRUE(t.update());
    EXPECT_TRUE(db.commitTransaction());
    other.join();
    EXPECT_TRUE(otherWrote);
    EXPECT_EQ(querySql(path, "SELECT group_concat(餐台) FROM 餐台"), "1,2,其他");
}

TEST(SqliteDB, ConnectionIsKeptUntilTheFileIsReplacedThenCursorsOfTheOldOneClose) {
    test::TempDir dir;
    const std::string path = test::makeDemoDatabase(dir);
    DataContext ctx(path);
    ctx.openOnDemand(ctx.dishCursor);
    ASSERT_TRUE(ctx.dishCursor.isOpen());
    ctx.dishCursor.moveFirst();
    ASSERT_FALSE(ctx.dishCursor.readText("菜品").empty());
    // Another cursor finds itself closed: the connection on the same file is kept.
    ctx.openOnDemand(ctx.journalCursor);
    ctx.journalCursor.close();
    ctx.openOnDemand(ctx.journalCursor);
    EXPECT_TRUE(ctx.dishCursor.isOpen());
    EXPECT_FALSE(ctx.dishCursor.readText("菜品").empty());

    // A new file put in its place is opened, and the old connection's cursors are closed,
    // never reading through it.
    const std::string other = test::makeDemoDatabase(dir, "other.db");
    ASSERT_TRUE(execSql(other, "DELETE FROM 菜品 WHERE rowid > 3"));
    std::filesystem::rename(other, path);
    ctx.journalCursor.close();
    ctx.openOnDemand(ctx.journalCursor);
    EXPECT_TRUE(ctx.journalCursor.isOpen());
    EXPECT_FALSE(ctx.dishCursor.isOpen());
    EXPECT_EQ(ctx.dishCursor.readText("菜品"), "");
    EXPECT_EQ(ctx.dishCursor.recordCount(), 0);
    EXPECT_TRUE(ctx.openOnDemand(ctx.dishCursor).isOpen());
    EXPECT_EQ(ctx.dishCursor.recordCount(), 3);
}

TEST(DataContext, LoginOpenReportsWhatFailed) {
    test::TempDir dir;
    DataContext missing(dir.path("cysj.db"));
    EXPECT_EQ(missing.openForLogin(), DataContext::LoginOpen::NoDatabase);
    EXPECT_FALSE(std::filesystem::exists(dir.path("cysj.db")));
    EXPECT_FALSE(missing.openOnDemand(missing.userCursor).isOpen());

    const std::string path = test::makeDemoDatabase(dir);
    ASSERT_TRUE(execSql(path, "DROP TABLE 用户"));
    DataContext noUsers(path);
    EXPECT_EQ(noUsers.openForLogin(), DataContext::LoginOpen::NoUserTable);
    // Other tables still open on demand.
    EXPECT_EQ(noUsers.openOnDemand(noUsers.diningTableCursor).recordCount(), 12);

    // A damaged file is there: its user table cannot be opened. A FIFO or a folder in the
    // file's place is refused at once as missing, without waiting for a writer.
    const std::string damaged = dir.path("damaged.db");
    std::ofstream(damaged) << "this is no database, only some text that is long enough";
    EXPECT_EQ(DataContext(damaged).openForLogin(), DataContext::LoginOpen::NoUserTable);
    const std::string fifo = dir.path("fifo.db");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(DataContext(fifo).openForLogin(), DataContext::LoginOpen::NoDatabase);
    EXPECT_EQ(DataContext(dir.path("")).openForLogin(), DataContext::LoginOpen::NoDatabase);
}

TEST(DataContext, AFileBusyAtStartUpIsWaitedForNotCalledMissing) {
    test::TempDir dir;
    const std::string path = test::makeDemoDatabase(dir);
    // Another program holds the file exclusively for a moment, as a backup or a writer does.
    SqliteDB other;
    ASSERT_TRUE(other.open(path));
    ASSERT_EQ(sqlite3_exec(other.handle(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr),
              SQLITE_OK);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other.handle(), "COMMIT", nullptr, nullptr, nullptr);
    });
    DataContext ctx(path);
    EXPECT_EQ(ctx.openForLogin(), DataContext::LoginOpen::Ok);
    release.join();
}

TEST(DemoDatabase, HasTheSixTablesAndThoseOfItsOwnAndRefusesToOverwrite) {
    test::TempDir dir;
    const std::string path = test::makeDemoDatabase(dir);
    EXPECT_EQ(
        querySql(path,
                 "SELECT group_concat(name, ',') FROM sqlite_master WHERE "
                 "type='table'"),
        "用户,流水,明细,菜品,餐台,分类,显示设置,打印机,打印设置,打印任务,送厨记录,备份设置,"
        "结账,删除记录,日结,用户权限,操作记录,原因,菜品助记码,口味,菜品口味,账单调整,餐台收费,"
        "不打折分类,现金收支,日结附加,报表缓存,报表变动");
    EXPECT_EQ(querySql(path, "SELECT 用户 || 密码 || 设置用户 FROM 用户"), "经理8888881");
    EXPECT_EQ(querySql(path, "SELECT count(*) FROM 分类"), "5");
    EXPECT_EQ(querySql(path, "SELECT 菜品 FROM 菜品 WHERE 菜品 LIKE '宫保%'"), "宫保鸡丁/28元");
    EXPECT_FALSE(data::createDemoDatabase(path, "a", "b").empty());
    // A file from before the extra rights: whoever may set up users gets them all, others none.
    ASSERT_TRUE(execSql(
        path, "DROP TABLE 用户权限; INSERT INTO 用户 (用户, 设置用户) VALUES ('服务员', 0)"));
    DataContext ctx(path);
    ASSERT_EQ(ctx.openForLogin(), DataContext::LoginOpen::Ok);
    EXPECT_EQ(querySql(path,
                       "SELECT group_concat(用户 || 退菜 || 赠送 || 折扣 || 最低折扣 || 抹零上限 "
                       "|| 免服务费 || 拆单 || 反结账) FROM 用户权限"),
              "经理11100111");
}

TEST(CursorReadAhead, LongScansChangesBetweenScansAndRowsGoneOrAddedBehindTheCursor) {
    test::TempDir dir;
    const std::string path = dir.path("t.db");
    SqliteDB db;
    ASSERT_TRUE(db.open(path, true));
    ASSERT_TRUE(execSql(path,
                        "CREATE TABLE 流水 (单号 TEXT, 状态 INTEGER);"
                        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<600)"
                        " INSERT INTO 流水 (rowid, 单号, 状态) SELECT i*2, 'N'||i, i%3 FROM n;"));
    SqliteTable t;
    ASSERT_TRUE(t.open("流水", db));
    auto scan = [&t] {
        std::string out;
        long sum = 0;
        t.moveFirst();
        for (int i = 1, n = t.recordCount(); i <= n; ++i) {
            if (i == 1 || i == 256 || i == 257 || i == 512 || i == 600)
                out += t.readText("单号") + ",";
            sum += t.readInt("状态");
            t.skip();
        }
        return out + std::to_string(sum);
    };
    EXPECT_EQ(scan(), "N1,N256,N257,N512,N600,600");

    // Another connection changes, deletes and squeezes in rows: the next scan sees all of it,
    // numbered as a fresh open would number it.
    ASSERT_TRUE(
        execSql(path,
                "UPDATE 流水 SET 单号='改' WHERE rowid=512; DELETE FROM 流水 WHERE rowid=514;"
                "INSERT INTO 流水 (rowid, 单号, 状态) VALUES (515, '插', 9)"));
    t.moveFirst();
    EXPECT_EQ(t.recordCount(), 600);
    t.moveTo(256);
    EXPECT_EQ(t.readText("单号"), "改");
    t.moveTo(257);
    EXPECT_EQ(t.readText("单号"), "插");
    EXPECT_EQ(t.readInt("状态"), 9);
    t.moveTo(258);
    EXPECT_EQ(t.readText("单号"), "N258");

    // Within one scan, a run of records fetched after another program's change shows it: a
    // row deleted behind the cursor reads as nothing, a changed one as changed.
    t.moveFirst();
    EXPECT_EQ(t.readText("单号"), "N1");
    ASSERT_TRUE(execSql(path,
                        "DELETE FROM 流水 WHERE rowid=516; UPDATE 流水 SET 单号='再改' "
                        "WHERE rowid=600"));
    t.moveTo(258);
    EXPECT_EQ(t.readText("单号"), "");
    EXPECT_EQ(t.readInt("状态"), 0);
    t.moveTo(300);
    EXPECT_EQ(t.readText("单号"), "再改");

    // The cursor's own writes are read back at once.
    t.moveTo(3);
    ASSERT_TRUE(t.edit());
    t.write("单号", "自己");
    ASSERT_TRUE(t.update());
    EXPECT_EQ(t.readText("单号"), "自己");
}
