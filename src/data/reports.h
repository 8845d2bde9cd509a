#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3_stmt;

namespace tablora::data {

class SqliteDB;

struct LineSum {
    std::string name, category;
    long long quantity = 0, amount = 0;
};

// The orders a report is about, and their lines and payments read through the indexes on 单号.
// When the orders fill the span of numbers from the least to the greatest (a day's or a
// year's do: numbers are opening times), that span of each index is read in order, and the
// rows of other orders in it are handed out too, for the caller to pass over; otherwise each
// order is looked up, from a temporary table of the connection.
class ReportOrders {
  public:
    bool set(SqliteDB& database, const std::vector<std::string>& numbers);
    // Their lines, an order's together, orders in the order of their numbers.
    using Line =
        std::function<void(std::string_view number, std::string_view dish,
                           std::string_view category, long long quantity, long long amount)>;
    bool forEachLine(const Line& line);
    // Their 结账 rows: a bill paid several ways has one a payment.
    using Payment = std::function<void(std::string_view number, std::string_view method,
                                       long long received, long long change)>;
    bool forEachPayment(const Payment& payment);
    // Their 账单调整 rows (a file from before them has none).
    using Adjustment =
        std::function<void(std::string_view number, std::string_view type, long long amount)>;
    bool forEachAdjustment(const Adjustment& adjustment);

  private:
    // The span's statement (its least and greatest numbers as ?1 and ?2), or the listed one.
    bool read(const char* spanSql, const char* listedSql,
              const std::function<void(sqlite3_stmt*)>& row);
    SqliteDB* m_db = nullptr;
    bool m_any = false;
    bool m_span = false;
    std::string m_least, m_greatest;
};

// A row of 操作记录, as the owner reads it.
struct TraceEntry {
    std::string time, number, table, action, dish;
    long long quantity = 0, amount = 0;
    std::string reason, operatorName, approver;
};
// The trace of the times from `from` to `to` ("2025-03-07 00:00:00"), oldest first, through
// the index on 时间; false when it could not be read.
bool readTraceSpan(SqliteDB& database, const std::string& from, const std::string& to,
                   std::vector<TraceEntry>& entries);

}  // namespace tablora::data
