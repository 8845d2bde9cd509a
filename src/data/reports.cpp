#include "data/reports.h"

#include <sqlite3.h>

#include <string_view>
#include <unordered_map>

#include "data/sqlite_db.h"

namespace tablora::data {
namespace {

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

bool setReportOrders(SqliteDB& database, const std::vector<std::string>& numbers) {
    sqlite3* db = database.handle();
    if (!db || sqlite3_exec(db,
                            "CREATE TEMP TABLE IF NOT EXISTS 报表单号 (单号 TEXT PRIMARY KEY) "
                            "WITHOUT ROWID;"
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

bool sumLines(SqliteDB& database, std::vector<LineSum>& byDish, std::vector<LineSum>& byCategory) {
    sqlite3* db = database.handle();
    if (!db) return false;
    // Summed here rather than by SQLite's GROUP BY, which sorts a year's million lines.
    // Looked up by the text SQLite hands over: a name is copied once, not once a line.
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using Index = std::unordered_map<std::string, size_t, Hash, std::equal_to<>>;
    Index dishAt, categoryAt;
    const auto add = [](std::vector<LineSum>& sums, Index& at, std::string_view name,
                        std::string_view category, long long quantity, long long amount) {
        auto it = at.find(name);
        if (it == at.end()) {
            it = at.emplace(std::string(name), sums.size()).first;
            sums.push_back({std::string(name), std::string(category), 0, 0});
        }
        sums[it->second].quantity += quantity;
        sums[it->second].amount += amount;
    };
    return query(db,
                 "SELECT d.菜品, d.分类, CAST(d.数量 AS INTEGER), CAST(d.金额 AS INTEGER) "
                 "FROM temp.报表单号 n CROSS JOIN 明细 d ON d.单号 = n.单号",
                 [&](sqlite3_stmt* s) {
                     const auto view = [s](int c) {
                         const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
                         return t ? std::string_view(
                                        t, static_cast<size_t>(sqlite3_column_bytes(s, c)))
                                  : std::string_view();
                     };
                     const long long quantity = sqlite3_column_int64(s, 2);
                     const long long amount = sqlite3_column_int64(s, 3);
                     add(byDish, dishAt, view(0), view(1), quantity, amount);
                     add(byCategory, categoryAt, view(1), {}, quantity, amount);
                 });
}

bool paymentsOf(SqliteDB& database, std::vector<PaymentRow>& payments) {
    sqlite3* db = database.handle();
    if (!db) return false;
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
