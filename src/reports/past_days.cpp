#include "reports/past_days.h"

#include <algorithm>

#include "core/journal_days.h"
#include "data/report_cache.h"
#include "reports/day_report.h"

namespace tablora::report {

void PastDaysKeeper::keep(data::DataContext& data, const util::CalendarTime& today, int fromOrders,
                          std::function<void()> then) {
    if (core::dayNumber(today) == m_keptOn) return;
    m_keptOn = core::dayNumber(today);
    // Counted on the window's connection, which opens the journal at login anyway: a small
    // journal costs no thread and no second connection.
    if (data.openOnDemand(data.journalCursor).recordCount() < fromOrders) return;
    if (const int newest = data::newestKeptDay(data.database); newest > 0) {
        // From the newest kept day to today, both not to be kept again.
        const std::vector<int> days = core::daysFrom(core::dayOf(newest), today);
        if (days.size() <= kAtOnce + 2) {
            Report report;
            if (days.size() > 2)
                buildReport(data, core::dayOf(days[1]), core::dayOf(days[days.size() - 2]), today,
                            report);
            return;
        }
    }
    const std::string databasePath = data.databasePath();
    m_worker.post([this, databasePath, today,
                   fromOrders] { keepPastDays(databasePath, today, m_stop, fromOrders); },
                  std::move(then));
}

void keepPastDays(const std::string& databasePath, const util::CalendarTime& today,
                  const std::atomic<bool>& stop, int fromOrders) {
    data::DataContext data(databasePath);
    if (data.openForLogin() != data::DataContext::LoginOpen::Ok) return;
    auto& journal = data.openOnDemand(data.journalCursor);
    if (journal.recordCount() < fromOrders) return;
    const auto first =
        journal.moveFirst() ? util::readDateText(journal.readText("时间")) : std::nullopt;
    journal.close();
    if (!first) return;
    const std::vector<int> days = core::daysFrom(*first, today);
    Report report;
    for (size_t i = 0; i + 1 < days.size() && !stop;) {
        // A month at a time (today not), each read at one moment of the file.
        size_t j = i;
        while (j + 2 < days.size() && days[j + 1] / 100 == days[i] / 100) ++j;
        buildReport(data, core::dayOf(days[i]), core::dayOf(days[j]), today, report);
        i = j + 1;
    }
}

}  // namespace tablora::report
