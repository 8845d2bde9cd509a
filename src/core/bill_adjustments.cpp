#include "core/bill_adjustments.h"

#include "data/data_context.h"
#include "data/sqlite_table.h"

namespace tablora::core {

bool readAdjustments(data::DataContext& data, const std::string& number,
                     std::vector<Adjustment>& adjustments) {
    adjustments.clear();
    const data::CursorUse table(data, data.adjustmentCursor);
    if (!table->isOpen()) return true;  // a file from before adjustments has none
    for (int n : table->findAll("单号", number)) {
        if (!table->moveTo(n)) return false;
        adjustments.push_back(
            {table->readText("类型"), table->readText("菜品"), table->readInt("数量"),
             table->readInt("比例"), table->readInt("金额"), table->readText("原因"),
             table->readText("操作员"), table->readText("授权人"), table->readText("时间")});
    }
    return !table->readFailed();
}

std::map<std::string, long long> compedDishes(const std::vector<Adjustment>& adjustments) {
    std::map<std::string, long long> comped;
    for (const Adjustment& a : adjustments)
        if (a.type == "赠送") comped[a.dish] += a.quantity;
    return comped;
}

long long adjustmentTotal(const std::vector<Adjustment>& adjustments) {
    long long total = 0;
    for (const Adjustment& a : adjustments) total += a.amount;
    return total;
}

bool addAdjustment(data::DataContext& data, const std::string& number, const Adjustment& a) {
    const data::CursorUse table(data, data.adjustmentCursor);
    return table->isOpen() && table->addNew() && table->write("单号", number) &&
           table->write("类型", a.type) && table->write("菜品", a.dish) &&
           table->write("数量", static_cast<std::int64_t>(a.quantity)) &&
           table->write("比例", static_cast<std::int64_t>(a.rate)) &&
           table->write("金额", static_cast<std::int64_t>(a.amount)) &&
           table->write("原因", a.reason) && table->write("操作员", a.operatorName) &&
           table->write("授权人", a.approver) && table->write("时间", a.time) && table->update();
}

bool removeAdjustments(data::DataContext& data, const std::string& number, const std::string& type,
                       const std::string& dish) {
    const data::CursorUse table(data, data.adjustmentCursor);
    if (!table->isOpen()) return true;
    const std::vector<int> rows = table->findAll("单号", number);
    for (auto r = rows.rbegin(); r != rows.rend(); ++r) {
        if (!table->moveTo(*r)) return false;
        if (!type.empty() && table->readText("类型") != type) continue;
        if (!dish.empty() && table->readText("菜品") != dish) continue;
        if (!table->deleteCurrent()) return false;
    }
    return !table->readFailed();
}

bool removeReckonedAdjustments(data::DataContext& data, const std::string& number) {
    const data::CursorUse table(data, data.adjustmentCursor);
    if (!table->isOpen()) return true;
    const std::vector<int> rows = table->findAll("单号", number);
    for (auto r = rows.rbegin(); r != rows.rend(); ++r) {
        if (!table->moveTo(*r)) return false;
        const std::string type = table->readText("类型");
        if ((type == "抹零" || type == "最低消费" ||
             (type == "服务费" && table->readInt("金额") != 0)) &&
            !table->deleteCurrent())
            return false;
    }
    return !table->readFailed();
}

bool carryAdjustments(data::DataContext& data, const std::string& from, const std::string& to) {
    std::vector<Adjustment> moving, staying;
    if (!readAdjustments(data, from, moving)) return false;
    if (moving.empty()) return true;
    if (!readAdjustments(data, to, staying) || !removeAdjustments(data, from)) return false;
    bool wholeRate = false;
    for (const Adjustment& a : staying) wholeRate = wholeRate || a.type == "整单折扣";
    for (const Adjustment& a : moving)
        if (!(wholeRate && a.type == "整单折扣") && !addAdjustment(data, to, a)) return false;
    return true;
}

bool readTableCharges(data::DataContext& data, const std::string& table, TableCharges& charges) {
    charges = {};
    data::SqliteTable rows;
    if (!rows.open("餐台收费", data.database)) return !data.database.exists("table", "餐台收费");
    for (int n : rows.findAll("台号", table))
        if (rows.moveTo(n)) charges = {rows.readInt("服务费率"), rows.readInt("最低消费")};
    return !rows.readFailed();
}

bool readNoDiscountCategories(data::DataContext& data, std::set<std::string>& categories) {
    categories.clear();
    data::SqliteTable rows;
    if (!rows.open("不打折分类", data.database))
        return !data.database.exists("table", "不打折分类");
    for (bool more = rows.moveFirst(); more; more = rows.skip())
        categories.insert(rows.readText("分类"));
    return !rows.readFailed();
}

}  // namespace tablora::core
