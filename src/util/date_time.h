#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tablora::util {

// A date-time value: days since 1899-12-30 00:00 local time, the fraction the time of day.
using DateTime = double;

struct CalendarTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const CalendarTime&) const = default;
};

// Calendar fields of a value, rounded to the whole second; nothing for years outside 100..9999.
std::optional<CalendarTime> toCalendar(DateTime value);
DateTime fromCalendar(const CalendarTime& fields);

// The local clock, to the whole second.
CalendarTime localNow();

// "2022年12月31日12时35分": no leading zeros, trailing zero fields of the time left out.
std::string dateText(const CalendarTime& fields);

// Reads a date and time written as dateText writes it ("2022年12月31日12时35分", trailing time
// fields left out) or in numbers with "-", "/", "." or ":" between the parts ("2022-12-31
// 12:35:00"). Nothing unless the parts form a real date and time of day.
std::optional<CalendarTime> readDateText(std::string_view text);

enum DateStyle { UnitChars = 0, Dashes = 1, Slashes = 2, Compact = 3 };
enum FieldSet {
    DateAndTime = 0,
    DateOnly = 1,
    MonthDay = 2,
    TimeOnly = 3,
    HourMinute = 4,
    MinuteSecond = 5
};
enum ClockMode { Regional = 0, TwelveHour = 1, TwentyFourHour = 2 };

// True when this machine's locale writes times on a 24-hour clock.
bool RegionalClockIs24Hour();

// Formats a date-time (the local clock when none is given) in one of four styles restricted
// to a set of fields. Out-of-range selectors fall back to 0 (clock: regional setting).
std::string FormatDateTime(std::optional<DateTime> when = std::nullopt, int style = 0,
                           int fieldSet = 0, int clockMode = 0);

}  // namespace tablora::util
