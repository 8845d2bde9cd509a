#include "data/reports.h"

#include <sqlite3.h>

#include "data/sqlite_db.h"

namespace tablora::data {
namespace {

// The order numbers as a temporary table of this connection, for a join.
bool loadNumbers(sqlite3* db, const std::vector<std::string>& numbers) {
    if (sqlite3_exec(
            db,
            "CREATE TEMP TABLE IF NOT EXISTS 报表单号 (单号 TEXT PRIMARY KEY) WITHOUT ROWID;"
            "DELETE FROM temp.报表单号",
            nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db, "INSERT OR IGNORE INTO temp.报表单号 VALUES (?)", -1, &insert,
                           nullptr) != SQLITE_OK)
        return false;
    bool ok = true;
    for (const auto& n : numbers) {
        sqlite3_bind_text(insert, 1, n.data(), static_cast<int>(n.size()), SQLITE_STATIC);
        ok = ok && sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    return ok;
}

std::string text(sqlite3_stmt* stmt, int column) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return t ? t : "";
}

template <class Row>
bool query(sqlite3* db, const char* sql, Row&& row) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) return false;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) row(stmt);
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

}  // namespace

bool sumLines(SqliteDB& database, const std::vector<std::string>& numbers,
              std::vector<LineSum>& byDish, std::vector<LineSum>& byCategory) {
    sqlite3* db = database.handle();
    if (!db || !loadNumbers(db, numbers)) return false;
    // Numbers summed as the lists read them: whole numbers.
    const auto sum = [](sqlite3_stmt* s, std::vector<LineSum>& out, bool withCategory) {
        out.push_back({text(s, 0), withCategory ? text(s, 1) : "", sqlite3_column_int64(s, 2),
                       sqlite3_column_int64(s, 3)});
    };
    return query(
               db,
               "SELECT d.菜品, d.分类, sum(CAST(d.数量 AS INTEGER)), sum(CAST(d.金额 AS INTEGER)) "
               "FROM temp.报表单号 n CROSS JOIN 明细 d ON d.单号 = n.单号 GROUP BY d.菜品",
               [&](sqlite3_stmt* s) { sum(s, byDish, true); }) &&
           query(db,
                 "SELECT d.分类, '', sum(CAST(d.数量 AS INTEGER)), sum(CAST(d.金额 AS INTEGER)) "
                 "FROM temp.报表单号 n CROSS JOIN 明细 d ON d.单号 = n.单号 GROUP BY d.分类",
                 [&](sqlite3_stmt* s) { sum(s, byCategory, false); });
}

bool paymentsOf(SqliteDB& database, const std::vector<std::string>& numbers,
                std::vector<PaymentRow>& payments) {
    sqlite3* db = database.handle();
    if (!db || !loadNumbers(db, numbers)) return false;
    return query(db,
                 "SELECT k.单号, k.付款方式, CAST(k.实收 AS INTEGER), CAST(k.找零 AS INTEGER) "
                 "FROM temp.报表单号 n CROSS JOIN 结账 k ON k.单号 = n.单号 "
                 "WHERE k.rowid = (SELECT min(rowid) FROM 结账 WHERE 单号 = n.单号)",
                 [&](sqlite3_stmt* s) {
                     payments.push_back({text(s, 0), text(s, 1), sqlite3_column_int64(s, 2),
                                         sqlite3_column_int64(s, 3)});
                 });
}

}  // namespace tablora::data
