// The cursor's finds must give exactly the records a walk comparing every record gives.
#include <gtest/gtest.h>

#include <random>

#include "data/data_context.h"
#include "data/sqlite_db.h"
#include "data/sqlite_table.h"
#include "support/temp_db.h"

using namespace tablora;
using namespace tablora::data;
using test::execSql;

namespace {

// Stored values that read in surprising ways: numbers in text columns and texts in number
// columns, 64-bit numbers cut to 32 bits, reals truncated, NULL, malformed UTF-8 and blobs.
const std::vector<std::string> kValues = {"NULL",
                                          "0",
                                          "1",
                                          "-1",
                                          "2",
                                          "4294967296",
                                          "4294967297",
                                          "-4294967296",
                                          "2147483648",
                                          "9223372036854775807",
                                          "0.5",
                                          "-0.5",
                                          "1.9",
                                          "2.0",
                                          "1e20",
                                          "-1e20",
                                          "'0'",
                                          "'1'",
                                          "'a'",
                                          "'A'",
                                          "'a '",
                                          "''",
                                          "' 1'",
                                          "'1abc'",
                                          "'漢字'",
                                          "'20221231123500'",
                                          "CAST(X'C3' AS TEXT)",
                                          "CAST(X'E6BCA2C3' AS TEXT)",
                                          "X'31'",
                                          "X''",
                                          "X'E6BCA2'",
                                          "'😀'",
                                          "'1.0'",
                                          "'-0'"};
const std::vector<std::string> kTextKeys = {
    "",           "0",    "1",    "-1",  "a",     "A", "a ",
    " 1",         "1abc", "漢字", "2.0", "1e+20", "😀", "20221231123500",
    "4294967296", "1.0"};
const std::vector<int> kIntKeys = {0, 1, -1, 2, 3, -2147483647 - 1, 2147483647};
const std::vector<std::string> kTypes = {"TEXT",
                                         "INTEGER",
                                         "",
                                         "NUMERIC",
                                         "REAL",
                                         "BLOB",
                                         "VARCHAR(8) COLLATE NOCASE",
                                         "TEXT COLLATE RTRIM"};

std::vector<int> walk(SqliteTable& t, const std::string& column, const std::string* text,
                      int number) {
    std::vector<int> found;
    forEachRecord(t, [&](SqliteTable&) {
        if (text ? t.readText(column) == *text : t.readInt(column) == number)
            found.push_back(t.recordNumber());
        return false;
    });
    return found;
}

}  // namespace

TEST(CursorFind, AgreesWithTheWalkOnRandomTablesOfEveryColumnType) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 12; ++round) {
        test::TempDir dir;
        const std::string path = dir.path("t.db");
        ASSERT_TRUE(SqliteDB().open(path, true));
        std::string create = "CREATE TABLE t (";
        for (size_t c = 0; c < kTypes.size(); ++c)
            create += (c ? ", c" : "c") + std::to_string(c) + " " + kTypes[c];
        create += ");";
        for (size_t c = 0; c < kTypes.size(); ++c)
            if (c % 2 == 0 || round % 2 == 0)  // with and without an index
                create +=
                    "CREATE INDEX i" + std::to_string(c) + " ON t (c" + std::to_string(c) + ");";
        ASSERT_TRUE(execSql(path, create));
        std::string rows = "BEGIN;";
        const int count = 50 + static_cast<int>(random() % 200);
        for (int r = 0; r < count; ++r) {
            rows += "INSERT INTO t VALUES (";
            for (size_t c = 0; c < kTypes.size(); ++c)
                rows += (c ? "," : "") + kValues[random() % kValues.size()];
            rows += ");";
        }
        // Gaps in the rowids, and (every third table) none: counted instead of read.
        if (round % 3 != 0) rows += "DELETE FROM t WHERE rowid % 7 = 3;";
        rows += "COMMIT;";
        ASSERT_TRUE(execSql(path, rows));

        SqliteDB db;
        ASSERT_TRUE(db.open(path));
        SqliteTable t;
        ASSERT_TRUE(t.open("t", db));
        for (size_t c = 0; c < kTypes.size(); ++c) {
            const std::string column = "c" + std::to_string(c);
            for (const std::string& key : kTextKeys)
                ASSERT_EQ(t.findAll(column, key), walk(t, column, &key, 0))
                    << kTypes[c] << " text key '" << key << "'";
            for (int key : kIntKeys)
                ASSERT_EQ(t.findAll(column, key), walk(t, column, nullptr, key))
                    << kTypes[c] << " int key " << key;
        }
        // A test on the text, as a walk reading the field would apply it.
        for (size_t c = 0; c < kTypes.size(); ++c) {
            const std::string column = "c" + std::to_string(c);
            auto shortText = [](std::string_view text) { return text.size() < 2; };
            std::vector<int> walked;
            forEachRecord(t, [&](SqliteTable&) {
                if (shortText(t.readText(column))) walked.push_back(t.recordNumber());
                return false;
            });
            ASSERT_EQ(t.findWhere(column, shortText), walked) << kTypes[c];
            // Told that only texts from "1" up to "2" (and blobs) can pass.
            auto startsWithOne = [](std::string_view text) { return text.starts_with("1"); };
            walked.clear();
            forEachRecord(t, [&](SqliteTable&) {
                if (startsWithOne(t.readText(column))) walked.push_back(t.recordNumber());
                return false;
            });
            ASSERT_EQ(t.findWhere(column, startsWithOne, {{"1", "2"}}), walked) << kTypes[c];
        }
        // Every row's fields in one statement, as the walk reads them, a lacking one included.
        std::vector<std::string> names;  // the fields name them without a copy
        for (size_t c = 0; c < kTypes.size(); ++c) names.push_back("c" + std::to_string(c));
        names.push_back("没有");
        const std::vector<Field> fields(names.begin(), names.end());
        std::string streamed, walked;
        ASSERT_TRUE(t.forEachRow(fields, [&](const SqliteTable::RowValues& v) {
            streamed += std::to_string(v.rowid()) + ":";
            for (size_t c = 0; c < fields.size(); ++c)
                streamed += std::string(v.text(c)) + "/" + std::to_string(v.integer(c)) + "|";
        }));
        forEachRecord(t, [&](SqliteTable&) {
            walked += std::to_string(t.rowid()) + ":";
            for (const Field& field : fields)
                walked += t.readText(field) + "/" + std::to_string(t.readInt(field)) + "|";
            return false;
        });
        ASSERT_EQ(streamed, walked);
        // The same for the records within a range of rowids.
        const std::int64_t from = 1 + static_cast<std::int64_t>(random() % 40), to = from + 60;
        streamed.clear();
        walked.clear();
        ASSERT_TRUE(t.forEachRowBetween(fields, from, to, [&](const SqliteTable::RowValues& v) {
            streamed += std::to_string(v.rowid()) + ":";
            for (size_t c = 0; c < fields.size(); ++c)
                streamed += std::string(v.text(c)) + "/" + std::to_string(v.integer(c)) + "|";
        }));
        forEachRecord(t, [&](SqliteTable&) {
            if (t.rowid() < from || t.rowid() > to) return false;
            walked += std::to_string(t.rowid()) + ":";
            for (const Field& field : fields)
                walked += t.readText(field) + "/" + std::to_string(t.readInt(field)) + "|";
            return false;
        });
        ASSERT_EQ(streamed, walked);
        // A field the table lacks reads as empty and 0 everywhere.
        EXPECT_EQ(static_cast<int>(t.findAll("没有", "").size()), t.recordCount());
        EXPECT_EQ(static_cast<int>(t.findAll("没有", 0).size()), t.recordCount());
        EXPECT_TRUE(t.findAll("没有", "x").empty());
        EXPECT_EQ(static_cast<int>(
                      t.findWhere("没有", [](std::string_view s) { return s.empty(); }).size()),
                  t.recordCount());
    }
}

TEST(CursorFind, SeesOtherConnectionsAndItsOwnWritesAtTheNextOperation) {
    test::TempDir dir;
    const std::string path = dir.path("t.db");
    ASSERT_TRUE(SqliteDB().open(path, true));
    ASSERT_TRUE(execSql(path,
                        "CREATE TABLE 明细 (单号 TEXT, 菜品 TEXT);"
                        "CREATE INDEX i ON 明细 (单号);"
                        "INSERT INTO 明细 VALUES ('A','甲'),('B','乙'),('A','丙'),('C','丁');"));
    SqliteDB db;
    ASSERT_TRUE(db.open(path));
    SqliteTable t;
    ASSERT_TRUE(t.open("明细", db));
    EXPECT_EQ(t.findAll("单号", "A"), (std::vector<int>{1, 3}));

    // Another connection inserts, deletes and updates between two operations.
    ASSERT_TRUE(
        execSql(path,
                "DELETE FROM 明细 WHERE 菜品='甲'; UPDATE 明细 SET 单号='A' WHERE 菜品='丁';"
                "INSERT INTO 明细 VALUES ('A','戊')"));
    EXPECT_EQ(t.findAll("单号", "A"), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(t.recordCount(), 4);
    t.moveTo(4);
    EXPECT_EQ(t.readText("菜品"), "戊");

    // The cursor's own add, edit and delete, and a closed and reopened cursor.
    t.addNew();
    t.write("单号", "A");
    t.write("菜品", "己");
    ASSERT_TRUE(t.update());
    EXPECT_EQ(t.recordCount(), 5);
    EXPECT_EQ(t.findAll("单号", "A"), (std::vector<int>{2, 3, 4, 5}));
    ASSERT_TRUE(
        forEachMatch(t, "单号", "A", [&](SqliteTable&) { return t.readText("菜品") == "丁"; }));
    ASSERT_TRUE(t.deleteCurrent());
    EXPECT_EQ(t.recordCount(), 4);
    t.close();
    ASSERT_TRUE(execSql(path, "INSERT INTO 明细 VALUES ('A','庚')"));
    ASSERT_TRUE(t.open("明细", db));
    std::string dishes;
    forEachMatch(t, "单号", "A", [&](SqliteTable&) {
        dishes += t.readText("菜品");
        return false;
    });
    EXPECT_EQ(dishes, "丙戊己庚");
    EXPECT_EQ(t.recordNumber(), t.recordCount() + 1);  // where a walk that found nothing ends

    // A trigger of this connection that changes the table behind the cursor's own insert.
    ASSERT_TRUE(execSql(path,
                        "CREATE TRIGGER twice AFTER INSERT ON 明细 WHEN NEW.菜品='辛' BEGIN "
                        "INSERT INTO 明细 VALUES ('A','壬'); END;"));
    t.addNew();
    t.write("单号", "A");
    t.write("菜品", "辛");
    ASSERT_TRUE(t.update());
    EXPECT_EQ(t.recordCount(), 7);
    EXPECT_EQ(t.findAll("单号", "A").size(), 6u);

    // A transaction rolled back takes its rows back out of the cursor's list too.
    ASSERT_TRUE(db.beginTransaction());
    t.addNew();
    t.write("单号", "Z");
    ASSERT_TRUE(t.update());
    EXPECT_EQ(t.recordCount(), 8);
    ASSERT_TRUE(db.rollbackTransaction());
    EXPECT_TRUE(t.findAll("单号", "Z").empty());
    EXPECT_EQ(t.recordCount(), 7);
}

TEST(CursorFind, IndexesAreCreatedWhenMissingAndTheirAbsenceOnlySlows) {
    test::TempDir dir;
    const std::string path = test::makeDemoDatabase(dir);
    ASSERT_TRUE(
        execSql(path,
                "DROP INDEX 索引_明细_单号; DROP INDEX 索引_流水_单号; DROP INDEX 索引_流水_状态;"
                "DROP INDEX 索引_流水_时间;"
                // A table holding one index's name makes its creation fail.
                "CREATE TABLE 索引_流水_状态 (x);"
                "INSERT INTO 流水 VALUES ('1','t','大厅1号',2,0,0,'经理','');"));
    {
        DataContext ctx(path);
        ASSERT_EQ(ctx.openForLogin(), DataContext::LoginOpen::Ok);
        auto& journal = ctx.openOnDemand(ctx.journalCursor);
        EXPECT_EQ(journal.findAll("状态", 0), std::vector<int>{1});
    }
    EXPECT_EQ(test::querySql(path,
                             "SELECT group_concat(name) FROM (SELECT name FROM sqlite_master "
                             "WHERE type='index' AND tbl_name IN ('明细', '流水') ORDER BY name)"),
              "索引_明细_单号,索引_流水_单号,索引_流水_时间");
    EXPECT_EQ(test::querySql(path, "SELECT count(*) FROM 流水"), "1");
}
