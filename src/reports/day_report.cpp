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
    std::map<std::string, Report::Count> days;
    for (int n : found) {
        if (!journal.moveTo(n)) break;
        const std::string number = journal.readText("单号");
        const long long amount = journal.readInt("金额");
        const bool settled = journal.readInt("状态") != 0;
        ++report.orders;
        report.guests += journal.readInt("人数");
        report.turnover += amount;
        (settled ? report.settled : report.unsettled) += amount;
        if (!settled) ++report.unpaid;
        numbers.push_back(number);
        if (settled) {
            settledNumbers.push_back(number);
            settledAmount[number] += amount;
        }
        if (const auto opened = util::readDateText(journal.readText("时间"))) {
            auto& hour = hours[opened->hour];
            ++hour.orders;
            hour.amount += amount;
            auto& day = days[isoDay(*opened)];
            ++day.orders;
            day.amount += amount;
        }
    }
    const bool read = !journal.readFailed();
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
        count.name = day;
        report.days.push_back(count);
    }

    if (!data::setReportOrders(data.database, numbers) ||
        !data::sumLines(data.database, report.dishes, report.categories))
        return false;
    byAmount(report.dishes);
    byAmount(report.categories);

    // How the settled orders were paid; one settled before payments were kept was cash.
    std::vector<data::PaymentRow> payments;
    if (!data::paymentsOf(data.database, payments)) return false;
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
