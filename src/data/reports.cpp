#include "data/reports.h"

#include <sqlite3.h>

#include <algorithm>

#include <string_view>
#include <unordered_map>

#include "data/sqlite_db.h"

namespace tablora::data {
namespace {

std::string text(sqlite3_stmt* stmt, int column) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return t ? t : "";
}

std::string_view view(sqlite3_stmt* s, int c) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
    return t ? std::string_view(t, static_cast<size_t>(sqlite3_column_bytes(s, c)))
             : std::string_view();
}

template <class Row>
bool query(sqlite3* db, const char* sql, Row&& row, const std::vector<std::string>& texts = {}) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) return false;
    for (size_t i = 0; i < texts.size(); ++i)
        sqlite3_bind_text(stmt, static_cast<int>(i + 1), texts[i].data(),
                          static_cast<int>(texts[i].size()), SQLITE_STATIC);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) row(stmt);
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

}  // namespace

bool ReportOrders::set(SqliteDB& database, const std::vector<std::string>& numbers) {
    m_db = &database;
    m_wanted.clear();
    m_wanted.insert(numbers.begin(), numbers.end());
    sqlite3* db = database.handle();
    if (!db) return false;
    m_span = false;
    if (numbers.empty()) return true;
    const auto [least, greatest] = std::minmax_element(numbers.begin(), numbers.end());
    m_least = *least;
    m_greatest = *greatest;
    // The span is read when it holds few orders besides these.
    long long inSpan = -1;
    query(db, "SELECT count(*) FROM 流水 WHERE 单号 >= ?1 AND 单号 <= ?2",
          [&](sqlite3_stmt* s) { inSpan = sqlite3_column_int64(s, 0); }, {m_least, m_greatest});
    const auto wanted = static_cast<long long>(m_wanted.size());
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

bool ReportOrders::sumLines(std::vector<LineSum>& byDish, std::vector<LineSum>& byCategory) {
    sqlite3* db = m_db ? m_db->handle() : nullptr;
    if (!db) return false;
    if (m_wanted.empty()) return true;
    // Summed here rather than by SQLite's GROUP BY, which sorts a year's million lines; looked
    // up by the text SQLite hands over, so a name is copied once, not once a line.
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
    const char* sql =
        m_span ? "SELECT 单号, 菜品, 分类, CAST(数量 AS INTEGER), CAST(金额 AS INTEGER) FROM 明细 "
                 "WHERE 单号 >= ?1 AND 单号 <= ?2"
               : "SELECT d.单号, d.菜品, d.分类, CAST(d.数量 AS INTEGER), CAST(d.金额 AS INTEGER) "
                 "FROM temp.报表单号 n CROSS JOIN 明细 d ON d.单号 = n.单号";
    return query(
        db, sql,
        [&, lastNumber = std::string(), lastWanted = false](sqlite3_stmt* s) mutable {
            // An order's lines come together: its number is looked up once.
            if (m_span) {
                const std::string_view number = view(s, 0);
                if (number != lastNumber) {
                    lastNumber.assign(number);
                    lastWanted = m_wanted.count(number) > 0;
                }
                if (!lastWanted) return;
            }
            const long long quantity = sqlite3_column_int64(s, 3);
            const long long amount = sqlite3_column_int64(s, 4);
            add(byDish, dishAt, view(s, 1), view(s, 2), quantity, amount);
            add(byCategory, categoryAt, view(s, 2), {}, quantity, amount);
        },
        m_span ? std::vector<std::string>{m_least, m_greatest} : std::vector<std::string>{});
}

bool ReportOrders::payments(std::vector<PaymentRow>& rows) {
    sqlite3* db = m_db ? m_db->handle() : nullptr;
    if (!db) return false;
    if (m_wanted.empty()) return true;
    const char* sql =
        m_span ? "SELECT k.单号, k.付款方式, CAST(k.实收 AS INTEGER), CAST(k.找零 AS INTEGER) "
                 "FROM 结账 k WHERE k.单号 >= ?1 AND k.单号 <= ?2 "
                 "AND k.rowid = (SELECT min(rowid) FROM 结账 WHERE 单号 = k.单号)"
               : "SELECT k.单号, k.付款方式, CAST(k.实收 AS INTEGER), CAST(k.找零 AS INTEGER) "
                 "FROM temp.报表单号 n CROSS JOIN 结账 k ON k.单号 = n.单号 "
                 "WHERE k.rowid = (SELECT min(rowid) FROM 结账 WHERE 单号 = n.单号)";
    return query(
        db, sql,
        [&](sqlite3_stmt* s) {
            if (m_span && !m_wanted.count(view(s, 0))) return;
            rows.push_back(
                {text(s, 0), text(s, 1), sqlite3_column_int64(s, 2), sqlite3_column_int64(s, 3)});
        },
        m_span ? std::vector<std::string>{m_least, m_greatest} : std::vector<std::string>{});
}

}  // namespace tablora::data
