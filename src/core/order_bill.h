#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/bill_math.h"

namespace tablora::data {
class DataContext;
}

namespace tablora::core {

// An unpaid order's bill as stored now: its lines, what was decided for it, the table's
// charges, reckoned.
struct OrderBill {
    std::vector<BillLine> items;
    std::vector<Adjustment> kept;
    BillTerms terms;
    BillFigures figures;
    // Whether the bill differs from its lines' sum in any way the cash desk shows.
    bool adjusted() const { return !kept.empty() || figures.added() != 0 || figures.roundOff != 0; }
};

// The decisions kept as adjustment rows: comps, rates, a waived service charge.
BillTerms termsOf(const std::vector<Adjustment>& kept);

// Nothing when it could not be read or reckoned; `lines` is the order's 流水.金额.
std::optional<OrderBill> readBill(data::DataContext& data, const std::string& number,
                                  const std::string& table, long long lines,
                                  long long roundOff = 0);

// Inside the caller's transaction: replaces the order's adjustment rows with what the settled
// bill keeps, each amount as reckoned.
bool keepSettledAdjustments(data::DataContext& data, const std::string& number,
                            const OrderBill& bill, const std::string& user,
                            const std::string& time);

// The bill's lines after its dishes, as printed: "赠送 宫保鸡丁×1（老客户） -28".
std::vector<std::pair<std::string, long long>> adjustmentLines(const OrderBill& bill);

}  // namespace tablora::core
