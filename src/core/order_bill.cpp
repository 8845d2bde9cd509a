#include "core/order_bill.h"

#include "data/data_context.h"
#include "data/sqlite_table.h"

namespace tablora::core {

BillTerms termsOf(const std::vector<Adjustment>& kept) {
    BillTerms terms;
    for (const Adjustment& a : kept) {
        if (a.type == "赠送") terms.comped[a.dish] += a.quantity;
        if (a.type == "单品折扣") terms.lineRates[a.dish] = static_cast<int>(a.rate);
        if (a.type == "整单折扣") terms.wholeRate = static_cast<int>(a.rate);
        if (a.type == "服务费" && a.amount == 0) terms.serviceWaived = true;
    }
    return terms;
}

std::optional<OrderBill> readBill(data::DataContext& data, const std::string& number,
                                  const std::string& table, long long lines, long long roundOff) {
    OrderBill bill;
    auto& detail = data.openOnDemand(data.detailCursor);
    data::forEachMatch(detail, "单号", number, [&](data::SqliteTable&) {
        bill.items.push_back({detail.readText("菜品"), detail.readText("分类"),
                              detail.readInt("单价"), detail.readInt("数量"),
                              detail.readInt("金额")});
        return false;
    });
    const bool read = !detail.readFailed();
    detail.close();
    TableCharges charges;
    if (!read || !readAdjustments(data, number, bill.kept) ||
        !readTableCharges(data, table, charges))
        return std::nullopt;
    bill.terms = termsOf(bill.kept);
    if (!readNoDiscountCategories(data, bill.terms.noDiscount)) return std::nullopt;
    bill.terms.minimum = charges.minimum;
    bill.terms.serviceRate = charges.serviceRate;
    bill.terms.roundOff = roundOff;
    const auto figures = reckonBill(lines, bill.items, bill.terms);
    if (!figures) return std::nullopt;
    bill.figures = *figures;
    return bill;
}

bool keepSettledAdjustments(data::DataContext& data, const std::string& number,
                            const OrderBill& bill, const std::string& user,
                            const std::string& time) {
    if (!bill.adjusted()) return true;  // a plain bill writes nothing beside its payment
    if (!removeAdjustments(data, number)) return false;
    for (Adjustment row : settledAdjustments(bill.figures, bill.terms, bill.kept)) {
        if (row.operatorName.empty()) row.operatorName = user;
        if (row.time.empty()) row.time = time;
        if (!addAdjustment(data, number, row)) return false;
    }
    return true;
}

std::vector<std::pair<std::string, long long>> adjustmentLines(const OrderBill& bill) {
    std::vector<std::pair<std::string, long long>> lines;
    for (const Adjustment& a : settledAdjustments(bill.figures, bill.terms, bill.kept)) {
        std::string text = a.type;
        if (a.type == "赠送")
            text += " " + a.dish + "×" + std::to_string(a.quantity) +
                    (a.reason.empty() ? "" : "（" + a.reason + "）");
        else if (a.type == "单品折扣")
            text += " " + a.dish + " " + rateText(static_cast<int>(a.rate));
        else if (a.type == "整单折扣")
            text += " " + rateText(static_cast<int>(a.rate));
        else if (a.type == "最低消费")
            text = "最低消费补足";
        else if (a.type == "服务费")
            text = a.amount == 0 ? "免服务费" : "服务费 " + std::to_string(a.rate) + "%";
        lines.emplace_back(text, a.amount);
    }
    return lines;
}

}  // namespace tablora::core
