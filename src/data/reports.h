#pragma once

#include <string>
#include <vector>

namespace tablora::data {

class SqliteDB;

// The orders a report is about, kept on the connection (a temporary table) for the two below.
bool setReportOrders(SqliteDB& database, const std::vector<std::string>& numbers);

// The lines of those orders, each order's found through the index on 明细.单号, summed by dish
// name (with the category of its first line) and by category.
struct LineSum {
    std::string name, category;
    long long quantity = 0, amount = 0;
};
bool sumLines(SqliteDB& database, std::vector<LineSum>& byDish, std::vector<LineSum>& byCategory);

// The 结账 rows of those orders (the first of each order), through the index on 结账.单号.
struct PaymentRow {
    std::string number, method;
    long long received = 0, change = 0;
};
bool paymentsOf(SqliteDB& database, std::vector<PaymentRow>& payments);

}  // namespace tablora::data
