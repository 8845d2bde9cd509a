#pragma once

#include <string>
#include <vector>

#include "util/date_time.h"

namespace tablora::data {
class DataContext;
class SqliteDB;
}  // namespace tablora::data

namespace tablora::rights {

// One change that took something off an order, as the owner reads it afterwards.
struct TraceRow {
    std::string time, number, table, action, dish;
    long long quantity = 0, amount = 0;
    std::string reason, operatorName, approver;
    long long sent = 0;  // of the quantity, what the kitchen already had
};

// "2025-03-07 18:05:09": the trace's times sort as text, so a span is a range.
std::string traceTime(const util::CalendarTime& t);

// Added inside the caller's transaction: the change and its trace land together or not at all.
bool writeTrace(data::DataContext& data, const TraceRow& row);

// The order's voids as a bill lists them: "宫保鸡丁×1（上菜太慢）".
std::vector<std::string> voidsOf(data::DataContext& data, const std::string& number);

// The reasons kept for a kind of change ("退菜"), in the order they were added.
std::vector<std::string> reasonsFor(data::SqliteDB& database, const std::string& kind);

// A note or reason as typed, kept as plain text: control characters become spaces and the
// ends are trimmed.
std::string plainText(const std::string& typed);

}  // namespace tablora::rights
