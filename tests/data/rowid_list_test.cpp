// The runs must answer exactly as the sorted list of rowids they stand for.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "data/rowid_list.h"
#include "data/sqlite_db.h"
#include "data/sqlite_table.h"
#include "support/temp_db.h"

using namespace tablora;
using namespace tablora::data;

namespace {

void expectSame(const RowidList& runs, const std::vector<std::int64_t>& plain) {
    ASSERT_EQ(runs.size(), plain.size());
    for (size_t i = 0; i < plain.size(); ++i) ASSERT_EQ(runs.at(i), plain[i]) << i;
    const std::int64_t low = plain.empty() ? 0 : plain.front() - 2;
    const std::int64_t high = plain.empty() ? 3 : plain.back() + 2;
    for (std::int64_t v = low; v <= high; ++v) {
        const auto at = std::lower_bound(plain.begin(), plain.end(), v);
        ASSERT_EQ(runs.lowerBound(v), static_cast<size_t>(at - plain.begin())) << v;
        const bool held = at != plain.end() && *at == v;
        ASSERT_EQ(runs.indexOf(v), held ? at - plain.begin() : -1) << v;
    }
}

}  // namespace

TEST(RowidList, AgreesWithASortedListThroughRandomInsertsAndErases) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        RowidList runs;
        std::vector<std::int64_t> plain;
        const std::int64_t first = static_cast<std::int64_t>(random() % 5) - 2;
        const size_t count = random() % 12;
        runs.assignRange(first, count);
        for (size_t i = 0; i < count; ++i) plain.push_back(first + static_cast<std::int64_t>(i));
        expectSame(runs, plain);
        for (int step = 0; step < 60; ++step) {
            const std::int64_t v = static_cast<std::int64_t>(random() % 30) - 5;
            const auto at = std::lower_bound(plain.begin(), plain.end(), v);
            const bool held = at != plain.end() && *at == v;
            if (random() % 2) {
                ASSERT_EQ(runs.insert(v), !held);
                if (!held) plain.insert(at, v);
            } else {
                ASSERT_EQ(runs.erase(v), held);
                if (held) plain.erase(at);
            }
            expectSame(runs, plain);
        }
        // Erasing everything leaves no runs behind.
        for (std::int64_t v : std::vector<std::int64_t>(plain)) ASSERT_TRUE(runs.erase(v));
        EXPECT_EQ(runs.size(), 0u);
        EXPECT_EQ(runs.runCount(), 0u);
    }
    RowidList appended;
    for (std::int64_t v : {1, 2, 3, 7, 8, 10}) appended.append(v);
    expectSame(appended, {1, 2, 3, 7, 8, 10});
    EXPECT_EQ(appended.runCount(), 3u);
}

// A table with gaps is read rowid by rowid, one without by counting: both number alike.
TEST(RowidList, TheCursorNumbersGappedAndUnbrokenTablesAlike) {
    test::TempDir dir;
    const std::string path = dir.path("t.db");
    ASSERT_TRUE(SqliteDB().open(path, true));
    ASSERT_TRUE(test::execSql(path,
                              "CREATE TABLE t (v TEXT);"
                              "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n "
                              "WHERE i < 1000) INSERT INTO t (rowid, v) SELECT i+5, i FROM n;"));
    SqliteDB db;
    ASSERT_TRUE(db.open(path));
    SqliteTable t;
    ASSERT_TRUE(t.open("t", db));
    EXPECT_EQ(t.recordCount(), 1000);
    EXPECT_EQ(t.findAll("v", "1000"), std::vector<int>{1000});
    ASSERT_TRUE(t.moveToRowid(6));
    EXPECT_EQ(t.recordNumber(), 1);

    ASSERT_TRUE(test::execSql(path, "DELETE FROM t WHERE v IN ('1', '500', '999')"));
    EXPECT_EQ(t.findAll("v", "1000"), std::vector<int>{997});
    EXPECT_EQ(t.recordCount(), 997);
    ASSERT_TRUE(t.moveToRowid(506));
    EXPECT_EQ(t.readText("v"), "501");
    EXPECT_EQ(t.recordNumber(), 499);
    EXPECT_FALSE(t.moveToRowid(505));
}
