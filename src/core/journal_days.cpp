#include "core/journal_days.h"

#include <string>

namespace tablora::core {
namespace {

// The texts that start with `prefix`, as a byte range.
data::SqliteTable::TextRange startingWith(std::string prefix) {
    std::string to = prefix;
    while (!to.empty() && static_cast<unsigned char>(to.back()) == 0xFF) to.pop_back();
    if (!to.empty()) to.back() = static_cast<char>(to.back() + 1);
    return {std::move(prefix), to.empty() ? std::string("\xFF\xFF\xFF\xFF") : std::move(to)};
}

// The byte ranges outside which no opening time can read as a day from `first` to `last`.
// Without blanks before it, a date of a year of four digits starts with the year, then "年" or
// one of the separators, the month in one or two digits, then "月" or a separator, and for a
// short span the day likewise; texts starting with a blank lie below "0". Days are asked for
// one by one over a short span, months over a longer one, years over a very long one.
std::vector<data::SqliteTable::TextRange> datesTextRanges(const util::CalendarTime& first,
                                                          const util::CalendarTime& last) {
    if (first.year < 1000 || last.year > 9999) return {};
    std::vector<data::SqliteTable::TextRange> ranges = {{"", "0"}};
    const int months = (last.year - first.year) * 12 + last.month - first.month + 1;
    if (months > 120) {
        std::string to = std::to_string(last.year);
        ++to.back();
        ranges.push_back({std::to_string(first.year), to});
        return ranges;
    }
    auto twoForms = [](int n) {
        std::vector<std::string> forms = {std::to_string(n)};
        if (n < 10) forms.push_back("0" + std::to_string(n));
        return forms;
    };
    static const char* const kSeparators[] = {"-", "/", ".", ":"};
    const bool byDay = dayNumber(last) - dayNumber(first) < 100 && months <= 2;
    util::CalendarTime month{first.year, first.month, 1, 0, 0, 0};
    for (int m = 0; m < months; ++m) {
        const std::string year = std::to_string(month.year);
        for (const std::string& mm : twoForms(month.month)) {
            std::vector<std::string> monthPrefixes = {year + "年" + mm + "月"};
            for (const char* a : kSeparators)
                for (const char* b : kSeparators) monthPrefixes.push_back(year + a + mm + b);
            if (!byDay) {
                for (auto& prefix : monthPrefixes) ranges.push_back(startingWith(prefix));
                continue;
            }
            for (int d = 1; d <= 31; ++d) {
                const int day = month.year * 10000 + month.month * 100 + d;
                if (day < dayNumber(first) || day > dayNumber(last)) continue;
                for (const std::string& dd : twoForms(d))
                    for (size_t p = 0; p < monthPrefixes.size(); ++p)
                        ranges.push_back(
                            startingWith(monthPrefixes[p] + dd + (p == 0 ? "日" : "")));
            }
        }
        if (++month.month > 12) {
            month.month = 1;
            ++month.year;
        }
    }
    return ranges;
}

}  // namespace

int dayNumber(const util::CalendarTime& t) {
    return t.year * 10000 + t.month * 100 + t.day;
}

std::vector<int> daysFrom(const util::CalendarTime& first, const util::CalendarTime& last) {
    std::vector<int> days;
    util::CalendarTime day{first.year, first.month, first.day, 0, 0, 0};
    if (day.month < 1 || day.month > 12 || day.day < 1) return days;
    while (dayNumber(day) <= dayNumber(last)) {
        days.push_back(dayNumber(day));
        const bool leap = (day.year % 4 == 0 && day.year % 100 != 0) || day.year % 400 == 0;
        static const int kLength[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (++day.day > kLength[day.month - 1] + (day.month == 2 && leap ? 1 : 0)) {
            day.day = 1;
            if (++day.month > 12) {
                day.month = 1;
                ++day.year;
            }
        }
    }
    return days;
}

util::CalendarTime dayOf(int dayNumber) {
    return {dayNumber / 10000, dayNumber / 100 % 100, dayNumber % 100, 0, 0, 0};
}

std::vector<int> ordersOnDays(data::SqliteTable& journal, const util::CalendarTime& first,
                              const util::CalendarTime& last) {
    const int from = dayNumber(first), to = dayNumber(last);
    if (from > to) return {};
    // An opening time that is no real date lies before any day the boxes can show.
    const auto inRange = [from, to](std::string_view text) {
        const auto opened = util::readDateText(text);
        return opened && dayNumber(*opened) >= from && dayNumber(*opened) <= to;
    };
    return journal.findWhere("时间", inRange, datesTextRanges(first, last));
}

}  // namespace tablora::core
