#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tablora::data {

class SqliteDB;

struct LineSum {
    std::string name, category;
    long long quantity = 0, amount = 0;
};
struct PaymentRow {
    std::string number, method;
    long long received = 0, change = 0;
};

// The orders a report is about, and their lines and payments read through the indexes on 单号.
// When the orders fill the span of numbers from the least to the greatest (a day's or a
// year's do: numbers are opening times), that span of each index is read in order; otherwise
// each order is looked up, from a temporary table of the connection.
class ReportOrders {
  public:
    bool set(SqliteDB& database, const std::vector<std::string>& numbers);
    // Their lines summed by dish name (with the category of a first line) and by category.
    bool sumLines(std::vector<LineSum>& byDish, std::vector<LineSum>& byCategory);
    // Their 结账 rows, the first of each order.
    bool payments(std::vector<PaymentRow>& rows);

  private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    SqliteDB* m_db = nullptr;
    bool m_span = false;
    std::string m_least, m_greatest;
    std::unordered_set<std::string, Hash, std::equal_to<>> m_wanted;
};

}  // namespace tablora::data
