#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "core/worker.h"
#include "data/data_context.h"
#include "util/date_time.h"

namespace tablora::report {

// Works out and keeps the figures of every past day on a thread of its own, with a connection
// of its own, after the day's first login: the first report of a year then reads kept days too.
// Month by month, from the day of the journal's first record to yesterday; a month another
// program wrote to meanwhile is left for the report itself or for the next day.
class PastDaysKeeper {
  public:
    explicit PastDaysKeeper(ui::Desktop& desktop) : m_worker(desktop) {}
    // Stops between two months: closing the program never waits for years of trade.
    ~PastDaysKeeper() { m_stop = true; }

    // Once a day; later calls of the same day do nothing. Below `fromOrders` records in the
    // journal nothing is kept: a year of a small journal is read in a few tens of milliseconds.
    // The few days since the newest kept one (yesterday, as a rule) are kept at once through
    // `data`'s own connection, whose cursors then need not take in another connection's write;
    // longer spans (the first time: years) on the thread, and `then` runs on the window thread
    // once they are kept.
    void keep(data::DataContext& data, const util::CalendarTime& today, int fromOrders,
              std::function<void()> then);
    static constexpr int kWorthKeeping = 20'000;
    static constexpr size_t kAtOnce = 7;  // days kept at once on the window thread, at most
    // Waits for the keeping under way (scripts and tests).
    void finishAll() { m_worker.finishAll(); }

  private:
    std::atomic<bool> m_stop{false};
    int m_keptOn = 0;  // the day of the last keeping, yyyymmdd
    // Last, so it is stopped and joined before anything else goes.
    core::Worker m_worker;
};

// The keeping itself, on the calling thread; `stop` is looked at between months.
void keepPastDays(const std::string& databasePath, const util::CalendarTime& today,
                  const std::atomic<bool>& stop, int fromOrders = 0);

}  // namespace tablora::report
