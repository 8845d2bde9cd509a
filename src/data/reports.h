#pragma once

#include <string>
#include <vector>

namespace tablora::data {

class SqliteDB;

// The lines of a set of orders summed in SQLite, each order's lines found through the index on
// 明细.单号: by dish name (with the category of its first line) and by category.
struct LineSum {
    std::string name, category;
    long long quantity = 0, amount = 0;
};
bool sumLines(SqliteDB& database, const std::vector<std::string>& numbers,
              std::vector<LineSum>& byDish, std::vector<LineSum>& byCategory);

// The 结账 rows of a set of orders (the first of each order), through the index on 结账.单号.
struct PaymentRow {
    std::string number, method;
    long long received = 0, change = 0;
};
bool paymentsOf(SqliteDB& database, const std::vector<std::string>& numbers,
                std::vector<PaymentRow>& payments);

}  // namespace tablora::data
