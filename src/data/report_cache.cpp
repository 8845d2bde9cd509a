#include "data/report_cache.h"

#include <sqlite3.h>

#include <cstdlib>

#include "data/sqlite_db.h"
#include "data/statements.h"

namespace tablora::data {
namespace {

// The tables whose changes move a day's figures, and the opening time an order's row gives.
struct Watched {
    const char* table;
    const char* timeOfNew;
    const char* timeOfOld;
};
constexpr Watched kWatched[] = {
    {"流水", "SELECT NEW.时间 AS t", "SELECT OLD.时间 AS t"},
    {"明细", "SELECT 时间 AS t FROM 流水 WHERE 单号 = NEW.单号",
     "SELECT 时间 AS t FROM 流水 WHERE 单号 = OLD.单号"},
    {"结账", "SELECT 时间 AS t FROM 流水 WHERE 单号 = NEW.单号",
     "SELECT 时间 AS t FROM 流水 WHERE 单号 = OLD.单号"},
    {"账单调整", "SELECT 时间 AS t FROM 流水 WHERE 单号 = NEW.单号",
     "SELECT 时间 AS t FROM 流水 WHERE 单号 = OLD.单号"},
};
constexpr int kTriggers = 4 * 3;

std::string noted(const std::string& select) {
    // A time that is no text still names the order's day as the journal reads it.
    return "INSERT OR IGNORE INTO 报表变动 SELECT coalesce(CAST(t AS TEXT), '') FROM (" + select +
           ");";
}

std::string triggerSql() {
    std::string sql;
    for (const Watched& w : kWatched) {
        const std::string on = std::string(w.table);
        const std::string when = " WHEN EXISTS (SELECT 1 FROM 报表缓存) BEGIN ";
        sql += "CREATE TRIGGER IF NOT EXISTS 报表变动_" + on + "_增 AFTER INSERT ON " + on + when +
               noted(w.timeOfNew) + " END;";
        sql += "CREATE TRIGGER IF NOT EXISTS 报表变动_" + on + "_删 AFTER DELETE ON " + on + when +
               noted(w.timeOfOld) + " END;";
        sql += "CREATE TRIGGER IF NOT EXISTS 报表变动_" + on + "_改 AFTER UPDATE ON " + on + when +
               noted(w.timeOfOld) + noted(w.timeOfNew) + " END;";
    }
    return sql;
}

int ownTriggers(sqlite3* db) {
    return std::atoi(single(db,
                            "SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name "
                            "LIKE '报表变动\\_%' ESCAPE '\\'")
                         .c_str());
}

}  // namespace

bool addReportCache(SqliteDB& database) {
    sqlite3* db = database.handle();
    if (!db) return false;
    if (ownTriggers(db) == kTriggers) return true;
    // In one transaction: figures kept while a trigger was missing may miss a change.
    const std::string sql =
        "BEGIN IMMEDIATE;"
        "CREATE TABLE IF NOT EXISTS 报表缓存 (日期 INTEGER PRIMARY KEY, 内容 BLOB);"
        "CREATE TABLE IF NOT EXISTS 报表变动 (时间 TEXT PRIMARY KEY) WITHOUT ROWID;" +
        triggerSql() + "DELETE FROM 报表缓存; DELETE FROM 报表变动; COMMIT;";
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

int newestKeptDay(SqliteDB& database) {
    return std::atoi(single(database.handle(), "SELECT max(日期) FROM 报表缓存").c_str());
}

ReportCache::~ReportCache() {
    if (m_db) finish({}, {});
}

bool ReportCache::begin(SqliteDB& database, std::vector<std::string>& changedTimes) {
    sqlite3* db = database.handle();
    if (!db || database.inTransaction() || ownTriggers(db) != kTriggers) return false;
    if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
    m_db = &database;
    // The first read fixes the moment every figure of this report is read at.
    const bool read = forEachRow(db, "SELECT 时间 FROM 报表变动", [&](sqlite3_stmt* stmt) {
        changedTimes.emplace_back(columnView(stmt, 0));
    });
    m_noted = !changedTimes.empty();
    if (read) return true;
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_db = nullptr;
    return false;
}

bool ReportCache::load(int from, int to, std::map<int, std::string>& kept) {
    // Day numbers bound as text take the column's integer affinity.
    return forEachRow(m_db ? m_db->handle() : nullptr,
                      "SELECT 日期, 内容 FROM 报表缓存 WHERE 日期 BETWEEN ?1 AND ?2",
                      [&](sqlite3_stmt* stmt) {
                          const auto* blob = static_cast<const char*>(sqlite3_column_blob(stmt, 1));
                          kept[sqlite3_column_int(stmt, 0)] = std::string(
                              blob ? blob : "", static_cast<size_t>(sqlite3_column_bytes(stmt, 1)));
                      },
                      {std::to_string(from), std::to_string(to)});
}

void ReportCache::finish(const std::vector<int>& forget, const std::map<int, std::string>& keep) {
    sqlite3* db = m_db ? m_db->handle() : nullptr;
    m_db = nullptr;
    if (!db) return;
    if (sqlite3_get_autocommit(db)) return;  // SQLite already ended it
    const auto run = [](sqlite3_stmt* stmt) {
        const bool done = sqlite3_step(stmt) == SQLITE_DONE;
        sqlite3_reset(stmt);
        return done;
    };
    bool ok = true;
    if (m_noted || !forget.empty() || !keep.empty()) {
        // The first write takes the write lock; in write-ahead-log mode it is refused at once
        // when another program wrote since the moment read, so nothing stale is kept.
        sqlite3_stmt* del = nullptr;
        sqlite3_stmt* put = nullptr;
        ok = sqlite3_exec(db, "DELETE FROM 报表变动", nullptr, nullptr, nullptr) == SQLITE_OK &&
             sqlite3_prepare_v2(db, "DELETE FROM 报表缓存 WHERE 日期 = ?", -1, &del, nullptr) ==
                 SQLITE_OK &&
             sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO 报表缓存 VALUES (?, ?)", -1, &put,
                                nullptr) == SQLITE_OK;
        for (size_t i = 0; ok && i < forget.size(); ++i) {
            sqlite3_bind_int(del, 1, forget[i]);
            ok = run(del);
        }
        for (auto it = keep.begin(); ok && it != keep.end(); ++it) {
            sqlite3_bind_int(put, 1, it->first);
            sqlite3_bind_blob(put, 2, it->second.data(), static_cast<int>(it->second.size()),
                              SQLITE_STATIC);
            ok = run(put);
        }
        sqlite3_finalize(del);
        sqlite3_finalize(put);
    }
    if (!ok || sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace tablora::data
