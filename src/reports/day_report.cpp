#include "reports/day_report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>

#include "core/journal_days.h"
#include "data/report_cache.h"

namespace tablora::report {
namespace {

struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
template <class T>
using ByName = std::unordered_map<std::string, T, Hash, std::equal_to<>>;

template <class T>
T& entry(ByName<T>& map, std::string_view name) {
    auto it = map.find(name);
    if (it == map.end()) it = map.emplace(std::string(name), T{}).first;
    return it->second;
}

// Orders (of an hour, a payment method) or the quantity (of a category), and their amount.
struct Tally {
    long long count = 0, amount = 0;
};
struct DishTally {
    std::string category, first;  // of its first line, and that line's order
    long long quantity = 0, amount = 0;
};

// The figures of one day, or of days added up: what is kept of a past day.
struct Figures {
    long long orders = 0, guests = 0, turnover = 0, settled = 0, unsettled = 0, unpaid = 0,
              cashExpected = 0;
    // Of the settled bills: taken off (≤ 0), added (service, minimum), and the money taken.
    long long taken = 0, added = 0, received = 0;
    std::map<int, Tally> hours;
    ByName<Tally> methods;
    ByName<DishTally> dishes;
    ByName<Tally> categories;

    void add(const Figures& day) {
        orders += day.orders;
        guests += day.guests;
        turnover += day.turnover;
        settled += day.settled;
        unsettled += day.unsettled;
        unpaid += day.unpaid;
        cashExpected += day.cashExpected;
        taken += day.taken;
        added += day.added;
        received += day.received;
        for (const auto& [hour, t] : day.hours) {
            hours[hour].count += t.count;
            hours[hour].amount += t.amount;
        }
        for (const auto& [name, t] : day.methods) {
            auto& m = entry(methods, name);
            m.count += t.count;
            m.amount += t.amount;
        }
        for (const auto& [name, t] : day.dishes) {
            auto [it, added] = dishes.emplace(name, t);
            if (added) continue;
            // A dish shows the category of its first line in the order of the numbers.
            if (t.first < it->second.first) {
                it->second.category = t.category;
                it->second.first = t.first;
            }
            it->second.quantity += t.quantity;
            it->second.amount += t.amount;
        }
        for (const auto& [name, t] : day.categories) {
            auto& c = entry(categories, name);
            c.count += t.count;
            c.amount += t.amount;
        }
    }
};

// A kept day as bytes: numbers of eight bytes, texts after their length.
class Writer {
  public:
    void number(long long n) {
        for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
    }
    void text(std::string_view t) {
        number(static_cast<long long>(t.size()));
        bytes.append(t);
    }
    void tallies(const ByName<Tally>& named) {
        number(static_cast<long long>(named.size()));
        for (const auto& [name, t] : named) {
            text(name);
            number(t.count);
            number(t.amount);
        }
    }
    std::string bytes;
};

class Reader {
  public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}
    bool number(long long& n) {
        if (m_bytes.size() < 8) return false;
        unsigned long long u = 0;
        for (int i = 0; i < 8; ++i)
            u |= static_cast<unsigned long long>(static_cast<unsigned char>(m_bytes[i])) << (8 * i);
        n = static_cast<long long>(u);
        m_bytes.remove_prefix(8);
        return true;
    }
    bool text(std::string& t) {
        long long n = 0;
        if (!number(n) || n < 0 || static_cast<unsigned long long>(n) > m_bytes.size())
            return false;
        t.assign(m_bytes.substr(0, static_cast<size_t>(n)));
        m_bytes.remove_prefix(static_cast<size_t>(n));
        return true;
    }
    bool count(long long& n) { return number(n) && n >= 0 && n <= 10'000'000; }
    bool tallies(ByName<Tally>& named) {
        long long n = 0;
        std::string name;
        if (!count(n)) return false;
        for (long long i = 0; i < n; ++i) {
            Tally t;
            if (!text(name) || !number(t.count) || !number(t.amount)) return false;
            named[name] = t;
        }
        return true;
    }
    bool atEnd() const { return m_bytes.empty(); }

  private:
    std::string_view m_bytes;
};

constexpr long long kFormat = 2;  // 2: with what bills took off and added

std::string encode(const Figures& f) {
    Writer w;
    w.number(kFormat);
    for (long long n : {f.orders, f.guests, f.turnover, f.settled, f.unsettled, f.unpaid,
                        f.cashExpected, f.taken, f.added, f.received})
        w.number(n);
    w.number(static_cast<long long>(f.hours.size()));
    for (const auto& [hour, t] : f.hours) {
        w.number(hour);
        w.number(t.count);
        w.number(t.amount);
    }
    w.tallies(f.methods);
    w.number(static_cast<long long>(f.dishes.size()));
    for (const auto& [name, t] : f.dishes) {
        w.text(name);
        w.text(t.category);
        w.text(t.first);
        w.number(t.quantity);
        w.number(t.amount);
    }
    w.tallies(f.categories);
    return std::move(w.bytes);
}

// Nothing for bytes this program did not write: the day is then worked out again.
std::optional<Figures> decode(std::string_view bytes) {
    Reader r(bytes);
    Figures f;
    long long format = 0, n = 0, hour = 0;
    if (!r.number(format) || format != kFormat) return std::nullopt;
    for (long long* field : {&f.orders, &f.guests, &f.turnover, &f.settled, &f.unsettled, &f.unpaid,
                             &f.cashExpected, &f.taken, &f.added, &f.received})
        if (!r.number(*field)) return std::nullopt;
    if (!r.count(n)) return std::nullopt;
    for (long long i = 0; i < n; ++i) {
        Tally t;
        if (!r.number(hour) || !r.number(t.count) || !r.number(t.amount)) return std::nullopt;
        f.hours[static_cast<int>(hour)] = t;
    }
    std::string name;
    if (!r.tallies(f.methods) || !r.count(n)) return std::nullopt;
    for (long long i = 0; i < n; ++i) {
        DishTally t;
        if (!r.text(name) || !r.text(t.category) || !r.text(t.first) || !r.number(t.quantity) ||
            !r.number(t.amount))
            return std::nullopt;
        f.dishes[name] = std::move(t);
    }
    if (!r.tallies(f.categories) || !r.atEnd()) return std::nullopt;
    return f;
}

// The figures of each day from `from` to `to` read from the journal, its lines and payments.
bool workOut(data::DataContext& data, data::SqliteTable& journal, int from, int to,
             std::map<int, Figures>& days) {
    const std::vector<int> found = core::ordersOnDays(journal, core::dayOf(from), core::dayOf(to));
    std::vector<std::string> numbers;
    ByName<Figures*> dayOfNumber;  // an order's lines count once, on its first record's day
    struct Settled {
        size_t number;
        Figures* day;
        long long amount;
    };
    std::vector<Settled> settled;
    const auto count = [&](std::string_view number, std::string_view time, long long guests,
                           long long amount, bool isSettled) {
        const auto opened = util::readDateText(time);
        if (!opened) return;  // the day query found it by its day, so it has one
        Figures& day = days[core::dayNumber(*opened)];
        ++day.orders;
        day.guests += guests;
        day.turnover += amount;
        (isSettled ? day.settled : day.unsettled) += amount;
        if (!isSettled) ++day.unpaid;
        auto& hour = day.hours[opened->hour];
        ++hour.count;
        hour.amount += amount;
        numbers.emplace_back(number);
        dayOfNumber.emplace(std::string(number), &day);
        if (isSettled) settled.push_back({numbers.size() - 1, &day, amount});
    };
    // Records found one after another are read in one statement, between their rowids: a
    // year's orders are one such run.
    bool read = !journal.readFailed();
    for (size_t i = 0; read && i < found.size();) {
        size_t j = i;
        while (j + 1 < found.size() && found[j + 1] == found[j] + 1) ++j;
        std::int64_t first = 0, last = 0;
        read = journal.moveTo(found[i]) && (first = journal.rowid(), journal.moveTo(found[j])) &&
               (last = journal.rowid(), true) &&
               journal.forEachRowBetween({"单号", "时间", "人数", "金额", "状态"}, first, last,
                                         [&](const data::SqliteTable::RowValues& row) {
                                             count(row.text(0), row.text(1), row.integer(2),
                                                   row.integer(3), row.integer(4) != 0);
                                         });
        i = j + 1;
    }
    if (!read || journal.readFailed()) return false;

    data::ReportOrders orders;
    if (!orders.set(data.database, numbers)) return false;
    std::string lastNumber;
    Figures* day = nullptr;
    bool started = false;
    const bool linesRead =
        orders.forEachLine([&](std::string_view number, std::string_view dish,
                               std::string_view category, long long quantity, long long amount) {
            // An order's lines come together: its number is looked up once.
            if (!started || number != lastNumber) {
                started = true;
                lastNumber.assign(number);
                const auto it = dayOfNumber.find(number);
                day = it == dayOfNumber.end() ? nullptr : it->second;
            }
            if (!day) return;
            auto it = day->dishes.find(dish);
            if (it == day->dishes.end())
                it = day->dishes
                         .emplace(std::string(dish),
                                  DishTally{std::string(category), std::string(number), 0, 0})
                         .first;
            it->second.quantity += quantity;
            it->second.amount += amount;
            auto& c = entry(day->categories, category);
            c.count += quantity;
            c.amount += amount;
        });
    if (!linesRead) return false;

    // How the settled orders were paid, every payment of a bill; one settled before payments
    // were kept was cash.
    struct Payment {
        std::string method;
        long long received = 0, change = 0;
    };
    ByName<std::vector<Payment>> paymentsOf;
    const bool paymentsRead =
        orders.forEachPayment([&](std::string_view number, std::string_view method,
                                  long long received, long long change) {
            if (dayOfNumber.count(number))
                entry(paymentsOf, number).push_back({std::string(method), received, change});
        });
    if (!paymentsRead) return false;
    struct Adjusted {
        long long taken = 0, added = 0;
    };
    ByName<Adjusted> adjustedOf;
    const bool adjustmentsRead = orders.forEachAdjustment(
        [&](std::string_view number, std::string_view type, long long amount) {
            if (!dayOfNumber.count(number)) return;
            auto& a = entry(adjustedOf, number);
            (type == "服务费" || type == "最低消费" ? a.added : a.taken) += amount;
        });
    if (!adjustmentsRead) return false;
    for (const Settled& s : settled) {
        const std::string& number = numbers[s.number];
        if (const auto it = adjustedOf.find(number); it != adjustedOf.end()) {
            s.day->taken += it->second.taken;
            s.day->added += it->second.added;
        }
        const auto it = paymentsOf.find(number);
        if (it == paymentsOf.end()) {
            auto& cash = entry(s.day->methods, "现金");
            ++cash.count;
            cash.amount += s.amount;
            s.day->cashExpected += s.amount;
            s.day->received += s.amount;
            continue;
        }
        std::set<std::string_view> counted;  // an order counts once for each way it was paid
        for (const Payment& p : it->second) {
            auto& method = entry(s.day->methods, p.method);
            if (counted.insert(p.method).second) ++method.count;
            method.amount += p.received - p.change;
            s.day->received += p.received - p.change;
            if (p.method == "现金") s.day->cashExpected += p.received - std::max(0LL, p.change);
        }
    }
    return true;
}

// Largest amount first, equal amounts by the name's bytes.
void byAmount(std::vector<data::LineSum>& rows) {
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
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
                 const util::CalendarTime& last, const util::CalendarTime& today, Report& report) {
    report = Report{};
    auto& journal = data.openOnDemand(data.journalCursor);
    if (journal.readFailed()) return false;
    const std::vector<int> days = core::daysFrom(first, last);

    // Past days are read as kept, unless an order of theirs changed since; the others are
    // worked out, and the past ones among them kept.
    data::ReportCache cache;
    std::vector<std::string> changed;
    const bool keeping = !days.empty() && cache.begin(data.database, changed);
    std::set<int> forget;
    for (const auto& time : changed)
        if (const auto day = util::readDateText(time)) forget.insert(core::dayNumber(*day));
    std::map<int, std::string> kept, keep;
    if (keeping && !cache.load(days.front(), days.back(), kept)) kept.clear();
    std::map<int, Figures> byDay;
    for (size_t i = 0; i < days.size();) {
        if (const auto it = kept.find(days[i]); it != kept.end() && !forget.count(days[i]))
            if (auto figures = decode(it->second)) {
                byDay[days[i]] = std::move(*figures);
                ++i;
                continue;
            }
        size_t j = i;
        while (j + 1 < days.size() && (!kept.count(days[j + 1]) || forget.count(days[j + 1]))) ++j;
        std::map<int, Figures> worked;
        if (!workOut(data, journal, days[i], days[j], worked)) {
            journal.close();
            return false;
        }
        for (size_t k = i; k <= j; ++k) {
            Figures& day = worked[days[k]];
            // Only whole past days of real dates are kept: today's still change.
            if (keeping && days[k] < core::dayNumber(today) && days[k] >= 10000101)
                keep[days[k]] = encode(day);
            byDay[days[k]] = std::move(day);
        }
        i = j + 1;
    }
    cache.finish(std::vector<int>(forget.begin(), forget.end()), keep);
    journal.close();

    Figures total;
    for (const auto& [day, figures] : byDay) {
        total.add(figures);
        if (figures.orders > 0)
            report.days.push_back({isoDay(core::dayOf(day)), figures.orders, figures.turnover});
    }
    report.orders = total.orders;
    report.guests = total.guests;
    report.turnover = total.turnover;
    report.settled = total.settled;
    report.unsettled = total.unsettled;
    report.unpaid = total.unpaid;
    report.cashExpected = total.cashExpected;
    report.taken = total.taken;
    report.added = total.added;
    report.received = total.received;
    report.perGuest = report.guests > 0 ? report.turnover / report.guests : 0;
    for (const auto& [hour, t] : total.hours) {
        char name[8];
        std::snprintf(name, sizeof name, "%02d时", hour);
        report.hours.push_back({name, t.count, t.amount});
    }
    for (const auto& [name, t] : total.dishes)
        report.dishes.push_back({name, t.category, t.quantity, t.amount});
    for (const auto& [name, t] : total.categories)
        report.categories.push_back({name, "", t.count, t.amount});
    byAmount(report.dishes);
    byAmount(report.categories);
    for (const char* known : kPaymentMethods)
        if (auto it = total.methods.find(std::string_view(known)); it != total.methods.end()) {
            report.methods.push_back({known, it->second.count, it->second.amount});
            total.methods.erase(it);
        }
    // A method another program wrote, after the cash desk's, by name.
    std::map<std::string, Tally> others(total.methods.begin(), total.methods.end());
    for (const auto& [name, t] : others) report.methods.push_back({name, t.count, t.amount});

    // Cash put into or taken out of the drawer on those days is in it, or not, at the close.
    data::SqliteTable moves;
    if (moves.open("现金收支", data.database)) {
        const std::string from = isoDay(first) + " 00:00:00", to = isoDay(last) + " 23:59:59";
        for (bool more = moves.moveFirst(); more; more = moves.skip()) {
            const std::string time = moves.readText("时间");
            if (time < from || time > to) continue;
            report.cashMoved +=
                (moves.readText("类型") == "取出" ? -1LL : 1LL) * moves.readInt("金额");
        }
        if (moves.readFailed()) return false;
    }
    report.cashExpected += report.cashMoved;

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
