#pragma once

#include <vector>

#include "data/sqlite_table.h"
#include "util/date_time.h"

namespace tablora::core {

// A calendar day as one comparable number, yyyymmdd.
int dayNumber(const util::CalendarTime& t);

// The days from `first` to `last` as day numbers, in order.
std::vector<int> daysFrom(const util::CalendarTime& first, const util::CalendarTime& last);
// The calendar day of a day number.
util::CalendarTime dayOf(int dayNumber);

// The record numbers, ascending, of the journal records whose opening time (时间, in any form
// readDateText reads) falls on a day from `first` to `last`: the journal's day query, looked
// up through the index on 时间. The cursor's readFailed() tells whether it was read whole.
std::vector<int> ordersOnDays(data::SqliteTable& journal, const util::CalendarTime& first,
                              const util::CalendarTime& last);

}  // namespace tablora::core
