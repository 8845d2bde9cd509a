#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/bill_adjustments.h"

namespace tablora::core {

// One line of an order as the bill reckons with it.
struct BillLine {
    std::string dish, category;
    long long price = 0, quantity = 0, amount = 0;
};

// What was decided for a bill besides its lines.
struct BillTerms {
    std::map<std::string, long long> comped;  // dish → quantity given free
    std::map<std::string, int> lineRates;     // dish → percent paid (88: 8.8折)
    int wholeRate = 100;                      // the other lines' percent
    std::set<std::string> noDiscount;         // categories no discount applies to
    long long minimum = 0;                    // the table's minimum spend
    int serviceRate = 0;                      // the table's service charge, percent
    bool serviceWaived = false;
    long long roundOff = 0;  // 抹零 the cashier chose
};

// The bill reckoned: each adjustment's amount and what the guest pays.
struct BillFigures {
    long long lines = 0;                                        // A: the lines' sum (流水.金额)
    long long comps = 0, lineDiscounts = 0, wholeDiscount = 0;  // G, D1, D2 (≤ 0)
    long long minimumTopUp = 0, service = 0;                    // M, S (≥ 0)
    long long beforeRoundOff = 0;                               // T
    long long roundOff = 0;                                     // R (≥ 0)
    long long due = 0;                                          // 应收 = T − R
    long long discountable = 0;                       // what a whole-bill rate applies to (E)
    std::map<std::string, long long> lineDiscountOf;  // D1 dish by dish
    long long taken() const { return comps + lineDiscounts + wholeDiscount - roundOff; }
    long long added() const { return minimumTopUp + service; }
};

// In integers, rounding every discount down so a guest is never charged more; nothing when
// an amount would leave the stored range. The amount due is at least 1 once anything was
// taken off a bill that had something to pay, unless every dish was given free.
std::optional<BillFigures> reckonBill(long long lines, const std::vector<BillLine>& items,
                                      const BillTerms& terms);

// The adjustment rows a settled bill keeps: every amount as reckoned, in the order above.
// Rates and comps come from `kept` (their reasons, who made them).
std::vector<Adjustment> settledAdjustments(const BillFigures& figures, const BillTerms& terms,
                                           const std::vector<Adjustment>& kept);

// "8.8折", "9折" for 88, 90.
std::string rateText(int percent);
// A typed rate: "88" or "8.8" → 88, "9" → 90, "9.5" → 95, "100" → 100; nothing when it is
// not a rate between 1折 and 10折.
std::optional<int> parseRate(const std::string& typed);

}  // namespace tablora::core
