#include "util/date_time.h"

#include <langinfo.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <string_view>

namespace tablora::util {
namespace {

constexpr long long kEpochOffsetDays = 25569;  // 1899-12-30 -> 1970-01-01

// Days since 1970-01-01 of a proleptic Gregorian date.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long yy = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

void appendPadded(std::string& out, int value, int width) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    out += buf;
}

std::string render(std::string_view picture, const CalendarTime& t) {
    std::string out;
    size_t i = 0;
    auto starts = [&](std::string_view token) { return picture.substr(i, token.size()) == token; };
    while (i < picture.size()) {
        if (starts("yyyy")) {
            appendPadded(out, t.year, 4);
            i += 4;
        } else if (starts("MM")) {
            appendPadded(out, t.month, 2);
            i += 2;
        } else if (starts("dd")) {
            appendPadded(out, t.day, 2);
            i += 2;
        } else if (starts("HH")) {
            appendPadded(out, t.hour, 2);
            i += 2;
        } else if (starts("hh")) {
            const int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
            appendPadded(out, h12, 2);
            i += 2;
        } else if (starts("mm")) {
            appendPadded(out, t.minute, 2);
            i += 2;
        } else if (starts("ss")) {
            appendPadded(out, t.second, 2);
            i += 2;
        } else {
            out.push_back(picture[i]);
            ++i;
        }
    }
    return out;
}

struct Pictures {
    const char* fullDate;
    const char* fullTime;
    const char* monthDay;
    const char* hourMinute;
    const char* minuteSecond;
};

constexpr Pictures kPictures[4] = {
    {"yyyy年MM月dd日 ", "hh时mm分ss秒", "MM月dd日", "hh时mm分", "mm分ss秒"},
    {"yyyy-MM-dd ", "hh:mm:ss", "MM-dd", "hh:mm", "mm:ss"},
    {"yyyy/MM/dd ", "hh/mm/ss", "MM/dd", "hh/mm", "mm/ss"},
    {"yyyyMMdd", "hhmmss", "MMdd", "hhmm", "mmss"},
};

std::string trimBlanks(std::string s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

}  // namespace

std::optional<CalendarTime> toCalendar(DateTime value) {
    if (!std::isfinite(value)) return std::nullopt;
    // The day part counts from the epoch; the fraction is the time of day even for
    // values before it, so -1.25 is 1899-12-29 06:00.
    double dayPart = std::trunc(value);
    long long seconds = std::llround(std::fabs(value - dayPart) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        dayPart += value < 0 ? -1 : 1;
    }
    if (std::fabs(dayPart) > 4.0e6) return std::nullopt;
    CalendarTime t;
    civilFromDays(static_cast<long long>(dayPart) - kEpochOffsetDays, t.year, t.month, t.day);
    if (t.year < 100 || t.year > 9999) return std::nullopt;
    t.hour = static_cast<int>(seconds / 3600);
    t.minute = static_cast<int>(seconds / 60 % 60);
    t.second = static_cast<int>(seconds % 60);
    return t;
}

DateTime fromCalendar(const CalendarTime& f) {
    const long long days =
        daysFromCivil(f.year, static_cast<unsigned>(f.month), static_cast<unsigned>(f.day)) +
        kEpochOffsetDays;
    const double fraction = (f.hour * 3600 + f.minute * 60 + f.second) / 86400.0;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

CalendarTime localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string dateText(const CalendarTime& t) {
    std::string out = std::to_string(t.year) + "年" + std::to_string(t.month) + "月" +
                      std::to_string(t.day) + "日";
    if (t.second != 0) {
        out += std::to_string(t.hour) + "时" + std::to_string(t.minute) + "分" +
               std::to_string(t.second) + "秒";
    } else if (t.minute != 0) {
        out += std::to_string(t.hour) + "时" + std::to_string(t.minute) + "分";
    } else if (t.hour != 0) {
        out += std::to_string(t.hour) + "时";
    }
    return out;
}

bool RegionalClockIs24Hour() {
    // The locale's time picture: "%H", "%R" and "%T" are 24-hour, "%I" and "%r" 12-hour.
    const std::string_view fmt = nl_langinfo(T_FMT);
    return fmt.find("%I") == std::string_view::npos && fmt.find("%r") == std::string_view::npos;
}

std::string FormatDateTime(std::optional<DateTime> when, int style, int fieldSet, int clockMode) {
    const DateTime value = when ? *when : fromCalendar(localNow());
    if (style < 0 || style > 3) style = 0;
    if (fieldSet < 0 || fieldSet > 5) fieldSet = 0;
    const Pictures& p = kPictures[style];

    std::string datePicture = (fieldSet >= 3) ? "" : p.fullDate;
    std::string timePicture = (fieldSet == 1 || fieldSet == 2) ? "" : p.fullTime;
    if (fieldSet == 1) datePicture = trimBlanks(datePicture);
    if (fieldSet == 2) datePicture = p.monthDay;
    if (fieldSet == 4) timePicture = p.hourMinute;
    if (fieldSet == 5) timePicture = p.minuteSecond;

    const bool twentyFour = clockMode == 1   ? false
                            : clockMode == 2 ? true
                                             : RegionalClockIs24Hour();
    if (twentyFour) {
        for (size_t pos = timePicture.find("hh"); pos != std::string::npos;
             pos = timePicture.find("hh", pos + 2)) {
            timePicture.replace(pos, 2, "HH");
        }
    }

    const auto fields = toCalendar(value);
    if (!fields) return {};
    std::string result;
    if (datePicture.size() >= 3) result += render(datePicture, *fields);
    if (timePicture.size() >= 3) result += render(timePicture, *fields);
    return result;
}

}  // namespace tablora::util

namespace tablora::util {
namespace {

// Reads 1 to `most` ASCII digits at `at`.
std::optional<int> digitsAt(std::string_view text, size_t& at, size_t most) {
    int value = 0;
    size_t n = 0;
    while (at < text.size() && n < most && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at++] - '0');
        ++n;
    }
    if (n == 0 || (at < text.size() && text[at] >= '0' && text[at] <= '9')) return std::nullopt;
    return value;
}

bool takes(std::string_view text, size_t& at, std::string_view piece) {
    if (text.substr(at, piece.size()) != piece) return false;
    at += piece.size();
    return true;
}

bool takesSeparator(std::string_view text, size_t& at) {
    if (at < text.size() &&
        (text[at] == '-' || text[at] == '/' || text[at] == '.' || text[at] == ':')) {
        ++at;
        return true;
    }
    return false;
}

void skipBlanks(std::string_view text, size_t& at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
}

bool isLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool real(const CalendarTime& t) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.year < 100 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1) return false;
    const int last = days[t.month - 1] + (t.month == 2 && isLeap(t.year) ? 1 : 0);
    return t.day <= last && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
           t.second >= 0 && t.second <= 59;
}

}  // namespace

std::optional<CalendarTime> readDateText(std::string_view text) {
    size_t at = 0;
    skipBlanks(text, at);
    CalendarTime t{0, 0, 0, 0, 0, 0};
    int* const fields[] = {&t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second};
    static const std::string_view units[] = {"年", "月", "日", "时", "分", "秒"};
    auto number = [&](int index) {
        const auto v = digitsAt(text, at, index == 0 ? 4 : 2);
        if (v) *fields[index] = *v;
        return v.has_value();
    };
    if (!number(0)) return std::nullopt;
    int read = 1;
    if (takes(text, at, units[0])) {
        // The unit form: each part closed by its unit, the time parts from the hour on optional.
        while (read < 3 && number(read) && takes(text, at, units[read])) ++read;
        if (read < 3) return std::nullopt;
        skipBlanks(text, at);
        while (read < 6 && at < text.size() && number(read) && takes(text, at, units[read])) ++read;
    } else {
        // The numeric form: the date's parts, then the time's after a blank, with separators.
        while (read < 3 && takesSeparator(text, at) && number(read)) ++read;
        if (read < 3) return std::nullopt;
        const size_t beforeBlank = at;
        skipBlanks(text, at);
        if (at > beforeBlank || takes(text, at, "T")) {
            if (at < text.size() && number(read)) {
                ++read;
                while (read < 6 && takesSeparator(text, at) && number(read)) ++read;
            }
        }
    }
    skipBlanks(text, at);
    if (at != text.size() || !real(t)) return std::nullopt;
    return t;
}

}  // namespace tablora::util
