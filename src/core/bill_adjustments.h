#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tablora::data {
class DataContext;
}

namespace tablora::core {

// A change of what the guest pays beside the order's lines (流水.金额 stays their sum).
struct Adjustment {
    std::string type;  // 赠送, 单品折扣, 整单折扣, 服务费, 最低消费, 抹零
    std::string dish;
    long long quantity = 0, rate = 0, amount = 0;  // amount signed, whole yuan
    std::string reason, operatorName, approver, time;
};

// The order's adjustments in the order they were made; false when they could not be read.
bool readAdjustments(data::DataContext& data, const std::string& number,
                     std::vector<Adjustment>& adjustments);
// Comped quantity of each dish of the order.
std::map<std::string, long long> compedDishes(const std::vector<Adjustment>& adjustments);
// Σ of the amounts: what the guest pays is 流水.金额 plus this.
long long adjustmentTotal(const std::vector<Adjustment>& adjustments);
// Inside the caller's transaction.
bool addAdjustment(data::DataContext& data, const std::string& number, const Adjustment& a);
// Removes the order's adjustments of a type (and dish, when given); all of them with no type.
bool removeAdjustments(data::DataContext& data, const std::string& number,
                       const std::string& type = {}, const std::string& dish = {});

// A reopened bill keeps what was decided for it (comps, rates, a waived service charge) and
// loses what settling reckoned (抹零, the minimum's top-up, the service charge).
bool removeReckonedAdjustments(data::DataContext& data, const std::string& number);

// A party merged into order `to` brings its comps and discounts (the whole-bill rate of `to`
// stands when both have one); inside the caller's transaction.
bool carryAdjustments(data::DataContext& data, const std::string& from, const std::string& to);

// A dining table's charges as 收银设置 keeps them; none when it has no row.
struct TableCharges {
    int serviceRate = 0;
    long long minimum = 0;
};
bool readTableCharges(data::DataContext& data, const std::string& table, TableCharges& charges);
// The categories no discount applies to.
bool readNoDiscountCategories(data::DataContext& data, std::set<std::string>& categories);

}  // namespace tablora::core
