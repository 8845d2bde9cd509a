#include "reports/day_report.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "core/journal_days.h"

namespace tablora::report {
namespace {

// Largest amount first, equal amounts by the name's bytes.
template <class T>
void byAmount(std::vector<T>& rows) {
    std::sort(rows.begin(), rows.end(), [](const T& a, const T& b) {
        return a.amount != b.amount ? a.amount > b.amount : a.name < b.name;
    });
}

}  // namespace

std::string isoDay(const util::CalendarTime& day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year, day.month, day.day);
    return text;
}

bool buildReport(data::DataContext& data, const util::CalendarTime& first,
                 const util::CalendarTime& last, Report& report) {
    report = Report{};
    auto& journal = data.openOnDemand(data.journalCursor);
    const std::vector<int> found = core::ordersOnDays(journal, first, last);
    std::vector<std::string> numbers, settledNumbers;
    std::map<std::string, long long> settledAmount;
    std::map<int, Report::Count> hours;
    std::map<int, Report::Count> days;  // by yyyymmdd, so they come in order
    const auto count = [&](std::string_view number, std::string_view time, long long guests,
                           long long amount, bool settled) {
        ++report.orders;
        report.guests += guests;
        report.turnover += amount;
        (settled ? report.settled : report.unsettled) += amount;
        if (!settled) ++report.unpaid;
        numbers.emplace_back(number);
        if (settled) {
            settledNumbers.emplace_back(number);
            settledAmount[std::string(number)] += amount;
        }
        if (const auto opened = util::readDateText(time)) {
            auto& hour = hours[opened->hour];
            ++hour.orders;
            hour.amount += amount;
            auto& day = days[core::dayNumber(*opened)];
            ++day.orders;
            day.amount += amount;
        }
    };
    // Records found one after another are read in one statement, between their rowids: a
    // year's orders are one such run.
    bool read = !journal.readFailed();
    for (size_t i = 0; read && i < found.size();) {
        size_t j = i;
        while (j + 1 < found.size() && found[j + 1] == found[j] + 1) ++j;
        std::int64_t from = 0, to = 0;
        read = journal.moveTo(found[i]) && (from = journal.rowid(), journal.moveTo(found[j])) &&
               (to = journal.rowid(), true) &&
               journal.forEachRowBetween({"单号", "时间", "人数", "金额", "状态"}, from, to,
                                         [&](const data::SqliteTable::RowValues& row) {
                                             count(row.text(0), row.text(1), row.integer(2),
                                                   row.integer(3), row.integer(4) != 0);
                                         });
        i = j + 1;
    }
    read = read && !journal.readFailed();
    journal.close();
    if (!read) return false;
    report.perGuest = report.guests > 0 ? report.turnover / report.guests : 0;
    for (auto& [hour, count] : hours) {
        char name[8];
        std::snprintf(name, sizeof name, "%02d时", hour);
        count.name = name;
        report.hours.push_back(count);
    }
    for (auto& [day, count] : days) {
        count.name = isoDay({day / 10000, day / 100 % 100, day % 100, 0, 0, 0});
        report.days.push_back(count);
    }

    data::ReportOrders orders;
    if (!orders.set(data.database, numbers) || !orders.sumLines(report.dishes, report.categories))
        return false;
    byAmount(report.dishes);
    byAmount(report.categories);

    // How the settled orders were paid; one settled before payments were kept was cash.
    std::vector<data::PaymentRow> payments;
    if (!orders.payments(payments)) return false;
    std::map<std::string, const data::PaymentRow*> paymentOf;
    for (const auto& p : payments) paymentOf.emplace(p.number, &p);
    std::map<std::string, Report::Count> methods;
    for (const auto& number : settledNumbers) {
        const auto it = paymentOf.find(number);
        const std::string method = it == paymentOf.end() ? "现金" : it->second->method;
        auto& count = methods[method];
        ++count.orders;
        count.amount += settledAmount[number];
        if (it == paymentOf.end())
            report.cashExpected += settledAmount[number];
        else if (method == "现金")
            report.cashExpected += it->second->received - std::max(0LL, it->second->change);
    }
    for (const char* known : kPaymentMethods)
        if (auto it = methods.find(known); it != methods.end()) {
            it->second.name = known;
            report.methods.push_back(it->second);
            methods.erase(it);
        }
    for (auto& [name, count] : methods) {  // a method another program wrote
        count.name = name;
        report.methods.push_back(count);
    }

    // Orders deleted on those days, by the day of their deletion.
    data::SqliteTable deleted;
    if (deleted.open("删除记录", data.database)) {
        const int from = core::dayNumber(first), to = core::dayNumber(last);
        for (bool more = deleted.moveFirst(); more; more = deleted.skip()) {
            const auto when = util::readDateText(deleted.readText("删除时间"));
            if (!when || core::dayNumber(*when) < from || core::dayNumber(*when) > to) continue;
            ++report.deletedOrders;
            report.deletedAmount += deleted.readInt("金额");
        }
        if (deleted.readFailed()) return false;
    }
    return true;
}

}  // namespace tablora::report
