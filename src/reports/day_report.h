#pragma once

#include <string>
#include <vector>

#include "data/data_context.h"
#include "data/reports.h"
#include "util/date_time.h"

namespace tablora::report {

// The payment methods the cash desk offers, in its order.
inline constexpr const char* kPaymentMethods[] = {"现金", "微信", "支付宝", "银行卡", "挂账"};

// The owner's figures for the orders opened on a span of days (the journal's day query).
struct Report {
    long long orders = 0, guests = 0, turnover = 0, settled = 0, unsettled = 0, perGuest = 0,
              deletedOrders = 0, deletedAmount = 0;
    struct Count {
        std::string name;
        long long orders = 0, amount = 0;
    };
    std::vector<Count> methods;                     // of settled orders, in the cash desk's order
    std::vector<data::LineSum> dishes, categories;  // largest amount first
    std::vector<Count> hours;                       // "18时", earliest first
    std::vector<Count> days;                        // "2025-03-07", for the chart
    long long cashExpected = 0;  // what went into the drawer: cash received less change
    // Of the settled bills: comps, discounts and 抹零 (≤ 0); service charges and minimums; the
    // money taken (every payment less its change).
    long long taken = 0, added = 0, received = 0;
    long long cashMoved = 0;  // put into the drawer less taken out, outside sales
    long long unpaid = 0;     // orders not settled yet
};

// False when the journal or the lines could not be read whole. Days before `today` are kept
// in the file once worked out, and read from there while none of their orders changes.
bool buildReport(data::DataContext& data, const util::CalendarTime& first,
                 const util::CalendarTime& last, const util::CalendarTime& today, Report& report);

// "2025-03-07".
std::string isoDay(const util::CalendarTime& day);

}  // namespace tablora::report
