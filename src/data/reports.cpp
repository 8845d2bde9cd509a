#include "data/reports.h"

#include <sqlite3.h>

#include <algorithm>

#include <string_view>

#include "data/sqlite_db.h"
#include "data/statements.h"

namespace tablora::data {

bool ReportOrders::set(SqliteDB& database, const std::vector<std::string>& numbers) {
    m_db = &database;
    sqlite3* db = database.handle();
    if (!db) return false;
    m_span = false;
    m_any = !numbers.empty();
    if (numbers.empty()) return true;
    const auto [least, greatest] = std::minmax_element(numbers.begin(), numbers.end());
    m_least = *least;
    m_greatest = *greatest;
    // The span is read when it holds few orders besides these.
    long long inSpan = -1;
    forEachRow(db, "SELECT count(*) FROM 流水 WHERE 单号 >= ?1 AND 单号 <= ?2",
               [&](sqlite3_stmt* s) { inSpan = sqlite3_column_int64(s, 0); },
               {m_least, m_greatest});
    const auto wanted = static_cast<long long>(numbers.size());
    if (inSpan >= 0 && inSpan <= wanted + wanted / 4 + 100) {
        m_span = true;
        return true;
    }
    if (sqlite3_exec(
            db,
            "CREATE TEMP TABLE IF NOT EXISTS 报表单号 (单号 TEXT PRIMARY KEY) WITHOUT ROWID;"
            "SAVEPOINT 报表; DELETE FROM temp.报表单号",
            nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    // One transaction for them all: one each would cost a commit a number.
    sqlite3_stmt* insert = nullptr;
    bool ok = sqlite3_prepare_v2(db, "INSERT OR IGNORE INTO temp.报表单号 VALUES (?)", -1, &insert,
                                 nullptr) == SQLITE_OK;
    for (size_t i = 0; ok && i < numbers.size(); ++i) {
        sqlite3_bind_text(insert, 1, numbers[i].data(), static_cast<int>(numbers[i].size()),
                          SQLITE_STATIC);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    if (!ok) sqlite3_exec(db, "ROLLBACK TO 报表", nullptr, nullptr, nullptr);
    return sqlite3_exec(db, "RELEASE 报表", nullptr, nullptr, nullptr) == SQLITE_OK && ok;
}

bool ReportOrders::forEachLine(const Line& line) {
    return read(
        "SELECT 单号, 菜品, 分类, CAST(数量 AS INTEGER), CAST(金额 AS INTEGER) FROM 明细 "
        "WHERE 单号 >= ?1 AND 单号 <= ?2",
        "SELECT d.单号, d.菜品, d.分类, CAST(d.数量 AS INTEGER), CAST(d.金额 AS INTEGER) "
        "FROM temp.报表单号 n CROSS JOIN 明细 d ON d.单号 = n.单号",
        [&](sqlite3_stmt* s) {
            line(columnView(s, 0), columnView(s, 1), columnView(s, 2), sqlite3_column_int64(s, 3),
                 sqlite3_column_int64(s, 4));
        });
}

bool ReportOrders::forEachPayment(const Payment& payment) {
    return read(
        "SELECT k.单号, k.付款方式, CAST(k.实收 AS INTEGER), CAST(k.找零 AS INTEGER) "
        "FROM 结账 k WHERE k.单号 >= ?1 AND k.单号 <= ?2",
        "SELECT k.单号, k.付款方式, CAST(k.实收 AS INTEGER), CAST(k.找零 AS INTEGER) "
        "FROM temp.报表单号 n CROSS JOIN 结账 k ON k.单号 = n.单号",
        [&](sqlite3_stmt* s) {
            payment(columnView(s, 0), columnView(s, 1), sqlite3_column_int64(s, 2),
                    sqlite3_column_int64(s, 3));
        });
}

bool ReportOrders::forEachAdjustment(const Adjustment& adjustment) {
    if (!m_db || !m_db->exists("table", "账单调整")) return true;
    return read(
        "SELECT 单号, 类型, CAST(金额 AS INTEGER) FROM 账单调整 WHERE 单号 >= ?1 AND 单号 <= ?2",
        "SELECT a.单号, a.类型, CAST(a.金额 AS INTEGER) "
        "FROM temp.报表单号 n CROSS JOIN 账单调整 a ON a.单号 = n.单号",
        [&](sqlite3_stmt* s) {
            adjustment(columnView(s, 0), columnView(s, 1), sqlite3_column_int64(s, 2));
        });
}

bool ReportOrders::read(const char* spanSql, const char* listedSql,
                        const std::function<void(sqlite3_stmt*)>& row) {
    sqlite3* db = m_db ? m_db->handle() : nullptr;
    if (!db) return false;
    if (!m_any) return true;
    return m_span ? forEachRow(db, spanSql, row, {m_least, m_greatest})
                  : forEachRow(db, listedSql, row);
}

bool readTraceSpan(SqliteDB& database, const std::string& from, const std::string& to,
                   std::vector<TraceEntry>& entries) {
    sqlite3_stmt* stmt = nullptr;
    if (!database.handle() ||
        sqlite3_prepare_v2(database.handle(),
                           "SELECT 时间, 单号, 台号, 动作, 菜品, 数量, 金额, 原因, 操作员, 授权人 "
                           "FROM 操作记录 WHERE 时间 BETWEEN ?1 AND ?2 ORDER BY 时间, rowid",
                           -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return false;
    }
    sqlite3_bind_text(stmt, 1, from.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, to.c_str(), -1, SQLITE_TRANSIENT);
    const auto text = [stmt](int column) {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        return std::string(bytes ? bytes : "");
    };
    int step;
    while ((step = sqlite3_step(stmt)) == SQLITE_ROW)
        entries.push_back({text(0), text(1), text(2), text(3), text(4),
                           sqlite3_column_int64(stmt, 5), sqlite3_column_int64(stmt, 6), text(7),
                           text(8), text(9)});
    sqlite3_finalize(stmt);
    return step == SQLITE_DONE;
}

}  // namespace tablora::data
